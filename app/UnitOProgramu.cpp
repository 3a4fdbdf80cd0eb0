// The window "O programu": what the program is, which ledger it works on, and what it is built on.
#include "app/UnitOProgramu.h"

#include <QDir>

#include "app/Backups.h"
#include "app/Unit1.h"
#include "engine/LedgerFile.h"
#include "engine/ServerLedger.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"

TfrmOProgramu* frmOProgramu = nullptr;

TfrmOProgramu::TfrmOProgramu() : TForm(app::windowDescription("UnitOProgramu")) {
    FIND_COMPONENTS(Label1, Label2, Label3, Label4, Label5, Label6, BitBtn1);
    Label4->setWordWrap(true);
    Label6->setWordWrap(true);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, BitBtn1);
}

void TfrmOProgramu::FormActivate(QObject*) {
    Label3->SetCaption(QStringLiteral("Verzija %1").arg(QStringLiteral(KOVREL_VERSION)));
    if (const std::optional<std::string> server = engine::serverConnectionIn("")) {
        const QString host = QString::fromStdString(engine::connectionHost(*server));
        Label4->SetCaption(QStringLiteral("Knjiga: na serveru %1, baza %2")
                               .arg(host.isEmpty() ? QStringLiteral("ovog racunara") : host,
                                    QString::fromStdString(engine::connectionDatabase(*server))));
    } else {
        Label4->SetCaption(QStringLiteral("Knjiga: %1")
                               .arg(QDir::toNativeSeparators(QString::fromStdString(app::workingLedger()))));
    }
    Label5->SetCaption(
        QStringLiteral("Qt %1, SQLite %2")
            .arg(QString::fromLatin1(qVersion()), QString::fromStdString(engine::sqliteVersion())));
}

void TfrmOProgramu::BitBtn1Click(QObject*) {
    Close();
}
