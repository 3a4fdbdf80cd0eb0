// The data-aware grid: properties, layout, painting and the reactions to the dataset's data events.
// Its keys, its in-place editor and its mouse live in DBGridKeys.cpp, DBGridEditor.cpp and
// DBGridMouse.cpp.
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
#include "data/DataMessages.h"
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
    connect(editor_, &QLineEdit::textEdited, this, [this] {
        if (editorState_ == EditorState::Shown) editorState_ = EditorState::Modified;
    });
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
    if (link_.Updating()) throw EDatabaseError(data::message::DataSourceFixed);
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
        throw Exception(data::message::TooManyColumns);
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

// ---- Loading from a window description --------------------------------------------------------

void TDBGrid::Loaded() {
    if (TDataSource* source = namedDataSource_.Resolve(*this)) SetDataSource(source);
}
