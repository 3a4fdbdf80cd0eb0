// Default implementations of the program's seams and the hooks that tests put in their place.
#include "runtime/Seams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrinterInfo>

#include "runtime/Form.h"

namespace runtime {
namespace {

MessageHandler& messageHandler() {
    static MessageHandler handler;
    return handler;
}
DialogHandler& dialogHandler() {
    static DialogHandler handler;
    return handler;
}
std::function<QDateTime()>& clock() {
    static std::function<QDateTime()> fn;
    return fn;
}
std::optional<QStringList>& fixedPrinters() {
    static std::optional<QStringList> printers;
    return printers;
}
QString& title() {
    static QString text = QStringLiteral("Kovrel");
    return text;
}

MessageAnswer showRealMessage(const MessageRequest& request) {
    QMessageBox box;
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    switch (request.kind) {
        case MessageKind::Notice:
            box.setIcon(QMessageBox::NoIcon);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageKind::Question:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageKind::Error:
        case MessageKind::StartupFailure:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    // The message windows' buttons keep their captions in any language the program's Qt texts speak.
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("OK"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) cancel->setText(QStringLiteral("Cancel"));
    const int answer = box.exec();
    return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace

MessageAnswer showMessage(const MessageRequest& request) {
    const QPointer<TForm> beneath = TForm::ActiveForm();
    const MessageAnswer answer = messageHandler() ? messageHandler()(request) : showRealMessage(request);
    if (beneath) beneath->MessageWindowClosed();
    return answer;
}

bool askOkCancel(const QString& text) {
    return showMessage({MessageKind::Question, applicationTitle(), text}) == MessageAnswer::Ok;
}
void setMessageHandler(MessageHandler handler) {
    messageHandler() = std::move(handler);
}

int execDialog(QDialog& dialog) {
    if (dialogHandler()) return dialogHandler()(dialog);
    return dialog.exec();
}
void setDialogHandler(DialogHandler handler) {
    dialogHandler() = std::move(handler);
}

QDateTime now() {
    return clock() ? clock()() : QDateTime::currentDateTime();
}
QDate today() {
    return now().date();
}
void setClock(std::function<QDateTime()> fn) {
    clock() = std::move(fn);
}

QStringList printerNames() {
    if (fixedPrinters()) return *fixedPrinters();
    QStringList names;
    const QString def = QPrinterInfo::defaultPrinterName();
    if (!def.isEmpty()) names << def;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        if (name != def) names << name;
    return names;
}
QString defaultPrinterName() {
    const QStringList names = printerNames();
    return names.isEmpty() ? QString() : names.first();
}
bool printersInstalled() {
    return !printerNames().isEmpty();
}
void setPrinterList(std::optional<QStringList> printers) {
    fixedPrinters() = std::move(printers);
}

QString applicationTitle() {
    return title();
}
void setApplicationTitle(const QString& text) {
    title() = text;
}

}  // namespace runtime

void ShowMessage(const QString& text) {
    runtime::showMessage({runtime::MessageKind::Notice, runtime::applicationTitle(), text});
}
