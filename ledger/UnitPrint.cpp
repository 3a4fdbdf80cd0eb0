// Loading the print forms' descriptions and creating the forms at start-up.
#include "ledger/UnitPrint.h"

#include <initializer_list>
#include <utility>

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

TRpLabel* printLabel(const TReport& report, const char* name) {
    auto* label = report.findChild<TRpLabel*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!label)
        throw ERpError(QStringLiteral("%1 has no label %2").arg(report.objectName(), QLatin1String(name)));
    return label;
}

namespace {

// Sets each label's caption and previews `form`; returns when the preview closes.
void previewWith(TReport& form, std::initializer_list<std::pair<TRpLabel*, QString>> captions) {
    for (const auto& [label, caption] : captions) label->SetCaption(caption);
    form.Preview();
}

}  // namespace

void PreviewFreeDaysRecordRequest(const QString& days, const QString& part, const QString& year,
                                  const QString& returnDate) {
    if (TfrmKovrelstampa* form = frmKovrelstampa)
        previewWith(*form, {{form->RpLabel8, days},
                            {form->RpLabel9, part},
                            {form->RpLabel10, year},
                            {form->RpLabel11, returnDate}});
}

void PreviewFreeDaysUseRequest(const QString& days, const QString& firstDay, const QString& lastDay) {
    if (TfrmStampakovrelkor* form = frmStampakovrelkor)
        previewWith(*form, {{form->RpLabel8, days}, {form->RpLabel9, firstDay}, {form->RpLabel10, lastDay}});
}

void PreviewAnnualLeaveRequest(const QString& name, const QString& days, const QString& firstDay,
                               const QString& part) {
    if (TfrmZahtevgo* form = frmZahtevgo)
        previewWith(*form, {{form->RpLabel9, name},
                            {form->RpLabel10, days},
                            {form->RpLabel11, firstDay},
                            {form->RpLabel12, part}});
}

void CreatePrintForms(QObject* owner) {
    registerPrintingOperations();
    frmKovrelstampa = new TfrmKovrelstampa(owner);
    frmStampakovrelkor = new TfrmStampakovrelkor(owner);
    frmZahtevgo = new TfrmZahtevgo(owner);
}

}  // namespace ledger
