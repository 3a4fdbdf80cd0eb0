// A dataset over rows kept in memory, and a recorder of the hooks and data events a dataset sends.
#pragma once

#include <QStringList>
#include <QVariantList>
#include <map>
#include <ostream>

#include "data/Db.h"

struct MemoryColumn {
    QString name;
    TFieldType type;
    int size = 0;
};

// Serves the dataset and data-aware control tests: it counts the records it fetches, can refuse writes
// like a read-only result and can fail a number of writes like a full disk. Each buffer carries a slot
// number in its bytes; the slot's values live in the dataset. Inserted rows go to the end of the rows.
// A cursor stands before the first row (-1), on a row, or past the last.
class MemoryDataSet : public TDataSet {
  public:
    MemoryDataSet(std::vector<MemoryColumn> columns, QObject* owner = nullptr);
    ~MemoryDataSet() override;

    // A row of values in column order; an invalid QVariant is a null value.
    void AddRow(const QVariantList& values);
    const std::vector<std::vector<QVariant>> Rows() const;
    int RowCount() const { return int(rows_.size()); }
    QVariant Stored(int row, int column) const {
        return rows_.at(std::size_t(row)).values.at(std::size_t(column));
    }
    bool CanModify() const override { return Active() && canModify_; }
    void SetCanModify(bool canModify) { canModify_ = canModify; }
    // Number of writes that fail before writes succeed again.
    void FailWrites(int count) { failWrites_ = count; }
    int Writes() const { return writes_; }
    int Fetches() const { return fetches_; }

  protected:
    void InternalOpen(std::vector<TFieldDef>& defs) override;
    void InternalClose() override {}
    std::size_t RecordSize() const override { return sizeof(int); }
    GetResult GetRecord(RecordBuffer& buffer, GetMode mode) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalInitRecord(RecordBuffer& buffer) override;
    void InternalEdit(RecordBuffer& buffer) override;
    void InternalCancel() override {}
    void InternalModify(const RecordBuffer& buffer) override;
    void InternalInsert(const RecordBuffer& buffer) override;
    void InternalDelete() override;
    void InternalSetToRecord(const RecordBuffer& buffer) override;
    bool ReadField(const TField& field, const RecordBuffer& buffer, void* value) const override;
    void WriteField(const TField& field, RecordBuffer& buffer, const void* value) override;

  private:
    struct Row {
        int key;
        std::vector<QVariant> values;
    };
    std::vector<QVariant>& Slot(const RecordBuffer& buffer) const;
    void Fill(RecordBuffer& buffer, const Row& row);
    void CheckWrite();

    std::vector<MemoryColumn> columns_;
    std::vector<Row> rows_;
    int nextKey_ = 1;
    int position_ = -1;
    bool gone_ = false;
    bool canModify_ = true;
    int failWrites_ = 0;
    int writes_ = 0;
    int fetches_ = 0;
    mutable std::map<int, std::vector<QVariant>> slots_;
    mutable int nextSlot_ = 1;
};

// A link that writes down what it is told, and hooks on the dataset and the source that do the same.
class RecordingLink : public TDataLink {
  public:
    explicit RecordingLink(QStringList& log) : log_(log) {}
    // Text the control holds and writes into `field` at update-record.
    TField* pendingField = nullptr;
    QString pendingText;

  protected:
    void RecordChanged(TField* field) override;
    void DataSetChanged() override { log_ << "DataSetChanged"; }
    void DataSetScrolled(int distance) override {
        log_ << QStringLiteral("DataSetScrolled(%1)").arg(distance);
    }
    void LayoutChanged() override { log_ << "LayoutChanged"; }
    void UpdateData() override;
    void EditingChanged() override { log_ << QStringLiteral("EditingChanged(%1)").arg(Editing()); }
    void ActiveChanged() override { log_ << QStringLiteral("ActiveChanged(%1)").arg(Active()); }
    void CheckBrowseMode() override { log_ << "CheckBrowseMode"; }

  private:
    QStringList& log_;
};

QString stateName(DataSetState state);
void recordHooks(TDataSet& dataSet, QStringList& log);

// Lets failing expectations show texts as texts.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << '"' << text.toStdString() << '"';
}
