// The data-aware grid: layout, painting, the in-place editor, keys, mouse and the reactions to the
// dataset's data events.
#include "data/DBGrids.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "data/DBCtrls.h"
#include "data/DBGridAccessible.h"
#include "data/DataSetCsv.h"
#include "runtime/Boundary.h"
#include "runtime/Geometry.h"
#include "runtime/Graphics.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Seams.h"
#include "runtime/UserSettings.h"

namespace {

constexpr int indicatorWidth = 11;
constexpr int defaultColumnWidth = 64;
constexpr int maxColumns = 256;
constexpr int resizeGrip = 2;
// The vertical scroll bar of a dataset that cannot number its records: top, middle, bottom.
constexpr int scrollTop = 0;
constexpr int scrollMiddle = 2;
constexpr int scrollBottom = 4;

QFont controlFont() {
    runtime::installFontSubstitutions();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

Qt::Alignment horizontalAlignment(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
            break;
    }
    return Qt::AlignLeft;
}

bool isBinary(const TField* field) {
    switch (field->DataType()) {
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftEngineBinary1:
        case ftEngineBinary2:
        case ftTypedBinary:
            return true;
        default:
            return false;
    }
}

bool isPrintable(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// Makes a row of the link the dataset's active record for the rest of the caller's scope.
[[nodiscard]] auto activeRecordFor(TDataLink& link, int row) {
    const int saved = link.ActiveRecord();
    link.SetActiveRecord(row);
    return runtime::ScopeGuard([&link, saved] { link.SetActiveRecord(saved); });
}

}  // namespace

// ---- TGridDataLink ----------------------------------------------------------------------------

void TGridDataLink::ActiveChanged() {
    grid_->LinkActiveChanged();
}
void TGridDataLink::DataSetChanged() {
    grid_->DataChanged();
}
void TGridDataLink::DataSetScrolled(int) {
    grid_->DataScrolled();
}
void TGridDataLink::LayoutChanged() {
    grid_->LayoutChanged();
}
void TGridDataLink::RecordChanged(TField* field) {
    grid_->RecordChanged(field);
}
void TGridDataLink::UpdateData() {
    grid_->UpdateData();
}
void TGridDataLink::EditingChanged() {
    grid_->EditingChanged();
}
void TGridDataLink::FocusControl(TField* field) {
    grid_->FocusField(field);
}

// ---- Construction and properties --------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent)
    : QAbstractScrollArea(parent), link_(this), columns_(this), editor_(new QLineEdit(viewport())) {
    data::installGridAccessibility();
    setFont(controlFont());
    titleFont_ = controlFont();
    color_ = palette().color(QPalette::Base);
    fixedColor_ = palette().color(QPalette::Button);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    editor_->hide();
    editor_->setFrame(false);
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::textEdited, this, [this] { editorModified_ = true; });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { runtime::guarded([this, action] { ScrollBarAction(action); }); });
    LayoutChanged();
}

TDBGrid::~TDBGrid() {
    destroying_ = true;
    try {
        link_.SetDataSource(nullptr);
    } catch (...) {
        // A dataset that fails while a closing window lets go of it has nobody left to tell.
    }
}

TDataSource* TDBGrid::DataSource() const {
    return link_.DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (source == link_.DataSource()) return;
    if (link_.Updating()) throw EDatabaseError(QStringLiteral("DataSource cannot be changed"));
    DiscardEditor();
    link_.SetDataSource(source);
    LayoutChanged();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    options_ = options;
    if (options_ & dgRowSelect) DiscardEditor();
    LayoutChanged();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (readOnly_) DiscardEditor();
}

void TDBGrid::SetFont(const QFont& font) {
    setFont(font);
    LayoutChanged();
}

void TDBGrid::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    LayoutChanged();
}

void TDBGrid::SetColor(const QColor& color) {
    color_ = color;
    viewport()->update();
}

void TDBGrid::SetFixedColor(const QColor& color) {
    fixedColor_ = color;
    viewport()->update();
}

TField* TDBGrid::Fields(int index) const {
    TColumn* column = columns_.Items(index);
    return column ? column->Field() : nullptr;
}

TField* TDBGrid::SelectedField() const {
    return Fields(selectedColumn_);
}

void TDBGrid::SetSelectedIndex(int column) {
    MoveColumn(column);
}

bool TDBGrid::EditorMode() const {
    return editor_->isVisible();
}

void TDBGrid::SetEditorMode(bool on) {
    if (on) {
        ShowEditor();
    } else {
        HideEditor();
    }
}

void TDBGrid::ColumnsChanged() {
    LayoutChanged();
}

// ---- Layout -----------------------------------------------------------------------------------

TDataSet* TDBGrid::DataSet() const {
    return link_.DataSet();
}

int TDBGrid::RecordCount() const {
    return link_.Active() ? link_.RecordCount() : 0;
}

