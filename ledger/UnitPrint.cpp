// Loading the print forms' descriptions and creating the forms at start-up.
#include "ledger/UnitPrint.h"

#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "report/RpFormLoader.h"
#include "report/RpPrinting.h"

static void initLedgerResources() {
    Q_INIT_RESOURCE(ledger);
}

namespace ledger {

void loadPrintForm(TReport& report, const QString& path) {
    initLedgerResources();
    LoadReportFormFile(report, path);
}

TRpLabel* printLabel(const TReport& report, const char* name) {
    auto* label = report.findChild<TRpLabel*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!label)
        throw ERpError(QStringLiteral("%1 has no label %2").arg(report.objectName(), QLatin1String(name)));
    return label;
}

void PreviewFreeDaysRecordRequest(const QString& days, const QString& part, const QString& year,
                                  const QString& returnDate) {
    if (!frmKovrelstampa) return;
    frmKovrelstampa->RpLabel8->SetCaption(days);
    frmKovrelstampa->RpLabel9->SetCaption(part);
    frmKovrelstampa->RpLabel10->SetCaption(year);
    frmKovrelstampa->RpLabel11->SetCaption(returnDate);
    frmKovrelstampa->Preview();
}

void PreviewFreeDaysUseRequest(const QString& days, const QString& firstDay, const QString& lastDay) {
    if (!frmStampakovrelkor) return;
    frmStampakovrelkor->RpLabel8->SetCaption(days);
    frmStampakovrelkor->RpLabel9->SetCaption(firstDay);
    frmStampakovrelkor->RpLabel10->SetCaption(lastDay);
    frmStampakovrelkor->Preview();
}

void PreviewAnnualLeaveRequest(const QString& name, const QString& days, const QString& firstDay,
                               const QString& part) {
    if (!frmZahtevgo) return;
    frmZahtevgo->RpLabel9->SetCaption(name);
    frmZahtevgo->RpLabel10->SetCaption(days);
    frmZahtevgo->RpLabel11->SetCaption(firstDay);
    frmZahtevgo->RpLabel12->SetCaption(part);
    frmZahtevgo->Preview();
}

void CreatePrintForms(QObject* owner) {
    registerPrintingOperations();
    frmKovrelstampa = new TfrmKovrelstampa(owner);
    frmStampakovrelkor = new TfrmStampakovrelkor(owner);
    frmZahtevgo = new TfrmZahtevgo(owner);
}

}  // namespace ledger
