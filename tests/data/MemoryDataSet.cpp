// The in-memory dataset and the recorders used by the dataset tests.
#include "MemoryDataSet.h"

#include <cstring>

MemoryDataSet::MemoryDataSet(std::vector<MemoryColumn> columns, QObject* owner)
    : TDataSet(owner), columns_(std::move(columns)) {}

MemoryDataSet::~MemoryDataSet() {
    SetDestroying();
    Close();
}

void MemoryDataSet::AddRow(const QVariantList& values) {
    rows_.push_back(Row{nextKey_++, {values.begin(), values.end()}});
}

const std::vector<std::vector<QVariant>> MemoryDataSet::Rows() const {
    std::vector<std::vector<QVariant>> rows;
    for (const Row& row : rows_) rows.push_back(row.values);
    return rows;
}

void MemoryDataSet::InternalOpen(std::vector<TFieldDef>& defs) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        defs.push_back(TFieldDef{columns_[i].name, columns_[i].type, columns_[i].size, false, int(i) + 1});
    }
    position_ = -1;
    gone_ = false;
}

std::vector<QVariant>& MemoryDataSet::Slot(const RecordBuffer& buffer) const {
    int slot = 0;
    std::memcpy(&slot, buffer.data.data(), sizeof slot);
    if (slot == 0) {
        slot = nextSlot_++;
        std::memcpy(const_cast<std::uint8_t*>(buffer.data.data()), &slot, sizeof slot);
    }
    std::vector<QVariant>& values = slots_[slot];
    values.resize(columns_.size());
    return values;
}

void MemoryDataSet::Fill(RecordBuffer& buffer, const Row& row) {
    Slot(buffer) = row.values;
    buffer.bookmark = QByteArray::number(row.key);
    ++fetches_;
}

GetResult MemoryDataSet::GetRecord(RecordBuffer& buffer, GetMode mode) {
    const int count = int(rows_.size());
    switch (mode) {
        case GetMode::Current:
            if (gone_ || position_ < 0 || position_ >= count) return GetResult::Error;
            break;
        case GetMode::Next:
            if (!gone_) ++position_;
            gone_ = false;
            if (position_ >= count) {
                position_ = count;
                return GetResult::Eof;
            }
            break;
        case GetMode::Prior:
            --position_;
            gone_ = false;
            if (position_ < 0) {
                position_ = -1;
                return GetResult::Bof;
            }
            break;
    }
    Fill(buffer, rows_[std::size_t(position_)]);
    return GetResult::Ok;
}

void MemoryDataSet::InternalFirst() {
    position_ = -1;
    gone_ = false;
}

void MemoryDataSet::InternalLast() {
    position_ = int(rows_.size());
    gone_ = false;
}

void MemoryDataSet::InternalInitRecord(RecordBuffer& buffer) {
    Slot(buffer).assign(columns_.size(), QVariant());
}

void MemoryDataSet::InternalEdit(RecordBuffer& buffer) {
    Fill(buffer, rows_.at(std::size_t(position_)));
}

void MemoryDataSet::CheckWrite() {
    if (failWrites_ > 0) {
        --failWrites_;
        throw EDatabaseError(QStringLiteral("The disk is full"));
    }
    ++writes_;
}

// The row edited is the buffer's own: the cursor may have moved since, when a grid fetched more rows.
void MemoryDataSet::InternalModify(const RecordBuffer& buffer) {
    CheckWrite();
    InternalSetToRecord(buffer);
    rows_.at(std::size_t(position_)).values = Slot(buffer);
}

void MemoryDataSet::InternalInsert(const RecordBuffer& buffer) {
    CheckWrite();
    rows_.push_back(Row{nextKey_++, Slot(buffer)});
    position_ = int(rows_.size()) - 1;
    gone_ = false;
}

void MemoryDataSet::InternalDelete() {
    CheckWrite();
    rows_.erase(rows_.begin() + position_);
    gone_ = true;
}

void MemoryDataSet::InternalSetToRecord(const RecordBuffer& buffer) {
    const int key = buffer.bookmark.toInt();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].key == key) {
            position_ = int(i);
            gone_ = false;
            return;
        }
    }
    throw EDatabaseError(QStringLiteral("Record not found"));
}

// Values are kept in the shapes the fields of each type read and write.
bool MemoryDataSet::ReadField(const TField& field, const RecordBuffer& buffer, void* value) const {
    const QVariant& stored = Slot(buffer).at(std::size_t(field.FieldNo() - 1));
    if (!stored.isValid()) return false;
    switch (field.DataType()) {
        case ftString:
            *static_cast<QString*>(value) = stored.toString();
            return true;
        case ftFloat:
        case ftCurrency:
        case ftDateTime:
            *static_cast<double*>(value) = stored.toDouble();
            return true;
        case ftLargeint:
            *static_cast<std::int64_t*>(value) = stored.toLongLong();
            return true;
        default:
            *static_cast<std::int32_t*>(value) = stored.toInt();
            return true;
    }
}

void MemoryDataSet::WriteField(const TField& field, RecordBuffer& buffer, const void* value) {
    QVariant& stored = Slot(buffer).at(std::size_t(field.FieldNo() - 1));
    if (!value) {
        stored = QVariant();
        return;
    }
    switch (field.DataType()) {
        case ftString:
            stored = *static_cast<const QString*>(value);
            break;
        case ftFloat:
        case ftCurrency:
        case ftDateTime:
            stored = *static_cast<const double*>(value);
            break;
        case ftLargeint:
            stored = qlonglong(*static_cast<const std::int64_t*>(value));
            break;
        default:
            stored = *static_cast<const std::int32_t*>(value);
            break;
    }
}

void RecordingLink::RecordChanged(TField* field) {
    log_ << QStringLiteral("RecordChanged(%1)").arg(field ? field->FieldName() : QStringLiteral("-"));
}

void RecordingLink::UpdateData() {
    log_ << "UpdateData";
    if (pendingField) {
        pendingField->SetAsString(pendingText);
        pendingField = nullptr;
    }
}

QString stateName(DataSetState state) {
    switch (state) {
        case DataSetState::Inactive:
            return QStringLiteral("Inactive");
        case DataSetState::Browse:
            return QStringLiteral("Browse");
        case DataSetState::Edit:
            return QStringLiteral("Edit");
        case DataSetState::Insert:
            return QStringLiteral("Insert");
    }
    return QString();
}

void recordHooks(TDataSet& dataSet, QStringList& log) {
    const auto hook = [&log](const char* name) {
        return [&log, name](TDataSet*) { log << QString::fromLatin1(name); };
    };
    dataSet.BeforeOpen = hook("BeforeOpen");
    dataSet.AfterOpen = hook("AfterOpen");
    dataSet.BeforeClose = hook("BeforeClose");
    dataSet.AfterClose = hook("AfterClose");
    dataSet.BeforeInsert = hook("BeforeInsert");
    dataSet.AfterInsert = hook("AfterInsert");
    dataSet.BeforeEdit = hook("BeforeEdit");
    dataSet.AfterEdit = hook("AfterEdit");
    dataSet.BeforePost = hook("BeforePost");
    dataSet.AfterPost = hook("AfterPost");
    dataSet.BeforeCancel = hook("BeforeCancel");
    dataSet.AfterCancel = hook("AfterCancel");
    dataSet.BeforeDelete = hook("BeforeDelete");
    dataSet.AfterDelete = hook("AfterDelete");
    dataSet.BeforeScroll = hook("BeforeScroll");
    dataSet.AfterScroll = hook("AfterScroll");
    dataSet.OnNewRecord = hook("OnNewRecord");
}