int TDBGrid::CurrentRow() const {
    return RecordCount() > 0 ? link_.ActiveRecord() : 0;
}

QString TDBGrid::CellText(int dataCol, int dataRow) {
    TColumn* column = columns_.Items(dataCol);
    if (!column || dataRow < 0 || dataRow >= RecordCount()) return {};
    const auto activeRow = activeRecordFor(link_, dataRow);
    const TField* field = column->Field();
    return field ? field->DisplayText() : QString();
}

int TDBGrid::ColumnLineWidth() const {
    return (options_ & dgColLines) ? 1 : 0;
}

int TDBGrid::RowLineWidth() const {
    return (options_ & dgRowLines) ? 1 : 0;
}

int TDBGrid::IndicatorWidth() const {
    return (options_ & dgIndicator) ? indicatorWidth : 0;
}

int TDBGrid::FixedWidth() const {
    return (options_ & dgIndicator) ? indicatorWidth + ColumnLineWidth() : 0;
}

int TDBGrid::DefaultColumnWidth(const TColumn* column) const {
    TField* field = column->Field();
    if (!field) return defaultColumnWidth;
    const QFontMetrics metrics(column->Font());
    int width = metrics.horizontalAdvance(QLatin1Char('0')) * field->DisplayWidth() + 4;
    if (options_ & dgTitles) {
        const QFontMetrics titleMetrics(column->Title().Font());
        width = std::max(width, titleMetrics.horizontalAdvance(column->Title().Caption()) + 4);
    }
    return width;
}

int TDBGrid::ColumnLeft(int dataCol) const {
    int left = FixedWidth() - horizontalOffset_;
    for (int c = 0; c < dataCol; ++c) left += columns_.Items(c)->Width() + ColumnLineWidth();
    return left;
}

int TDBGrid::ContentWidth() const {
    int width = 0;
    for (int c = 0; c < columns_.Count(); ++c) width += columns_.Items(c)->Width() + ColumnLineWidth();
    return width;
}

Rect TDBGrid::CellRect(int dataCol, int dataRow) const {
    TColumn* column = columns_.Items(dataCol);
    if (!column) return {};
    return Rect(ColumnLeft(dataCol), titleHeight_ + dataRow * rowHeight_, column->Width(),
                rowHeight_ - RowLineWidth());
}

Rect TDBGrid::TitleRect(int dataCol) const {
    TColumn* column = columns_.Items(dataCol);
    if (!column || !(options_ & dgTitles)) return {};
    return Rect(ColumnLeft(dataCol), 0, column->Width(), titleHeight_ - RowLineWidth());
}

Rect TDBGrid::IndicatorRect(int dataRow) const {
    if (!(options_ & dgIndicator)) return {};
    return Rect(0, titleHeight_ + dataRow * rowHeight_, indicatorWidth, rowHeight_ - RowLineWidth());
}

void TDBGrid::LayoutChanged() {
    if (layingOut_ || destroying_) return;
    const auto layingOut = runtime::setForScope(layingOut_, true);
    paintFailureReported_ = false;
    columns_.RebuildFieldMap(link_.Active() ? DataSet() : nullptr);
    if (columns_.Count() > maxColumns) {
        throw Exception(QStringLiteral("Grid requested to display more than 256 columns"));
    }
    rowHeight_ = QFontMetrics(font()).height() + 3 + RowLineWidth();
    titleHeight_ = 0;
    if (options_ & dgTitles) {
        int textHeight = QFontMetrics(titleFont_).height();
        if (columns_.Count() > 0) {
            textHeight = 0;
            for (int c = 0; c < columns_.Count(); ++c) {
                textHeight = std::max(textHeight, QFontMetrics(columns_.Items(c)->Title().Font()).height());
            }
        }
        titleHeight_ = textHeight + 4 + RowLineWidth();
    }
    selectedColumn_ = std::clamp(selectedColumn_, 0, std::max(0, columns_.Count() - 1));
    UpdateRowCount();
    UpdateScrollBars();
    PlaceEditor();
    viewport()->update();
    data::gridContentsChanged(*this);
}

void TDBGrid::UpdateRowCount() {
    const int available = viewport()->height() - titleHeight_;
    visibleRows_ = std::max(1, available / std::max(1, rowHeight_));
    if (link_.BufferCount() != visibleRows_) link_.SetBufferCount(visibleRows_);
}

