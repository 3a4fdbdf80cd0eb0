// The dataset's states and record window, data sources and data links.
#include "data/Db.h"

#include <algorithm>

#include "data/DataMessages.h"
#include "runtime/ScopeGuard.h"

namespace {

[[noreturn]] void databaseError(const QString& message) {
    throw EDatabaseError(message);
}

bool isEditing(DataSetState state) {
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

}  // namespace

// ---- TDataSet: lifecycle -------------------------------------------------------------------------

TDataSet::TDataSet(QObject* owner) : QObject(owner) {
    buffers_.resize(2);
}

TDataSet::~TDataSet() {
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->SetDataSet(nullptr);
    for (TField* field : fields_) field->dataSet_ = nullptr;
    fields_.clear();
}

void TDataSet::SetActive(bool active) {
    if (loading_) {
        streamedActive_ = active;
        return;
    }
    if (active == Active()) return;
    if (active) {
        CallHook(BeforeOpen);
        OpenCursor();
        CallHook(AfterOpen);
        CallHook(AfterScroll);
    } else {
        if (!destroying_) CallHook(BeforeClose);
        SetState(DataSetState::Inactive);
        CloseCursor();
        if (!destroying_) CallHook(AfterClose);
    }
}

void TDataSet::Open() {
    SetActive(true);
}

void TDataSet::Close() {
    SetActive(false);
}

void TDataSet::Loaded() {
    loading_ = false;
    if (streamedActive_) SetActive(true);
}

void TDataSet::OpenCursor() {
    try {
        fieldDefs_.clear();
        InternalOpen(fieldDefs_);
        cursorOpen_ = true;
        if (fields_.empty()) CreateDefaultFields();
        BindFields();
        bufferCount_ = 0;
        UpdateBufferCount();
        ClearBuffers();
        FillFromStart();
        SetState(DataSetState::Browse);
    } catch (...) {
        SetState(DataSetState::Inactive);
        CloseCursor();
        throw;
    }
}

void TDataSet::CloseCursor() {
    ClearBuffers();
    struct Unbind {
        TDataSet* dataSet;
        ~Unbind() {
            for (TField* field : dataSet->fields_) field->fieldNo_ = 0;
            dataSet->DestroyDefaultFields();
        }
    } unbind{this};
    cursorOpen_ = false;
    InternalClose();
}

void TDataSet::CreateDefaultFields() {
    for (const TFieldDef& def : fieldDefs_) {
        TField* field = CreateDefaultField(def);
        if (!field) continue;
        field->SetFieldName(def.Name);
        field->SetRequired(def.Required);
        field->setObjectName(objectName() + def.Name);
        field->SetDataSet(this);
    }
    defaultFields_ = true;
}

TField* TDataSet::CreateDefaultField(const TFieldDef& def) {
    switch (def.DataType) {
        case ftString: {
            auto* field = new TStringField(this);
            field->SetSize(def.Size > 0 ? std::min(def.Size, 8192) : 255);
            return field;
        }
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return new TIntegerField(this);
        case ftLargeint:
            return new TLargeintField(this);
        case ftFloat:
        case ftCurrency:
            return new TFloatField(this);
        case ftDate:
            return new TDateField(this);
        case ftDateTime:
            return new TDateTimeField(this);
        default:
            return nullptr;
    }
}

void TDataSet::DestroyDefaultFields() {
    if (!defaultFields_) return;
    defaultFields_ = false;
    const std::vector<TField*> made = fields_;
    for (TField* field : made) delete field;
}

void TDataSet::BindFields() {
    for (TField* field : fields_) {
        if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) {
            field->fieldNo_ = -1;
            continue;
        }
        const auto def = std::find_if(fieldDefs_.begin(), fieldDefs_.end(), [&](const TFieldDef& d) {
            return d.Name.compare(field->FieldName(), Qt::CaseInsensitive) == 0;
        });
        if (def == fieldDefs_.end()) {
            databaseError(data::message::FieldNotFound.arg(objectName(), field->FieldName()));
        }
        if (def->DataType != field->DataType() || (def->DataType == ftString && def->Size != field->Size())) {
            databaseError(data::message::FieldTypeMismatch.arg(field->DisplayName()));
        }
        field->fieldNo_ = def->FieldNo;
    }
}

