// The absence calendar's grid: its table model over the calendar, its sizes and its export key.
#include "ledger/AbsenceGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QJsonObject>
#include <QKeyEvent>

#include "runtime/ComponentRegistry.h"
#include "runtime/Controls.h"

class TKalendarGrid::Model : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void Set(ledger::AbsenceCalendar calendar) {
        beginResetModel();
        calendar_ = std::move(calendar);
        endResetModel();
    }
    const ledger::AbsenceCalendar& Calendar() const { return calendar_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(calendar_.rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(calendar_.columnTitles.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const ledger::CalendarRow& row = calendar_.rows[std::size_t(index.row())];
        if (std::size_t(index.column()) >= row.cells.size()) return {};
        const ledger::CalendarCell& cell = row.cells[std::size_t(index.column())];
        switch (role) {
            case Qt::DisplayRole:
                return cell.reason ? QString::fromUtf8(ledger::absenceReasonMark(*cell.reason)) : QString();
            case Qt::AccessibleTextRole:
                return cell.day ? QString::fromUtf8(cell.spokenText()) : QStringLiteral("nema dana");
            case Qt::ToolTipRole: {
                QStringList tip;
                if (cell.reason) tip << QString::fromUtf8(cell.razlog);
                if (!cell.holiday.empty()) tip << QString::fromUtf8(cell.holiday);
                return tip.isEmpty() ? QVariant() : QVariant(tip.join(QStringLiteral(", ")));
            }
            case Qt::BackgroundRole:
                return QColor::fromRgb(cell.color());
            case Qt::ForegroundRole:
                return QColor(Qt::black);
            case Qt::TextAlignmentRole:
                return int(Qt::AlignCenter);
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        if (orientation == Qt::Horizontal) {
            if (section < 0 || section >= columnCount()) return {};
            const QString title = QString::fromUtf8(calendar_.columnTitles[std::size_t(section)]);
            return role == Qt::DisplayRole ? title
                                           : QString(title).replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        if (section < 0 || section >= rowCount()) return {};
        return QString::fromUtf8(calendar_.rows[std::size_t(section)].title);
    }

  private:
    ledger::AbsenceCalendar calendar_;
};

TKalendarGrid::TKalendarGrid(QWidget* parent) : QTableView(parent), model_(new Model(this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

TKalendarGrid::~TKalendarGrid() = default;

// The sizes follow the font: a day is as wide as its widest mark or number, a row as high as a line, the
// names as wide as the longest.
void TKalendarGrid::SetCalendar(ledger::AbsenceCalendar calendar) {
    model_->Set(std::move(calendar));
    const QFontMetrics metrics(font());
    int dayWidth = metrics.horizontalAdvance(QStringLiteral("31"));
    for (int i = 0; i < ledger::AbsenceReasonCount; ++i)
        dayWidth = std::max(dayWidth, metrics.horizontalAdvance(QString::fromUtf8(
                                          ledger::absenceReasonMark(static_cast<ledger::AbsenceReason>(i)))));
    dayWidth += 8;
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(dayWidth);
    horizontalHeader()->setFixedHeight(metrics.height() * 2 + 8);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    int titleWidth = metrics.horizontalAdvance(QString::fromUtf8(model_->Calendar().rowTitle));
    for (const ledger::CalendarRow& row : model_->Calendar().rows)
        titleWidth = std::max(titleWidth, metrics.horizontalAdvance(QString::fromUtf8(row.title)));
    verticalHeader()->setFixedWidth(titleWidth + metrics.averageCharWidth() * 3);
}

const ledger::AbsenceCalendar& TKalendarGrid::Calendar() const {
    return model_->Calendar();
}

void TKalendarGrid::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_E) {
        if (OnExport) runtime::guarded([this] { OnExport(this); });
        return;
    }
    if (!runtime::leaveGridByKey(*this, *event)) QTableView::keyPressEvent(event);
}

namespace ledger {

void registerCalendarGrid() {
    static const bool registered = [] {
        runtime::registerComponentClass(QStringLiteral("TKalendarGrid"),
                                        [](QObject* owner, const QJsonObject&) -> QObject* {
                                            return new TKalendarGrid(qobject_cast<QWidget*>(owner));
                                        });
        return true;
    }();
    (void)registered;
}

}  // namespace ledger