void TDBGrid::UpdateScrollBars() {
    {
        QSignalBlocker blocker(verticalScrollBar());
        TDataSet* dataSet = DataSet();
        if (!link_.Active() || RecordCount() == 0) {
            verticalScrollBar()->setRange(0, 0);
        } else {
            verticalScrollBar()->setRange(scrollTop, scrollBottom);
            verticalScrollBar()->setPageStep(1);
            const int thumb = dataSet->Bof() ? scrollTop : dataSet->Eof() ? scrollBottom : scrollMiddle;
            verticalScrollBar()->setValue(thumb);
        }
    }
    const int page = std::max(0, viewport()->width() - FixedWidth());
    horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - page));
    horizontalScrollBar()->setPageStep(std::max(1, page));
    horizontalScrollBar()->setSingleStep(20);
    horizontalOffset_ = horizontalScrollBar()->value();
}

void TDBGrid::EnsureColumnVisible(int dataCol) {
    TColumn* column = columns_.Items(dataCol);
    if (!column) return;
    const int left = ColumnLeft(dataCol) + horizontalOffset_ - FixedWidth();
    const int page = viewport()->width() - FixedWidth();
    int offset = horizontalOffset_;
    if (left < offset) {
        offset = left;
    } else if (left + column->Width() > offset + page) {
        offset = std::min(left, left + column->Width() - page);
    }
    if (offset != horizontalOffset_) horizontalScrollBar()->setValue(offset);
}

void TDBGrid::scrollContentsBy(int, int) {
    horizontalOffset_ = horizontalScrollBar()->value();
    PlaceEditor();
    viewport()->update();
}

// A new viewport size changes how many rows fit.
bool TDBGrid::viewportEvent(QEvent* event) {
    const bool handled = QAbstractScrollArea::viewportEvent(event);
    if (event->type() != QEvent::Resize) return handled;
    runtime::guarded([this] {
        UpdateRowCount();
        UpdateScrollBars();
        PlaceEditor();
    });
    return handled;
}

TDBGrid::Hit TDBGrid::HitTest(const QPoint& pos) const {
    Hit hit;
    const bool inTitle = (options_ & dgTitles) && pos.y() < titleHeight_;
    if (!inTitle) {
        hit.row = (pos.y() - titleHeight_) / rowHeight_;
        if (pos.y() < titleHeight_ || hit.row >= std::min(visibleRows_, std::max(1, RecordCount())))
            return {};
    }
    if (pos.x() < FixedWidth()) {
        hit.kind = inTitle ? Hit::Corner : Hit::Indicator;
        return hit;
    }
    for (int c = 0; c < columns_.Count(); ++c) {
        const int left = ColumnLeft(c);
        const int right = left + columns_.Items(c)->Width();
        if (inTitle && (options_ & dgColumnResize) && std::abs(pos.x() - right) <= resizeGrip) {
            hit.kind = Hit::ColumnBorder;
            hit.column = c;
            return hit;
        }
        if (pos.x() >= left && pos.x() < right + ColumnLineWidth()) {
            hit.kind = inTitle ? Hit::Title : Hit::Data;
            hit.column = c;
            return hit;
        }
    }
    return {};
}

void TDBGrid::InvalidateColumn(int dataCol) {
    TColumn* column = columns_.Items(dataCol);
    if (!column) return;
    viewport()->update(Rect(ColumnLeft(dataCol), titleHeight_, column->Width() + ColumnLineWidth(),
                            visibleRows_ * rowHeight_));
}

void TDBGrid::InvalidateIndicator() {
    viewport()->update(Rect(0, titleHeight_, FixedWidth(), visibleRows_ * rowHeight_));
}

// ---- Reactions to data events -----------------------------------------------------------------

void TDBGrid::LinkActiveChanged() {
    if (destroying_) return;
    if (!link_.Active()) DiscardEditor();
    LayoutChanged();
}

void TDBGrid::DataChanged() {
    if (destroying_) return;
    UpdateScrollBars();
    if (EditorMode()) {
        LoadEditorText();
        PlaceEditor();
    }
    viewport()->update();
    data::gridContentsChanged(*this);
}

void TDBGrid::DataScrolled() {
    DataChanged();
}

void TDBGrid::RecordChanged(TField* field) {
    if (destroying_) return;
    if (!field) {
        viewport()->update(Rect(0, titleHeight_, viewport()->width(), visibleRows_ * rowHeight_));
    } else {
        for (int c = 0; c < columns_.Count(); ++c) {
            if (columns_.Items(c)->Field() == field) InvalidateColumn(c);
        }
    }
    if (EditorMode() && (!field || field == editorField_)) LoadEditorText();
    data::gridContentsChanged(*this);
}

void TDBGrid::UpdateData() {
    if (!EditorMode() || !editorModified_ || !editorField_) return;
    editorField_->SetText(editor_->text());
    editorModified_ = false;
}

void TDBGrid::EditingChanged() {
    if (destroying_) return;
    editor_->setReadOnly(!link_.Editing());
    InvalidateIndicator();
}

void TDBGrid::FocusField(TField* field) {
    for (int c = 0; c < columns_.Count(); ++c) {
        if (columns_.Items(c)->Field() == field) {
            MoveColumn(c);
            break;
        }
    }
    setFocus(Qt::OtherFocusReason);
}