void TDataSet::SetState(DataSetState state) {
    if (state == state_) return;
    state_ = state;
    modified_ = false;
    DataEvent(::DataEvent::UpdateState);
}

void TDataSet::CheckActive() const {
    if (!Active()) databaseError(data::message::ClosedDataSet);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) databaseError(data::message::ReadOnlyDataSet);
}

void TDataSet::CallHook(const TDataSetNotifyEvent& hook) {
    if (hook) hook(this);
}

void TDataSet::RunWithErrorHook(const TDataSetErrorEvent& hook, const std::function<void()>& operation) {
    for (;;) {
        try {
            operation();
            return;
        } catch (EDatabaseError& error) {
            DataAction action = DataAction::Fail;
            if (hook) hook(this, error, action);
            if (action == DataAction::Fail) throw;
            if (action == DataAction::Abort) throw EAbort();
        }
    }
}

// ---- TDataSet: the record window -------------------------------------------------------------------

void TDataSet::UpdateBufferCount() {
    int wanted = 1;
    for (const TDataSource* source : sources_) {
        for (const TDataLink* link : source->links_) wanted = std::max(wanted, link->BufferCount());
    }
    if (wanted != bufferCount_) ResizeBuffers(wanted);
}

void TDataSet::ResizeBuffers(int count) {
    const std::size_t recordSize = RecordSizeOrZero();
    if (count < bufferCount_ && recordCount_ > 0) {
        // Keep the active record inside the smaller window: drop records from the front first.
        const int drop = std::max(0, activeRecord_ - count + 1);
        std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.begin() + bufferCount_ + 1);
        activeRecord_ -= drop;
        recordCount_ = std::min(recordCount_ - drop, count);
        currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
    }
    buffers_.resize(static_cast<std::size_t>(count) + 1);
    for (RecordBuffer& buffer : buffers_) buffer.data.resize(recordSize);
    const bool growing = count > bufferCount_;
    bufferCount_ = count;
    if (growing && state_ == DataSetState::Browse && recordCount_ > 0) {
        GetNextRecords();
        while (recordCount_ < bufferCount_ && GetPriorRecord()) ++activeRecord_;
    }
}

std::size_t TDataSet::RecordSizeOrZero() const {
    return cursorOpen_ ? RecordSize() : 0;
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::SetToRecord(int index) {
    InternalSetToRecord(buffers_[index]);
    currentRecord_ = index;
}

void TDataSet::RotateRight(int from, int to) {
    for (int i = to; i > from; --i) swap(buffers_[i], buffers_[i - 1]);
}

void TDataSet::RotateLeft(int from, int to) {
    for (int i = from; i < to; ++i) swap(buffers_[i], buffers_[i + 1]);
}

bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0 && currentRecord_ != recordCount_ - 1) SetToRecord(recordCount_ - 1);
    RecordBuffer& target = buffers_[recordCount_];
    if (GetRecord(target, GetMode::Next) != GetResult::Ok) {
        currentRecord_ = -1;
        return false;
    }
    target.mark = RecordBuffer::Mark::Current;
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        RotateLeft(0, bufferCount_);
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0 && currentRecord_ != 0) SetToRecord(0);
    RecordBuffer& target = buffers_[recordCount_];
    if (GetRecord(target, GetMode::Prior) != GetResult::Ok) {
        currentRecord_ = -1;
        return false;
    }
    target.mark = RecordBuffer::Mark::Current;
    RotateRight(0, recordCount_);
    if (recordCount_ < bufferCount_) ++recordCount_;
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int fetched = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++fetched;
    return fetched;
}

int TDataSet::GetPriorRecords() {
    int fetched = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++fetched;
    return fetched;
}

void TDataSet::FillFromStart() {
    ClearBuffers();
    InternalFirst();
    GetNextRecords();
    bof_ = true;
    eof_ = recordCount_ == 0;
}

