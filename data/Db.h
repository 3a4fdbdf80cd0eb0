// Datasets and fields: the record-set abstraction with its states and buffered window of records,
// the typed field objects and their conversions, data sources and the base class of data links.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/ComponentRegistry.h"
#include "runtime/Exception.h"
#include "runtime/Graphics.h"

// A failure of a dataset, a field or the record source; the message is the text alone.
class EDatabaseError : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EDatabaseError"); }
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

// Sent by a dataset to its data sources, in this order of meaning.
enum class DataEvent {
    FieldChange,
    RecordChange,
    DataSetChange,
    DataSetScroll,
    LayoutChange,
    UpdateRecord,
    UpdateState,
    CheckBrowseMode,
    PropertyChange,
    FieldListChange,
    FocusControl
};

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftEngineBinary1,
    ftEngineBinary2,
    ftTypedBinary,
    ftCursor,
    ftLargeint  // a 64-bit integer: a result column whose integers do not all fit ftInteger
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// What an error hook decides: re-raise, end silently, or try the operation again.
enum class DataAction { Fail, Abort, Retry };

// The record source's answer to a request for a record.
enum class GetResult { Ok, Bof, Eof, Error };
enum class GetMode { Current, Next, Prior };

class TDataSet;
class TDataSource;
class TDataLink;
class TField;

// One buffered record: the source's bytes, its bookmark, and where it stands in the source.
struct RecordBuffer {
    enum class Mark { Current, Inserted, Appended };
    std::vector<std::uint8_t> data;
    QByteArray bookmark;
    Mark mark = Mark::Current;

    // Exchanges the contents without copying or reallocating, as moving records through the window does.
    friend void swap(RecordBuffer& a, RecordBuffer& b) noexcept {
        a.data.swap(b.data);
        a.bookmark.swap(b.bookmark);
        std::swap(a.mark, b.mark);
    }
};

// A column of the open result as the record source reports it.
struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    int FieldNo = 0;  // 1-based column number in the source record
};

using TDataSetNotifyEvent = std::function<void(TDataSet*)>;
using TDataSetErrorEvent = std::function<void(TDataSet*, EDatabaseError&, DataAction&)>;
using TFieldNotifyEvent = std::function<void(TField*)>;
using TFieldGetTextEvent = std::function<void(TField*, QString& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField*, const QString& text)>;

// A typed view of one column of its dataset's active record. Values pass between a record buffer
// and the field in the stored form of the field's DataType (see TDataSet::GetFieldData).
class TField : public QObject {
    Q_OBJECT
  public:
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Adds the field to `dataSet`'s field list (removing it from its previous one); the dataset must
    // be closed, the field needs a name and the name must be new to the dataset.
    void SetDataSet(TDataSet* dataSet);