// ---- Painting ---------------------------------------------------------------------------------

void TDBGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    canvas_.SetPainter(&painter);
    const Rect dirty = event->rect();
    painter.fillRect(dirty, color_);
    try {
        if (options_ & dgTitles) PaintTitleRow(painter, dirty);
        const int rows = std::min(visibleRows_, std::max(1, RecordCount()));
        paintedCurrentRow_ = CurrentRow();
        for (int r = 0; r < rows; ++r) PaintDataRow(painter, dirty, r);
        PaintGridLines(painter, rows);
    } catch (...) {
        ReportPaintFailure(std::current_exception());
    }
    canvas_.SetPainter(nullptr);
}

// Painting never opens a window: the first failure since the grid's layout last changed is shown by
// the default error box once the paint is over; the repaints that follow, the one after the box
// included, fail silently, so the box does not come back each time it is closed.
void TDBGrid::ReportPaintFailure(std::exception_ptr error) {
    if (paintFailureReported_) return;
    paintFailureReported_ = true;
    QTimer::singleShot(0, this, [error] { runtime::showException(error); });
}

void TDBGrid::PaintFixedCell(QPainter& painter, const Rect& cell, const QColor& color) {
    painter.fillRect(cell, color);
    if ((options_ & dgColLines) && (options_ & dgRowLines)) drawRaisedEdge(painter, cell);
}

void TDBGrid::PaintTitleRow(QPainter& painter, const Rect& dirty) {
    if (options_ & dgIndicator) {
        PaintFixedCell(painter, Rect(0, 0, indicatorWidth, titleHeight_ - RowLineWidth()), fixedColor_);
    }
    painter.save();
    painter.setClipRect(Rect(FixedWidth(), 0, viewport()->width(), titleHeight_), Qt::IntersectClip);
    for (int c = 0; c < columns_.Count(); ++c) {
        const Rect rect = TitleRect(c);
        if (!rect.intersects(dirty)) continue;
        const TColumnTitle& title = columns_.Items(c)->Title();
        canvas_.Brush().SetColor(title.Color());
        canvas_.SetFont(title.Font());
        canvas_.SetFontColor(palette().color(QPalette::ButtonText));
        canvas_.DrawCellText(rect, title.Caption(), horizontalAlignment(title.Alignment()));
        if ((options_ & dgColLines) && (options_ & dgRowLines)) drawRaisedEdge(painter, rect);
    }
    painter.restore();
}

void TDBGrid::PaintDataRow(QPainter& painter, const Rect& dirty, int dataRow) {
    const bool hasRecord = dataRow < RecordCount();
    const Rect indicator = IndicatorRect(dataRow);
    if (!indicator.isEmpty() && indicator.intersects(dirty)) {
        PaintFixedCell(painter, indicator, fixedColor_);
        if (link_.Active() && dataRow == paintedCurrentRow_) {
            IndicatorMark mark = IndicatorMark::Arrow;
            if (DataSet()->State() == DataSetState::Edit) mark = IndicatorMark::Edit;
            if (DataSet()->State() == DataSetState::Insert) mark = IndicatorMark::Insert;
            drawIndicatorMark(painter, indicator, mark, palette().color(QPalette::ButtonText));
        }
    }
    const Rect rowRect(FixedWidth(), titleHeight_ + dataRow * rowHeight_, viewport()->width(), rowHeight_);
    if (!rowRect.intersects(dirty)) return;
    painter.save();
    painter.setClipRect(rowRect, Qt::IntersectClip);
    if (hasRecord) {
        const auto activeRow = activeRecordFor(link_, dataRow);
        for (int c = 0; c < columns_.Count(); ++c) {
            if (CellRect(c, dataRow).intersects(dirty)) PaintDataCell(painter, c, dataRow, true);
        }
    } else {
        for (int c = 0; c < columns_.Count(); ++c) {
            if (CellRect(c, dataRow).intersects(dirty)) PaintDataCell(painter, c, dataRow, false);
        }
    }
    painter.restore();
}

bool TDBGrid::ShowsFocus() const {
    return hasFocus() || editor_->hasFocus();
}

TGridDrawState TDBGrid::CellState(int dataCol, int dataRow) const {
    TGridDrawState state;
    if (!link_.Active() || RecordCount() == 0 || dataRow != paintedCurrentRow_) return state;
    if (dataCol == selectedColumn_ || (options_ & dgRowSelect)) state |= gdSelected;
    if (dataCol == selectedColumn_ && ShowsFocus()) state |= gdFocused;
    return state;
}

