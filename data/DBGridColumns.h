// The columns of the data-aware grid: each column's field name, width, colours, fonts, alignment and
// title, every attribute either set explicitly or taken from the grid and the column's field.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "data/Db.h"

class TDBGrid;
class TColumn;
class TDBGridColumns;

// A column's title: caption (the field's display name, or the column's field name when the field is
// missing), alignment, colour (the grid's fixed colour) and font (the grid's title font).
class TColumnTitle {
  public:
    explicit TColumnTitle(TColumn* column) : column_(column) {}

    QString Caption() const;
    void SetCaption(const QString& caption);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    QColor Color() const;
    void SetColor(const QColor& color);
    QFont Font() const;
    void SetFont(const QFont& font);

  private:
    TColumn* column_;
    std::optional<QString> caption_;
    std::optional<TAlignment> alignment_;
    std::optional<QColor> color_;
    std::optional<QFont> font_;
};

// One grid column. Its field is looked up by name in the grid's dataset on first use after each
// layout change, never raising: a missing field leaves the column without a field.
class TColumn {
  public:
    explicit TColumn(TDBGridColumns* owner);

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    TField* Field() const;
    int Index() const;
    TDBGrid* Grid() const;

    int Width() const;
    void SetWidth(int width);
    QColor Color() const;
    void SetColor(const QColor& color);
    QFont Font() const;
    void SetFont(const QFont& font);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    TColumnTitle& Title() { return title_; }
    const TColumnTitle& Title() const { return title_; }

  private:
    friend class TDBGridColumns;
    friend class TColumnTitle;
    void ForgetField();
    void BindField(TField* field);
    void Changed() const;

    TDBGridColumns* owner_;
    QString fieldName_;
    mutable QPointer<TField> field_;
    mutable bool fieldLookedUp_ = false;
    std::optional<int> width_;
    std::optional<QColor> color_;
    std::optional<QFont> font_;
    std::optional<TAlignment> alignment_;
    std::optional<bool> readOnly_;
    TColumnTitle title_;
};

// The grid's ordered columns. Default columns are rebuilt from the dataset's visible fields at every
// layout change; adding a column makes the collection customised, and customised columns are kept
// as declared.
class TDBGridColumns {
  public:
    enum class State { Default, Customized };

    explicit TDBGridColumns(TDBGrid* grid) : grid_(grid) {}

    TColumn* Add();
    void Clear();
    int Count() const { return int(items_.size()); }
    TColumn* Items(int index) const;
    int IndexOf(const TColumn* column) const;
    State ColumnsState() const { return state_; }
    void SetColumnsState(State state);
    TDBGrid* Grid() const { return grid_; }

    // Rebuilds the field map: customised columns forget their fields; default columns are replaced
    // by one column per visible field of `dataSet` (none when it is null), keeping widths that the
    // person set for fields that are still there.
    void RebuildFieldMap(TDataSet* dataSet);

  private:
    friend class TColumn;
    void Changed() const;

    TDBGrid* grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    State state_ = State::Default;
};
