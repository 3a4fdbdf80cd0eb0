// The application object and the start-up failure report.
#include "runtime/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>

#include "runtime/Boundary.h"
#include "runtime/Exception.h"
#include "runtime/Form.h"
#include "runtime/Graphics.h"
#include "runtime/Seams.h"

TApplication* Application = nullptr;

TApplication::TApplication() {
    Application = this;
}

TApplication::~TApplication() {
    while (!forms_.empty()) {
        OwnedForm owned = std::move(forms_.back());
        forms_.pop_back();
        owned.clearReference();
        owned.form.reset();
    }
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    QApplication::setQuitOnLastWindowClosed(false);
    runtime::installFontSubstitutions();
}

void TApplication::adopt(TForm* form, std::function<void()> clearReference) {
    forms_.push_back({std::unique_ptr<TForm>(form), std::move(clearReference)});
}

void TApplication::Run() {
    if (TForm* main = MainForm(); main && !terminated_) main->Show();
    QEventLoop loop;
    RunLoop(loop);
}

void TApplication::RunLoop(QEventLoop& loop) {
    if (terminated_) return;
    loops_.push_back(&loop);
    loop.exec();
    loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
}

void TApplication::Terminate() {
    terminated_ = true;
    for (QEventLoop* loop : loops_) loop->quit();
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
}

TForm* TApplication::MainForm() const {
    return forms_.empty() ? nullptr : forms_.front().form.get();
}

TForm* TApplication::Forms(int index) const {
    if (index < 0 || index >= FormCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return forms_[size_t(index)].form.get();
}

QString TApplication::Title() const {
    return runtime::applicationTitle();
}

void TApplication::SetTitle(const QString& title) {
    runtime::setApplicationTitle(title);
}

QString TApplication::ModuleName() const {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

void TApplication::ShowStartupFailure(std::exception_ptr error) const {
    QString className = QStringLiteral("Exception");
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        className = e.ClassName();
        text = runtime::withAdvice(runtime::startupFailureText(className, ModuleName(), &e, e.Message()), e);
    } catch (const std::exception& e) {
        text = runtime::withAdvice(
            runtime::startupFailureText(className, ModuleName(), &e, QString::fromUtf8(e.what())), e);
    } catch (...) {
        text = runtime::startupFailureText(className, ModuleName(), nullptr,
                                           QStringLiteral("Unknown exception"));
    }
    runtime::showMessage({runtime::MessageKind::StartupFailure, QStringLiteral("Application Error"), text});
}

namespace runtime {

QString startupFailureText(const QString& className, const QString& moduleName, const void* address,
                           const QString& message) {
    const QString stop = message.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".");
    return QString::asprintf("Exception %s in module %s at %p.\n%s%s", qUtf8Printable(className),
                             qUtf8Printable(moduleName), address, qUtf8Printable(message),
                             qUtf8Printable(stop));
}

}  // namespace runtime