void TDBGrid::PaintDataCell(QPainter& painter, int dataCol, int dataRow, bool hasRecord) {
    TColumn* column = columns_.Items(dataCol);
    const Rect rect = CellRect(dataCol, dataRow);
    canvas_.SetFont(column->Font());
    canvas_.Brush().SetColor(column->Color());
    canvas_.SetFontColor(palette().color(QPalette::Text));
    if (!hasRecord) {
        canvas_.DrawCellText(rect, QString(), Qt::AlignLeft);
        return;
    }
    const TGridDrawState state = CellState(dataCol, dataRow);
    if ((state & gdSelected) && (ShowsFocus() || (options_ & dgAlwaysShowSelection))) {
        canvas_.Brush().SetColor(palette().color(QPalette::Highlight));
        canvas_.SetFontColor(palette().color(QPalette::HighlightedText));
    }
    const QColor preparedBrush = canvas_.Brush().Color();
    const QColor preparedFontColor = canvas_.FontColor();
    try {
        if (defaultDrawing_) DefaultDrawColumnCell(rect, dataCol, column, state);
        if (columns_.ColumnsState() == TDBGridColumns::State::Default && OnDrawDataCell) {
            OnDrawDataCell(rect, column->Field(), state);
        }
        if (OnDrawColumnCell) OnDrawColumnCell(rect, dataCol, column, state);
    } catch (...) {
        // A draw hook that fails (a value it cannot read) leaves the cell in the grid's own colours.
        ReportPaintFailure(std::current_exception());
        canvas_.Brush().SetColor(preparedBrush);
        canvas_.SetFont(column->Font());
        canvas_.SetFontColor(preparedFontColor);
        try {
            DefaultDrawColumnCell(rect, dataCol, column, state);
        } catch (...) {
            canvas_.DrawCellText(rect, QString(), Qt::AlignLeft);
        }
    }
    if (defaultDrawing_ && (state & gdFocused) && hasFocus()) {
        painter.save();
        painter.setPen(QPen(canvas_.FontColor(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

void TDBGrid::DefaultDrawColumnCell(const Rect& rect, int, TColumn* column, TGridDrawState) {
    TField* field = column ? column->Field() : nullptr;
    const QString text = field ? field->DisplayText() : QString();
    const TAlignment alignment = column ? column->Alignment() : taLeftJustify;
    canvas_.DrawCellText(rect, text, horizontalAlignment(alignment));
}

void TDBGrid::DefaultDrawDataCell(const Rect& rect, TField* field, TGridDrawState) {
    const QString text = field ? field->DisplayText() : QString();
    canvas_.DrawCellText(rect, text, horizontalAlignment(field ? field->Alignment() : taLeftJustify));
}

void TDBGrid::PaintGridLines(QPainter& painter, int rows) {
    const int bottom = titleHeight_ + rows * rowHeight_ - 1;
    const int right = ColumnLeft(columns_.Count()) - 1;
    painter.save();
    painter.setPen(palette().color(QPalette::Mid));
    if (options_ & dgColLines) {
        if (options_ & dgIndicator) painter.drawLine(indicatorWidth, 0, indicatorWidth, bottom);
        painter.setClipRect(Rect(FixedWidth(), 0, viewport()->width(), viewport()->height()),
                            Qt::IntersectClip);
        for (int c = 0; c < columns_.Count(); ++c) {
            const int x = ColumnLeft(c) + columns_.Items(c)->Width();
            painter.drawLine(x, 0, x, bottom);
        }
        painter.setClipping(false);
    }
    if (options_ & dgRowLines) {
        if (options_ & dgTitles) painter.drawLine(0, titleHeight_ - 1, right, titleHeight_ - 1);
        for (int r = 1; r <= rows; ++r) {
            const int y = titleHeight_ + r * rowHeight_ - 1;
            painter.drawLine(0, y, right, y);
        }
    }
    painter.restore();
}

// ---- Keyboard ---------------------------------------------------------------------------------

bool TDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && LeaveByKey(*static_cast<QKeyEvent*>(event))) return true;
    if (event->type() == QEvent::KeyPress && (options_ & dgTabs)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TDBGrid::LeaveByKey(const QKeyEvent& event) {
    const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
    if (!tab || !(event.modifiers() & Qt::ControlModifier)) return false;
    FocusNeighbour(event.key() == Qt::Key_Tab && !(event.modifiers() & Qt::ShiftModifier));
    return true;
}

// The grid's own editor is skipped: it is part of the grid.
void TDBGrid::FocusNeighbour(bool next) {
    for (QWidget* w = next ? nextInFocusChain() : previousInFocusChain(); w != this;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (isAncestorOf(w) || w->window() != window()) continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    runtime::guarded([&] {
        handled = HandleKey(event->key(), event->modifiers());
        if (!handled && isPrintable(event) && (options_ & dgEditing) && CanEditShow()) {
            if (!EditorMode()) {
                ShowEditor();
                editor_->selectAll();
            }
            if (EditorMode()) {
                QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), event->text());
                QCoreApplication::sendEvent(editor_, &copy);
                handled = true;
            }
        }
    });
    event->setAccepted(handled);
}

bool TDBGrid::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (!link_.Active()) return false;
    if (modifiers & Qt::ControlModifier) return HandleCtrlKey(key);
    const bool singleColumn = columns_.Count() == 1 || (options_ & dgRowSelect);
    switch (key) {
        case Qt::Key_Up:
            GoUp();
            return true;
        case Qt::Key_Down:
            GoDown();
            return true;
        case Qt::Key_PageUp:
            MoveRows(-visibleRows_);
            return true;
        case Qt::Key_PageDown:
            MoveRows(visibleRows_);
            return true;
        case Qt::Key_Home:
            if (singleColumn) {
                DataSet()->First();
            } else {
                MoveColumn(0);
            }
            return true;
        case Qt::Key_End:
            if (singleColumn) {
                DataSet()->Last();
            } else {
                MoveColumn(columns_.Count() - 1);
            }
            return true;
        case Qt::Key_Left:
            MoveColumn(selectedColumn_ - 1);
            return true;
        case Qt::Key_Right:
            MoveColumn(selectedColumn_ + 1);
            return true;
        case Qt::Key_Tab:
            if (!(options_ & dgTabs)) return false;
            if (modifiers & Qt::ShiftModifier) {
                TabBackward();
            } else {
                TabForward();
            }
            return true;
        case Qt::Key_Backtab:
            if (!(options_ & dgTabs)) return false;
            TabBackward();
            return true;
        case Qt::Key_Insert:
            if (modifiers & Qt::ShiftModifier) return false;
            if (CanInsert()) DataSet()->Insert();
            return true;
        case Qt::Key_Escape:
            if (EditorMode() && editorModified_) {
                LoadEditorText();
                editor_->selectAll();
            } else if (DataSet()->State() == DataSetState::Edit ||
                       DataSet()->State() == DataSetState::Insert) {
                DataSet()->Cancel();
            } else if (!EditorMode()) {
                return false;
            }
            if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
            return true;
        case Qt::Key_F2:
            ShowEditor();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (EditorMode()) {
                WriteEditorText();
                if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
            } else {
                ShowEditor();
            }
            return true;
        default:
            return false;
    }
}

bool TDBGrid::HandleCtrlKey(int key) {
    switch (key) {
        case Qt::Key_Home:
            DataSet()->First();
            return true;
        case Qt::Key_End:
            DataSet()->Last();
            return true;
        case Qt::Key_PageUp:
            MoveRows(-CurrentRow());
            return true;
        case Qt::Key_PageDown:
            MoveRows(std::max(0, RecordCount() - 1 - CurrentRow()));
            return true;
        case Qt::Key_Left:
            MoveColumn(0);
            return true;
        case Qt::Key_Right:
            MoveColumn(columns_.Count() - 1);
            return true;
        case Qt::Key_Delete:
            ConfirmAndDelete();
            return true;
        case Qt::Key_E:
            SaveRowsAsCsv();
            return true;
        default:
            return false;
    }
}

void TDBGrid::SaveRowsAsCsv() {
    if (!link_.Active()) return;
    std::vector<TField*> fields;
    QStringList titles;
    for (int i = 0; i < columns_.Count(); ++i) {
        if (TField* field = Fields(i)) {
            fields.push_back(field);
            titles.append(columns_.Items(i)->Title().Caption());
        }
    }
    const QString file = data::AskTableFileName(window());
    if (!file.isEmpty()) data::SaveDataSetAsTable(*DataSet(), fields, titles, file);
}

void TDBGrid::MoveRows(int distance) {
    if (distance == 0) return;
    DataSet()->MoveBy(distance);
    AfterRowMove();
}

void TDBGrid::AfterRowMove() {
    if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
}

void TDBGrid::MoveColumn(int dataCol) {
    dataCol = std::clamp(dataCol, 0, std::max(0, columns_.Count() - 1));
    if (dataCol == selectedColumn_) return;
    const bool editing = EditorMode();
    WriteEditorText();
    DiscardEditor();
    const int row = CurrentRow();
    viewport()->update(CellRect(selectedColumn_, row));
    selectedColumn_ = dataCol;
    EnsureColumnVisible(dataCol);
    viewport()->update(CellRect(selectedColumn_, row));
    if (editing && (options_ & dgAlwaysShowEditor)) ShowEditor();
    data::gridCurrentCellMoved(*this);
}

bool TDBGrid::UntouchedInsert() const {
    return DataSet()->State() == DataSetState::Insert && !DataSet()->Modified() && !editorModified_;
}

bool TDBGrid::CanInsert() const {
    return link_.Active() && (options_ & dgEditing) && !readOnly_ && !link_.ReadOnly() &&
           DataSet()->CanModify();
}

bool TDBGrid::GoDown() {
    TDataSet* dataSet = DataSet();
    if (UntouchedInsert()) {
        if (dataSet->Eof()) return false;
        dataSet->Cancel();
        AfterRowMove();
        return true;
    }
    if (dataSet->MoveBy(1) != 0) {
        AfterRowMove();
        return true;
    }
    if (dataSet->Eof() && CanInsert()) {
        dataSet->Append();
        AfterRowMove();
        return true;
    }
    return false;
}

bool TDBGrid::GoUp() {
    TDataSet* dataSet = DataSet();
    if (UntouchedInsert()) {
        dataSet->Cancel();
        AfterRowMove();
        return true;
    }
    if (dataSet->MoveBy(-1) == 0) return false;
    AfterRowMove();
    return true;
}

void TDBGrid::TabForward() {
    if (selectedColumn_ + 1 < columns_.Count()) {
        MoveColumn(selectedColumn_ + 1);
    } else if (GoDown()) {
        MoveColumn(0);
    }
}

void TDBGrid::TabBackward() {
    if (selectedColumn_ > 0) {
        MoveColumn(selectedColumn_ - 1);
    } else if (GoUp()) {
        MoveColumn(columns_.Count() - 1);
    }
}

void TDBGrid::ConfirmAndDelete() {
    TDataSet* dataSet = DataSet();
    if (readOnly_ || dataSet->IsEmpty() || !dataSet->CanModify()) return;
    if (options_ & dgConfirmDelete) {
        const runtime::MessageRequest question{runtime::MessageKind::Question, QStringLiteral("Confirm"),
                                               QStringLiteral("Delete record?")};
        if (runtime::showMessage(question) != runtime::MessageAnswer::Ok) return;
    }
    DiscardEditor();
    dataSet->Delete();
}

void TDBGrid::ScrollBarAction(int action) {
    if (!link_.Active()) return;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            MoveRows(1);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            MoveRows(-1);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            MoveRows(visibleRows_);
            break;
        case QAbstractSlider::SliderPageStepSub:
            MoveRows(-visibleRows_);
            break;
        case QAbstractSlider::SliderToMinimum:
            DataSet()->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            DataSet()->Last();
            break;
        case QAbstractSlider::SliderMove:
            if (verticalScrollBar()->sliderPosition() <= scrollTop) DataSet()->First();
            if (verticalScrollBar()->sliderPosition() >= scrollBottom) DataSet()->Last();
            break;
        default:
            break;
    }
    TDataSet* dataSet = DataSet();
    verticalScrollBar()->setSliderPosition(dataSet->Bof()   ? scrollTop
                                           : dataSet->Eof() ? scrollBottom
                                                            : scrollMiddle);
}

// ---- The in-place editor ----------------------------------------------------------------------

bool TDBGrid::CanEditShow() const {
    if (!(options_ & dgEditing) || (options_ & dgRowSelect) || readOnly_) return false;
    if (!link_.Active() || link_.ReadOnly()) return false;
    TColumn* column = columns_.Items(selectedColumn_);
    if (!column || column->ReadOnly()) return false;
    TField* field = column->Field();
    if (!field || !field->CanModify()) return false;
    return !isBinary(field) || field->OnGetText;
}

void TDBGrid::ShowEditor() {
    if (EditorMode() || !CanEditShow()) return;
    if (!link_.Editing() && !link_.Edit()) return;
    editorField_ = SelectedField();
    editor_->setAccessibleName(columns_.Items(selectedColumn_)->Title().Caption());
    LoadEditorText();
    editor_->setReadOnly(!link_.Editing());
    editor_->show();
    PlaceEditor();
    editor_->setFocus(Qt::OtherFocusReason);
    editor_->selectAll();
}

void TDBGrid::HideEditor() {
    if (!EditorMode()) return;
    WriteEditorText();
    DiscardEditor();
}

void TDBGrid::DiscardEditor() {
    if (!EditorMode()) return;
    const bool hadFocus = editor_->hasFocus();
    editor_->hide();
    editorModified_ = false;
    editorField_ = nullptr;
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    viewport()->update(CellRect(selectedColumn_, CurrentRow()));
}

void TDBGrid::PlaceEditor() {
    if (!EditorMode()) return;
    const Rect cell = CellRect(selectedColumn_, CurrentRow());
    if (cell.isEmpty()) {
        editor_->hide();
        return;
    }
    editor_->setGeometry(cell.intersected(Rect(FixedWidth(), 0, viewport()->width(), viewport()->height())));
    if (TColumn* column = columns_.Items(selectedColumn_)) editor_->setFont(column->Font());
}

void TDBGrid::LoadEditorText() {
    editor_->setText(editorField_ ? editorField_->Text() : QString());
    editorModified_ = false;
}

void TDBGrid::WriteEditorText() {
    if (EditorMode() && editorModified_) link_.UpdateRecord();
}

void TDBGrid::CancelUntouchedInsert() {
    if (!(options_ & dgCancelOnExit) || !link_.Active()) return;
    QWidget* now = QApplication::focusWidget();
    if (now && (now == this || isAncestorOf(now))) return;
    if (UntouchedInsert()) DataSet()->Cancel();
}

bool TDBGrid::EditorKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            return HandleKey(key, modifiers);
        case Qt::Key_Home:
        case Qt::Key_End:
            return ctrl && HandleKey(key, modifiers);
        case Qt::Key_Left:
            if (ctrl || (editor_->cursorPosition() == 0 && !editor_->hasSelectedText())) {
                return HandleKey(key, modifiers);
            }
            return false;
        case Qt::Key_Right:
            if (ctrl ||
                (editor_->cursorPosition() == editor_->text().size() && !editor_->hasSelectedText())) {
                return HandleKey(key, modifiers);
            }
            return false;
        case Qt::Key_Delete:
        case Qt::Key_E:
            if (ctrl) return HandleKey(key, modifiers);
            break;
        case Qt::Key_Insert:
            if (!(modifiers & Qt::ShiftModifier)) return HandleKey(key, modifiers);
            break;
        default:
            break;
    }
    const bool changesText = isPrintable(event) || key == Qt::Key_Backspace || key == Qt::Key_Delete ||
                             event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
                             (key == Qt::Key_Insert && (modifiers & Qt::ShiftModifier));
    if (!changesText) return false;
    if (isPrintable(event) && !data::fieldAcceptsChar(editorField_, event->text().at(0))) {
        QApplication::beep();
        return true;
    }
    if (!link_.Editing() && !link_.Edit()) return true;
    return false;
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_) return QAbstractScrollArea::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        if (LeaveByKey(*static_cast<QKeyEvent*>(event))) return true;
        bool handled = false;
        const bool finished = runtime::guarded([&] { handled = EditorKey(static_cast<QKeyEvent*>(event)); });
        // A key whose command failed is spent: the grid must not run it a second time.
        return handled || !finished;
    }
    if (event->type() == QEvent::FocusOut) {
        runtime::guarded([this] { CancelUntouchedInsert(); });
        viewport()->update();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- Focus and mouse --------------------------------------------------------------------------

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    data::gridCurrentCellMoved(*this);
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    runtime::guarded([this] { CancelUntouchedInsert(); });
    viewport()->update();
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    runtime::guarded([this, event] {
        if (focusPolicy() == Qt::NoFocus || !isEnabled()) return;
        if (!hasFocus() && !editor_->hasFocus()) setFocus(Qt::MouseFocusReason);
        const Hit hit = HitTest(event->position().toPoint());
        if (hit.kind == Hit::ColumnBorder && event->button() == Qt::LeftButton) {
            resizingColumn_ = hit.column;
            return;
        }
        if (hit.kind != Hit::Data) return;
        const bool sameCell = hit.row == CurrentRow() && hit.column == selectedColumn_ && !EditorMode();
        HideEditor();
        if (hit.row < RecordCount() && hit.row != CurrentRow()) MoveRows(hit.row - CurrentRow());
        MoveColumn(hit.column);
        if (event->button() == Qt::LeftButton && sameCell) ShowEditor();
    });
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        runtime::guarded([this, pos] {
            columns_.Items(resizingColumn_)->SetWidth(std::max(1, pos.x() - ColumnLeft(resizingColumn_)));
        });
        return;
    }
    const bool onBorder = HitTest(pos).kind == Hit::ColumnBorder;
    viewport()->setCursor(onBorder ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingColumn_ >= 0) {
        if (const TColumn* column = columns_.Items(std::exchange(resizingColumn_, -1)))
            runtime::saveColumnWidth(this, column->FieldName(), column->Width());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    const Hit hit = HitTest(event->position().toPoint());
    runtime::guarded([this, hit] {
        if (hit.kind == Hit::Data && OnCellClick) OnCellClick(columns_.Items(hit.column));
        if (hit.kind == Hit::Title && OnTitleClick) OnTitleClick(columns_.Items(hit.column));
    });
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick) runtime::guarded(OnDblClick);
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && link_.Active()) runtime::guarded([this, steps] { MoveRows(-steps); });
    event->accept();
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupMenu_) {
        event->ignore();
        return;
    }
    popupMenu_->popup(event->globalPos());
}

// ---- Loading from a window description --------------------------------------------------------

void TDBGrid::SetDataSourceName(QObject* owner, const QString& name) {
    owner_ = owner;
    dataSourceName_ = name;
}

void TDBGrid::Loaded() {
    if (!dataSourceName_.isEmpty())
        SetDataSource(runtime::loadedComponent<TDataSource>(owner_, *this, dataSourceName_));
}
