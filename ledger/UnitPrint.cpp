// Loading the print forms' descriptions and creating the forms at start-up.
#include "ledger/UnitPrint.h"

#include <initializer_list>

#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "ledger/Windows.h"
#include "report/RpFormLoader.h"
#include "report/RpPrinting.h"

namespace ledger {

void loadPrintForm(TReport& report, const char* unit) {
    LoadReportFormFile(report, windowDescription(unit));
}

namespace {

// Sets the labels' captions, the first label's to the first caption and so on, and previews `form`;
// returns when the preview closes.
void previewWith(TReport& form, std::initializer_list<TRpLabel*> labels,
                 std::initializer_list<QString> captions) {
    Q_ASSERT(labels.size() == captions.size());
    auto caption = captions.begin();
    for (TRpLabel* label : labels) label->SetCaption(*caption++);
    form.Preview();
}

}  // namespace

void PreviewFreeDaysRecordRequest(const QString& days, const QString& part, const QString& year,
                                  const QString& returnDate) {
    if (TfrmKovrelstampa* f = frmKovrelstampa)
        previewWith(*f, {f->RpLabel8, f->RpLabel9, f->RpLabel10, f->RpLabel11},
                    {days, part, year, returnDate});
}

void PreviewFreeDaysUseRequest(const QString& days, const QString& firstDay, const QString& lastDay) {
    if (TfrmStampakovrelkor* f = frmStampakovrelkor)
        previewWith(*f, {f->RpLabel8, f->RpLabel9, f->RpLabel10}, {days, firstDay, lastDay});
}

void PreviewAnnualLeaveRequest(const QString& name, const QString& days, const QString& firstDay,
                               const QString& part) {
    if (TfrmZahtevgo* f = frmZahtevgo)
        previewWith(*f, {f->RpLabel9, f->RpLabel10, f->RpLabel11, f->RpLabel12},
                    {name, days, firstDay, part});
}

void CreatePrintForms(QObject* owner) {
    registerPrintingOperations();
    frmKovrelstampa = new TfrmKovrelstampa(owner);
    frmStampakovrelkor = new TfrmStampakovrelkor(owner);
    frmZahtevgo = new TfrmZahtevgo(owner);
}

}  // namespace ledger