    const QString& FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    QString DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }
    QString DisplayName() const { return DisplayLabel(); }
    // Characters shown by default: 0 means the class default (10, a string field's size).
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    TFieldType DataType() const { return dataType_; }
    int FieldNo() const { return fieldNo_; }
    // Size of the stored value: characters for strings, 0 otherwise.
    virtual int Size() const { return 0; }
    // True when the dataset can be written and the field is not read-only.
    bool CanModify() const;

    bool IsNull() const;
    QString AsString() const { return GetAsString(); }
    int AsInteger() const { return GetAsInteger(); }
    double AsFloat() const { return GetAsFloat(); }
    double AsDateTime() const { return GetAsDateTime(); }
    bool AsBoolean() const { return GetAsBoolean(); }
    QVariant Value() const { return GetAsVariant(); }
    // The editing form of the value, and the display form.
    QString Text() const { return GetDisplayOrEditText(false); }
    QString DisplayText() const { return GetDisplayOrEditText(true); }

    void SetAsString(const QString& value) { SetAsStringValue(value); }
    void SetAsInteger(int value) { SetAsIntegerValue(value); }
    void SetAsFloat(double value) { SetAsFloatValue(value); }
    void SetAsDateTime(double value) { SetAsDateTimeValue(value); }
    void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
    // A null or invalid variant clears the field.
    void SetValue(const QVariant& value);
    void SetText(const QString& text);
    void Clear() { SetData(nullptr); }
    // Gives the focus to the control that shows this field.
    void FocusControl();

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Reads the stored value into `value` (the form depends on DataType); false when null.
    bool GetData(void* value) const;
    // Writes the stored value through the dataset; nullptr clears.
    void SetData(const void* value);

  protected:
    TField(QObject* owner, TFieldType dataType);

    virtual int DefaultDisplayWidth() const { return 10; }
    virtual QString GetAsString() const = 0;
    virtual int GetAsInteger() const;
    virtual double GetAsFloat() const;
    virtual double GetAsDateTime() const;
    virtual bool GetAsBoolean() const;
    virtual QVariant GetAsVariant() const;
    virtual void SetAsStringValue(const QString& value) = 0;
    virtual void SetAsIntegerValue(int value);
    virtual void SetAsFloatValue(double value);
    virtual void SetAsDateTimeValue(double value);
    virtual void SetAsBooleanValue(bool value);
    // Not called with a null variant: SetValue clears the field for one.
    virtual void SetAsVariantValue(const QVariant& value);
    virtual QString GetText(bool /*displayText*/) const { return GetAsString(); }

    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(double value, double min, double max) const;
    [[noreturn]] void InvalidValue() const;
    // The number `value` holds; InvalidValue when it holds none.
    double NumberOf(const QVariant& value) const;

  private:
    friend class TDataSet;
    QString GetDisplayOrEditText(bool displayText) const;

    TDataSet* dataSet_ = nullptr;
    QString fieldName_;
    QString displayLabel_;
    int displayWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    TFieldKind fieldKind_ = fkData;
    TAlignment alignment_ = taLeftJustify;
    TFieldType dataType_;
    int fieldNo_ = 0;
};

// Text of at most Size characters; stored as QString.
class TStringField : public TField {
    Q_OBJECT
  public:
    explicit TStringField(QObject* owner = nullptr);
    int Size() const override { return size_; }
    // 1 to 8192 characters ("Invalid field size" otherwise); only while the field has no open dataset.
    void SetSize(int size);

  protected:
    int DefaultDisplayWidth() const override { return size_; }
    QString GetAsString() const override;
    int GetAsInteger() const override;
    double GetAsFloat() const override;
    double GetAsDateTime() const override;
    QVariant GetAsVariant() const override;
    void SetAsStringValue(const QString& value) override;
    void SetAsIntegerValue(int value) override;
    void SetAsFloatValue(double value) override;
    void SetAsVariantValue(const QVariant& value) override;

  private:
    int size_ = 20;
};

// Base of the number fields: the display and edit masks of the number formatter.
class TNumericField : public TField {
    Q_OBJECT
  public:
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }
    const QString& EditFormat() const { return editFormat_; }
    void SetEditFormat(const QString& format) { editFormat_ = format; }

  protected:
    TNumericField(QObject* owner, TFieldType dataType);
    // The mask to use for the display or editing form, or empty for the plain form.
    QString FormatFor(bool displayText) const;

  private:
    QString displayFormat_;
    QString editFormat_;
};

// A 32-bit signed integer; stored as std::int32_t.
class TIntegerField : public TNumericField {
    Q_OBJECT
  public:
    explicit TIntegerField(QObject* owner = nullptr);
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    // Both 0 means the whole range of the type.
    void SetMinValue(int value) { minValue_ = value; }
    void SetMaxValue(int value) { maxValue_ = value; }

  protected:
    QString GetAsString() const override;
    int GetAsInteger() const override;
    double GetAsFloat() const override;
    QVariant GetAsVariant() const override;
    void SetAsStringValue(const QString& value) override;
    void SetAsIntegerValue(int value) override;
    void SetAsFloatValue(double value) override;
    void SetAsVariantValue(const QVariant& value) override;
    QString GetText(bool displayText) const override;

  private:
    void CheckRange(double value) const;
    int minValue_ = 0;
    int maxValue_ = 0;
};

// A 64-bit signed integer; stored as std::int64_t. Reading AsInteger a value beyond 32 bits is refused.
class TLargeintField : public TNumericField {
    Q_OBJECT
  public:
    explicit TLargeintField(QObject* owner = nullptr);