void TDataSet::Resync(int keepRow) {
    ClearBuffers();
    RecordBuffer& first = buffers_[0];
    GetResult got = GetRecord(first, GetMode::Current);
    if (got != GetResult::Ok) got = GetRecord(first, GetMode::Next);
    if (got != GetResult::Ok) got = GetRecord(first, GetMode::Prior);
    if (got == GetResult::Ok) {
        first.mark = RecordBuffer::Mark::Current;
        recordCount_ = 1;
        currentRecord_ = 0;
        bof_ = false;
        eof_ = false;
        const int row = std::clamp(keepRow, 0, bufferCount_ - 1);
        while (activeRecord_ < row && GetPriorRecord()) ++activeRecord_;
        GetNextRecords();
        while (recordCount_ < bufferCount_ && GetPriorRecord()) ++activeRecord_;
    }
    DataEvent(::DataEvent::DataSetChange);
}

RecordBuffer* TDataSet::ActiveBuffer() const {
    if (state_ == DataSetState::Inactive || recordCount_ == 0) return nullptr;
    return &buffers_[activeRecord_];
}

void TDataSet::SetActiveRecord(int index) {
    if (index >= 0 && index < recordCount_) activeRecord_ = index;
}

// ---- TDataSet: navigation ------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    CallHook(BeforeScroll);
    FillFromStart();
    DataEvent(::DataEvent::DataSetChange);
    CallHook(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    CallHook(BeforeScroll);
    ClearBuffers();
    InternalLast();
    GetPriorRecords();
    activeRecord_ = std::max(0, recordCount_ - 1);
    eof_ = true;
    bof_ = recordCount_ == 0;
    DataEvent(::DataEvent::DataSetChange);
    CallHook(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    CallHook(BeforeScroll);
    if ((distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
    bof_ = false;
    eof_ = false;
    const int oldRecordCount = recordCount_;
    int shift = 0;
    int moved = 0;
    while (distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
            ++activeRecord_;
        } else {
            const bool full = recordCount_ == bufferCount_;
            if (!GetNextRecord()) {
                eof_ = true;
                break;
            }
            if (full) ++shift;
            activeRecord_ = recordCount_ - 1;
        }
        --distance;
        ++moved;
    }
    while (distance < 0) {
        if (activeRecord_ > 0) {
            --activeRecord_;
        } else {
            const bool full = recordCount_ == bufferCount_;
            if (!GetPriorRecord()) {
                bof_ = true;
                break;
            }
            if (full) --shift;
            activeRecord_ = 0;
        }
        ++distance;
        --moved;
    }
    if (recordCount_ == oldRecordCount) {
        DataEvent(::DataEvent::DataSetScroll, shift);
    } else {
        DataEvent(::DataEvent::DataSetChange);
    }
    CallHook(AfterScroll);
    return moved;
}

// ---- TDataSet: editing ------------------------------------------------------------------------------

void TDataSet::Edit() {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
    CheckActive();
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    CallHook(BeforeEdit);
    RunWithErrorHook(OnEditError, [this] {
        SetToRecord(activeRecord_);
        InternalEdit(buffers_[activeRecord_]);
    });
    SetState(DataSetState::Edit);
    DataEvent(::DataEvent::RecordChange);
    CallHook(AfterEdit);
}

void TDataSet::Insert() {
    CheckBrowseMode();
    CheckCanModify();
    CallHook(BeforeInsert);
    CallHook(BeforeScroll);
    insertReturn_ = recordCount_ > 0 ? buffers_[activeRecord_].bookmark : QByteArray();
    RotateRight(activeRecord_, recordCount_);
    RecordBuffer& buffer = buffers_[activeRecord_];
    buffer.mark = RecordBuffer::Mark::Inserted;
    buffer.bookmark.clear();
    InternalInitRecord(buffer);
    if (recordCount_ < bufferCount_) ++recordCount_;
    currentRecord_ = -1;
    BeginNewRecord();
}

void TDataSet::Append() {
    CheckBrowseMode();
    CheckCanModify();
    CallHook(BeforeInsert);
    CallHook(BeforeScroll);
    ClearBuffers();
    InternalLast();
    GetPriorRecords();
    insertReturn_ = recordCount_ > 0 ? buffers_[recordCount_ - 1].bookmark : QByteArray();
    if (recordCount_ == bufferCount_) {
        RotateLeft(0, bufferCount_);
        --recordCount_;
    }
    RecordBuffer& buffer = buffers_[recordCount_];
    buffer.mark = RecordBuffer::Mark::Appended;
    buffer.bookmark.clear();
    InternalInitRecord(buffer);
    activeRecord_ = recordCount_;
    ++recordCount_;
    currentRecord_ = -1;
    bof_ = false;
    eof_ = true;
    BeginNewRecord();
}

void TDataSet::BeginNewRecord() {
    SetState(DataSetState::Insert);
    try {
        CallHook(OnNewRecord);
    } catch (...) {
        ReturnFromInsert();
        throw;
    }
    modified_ = false;
    DataEvent(::DataEvent::DataSetChange);
    CallHook(AfterInsert);
    CallHook(AfterScroll);
}

void TDataSet::ReturnFromInsert() {
    const int row = activeRecord_;
    SetState(DataSetState::Browse);
    if (insertReturn_.isEmpty()) {
        InternalFirst();
    } else {
        RecordBuffer target;
        target.bookmark = insertReturn_;
        InternalSetToRecord(target);
    }
    Resync(row);
}

void TDataSet::Post() {
    UpdateRecord();
    DataEvent(::DataEvent::CheckBrowseMode);
    CheckRequiredFields();
    CallHook(BeforePost);
    RunWithErrorHook(OnPostError, [this] {
        if (state_ == DataSetState::Edit) {
            InternalModify(buffers_[activeRecord_]);
        } else {
            InternalInsert(buffers_[activeRecord_]);
        }
    });
    const int row = activeRecord_;
    SetState(DataSetState::Browse);
    Resync(row);
    CallHook(AfterPost);
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : fields_) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            databaseError(data::message::FieldRequired.arg(field->DisplayName()));
        }
    }
}

