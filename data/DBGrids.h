// The data-aware grid: the records of a dataset in rows and its fields in columns, painted by the
// grid itself, with an in-place editor, keyboard and mouse navigation and a hook for cell drawing.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFlags>
#include <QFont>
#include <QMenu>
#include <QPointer>
#include <exception>
#include <functional>

#include "data/DBGridColumns.h"
#include "data/DBGridPaint.h"
#include "data/Db.h"
#include "runtime/ComponentRegistry.h"
#include "runtime/Geometry.h"

class QLineEdit;
class TDBGrid;

enum TDBGridOption {
    dgEditing = 0x0001,
    dgAlwaysShowEditor = 0x0002,
    dgTitles = 0x0004,
    dgIndicator = 0x0008,
    dgColumnResize = 0x0010,
    dgColLines = 0x0020,
    dgRowLines = 0x0040,
    dgTabs = 0x0080,
    dgRowSelect = 0x0100,
    dgAlwaysShowSelection = 0x0200,
    dgConfirmDelete = 0x0400,
    dgCancelOnExit = 0x0800,
    dgMultiSelect = 0x1000,
};
using TDBGridOptions = QFlags<TDBGridOption>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)

constexpr TDBGridOptions defaultGridOptions =
    TDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                   dgConfirmDelete | dgCancelOnExit);

// How a cell is being drawn: selected (the current cell, or the current row with dgRowSelect),
// focused (the current cell of a focused grid), fixed (a title or indicator cell).
enum TGridDrawStateItem { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
using TGridDrawState = QFlags<TGridDrawStateItem>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

// The grid's link to its data source: passes every data event of the dataset on to the grid.
class TGridDataLink : public TDataLink {
  public:
    explicit TGridDataLink(TDBGrid* grid) : grid_(grid) {}

  protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void EditingChanged() override;
    void FocusControl(TField* field) override;

  private:
    TDBGrid* grid_;
};

// The grid. Rows are the records of the link's window into the dataset: the link asks for exactly as
// many records as there are visible data rows, so painting row r reads the window's record r. While a
// data cell is painted (and its draw hooks run) the dataset's active record is that cell's record.
class TDBGrid : public QAbstractScrollArea, public runtime::Loadable {
    Q_OBJECT
  public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    QFont TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont& font);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    QColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(const QColor& color);
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    TDBGridColumns& Columns() { return columns_; }

    // The field of column i (the indicator does not count), or nullptr when there is no such column
    // or its field is missing from the dataset.
    TField* Fields(int index) const;
    TField* SelectedField() const;
    int SelectedIndex() const { return selectedColumn_; }
    void SetSelectedIndex(int column);