  protected:
    int DefaultDisplayWidth() const override { return 15; }
    QString GetAsString() const override;
    int GetAsInteger() const override;
    double GetAsFloat() const override;
    QVariant GetAsVariant() const override;
    void SetAsStringValue(const QString& value) override;
    void SetAsIntegerValue(int value) override;
    void SetAsVariantValue(const QVariant& value) override;
    QString GetText(bool displayText) const override;

  private:
    void Store(std::int64_t value);
};

// A 64-bit IEEE double; stored as double.
class TFloatField : public TNumericField {
    Q_OBJECT
  public:
    explicit TFloatField(QObject* owner = nullptr);
    int Precision() const { return precision_; }
    void SetPrecision(int precision);  // clamped to 2..15
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency) { currency_ = currency; }
    double MinValue() const { return minValue_; }
    double MaxValue() const { return maxValue_; }
    // Both 0 means no range check.
    void SetMinValue(double value) { minValue_ = value; }
    void SetMaxValue(double value) { maxValue_ = value; }

  protected:
    QString GetAsString() const override;
    int GetAsInteger() const override;
    double GetAsFloat() const override;
    QVariant GetAsVariant() const override;
    void SetAsStringValue(const QString& value) override;
    void SetAsIntegerValue(int value) override;
    void SetAsFloatValue(double value) override;
    void SetAsVariantValue(const QVariant& value) override;
    QString GetText(bool displayText) const override;

  private:
    int precision_ = 15;
    bool currency_ = false;
    double minValue_ = 0;
    double maxValue_ = 0;
};

// A date and time. ftDateTime is stored as a double of milliseconds since the start of year 1,
// ftTime as std::int32_t milliseconds since midnight, ftDate (TDateField) as std::int32_t day number
// (1 = 1 January of year 1). In the interface a date-time is a double of days since 30 December 1899.
class TDateTimeField : public TField {
    Q_OBJECT
  public:
    explicit TDateTimeField(QObject* owner = nullptr);
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }

  protected:
    TDateTimeField(QObject* owner, TFieldType dataType);
    QString GetAsString() const override;
    double GetAsFloat() const override;
    double GetAsDateTime() const override;
    QVariant GetAsVariant() const override;
    void SetAsStringValue(const QString& value) override;
    void SetAsFloatValue(double value) override;
    void SetAsDateTimeValue(double value) override;
    void SetAsVariantValue(const QVariant& value) override;
    QString GetText(bool displayText) const override;

  private:
    bool ReadDateTime(double* value) const;
    QString displayFormat_;
};

class TDateField : public TDateTimeField {
    Q_OBJECT
  public:
    explicit TDateField(QObject* owner = nullptr);
};

// Date-time values: days since 30 December 1899 (fraction = time of day) and the day numbers of
// stored dates (1 = 1 January of year 1).
namespace datetime {
constexpr std::int32_t DayNumberOfZero = 693594;
// The day number of 31 December 9999, the last day a date field holds.
constexpr std::int32_t LastDayNumber = 3652059;
double fromQDate(const QDate& date);
QDate toQDate(double dateTime);
// Reads a date as a person types it in the locale's short or long format: the day and month in one
// or two digits, the year in four or two (taken within fifty years of today), with or without the
// locale's closing dot. Nothing when the text is no date.
std::optional<QDate> parseLocaleDate(const QString& text);
}  // namespace datetime

// A decimal whole number, optionally signed, after any leading blanks; nothing for any other text
// (trailing blanks, a fraction, a number out of the range of `Int`). The one reader of whole numbers
// typed or stored as text, for 32-bit (`int`) and 64-bit (`std::int64_t`) integers.
template <typename Int>
std::optional<Int> wholeNumber(const QString& text);
extern template std::optional<int> wholeNumber<int>(const QString& text);
extern template std::optional<std::int64_t> wholeNumber<std::int64_t>(const QString& text);
// The same, or EConvertError "'text' is not a valid integer value".
int integerFromText(const QString& text);

