// The grid's columns: explicit attributes, defaults taken from the grid and the field, and the field
// map rebuilt at each layout change.
#include "data/DBGridColumns.h"

#include <QHash>

#include "data/DBGrids.h"
#include "runtime/UserSettings.h"

// ---- TColumnTitle -----------------------------------------------------------------------------

QString TColumnTitle::Caption() const {
    if (caption_) return *caption_;
    if (TField* field = column_->Field()) return field->DisplayName();
    return column_->FieldName();
}

void TColumnTitle::SetCaption(const QString& caption) {
    caption_ = caption;
    column_->Changed();
}

TAlignment TColumnTitle::Alignment() const {
    return alignment_.value_or(taLeftJustify);
}

void TColumnTitle::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    column_->Changed();
}

QColor TColumnTitle::Color() const {
    if (color_) return *color_;
    return column_->Grid()->FixedColor();
}

void TColumnTitle::SetColor(const QColor& color) {
    color_ = color;
    column_->Changed();
}

QFont TColumnTitle::Font() const {
    if (font_) return *font_;
    return column_->Grid()->TitleFont();
}

void TColumnTitle::SetFont(const QFont& font) {
    font_ = font;
    column_->Changed();
}

// ---- TColumn ----------------------------------------------------------------------------------

TColumn::TColumn(TDBGridColumns* owner) : owner_(owner), title_(this) {}

void TColumn::SetFieldName(const QString& name) {
    fieldName_ = name;
    ForgetField();
    Changed();
}

TField* TColumn::Field() const {
    if (!fieldLookedUp_) {
        fieldLookedUp_ = true;
        TDataSet* dataSet = Grid()->DataSource() ? Grid()->DataSource()->DataSet() : nullptr;
        field_ = (dataSet && dataSet->Active() && !fieldName_.isEmpty()) ? dataSet->FindField(fieldName_)
                                                                         : nullptr;
    }
    return field_;
}

int TColumn::Index() const {
    return owner_->IndexOf(this);
}

TDBGrid* TColumn::Grid() const {
    return owner_->Grid();
}

int TColumn::Width() const {
    if (width_) return *width_;
    return Grid()->DefaultColumnWidth(this);
}

void TColumn::SetWidth(int width) {
    width_ = width;
    Changed();
}

QColor TColumn::Color() const {
    return color_.value_or(Grid()->Color());
}

void TColumn::SetColor(const QColor& color) {
    color_ = color;
    Changed();
}

QFont TColumn::Font() const {
    return font_.value_or(Grid()->Font());
}

void TColumn::SetFont(const QFont& font) {
    font_ = font;
    Changed();
}

TAlignment TColumn::Alignment() const {
    if (alignment_) return *alignment_;
    if (TField* field = Field()) return field->Alignment();
    return taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Changed();
}

bool TColumn::ReadOnly() const {
    if (readOnly_) return *readOnly_;
    if (TField* field = Field()) return field->ReadOnly();
    return false;
}

void TColumn::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
}

void TColumn::ForgetField() {
    field_ = nullptr;
    fieldLookedUp_ = false;
}

void TColumn::BindField(TField* field) {
    field_ = field;
    fieldLookedUp_ = true;
}

void TColumn::Changed() const {
    owner_->Changed();
}

// ---- TDBGridColumns ---------------------------------------------------------------------------

TColumn* TDBGridColumns::Add() {
    if (state_ == State::Default) {
        items_.clear();
        state_ = State::Customized;
    }
    items_.push_back(std::make_unique<TColumn>(this));
    Changed();
    return items_.back().get();
}

void TDBGridColumns::Clear() {
    items_.clear();
    Changed();
}

TColumn* TDBGridColumns::Items(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[std::size_t(index)].get();
}

int TDBGridColumns::IndexOf(const TColumn* column) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == column) return int(i);
    }
    return -1;
}

void TDBGridColumns::SetColumnsState(State state) {
    if (state == state_) return;
    state_ = state;
    items_.clear();
    Changed();
}

void TDBGridColumns::RebuildFieldMap(TDataSet* dataSet) {
    // A width the clerk dragged a column to in an earlier run comes back; the designed one otherwise.
    const auto keptWidth = [this](TColumn& column) {
        if (const std::optional<int> width = runtime::savedColumnWidth(grid_, column.fieldName_))
            column.width_ = *width;
    };
    if (state_ == State::Customized) {
        for (auto& column : items_) {
            column->ForgetField();
            keptWidth(*column);
        }
        return;
    }
    QHash<QString, int> widths;
    for (const auto& column : items_) {
        if (column->width_) widths.insert(column->fieldName_.toUpper(), *column->width_);
    }
    items_.clear();
    if (!dataSet || !dataSet->Active()) return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField* field = dataSet->Fields(i);
        if (!field->Visible()) continue;
        auto column = std::make_unique<TColumn>(this);
        column->fieldName_ = field->FieldName();
        column->BindField(dataSet->FieldByName(field->FieldName()));
        const auto kept = widths.constFind(column->fieldName_.toUpper());
        if (kept != widths.constEnd())
            column->width_ = *kept;
        else
            keptWidth(*column);
        items_.push_back(std::move(column));
    }
}

void TDBGridColumns::Changed() const {
    grid_->ColumnsChanged();
}