void TDataSet::Cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    DataEvent(::DataEvent::CheckBrowseMode);
    CallHook(BeforeCancel);
    if (state_ == DataSetState::Edit) {
        const int row = activeRecord_;
        InternalCancel();
        SetToRecord(activeRecord_);
        SetState(DataSetState::Browse);
        Resync(row);
    } else {
        ReturnFromInsert();
    }
    CallHook(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) databaseError(data::message::EmptyDataSet);
    CheckCanModify();
    DataEvent(::DataEvent::CheckBrowseMode);
    CallHook(BeforeDelete);
    CallHook(BeforeScroll);
    RunWithErrorHook(OnDeleteError, [this] {
        SetToRecord(activeRecord_);
        InternalDelete();
    });
    const int row = activeRecord_;
    SetState(DataSetState::Browse);
    Resync(row);
    CallHook(AfterDelete);
    CallHook(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(::DataEvent::CheckBrowseMode);
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) {
        UpdateRecord();
        if (modified_) {
            Post();
        } else {
            Cancel();
        }
    }
}

void TDataSet::UpdateRecord() {
    if (!isEditing(state_)) databaseError(data::message::NotEditing);
    DataEvent(::DataEvent::UpdateRecord);
}

// ---- TDataSet: fields ----------------------------------------------------------------------------------

TField* TDataSet::FindField(const QString& name) const {
    for (TField* field : fields_) {
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0) return field;
    }
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field) databaseError(data::message::FieldNotFound.arg(objectName(), name));
    return field;
}

TField* TDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) {
        throw EListError(data::message::ListIndex.arg(index));
    }
    return fields_[static_cast<std::size_t>(index)];
}

void TDataSet::AddField(TField* field) {
    if (field->FieldName().isEmpty()) databaseError(data::message::FieldNameMissing);
    if (FindField(field->FieldName())) {
        databaseError(data::message::DuplicateFieldName.arg(field->FieldName()));
    }
    fields_.push_back(field);
    DataEvent(::DataEvent::FieldListChange);
}

void TDataSet::RemoveField(TField* field) {
    fields_.erase(std::remove(fields_.begin(), fields_.end(), field), fields_.end());
    field->dataSet_ = nullptr;
    field->fieldNo_ = 0;
}