// The record set: states, the window of buffered records, fields and data events.
//
// States: Inactive --Open--> Browse --Edit--> Edit, Browse --Insert/Append--> Insert;
// Edit/Insert --Post/Cancel--> Browse; any --Close--> Inactive. The window holds up to BufferCount()
// records (the largest count wanted by an attached link, at least 1) plus one spare buffer;
// ActiveRecord() is the index of the current record in it.
//
// A concrete dataset supplies the record source by overriding the protected Internal* operations.
class TDataSet : public QObject, public runtime::Loadable {
    Q_OBJECT
  public:
    explicit TDataSet(QObject* owner = nullptr);
    ~TDataSet() override;

    // ---- Lifecycle and state ------------------------------------------------------------------
    void Open();
    void Close();
    bool Active() const { return state_ != DataSetState::Inactive; }
    // While the owning window's description is being read, true only records the wish to open.
    void SetActive(bool active);
    DataSetState State() const { return state_; }
    bool Modified() const { return modified_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return Active() && recordCount_ == 0 && state_ != DataSetState::Insert; }
    virtual bool CanModify() const { return false; }

    // ---- Navigation ---------------------------------------------------------------------------
    void First();
    void Last();
    int Next() { return MoveBy(1); }
    int Prior() { return MoveBy(-1); }
    int MoveBy(int distance);

    // ---- Editing ------------------------------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    void UpdateRecord();

    // ---- Fields -------------------------------------------------------------------------------
    TField* FieldByName(const QString& name) const;
    TField* FindField(const QString& name) const;
    TField* Fields(int index) const;
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }
    bool DefaultFields() const { return defaultFields_; }

    // ---- Controls and the record window ---------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    int BufferCount() const { return bufferCount_; }
    int RecordCount() const { return recordCount_; }  // records in the window
    int ActiveRecord() const { return activeRecord_; }
    // The data links move the active record temporarily (a grid paints each row this way).
    void SetActiveRecord(int index);
    int CursorRecord() const { return currentRecord_; }
    // Recomputes the buffer count from the attached links and resizes the window.
    void UpdateBufferCount();

    // ---- Hooks, in the order the operations call them -------------------------------------
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // ---- Used by fields ---------------------------------------------------------------------
    // Reads the active record's value of `field` into `value`; false when null or no record.
    bool GetFieldData(const TField& field, void* value) const;
    // Writes `value` (nullptr clears) into the active record, with the state and read-only checks.
    void SetFieldData(TField& field, const void* value);
    // Sends a data event to the attached sources (held back while controls are disabled).
    void DataEvent(::DataEvent event, std::intptr_t info = 0);

    // Finishes loading from a window's description: opens when Active was set meanwhile.
    void Loaded() override;
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }

  protected:
    // ---- The record source ------------------------------------------------------------------
    // Opens the cursor and fills `defs` with the result's columns.
    virtual void InternalOpen(std::vector<TFieldDef>& defs) = 0;
    virtual void InternalClose() = 0;
    virtual std::size_t RecordSize() const = 0;
    // Gets the current, next or prior record into `buffer` (with its bookmark); Error raises.
    virtual GetResult GetRecord(RecordBuffer& buffer, GetMode mode) = 0;
    virtual void InternalFirst() = 0;  // position before the first record
    virtual void InternalLast() = 0;   // position past the last record
    virtual void InternalInitRecord(RecordBuffer& buffer) = 0;
    // Starts an edit of the cursor's record and re-reads it into `buffer`.
    virtual void InternalEdit(RecordBuffer& buffer) = 0;
    virtual void InternalCancel() = 0;
    virtual void InternalModify(const RecordBuffer& buffer) = 0;
    virtual void InternalInsert(const RecordBuffer& buffer) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalSetToRecord(const RecordBuffer& buffer) = 0;
    virtual bool ReadField(const TField& field, const RecordBuffer& buffer, void* value) const = 0;
    virtual void WriteField(const TField& field, RecordBuffer& buffer, const void* value) = 0;

    // Fields made for the result's columns when the dataset has none of its own.
    virtual TField* CreateDefaultField(const TFieldDef& def);
    // Whether the dataset is being destroyed (Close then skips its hooks).
    void SetDestroying() { destroying_ = true; }
    // The active record's buffer; nullptr when the window holds no record.
    RecordBuffer* ActiveBuffer() const;

  private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    void OpenCursor();
    void CloseCursor();
    void CreateDefaultFields();
    void DestroyDefaultFields();
    void BindFields();
    void SetState(DataSetState state);
    void CheckActive() const;
    void CheckCanModify() const;
    void CheckRequiredFields();
    void CallHook(const TDataSetNotifyEvent& hook);
    void RunWithErrorHook(const TDataSetErrorEvent& hook, const std::function<void()>& operation);

    // The window.
    void ResizeBuffers(int count);
    void ClearBuffers();
    void SetToRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void FillFromStart();
    // Refills the window around the cursor's record (or its next, or prior, when it is gone),
    // keeping it at row `keepRow` where the records allow.
    void Resync(int keepRow);
    void BeginNewRecord();
    // Drops the pending new record and returns to the record that was current before it.
    void ReturnFromInsert();
    std::size_t RecordSizeOrZero() const;
    void RotateRight(int from, int to);
    void RotateLeft(int from, int to);

    void AddField(TField* field);
    void RemoveField(TField* field);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void NotifySources(::DataEvent event, std::intptr_t info);

    DataSetState state_ = DataSetState::Inactive;
    bool modified_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool loading_ = false;
    bool streamedActive_ = false;
    bool destroying_ = false;
    bool defaultFields_ = false;

    std::vector<TField*> fields_;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<TDataSource*> sources_;

    bool cursorOpen_ = false;
    QByteArray insertReturn_;
    mutable std::vector<RecordBuffer> buffers_;
    int bufferCount_ = 1;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;

    int disableCount_ = 0;
    DataSetState disabledState_ = DataSetState::Inactive;
    bool heldDataSetChange_ = false;
    bool heldLayoutChange_ = false;
};

