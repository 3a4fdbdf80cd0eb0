// The absence calendar's grid: rows of workers or months, a column for each day, every day coloured by
// its absence's reason or shaded as a weekend or holiday, and said to a screen reader by its reason.
#pragma once

#include <QTableView>

#include "ledger/Absences.h"
#include "runtime/Boundary.h"

class QAbstractTableModel;

// A read-only view of an AbsenceCalendar. Each cell shows the reason's two letters on the reason's
// colour; its accessible text is the reason's short text (else the holiday's name or "vikend"), its tool
// tip the stored reason. Ctrl+E runs OnExport. Tab leaves it; the arrows move in it.
class TKalendarGrid : public QTableView {
    Q_OBJECT

  public:
    explicit TKalendarGrid(QWidget* parent = nullptr);
    ~TKalendarGrid() override;

    void SetCalendar(ledger::AbsenceCalendar calendar);
    const ledger::AbsenceCalendar& Calendar() const;

    TNotifyEvent OnExport;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    class Model;
    Model* model_;
};

namespace ledger {
// Lets form descriptions name TKalendarGrid; safe to call more than once.
void registerCalendarGrid();
}  // namespace ledger
