// What the three print forms share: loading a form's description, and their creation at start-up.
#pragma once

#include <QString>

class QObject;
class TReport;

namespace ledger {

// Lays `report` out from the ledger's description `unit` (see windowDescription).
void loadPrintForm(TReport& report, const char* unit);
// Fill the variable labels of a request form and preview it; each returns when the preview closes.
// These keep the report engine's declarations out of the windows that start the requests.
void PreviewFreeDaysRecordRequest(const QString& days, const QString& part, const QString& year,
                                  const QString& returnDate);
void PreviewFreeDaysUseRequest(const QString& days, const QString& firstDay, const QString& lastDay);
void PreviewAnnualLeaveRequest(const QString& name, const QString& days, const QString& firstDay,
                               const QString& part);

// Creates frmKovrelstampa, frmStampakovrelkor and frmZahtevgo, in that order, owned by `owner`; each
// clears its global reference when it goes.
void CreatePrintForms(QObject* owner);

}  // namespace ledger