// Connects a dataset to its data-aware controls: copies the state and passes data events to its
// links, first those that want one record (edits), then the others (grids).
class TDataSource : public QObject, public runtime::Loadable {
    Q_OBJECT
  public:
    explicit TDataSource(QObject* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    DataSetState State() const { return state_; }
    const std::vector<TDataLink*>& DataLinks() const { return links_; }
    // Puts the dataset into edit state when AutoEdit and it is browsing.
    void Edit();

    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnUpdateData;

    // A dataset named in the window's description is resolved by name in the owner on loading.
    void SetDataSetName(const QString& name) { dataSetName_ = name; }
    void Loaded() override;

  private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(::DataEvent event, std::intptr_t info);
    void NotifyLinks(::DataEvent event, std::intptr_t info);
    void UpdateState();
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    bool autoEdit_ = true;
    DataSetState state_ = DataSetState::Inactive;
    std::vector<TDataLink*> links_;
    QString dataSetName_;
};

// Base of the links through which controls follow a data source. A link sees BufferCount() rows of
// the dataset's window starting at FirstRecord(); its reactions are the virtual functions below.
class TDataLink {
  public:
    TDataLink() = default;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    virtual ~TDataLink();

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    int FirstRecord() const { return firstRecord_; }
    bool Active() const { return active_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool Editing() const { return editing_; }
    bool Updating() const { return updating_; }
    // The dataset's active record as seen from the link's first row; setting it moves the dataset's
    // active record until it is set back.
    int ActiveRecord() const;
    void SetActiveRecord(int row);
    // Rows of the link that hold a record.
    int RecordCount() const;
    // Asks the source to edit; true when the link is editing afterwards.
    bool Edit();
    // Writes the control's pending value (calls UpdateData with the updating flag set).
    void UpdateRecord();

  protected:
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) {
        (void)distance;
        DataSetChanged();
    }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void UpdateData() {}
    virtual void EditingChanged() {}
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void FocusControl(TField* field) { (void)field; }

  private:
    friend class TDataSource;
    void DataEvent(::DataEvent event, std::intptr_t info);
    void UpdateActive();
    void UpdateEditing();
    // Moves the first record so the dataset's active record lies within the link's rows; answers
    // how many rows the link's view moved, given that the dataset's window shifted by `shift`.
    int UpdateRange(int shift);

    TDataSource* dataSource_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool active_ = false;
    bool readOnly_ = false;
    bool editing_ = false;
    bool updating_ = false;
};
