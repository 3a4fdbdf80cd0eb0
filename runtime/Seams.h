// The program's seams: every message window and modal dialog, "today", and the printer list go
// through these functions, so a test can script the answers and fix the clock and the printers.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace runtime {

// ---- Message windows --------------------------------------------------------------------------
enum class MessageKind {
    Notice,          // the program's own notice: caption = title, no icon, one OK, centred
    Question,        // OK / Cancel question
    Error,           // the default error box: caption = title, error icon, OK
    StartupFailure,  // "Application Error", error icon, OK
};
enum class MessageAnswer { Ok, Cancel };

struct MessageRequest {
    MessageKind kind = MessageKind::Notice;
    QString caption;
    QString text;
};

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;

// Shows a message window (modal) and answers the button pressed. With a handler set, the handler
// answers instead and no window is shown.
MessageAnswer showMessage(const MessageRequest& request);
void setMessageHandler(MessageHandler handler);  // an empty handler restores real windows

// The OK / Cancel question with `text`; answers whether OK was chosen.
bool askOkCancel(const QString& text);

// ---- Modal dialogs (print setup, file dialogs, password, login) --------------------------------
// Runs `dialog` modally and answers its result code (QDialog::Accepted or Rejected). A test can
// put a handler in place that fills the dialog's controls and answers without showing it.
using DialogHandler = std::function<int(QDialog&)>;
int execDialog(QDialog& dialog);
void setDialogHandler(DialogHandler handler);

// ---- Clock -------------------------------------------------------------------------------------
QDateTime now();
QDate today();
void setClock(std::function<QDateTime()> clock);  // an empty function restores the system clock

// ---- Printers ----------------------------------------------------------------------------------
// The names of the installed printers, default first when there is one; from Qt's printer list
// unless a test has fixed the list.
QStringList printerNames();
QString defaultPrinterName();
bool printersInstalled();
void setPrinterList(std::optional<QStringList> printers);  // nullopt restores Qt's list

// ---- The program's title, used as caption of its message windows -------------------------------
QString applicationTitle();
void setApplicationTitle(const QString& title);

}  // namespace runtime

// The program's notice: `text` in a window captioned with the program's title, without an icon, with
// one OK button, centred on the screen; returns when it is closed.
void ShowMessage(const QString& text);