bool TDataSet::GetFieldData(const TField& field, void* value) const {
    const RecordBuffer* buffer = ActiveBuffer();
    if (!buffer || field.fieldNo_ <= 0) return false;
    return ReadField(field, *buffer, value);
}

void TDataSet::SetFieldData(TField& field, const void* value) {
    if (!isEditing(state_)) databaseError(data::message::NotEditing);
    if (field.ReadOnly() || field.fieldNo_ <= 0) {
        databaseError(data::message::FieldReadOnly.arg(field.DisplayName()));
    }
    if (field.OnValidate) field.OnValidate(&field);
    WriteField(field, buffers_[activeRecord_], value);
    DataEvent(::DataEvent::FieldChange, reinterpret_cast<std::intptr_t>(&field));
}

// ---- TDataSet: data events --------------------------------------------------------------------------

void TDataSet::DataEvent(::DataEvent event, std::intptr_t info) {
    // The window the links read: up to bufferCount_ records and the spare, the active one among them.
    Q_ASSERT(bufferCount_ >= 1 && buffers_.size() == std::size_t(bufferCount_) + 1);
    Q_ASSERT(recordCount_ >= 0 && recordCount_ <= bufferCount_);
    Q_ASSERT(recordCount_ == 0 ? activeRecord_ == 0 : activeRecord_ >= 0 && activeRecord_ < recordCount_);
    if (event == ::DataEvent::FieldChange) {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) modified_ = true;
    }
    if (disableCount_ > 0) {
        switch (event) {
            case ::DataEvent::LayoutChange:
            case ::DataEvent::FieldListChange:
                heldLayoutChange_ = true;
                break;
            case ::DataEvent::FieldChange:
            case ::DataEvent::RecordChange:
            case ::DataEvent::DataSetChange:
            case ::DataEvent::DataSetScroll:
                heldDataSetChange_ = true;
                break;
            default:
                break;
        }
    } else {
        NotifySources(event, info);
    }
    if (event == ::DataEvent::FieldChange) {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->OnChange) field->OnChange(field);
    }
}

void TDataSet::NotifySources(::DataEvent event, std::intptr_t info) {
    if (sources_.empty()) return;
    // A source may detach itself, or another, while it handles the event.
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->DataEvent(event, info);
}

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) {
        disabledState_ = state_;
        heldDataSetChange_ = false;
        heldLayoutChange_ = false;
    }
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ > 0) return;
    if (state_ != disabledState_) NotifySources(::DataEvent::UpdateState, 0);
    if (heldLayoutChange_) {
        NotifySources(::DataEvent::LayoutChange, 0);
    } else if (heldDataSetChange_) {
        NotifySources(::DataEvent::DataSetChange, 0);
    }
    heldDataSetChange_ = false;
    heldLayoutChange_ = false;
}

void TDataSet::AddDataSource(TDataSource* source) {
    sources_.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
    UpdateBufferCount();
}

// ---- TDataSource ----------------------------------------------------------------------------------------

TDataSource::TDataSource(QObject* owner) : QObject(owner) {}

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    for (TDataLink* link : links_) link->dataSource_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddDataSource(this);
    UpdateState();
    if (state_ != DataSetState::Inactive) NotifyLinks(::DataEvent::LayoutChange, 0);
}

void TDataSource::SetEnabled(bool enabled) {
    enabled_ = enabled;
    UpdateState();
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == DataSetState::Browse && dataSet_) dataSet_->Edit();
}

void TDataSource::Loaded() {
    if (dataSetName_.isEmpty()) return;
    SetDataSet(runtime::loadedComponent<TDataSet>(parent(), *this, dataSetName_));
}

