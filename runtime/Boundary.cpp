// The event boundary and the default error box.
#include "runtime/Boundary.h"

#include "runtime/Exception.h"
#include "runtime/Seams.h"

namespace runtime {

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

namespace {

ErrorAdvice& errorAdvice() {
    static ErrorAdvice advice;
    return advice;
}

}  // namespace

void setErrorAdvice(ErrorAdvice advice) {
    errorAdvice() = std::move(advice);
}

QString withAdvice(const QString& message, const std::exception& error) {
    const QString advice = errorAdvice() ? errorAdvice()(error) : QString();
    return advice.isEmpty() ? message : message + QStringLiteral("\n\n") + advice;
}

void showException(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        text = withAdvice(errorBoxText(e.Message()), e);
    } catch (const std::exception& e) {
        text = withAdvice(errorBoxText(QString::fromUtf8(e.what())), e);
    } catch (...) {
        text = errorBoxText(QStringLiteral("Unknown exception"));
    }
    showMessage({MessageKind::Error, applicationTitle(), text});
}

bool guarded(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

}  // namespace runtime
