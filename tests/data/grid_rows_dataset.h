// A dataset over rows held in memory, for the tests of the data-aware controls: it counts the records
// it fetches and can refuse writes like a read-only result.
#pragma once

#include <QVariant>
#include <algorithm>
#include <cstring>
#include <vector>

#include "data/Db.h"

class GridRowsDataSet : public TDataSet {
  public:
    struct Column {
        QString name;
        TFieldType type;
        int size = 0;
    };

    explicit GridRowsDataSet(std::vector<Column> columns, QObject* owner = nullptr)
        : TDataSet(owner), columns_(std::move(columns)) {}
    ~GridRowsDataSet() override {
        SetDestroying();
        Close();
    }

    // A row of values in column order; an invalid QVariant is a null value.
    void AddRow(const QVariantList& values) { rows_.push_back({nextId_++, values}); }
    int RowCount() const { return int(rows_.size()); }
    QVariant Stored(int row, int column) const { return rows_[std::size_t(row)].values[column]; }
    void SetWritable(bool writable) { writable_ = writable; }
    bool CanModify() const override { return Active() && writable_; }
    int Fetches() const { return fetches_; }
    void ResetFetches() { fetches_ = 0; }

  protected:
    void InternalOpen(std::vector<TFieldDef>& defs) override {
        defs.clear();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            defs.push_back({columns_[i].name, columns_[i].type, columns_[i].size, false, int(i) + 1});
        }
        position_ = -1;
        gone_ = false;
    }
    void InternalClose() override {}
    std::size_t RecordSize() const override { return sizeof(qint64); }

    GetResult GetRecord(RecordBuffer& buffer, GetMode mode) override {
        const int count = int(rows_.size());
        switch (mode) {
            case GetMode::Current:
                if (gone_ || position_ < 0 || position_ >= count) return GetResult::Eof;
                break;
            case GetMode::Next:
                if (!gone_) ++position_;
                position_ = std::min(position_, count);
                if (position_ >= count) return GetResult::Eof;
                break;
            case GetMode::Prior:
                --position_;
                position_ = std::max(position_, -1);
                if (position_ < 0) return GetResult::Bof;
                break;
        }
        gone_ = false;
        ++fetches_;
        Load(buffer, rows_[std::size_t(position_)]);
        return GetResult::Ok;
    }
    void InternalFirst() override {
        position_ = -1;
        gone_ = false;
    }
    void InternalLast() override {
        position_ = int(rows_.size());
        gone_ = false;
    }
    void InternalInitRecord(RecordBuffer& buffer) override {
        Store(buffer, QVariantList(qsizetype(columns_.size())));
    }
    void InternalEdit(RecordBuffer& buffer) override { Load(buffer, rows_[std::size_t(position_)]); }
    void InternalCancel() override {}
    void InternalModify(const RecordBuffer& buffer) override {
        SetToId(IdOf(buffer));
        rows_[std::size_t(position_)].values = Values(buffer);
    }
    void InternalInsert(const RecordBuffer& buffer) override {
        rows_.push_back({nextId_++, Values(buffer)});
        position_ = int(rows_.size()) - 1;
        gone_ = false;
    }
    void InternalDelete() override {
        rows_.erase(rows_.begin() + position_);
        gone_ = true;
    }
    void InternalSetToRecord(const RecordBuffer& buffer) override { SetToId(IdOf(buffer)); }

    bool ReadField(const TField& field, const RecordBuffer& buffer, void* value) const override {
        const QVariant stored = Values(buffer).value(field.FieldNo() - 1);
        if (!stored.isValid()) return false;
        switch (field.DataType()) {
            case ftString:
                *static_cast<QString*>(value) = stored.toString();
                break;
            case ftInteger:
            case ftDate:
                *static_cast<std::int32_t*>(value) = stored.toInt();
                break;
            default:
                *static_cast<double*>(value) = stored.toDouble();
                break;
        }
        return true;
    }
    void WriteField(const TField& field, RecordBuffer& buffer, const void* value) override {
        QVariantList values = Values(buffer);
        QVariant stored;
        if (value) {
            switch (field.DataType()) {
                case ftString:
                    stored = *static_cast<const QString*>(value);
                    break;
                case ftInteger:
                case ftDate:
                    stored = *static_cast<const std::int32_t*>(value);
                    break;
                default:
                    stored = *static_cast<const double*>(value);
                    break;
            }
        }
        values[field.FieldNo() - 1] = stored;
        Store(buffer, values);
    }

  private:
    struct Row {
        qint64 id;
        QVariantList values;
    };

    static qint64 IdOf(const RecordBuffer& buffer) {
        qint64 id = -1;
        if (buffer.bookmark.size() == sizeof id) std::memcpy(&id, buffer.bookmark.constData(), sizeof id);
        return id;
    }
    void SetToId(qint64 id) {
        const auto found =
            std::find_if(rows_.begin(), rows_.end(), [id](const Row& row) { return row.id == id; });
        position_ = found == rows_.end() ? -1 : int(found - rows_.begin());
        gone_ = found == rows_.end();
    }
    // A buffer holds the number of its slot of values, given out on first use.
    QVariantList Values(const RecordBuffer& buffer) const {
        qint64 slot = 0;
        if (buffer.data.size() >= sizeof slot) std::memcpy(&slot, buffer.data.data(), sizeof slot);
        return slot > 0 ? slots_[std::size_t(slot - 1)] : QVariantList();
    }
    void Store(RecordBuffer& buffer, const QVariantList& values) const {
        qint64 slot = 0;
        if (buffer.data.size() < sizeof slot) buffer.data.assign(sizeof slot, 0);
        std::memcpy(&slot, buffer.data.data(), sizeof slot);
        if (slot == 0) {
            slots_.emplace_back();
            slot = qint64(slots_.size());
            std::memcpy(buffer.data.data(), &slot, sizeof slot);
        }
        slots_[std::size_t(slot - 1)] = values;
    }
    void Load(RecordBuffer& buffer, const Row& row) const {
        Store(buffer, row.values);
        buffer.bookmark = QByteArray(reinterpret_cast<const char*>(&row.id), sizeof row.id);
    }

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    qint64 nextId_ = 1;
    int position_ = -1;
    bool gone_ = false;
    bool writable_ = true;
    int fetches_ = 0;
    mutable std::vector<QVariantList> slots_;
};