    // The canvas of the cell being drawn: draw hooks change its brush and font, then may call
    // DefaultDrawColumnCell.
    TCanvas* Canvas() { return &canvas_; }
    void DefaultDrawColumnCell(const Rect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DefaultDrawDataCell(const Rect& rect, TField* field, TGridDrawState state);

    std::function<void(const Rect& rect, int dataCol, TColumn* column, TGridDrawState state)>
        OnDrawColumnCell;
    // Called for default columns only, before OnDrawColumnCell.
    std::function<void(const Rect& rect, TField* field, TGridDrawState state)> OnDrawDataCell;
    std::function<void()> OnDblClick;
    std::function<void(TColumn* column)> OnCellClick;
    std::function<void(TColumn* column)> OnTitleClick;

    // Geometry in viewport pixels. Row heights include the row line; a data row index counts the
    // visible data rows from the top (the title row is not counted).
    int DefaultRowHeight() const { return rowHeight_; }
    int TitleRowHeight() const { return titleHeight_; }
    int VisibleRowCount() const { return visibleRows_; }
    int IndicatorWidth() const;
    int DefaultColumnWidth(const TColumn* column) const;
    Rect CellRect(int dataCol, int dataRow) const;
    Rect TitleRect(int dataCol) const;
    Rect IndicatorRect(int dataRow) const;
    // The data row that holds the current record (0 when there is none).
    int CurrentRow() const;
    // The records in the grid's rows (the link's window into the dataset; 0 while it is inactive).
    int RecordCount() const;
    // The text a data cell shows: its field's display text in the row's record; empty without either.
    QString CellText(int dataCol, int dataRow);

    // Whether the in-place editor is open: shown, or to be seen as soon as the grid's window is.
    bool EditorMode() const;
    void SetEditorMode(bool on);

    // Ctrl+E: asks for a file name and saves every record of the dataset as CSV, a column per grid
    // column that has a field, headed by the column's title.
    void SaveRowsAsCsv();
    QLineEdit* InplaceEditor() const { return editor_; }

    // The data source named in a window's description, found in `owner` when loading completes.
    void SetDataSourceName(QObject* owner, const QString& name) { namedDataSource_.Set(owner, name); }
    void Loaded() override;

    // Called by the columns when one of them changes.
    void ColumnsChanged();
    void LayoutChanged();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    friend class TGridDataLink;
    struct Hit {
        enum Kind { Nowhere, Corner, Title, Indicator, Data, ColumnBorder } kind = Nowhere;
        int column = -1;
        int row = -1;
    };

    // Reactions to data events.
    void LinkActiveChanged();
    void DataChanged();
    void DataScrolled();
    void RecordChanged(TField* field);
    void UpdateData();
    void EditingChanged();
    void FocusField(TField* field);

    // Layout and geometry.
    TDataSet* DataSet() const;
    int ColumnLeft(int dataCol) const;
    int ColumnLineWidth() const;
    int RowLineWidth() const;
    int FixedWidth() const;
    int ContentWidth() const;
    void UpdateRowCount();
    void UpdateScrollBars();
    void EnsureColumnVisible(int dataCol);
    Hit HitTest(const QPoint& pos) const;
    void InvalidateColumn(int dataCol);
    void InvalidateIndicator();

    // Painting.
    void PaintTitleRow(QPainter& painter, const Rect& dirty);
    void PaintDataRow(QPainter& painter, const Rect& dirty, int dataRow);
    void PaintDataCell(QPainter& painter, int dataCol, int dataRow, bool hasRecord);
    void PaintFixedCell(QPainter& painter, const Rect& cell, const QColor& color);
    void PaintGridLines(QPainter& painter, int rows);
    TGridDrawState CellState(int dataCol, int dataRow) const;
    bool ShowsFocus() const;
    void ReportPaintFailure(std::exception_ptr error);

    // Navigation and editing.
    // A key that types a character: one with text, and no Ctrl, Alt or Meta.
    static bool IsPrintable(const QKeyEvent* event);
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    bool HandleCtrlKey(int key);
    void MoveRows(int distance);
    void AfterRowMove();
    void MoveColumn(int dataCol);
    void TabForward();
    void TabBackward();
    // Each answers whether the current record changed.
    bool GoDown();
    bool GoUp();
    void ScrollBarAction(int action);
    void ConfirmAndDelete();
    bool CanInsert() const;
    bool UntouchedInsert() const;
    bool CanEditShow() const;
    void ShowEditor();
    void HideEditor();
    void DiscardEditor();
    void PlaceEditor();
    void LoadEditorText();
    void WriteEditorText();
    void CancelUntouchedInsert();
    bool EditorKey(QKeyEvent* event);

    TGridDataLink link_;
    TDBGridColumns columns_;
    TCanvas canvas_;
    TDBGridOptions options_ = defaultGridOptions;
    bool defaultDrawing_ = true;
    bool readOnly_ = false;
    QFont titleFont_;
    QColor color_;
    QColor fixedColor_;
    QPointer<QMenu> popupMenu_;
    // The in-place editor's state, kept by the grid so that it does not depend on whether the grid's
    // window is shown (a hidden window's editor stays open, and its text is written as any other):
    //
    //   Hidden --ShowEditor: an editable cell, its record in edit--> Shown
    //   Shown --the clerk types, deletes or pastes--> Modified
    //   Modified --the text written to the field (UpdateData), or loaded from it again--> Shown
    //   Shown/Modified --HideEditor (writes a Modified text first), DiscardEditor (drops it), or the
    //                   current cell gone from the columns--> Hidden
    //
    // Hidden exactly while the editor widget is hidden, and then there is no editorField_.
    enum class EditorState { Hidden, Shown, Modified };
    QLineEdit* editor_;
    EditorState editorState_ = EditorState::Hidden;
    QPointer<TField> editorField_;

    int selectedColumn_ = 0;
    int horizontalOffset_ = 0;
    int rowHeight_ = 0;
    int titleHeight_ = 0;
    int visibleRows_ = 1;
    int resizingColumn_ = -1;
    // The current record's row while rows are painted (painting moves the active record).
    int paintedCurrentRow_ = 0;
    bool layingOut_ = false;
    bool destroying_ = false;
    // A failure while painting has been reported since the layout last changed.
    bool paintFailureReported_ = false;
    runtime::NamedComponent<TDataSource> namedDataSource_;
};