void TDataSource::UpdateState() {
    const DataSetState state = enabled_ && dataSet_ ? dataSet_->State() : DataSetState::Inactive;
    const bool leavesInactive = state_ == DataSetState::Inactive && state != DataSetState::Inactive;
    const bool changed = state != state_;
    state_ = state;
    NotifyLinks(::DataEvent::UpdateState, 0);
    if (changed && OnStateChange) OnStateChange(this);
    if (leavesInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(::DataEvent event, std::intptr_t info) {
    if (event == ::DataEvent::UpdateState) {
        UpdateState();
        return;
    }
    if (state_ == DataSetState::Inactive) return;
    NotifyLinks(event, info);
    switch (event) {
        case ::DataEvent::FieldChange:
            if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
            break;
        case ::DataEvent::RecordChange:
        case ::DataEvent::DataSetChange:
        case ::DataEvent::DataSetScroll:
        case ::DataEvent::LayoutChange:
            if (OnDataChange) OnDataChange(this, nullptr);
            break;
        case ::DataEvent::UpdateRecord:
            if (OnUpdateData) OnUpdateData(this);
            break;
        default:
            break;
    }
}

void TDataSource::NotifyLinks(::DataEvent event, std::intptr_t info) {
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links) {
        if (link->bufferCount_ == 1 && link->dataSource_ == this) link->DataEvent(event, info);
    }
    for (TDataLink* link : links) {
        if (link->bufferCount_ != 1 && link->dataSource_ == this) link->DataEvent(event, info);
    }
}

void TDataSource::AddLink(TDataLink* link) {
    links_.push_back(link);
    if (dataSet_) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveLink(TDataLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (dataSet_) dataSet_->UpdateBufferCount();
}

// ---- TDataLink ------------------------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveLink(this);
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    if (updating_) databaseError(data::message::DataSourceFixed);
    if (dataSource_) dataSource_->RemoveLink(this);
    dataSource_ = source;
    if (dataSource_) dataSource_->AddLink(this);
    UpdateActive();
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (TDataSet* dataSet = DataSet()) dataSet->UpdateBufferCount();
    UpdateRange(0);
}

void TDataLink::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    UpdateEditing();
}

int TDataLink::ActiveRecord() const {
    const TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->activeRecord_ - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int row) {
    if (TDataSet* dataSet = DataSet()) dataSet->SetActiveRecord(row + firstRecord_);
}

int TDataLink::RecordCount() const {
    const TDataSet* dataSet = DataSet();
    if (!dataSet || !active_) return 0;
    return std::clamp(dataSet->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    const auto updating = runtime::setForScope(updating_, true);
    UpdateData();
}

void TDataLink::UpdateActive() {
    const bool active = dataSource_ && dataSource_->State() != DataSetState::Inactive;
    if (active != active_) {
        active_ = active;
        firstRecord_ = 0;
        if (active_) UpdateRange(0);
        ActiveChanged();
    }
    UpdateEditing();
}

void TDataLink::UpdateEditing() {
    const bool editing = active_ && !readOnly_ && isEditing(dataSource_->State());
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

int TDataLink::UpdateRange(int shift) {
    const TDataSet* dataSet = DataSet();
    if (!dataSet) return 0;
    const int active = dataSet->activeRecord_;
    const int previous = firstRecord_ - shift;
    int first = previous;
    if (active < first) first = active;
    if (active >= first + bufferCount_) first = active - bufferCount_ + 1;
    first = std::min(first, std::max(0, dataSet->recordCount_ - bufferCount_));
    first = std::max(first, 0);
    firstRecord_ = first;
    return first - previous;
}

void TDataLink::DataEvent(::DataEvent event, std::intptr_t info) {
    switch (event) {
        case ::DataEvent::UpdateState:
            UpdateActive();
            break;
        case ::DataEvent::FieldChange:
        case ::DataEvent::RecordChange:
            if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
            break;
        case ::DataEvent::DataSetChange:
            UpdateRange(0);
            DataSetChanged();
            break;
        case ::DataEvent::DataSetScroll:
            DataSetScrolled(UpdateRange(static_cast<int>(info)));
            break;
        case ::DataEvent::LayoutChange:
            UpdateRange(0);
            LayoutChanged();
            break;
        case ::DataEvent::UpdateRecord:
            UpdateRecord();
            break;
        case ::DataEvent::CheckBrowseMode:
            CheckBrowseMode();
            break;
        case ::DataEvent::FocusControl:
            FocusControl(reinterpret_cast<TField*>(info));
            break;
        default:
            break;
    }
}
