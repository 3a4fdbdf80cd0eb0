// The session, databases, engine-backed datasets, tables and queries, and the engine's error reports.
#include "data/DBTables.h"

#include <QCursor>
#include <QDate>
#include <QGuiApplication>
#include <QLineEdit>
#include <QThread>
#include <chrono>
#include <cstring>
#include <set>

#include "data/DBLoginDialogs.h"
#include "data/DataMessages.h"
#include "data/SqlParams.h"
#include "engine/Dates.h"
#include "engine/Engine.h"
#include "engine/Journal.h"
#include "engine/RecordView.h"
#include "engine/ServerLedger.h"
#include "runtime/Boundary.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Seams.h"

namespace {

[[noreturn]] void databaseError(const QString& message) {
    throw EDatabaseError(message);
}

engine::TableEngine& engineApi() {
    return engine::currentEngine();
}

QString fromEngine(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Shows the hourglass for the rest of the scope, when the call comes from the user-interface thread.
auto hourGlassForScope() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const bool shown = app && QThread::currentThread() == app->thread();
    if (shown) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return runtime::ScopeGuard([shown] {
        if (shown) QGuiApplication::restoreOverrideCursor();
    });
}

QString engineText(engine::Result code) {
    std::string text;
    if (engineApi().errorText(code, &text) != engine::code::Ok) return QString();
    return fromEngine(text).trimmed().left(128);
}

// A name is a directory path when it is empty or holds a drive colon or a path separator.
bool isDirectoryPath(const QString& name) {
    return name.isEmpty() || name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('\\')) ||
           name.contains(QLatin1Char('/'));
}

QString paramValue(const QStringList& params, const QString& key) {
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

bool hasParam(const QStringList& params, const QString& key) {
    for (const QString& line : params) {
        if (line.section(QLatin1Char('='), 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void setParam(QStringList& params, const QString& key, const QString& value) {
    for (QString& line : params) {
        if (line.section(QLatin1Char('='), 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            line = key + QLatin1Char('=') + value;
            return;
        }
    }
    params.append(key + QLatin1Char('=') + value);
}

TFieldType fieldTypeOf(engine::FieldType type) {
    switch (type) {
        case engine::FieldType::String:
            return ftString;
        case engine::FieldType::Integer:
            return ftInteger;
        case engine::FieldType::LargeInt:
            return ftLargeint;
        case engine::FieldType::Float:
            return ftFloat;
        case engine::FieldType::Date:
            return ftDate;
        case engine::FieldType::Unknown:
            break;
    }
    return ftUnknown;
}

QString sqlLiteral(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return QLatin1Char('\'') + value.toDate().toString(Qt::ISODate) + QLatin1Char('\'');
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return QString::number(value.toLongLong());
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', 17);
        default:
            return QString::fromStdString(engine::quotedConstant(value.toString().toStdString()));
    }
}

}  // namespace

// ---- Engine errors ------------------------------------------------------------------------------------

void checkEngine(engine::Result result) {
    if (result != engine::code::Ok) throw EDBEngineError(result);
}

EDBEngineError::EDBEngineError(engine::Result errorCode) : EDBEngineError(Build(errorCode)) {}

// The first entry is the failing code with the engine's text for it; the engine's further entries
// follow until it reports no more. The message lists, without repeating a line, the first text (not
// for a server's own message), then for each further entry the engine's text of its code (for the
// local engine) and the entry's own text.
EDBEngineError EDBEngineError::Build(engine::Result errorCode) {
    if (!Session->Active() && errorCode != engine::code::NotInitialised) {
        const QString message = QString::asprintf(
            "An error occurred while attempting to initialize the table engine (error $%.4X)", errorCode);
        return EDBEngineError(message, {TDBError(errorCode, 0, message)});
    }
    std::vector<TDBError> entries{TDBError(errorCode, 0, engineText(errorCode))};
    constexpr std::uint16_t MaxEntries = 256;
    for (std::uint16_t index = 1; index <= MaxEntries; ++index) {
        engine::ErrorEntry entry;
        if (engineApi().errorEntry(index, &entry) != engine::code::Ok || entry.code == engine::code::Ok)
            break;
        entries.emplace_back(entry.code, entry.nativeCode, fromEngine(entry.text).trimmed());
    }
    const bool serverMessage = errorCode == engine::code::ServerMessage;
    QStringList lines;
    const auto addLine = [&lines](const QString& line) {
        if (!line.isEmpty() && !lines.contains(line)) lines.append(line);
    };
    if (!serverMessage) addLine(entries.front().Message());
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].NativeError() == 0 && !serverMessage) addLine(engineText(entries[i].ErrorCode()));
        addLine(entries[i].Message());
    }
    QString message = lines.join(QLatin1Char('\n'));
    if (message.isEmpty()) message = QString::asprintf("Engine error $%.4X", errorCode);
    return EDBEngineError(message, std::move(entries));
}

// ---- TSession -------------------------------------------------------------------------------------------

namespace {
TSession defaultSession;
}
TSession* Session = &defaultSession;

TSession::TSession(QObject* owner) : QObject(owner) {}

void TSession::Open() {
    if (active_) return;
    const auto hourGlass = hourGlassForScope();  // while the engine starts
    // The change journal dates its entries by the program's clock.
    engine::setJournalClock([] {
        return std::chrono::system_clock::time_point(
            std::chrono::milliseconds(runtime::now().toMSecsSinceEpoch()));
    });
    const engine::Result started = engineApi().initialise(engine::StartupRecord{"0009"});
    if (started != engine::code::Ok && started != engine::code::AlreadyInitialised) checkEngine(started);
    engine::SessionHandle handle = engine::NoHandle;
    const engine::Result current = engineApi().currentSession(&handle);
    if (current != engine::code::Ok) {
        engineApi().shutdown();
        checkEngine(current);
    }
    handle_ = handle;
    active_ = true;
}

void TSession::Close() {
    if (!active_) return;
    for (TDatabase* database : databases_) {
        database->Close();
        delete database;
    }
    databases_.clear();
    engineApi().shutdown();
    handle_ = engine::NoHandle;
    active_ = false;
}

void TSession::PostEdits() {
    for (TDatabase* database : databases_) {
        for (TEngineDataSet* dataSet : std::vector<TEngineDataSet*>(database->dataSets_))
            if (dataSet->State() == DataSetState::Edit) dataSet->CheckBrowseMode();
    }
}

TDatabase* TSession::FindDatabase(const QString& name) const {
    for (TDatabase* database : databases_) {
        if (database->DatabaseName().compare(name, Qt::CaseInsensitive) == 0) return database;
    }
    return nullptr;
}

TDatabase* TSession::OpenDatabase(const QString& name) {
    Open();
    TDatabase* database = FindDatabase(name);
    if (!database) {
        database = new TDatabase(this);
        database->temporary_ = true;
        database->keepConnection_ = keepConnections_;
        database->databaseName_ = name;
        databases_.push_back(database);
    }
    if (!database->Connected()) {
        try {
            database->Open();
        } catch (...) {
            if (database->temporary_ && database->users_ == 0) {
                databases_.erase(std::remove(databases_.begin(), databases_.end(), database),
                                 databases_.end());
                delete database;
            }
            throw;
        }
    }
    ++database->users_;
    return database;
}

void TSession::CloseDatabase(TDatabase* database) {
    if (!database || --database->users_ > 0) return;
    database->users_ = 0;
    if (database->keepConnection_) return;
    database->Close();
    if (database->temporary_) {
        databases_.erase(std::remove(databases_.begin(), databases_.end(), database), databases_.end());
        delete database;
    }
}

void TSession::AddPassword(const QString& password) {
    Open();
    checkEngine(engineApi().addPassword(password.toStdString()));
}

void TSession::RemovePassword(const QString& password) {
    Open();
    checkEngine(engineApi().removePassword(password.toStdString()));
}

void TSession::RemoveAllPasswords() {
    Open();
    checkEngine(engineApi().removeAllPasswords());
}

bool TSession::GetPassword() {
    if (OnPassword) {
        bool retry = false;
        OnPassword(this, retry);
        return retry;
    }
    TPasswordDialog dialog(*this);
    return runtime::execDialog(dialog) == QDialog::Accepted;
}

// ---- TDatabase -------------------------------------------------------------------------------------------

TDatabase::TDatabase(QObject* owner) : QObject(owner) {}

TDatabase::~TDatabase() = default;

void TDatabase::SetDatabaseName(const QString& name) {
    if (Connected()) databaseError(data::message::OpenDatabase);
    databaseName_ = name;
}

bool TDatabase::NeedsLogin() const {
    return loginPrompt_ && hasParam(params_, QStringLiteral("USER NAME"));
}

QString TDatabase::AskLogin(const QString& shownName) {
    TLoginDialog dialog(shownName, paramValue(params_, QStringLiteral("USER NAME")));
    if (runtime::execDialog(dialog) != QDialog::Accepted) {
        databaseError(data::message::CannotConnect.arg(shownName));
    }
    setParam(params_, QStringLiteral("USER NAME"), dialog.UserName()->text());
    QString password = dialog.Password()->text();
    dialog.Password()->clear();  // the copy answered is then the only one
    return password;
}

void TDatabase::Login(const QString& shownName) {
    setParam(params_, QStringLiteral("PASSWORD"), AskLogin(shownName));
}

void TDatabase::Open() {
    if (Connected()) return;
    if (databaseName_.isEmpty() && !temporary_) databaseError(data::message::DatabaseNameMissing);
    const bool directory = isDirectoryPath(databaseName_);
    std::optional<std::string> server;
    std::string refusal;
    if (directory) server = engine::serverConnectionIn(databaseName_.toStdString(), &refusal);
    if (!refusal.empty()) databaseError(fromEngine(refusal));
    if (!directory && NeedsLogin()) Login(databaseName_);
    engine::DatabaseHandle handle = engine::NoHandle;
    if (server)
        handle = OpenServer(*server);
    else
        checkEngine(
            engineApi().openDatabase(directory ? std::string() : databaseName_.toStdString(), &handle));
    try {
        if (directory && !server) checkEngine(engineApi().setDirectory(handle, databaseName_.toStdString()));
        std::string type;
        checkEngine(engineApi().databaseType(handle, &type));
        sqlBased_ = type != "STANDARD";
    } catch (...) {
        engineApi().closeDatabase(handle);
        throw;
    }
    handle_ = handle;
}

// A directory whose connection file names a server ledger stands for that server's database: its user logs
// in through the login window, which comes again while the server refuses the login. The password typed
// is kept nowhere once the engine has it: the server's library keeps its own copy for making a lost
// session again, and clears it when the session ends.
engine::DatabaseHandle TDatabase::OpenServer(const std::string& connection) {
    const QString shownName = QString::fromStdString(engine::connectionDatabase(connection));
    if (!hasParam(params_, QStringLiteral("USER NAME")))
        setParam(params_, QStringLiteral("USER NAME"),
                 QString::fromStdString(engine::connectionUser(connection)));
    for (;;) {
        QString typed = loginPrompt_ ? AskLogin(shownName) : paramValue(params_, QStringLiteral("PASSWORD"));
        std::string password = typed.toStdString();
        std::fill(typed.begin(), typed.end(), QChar());
        engine::DatabaseHandle handle = engine::NoHandle;
        const engine::Result opened = engineApi().openServerDatabase(
            connection, paramValue(params_, QStringLiteral("USER NAME")).toStdString(), password, &handle);
        explicit_bzero(password.data(), password.size());
        if (opened == engine::code::PasswordRequired && loginPrompt_) continue;
        checkEngine(opened);
        return handle;
    }
}

void TDatabase::Close() {
    for (TEngineDataSet* dataSet : std::vector<TEngineDataSet*>(dataSets_)) dataSet->DatabaseClosing();
    if (!Connected()) return;
    engineApi().closeDatabase(handle_);
    handle_ = engine::NoHandle;
}

// ---- TEngineDataSet ------------------------------------------------------------------------------------

TEngineDataSet::TEngineDataSet(QObject* owner) : TDataSet(owner) {}

void TEngineDataSet::CheckInactive() const {
    if (Active()) databaseError(data::message::OpenDataSet);
}

void TEngineDataSet::SetDatabaseName(const QString& name) {
    CheckInactive();
    if (database_) databaseError(data::message::OpenDatabase);
    databaseName_ = name;
}

bool TEngineDataSet::CanModify() const {
    return cursor_ != engine::NoHandle && props_.readWrite && !props_.temporary;
}

void TEngineDataSet::AcquireDatabase() {
    if (database_) return;
    database_ = Session->OpenDatabase(databaseName_);
    database_->dataSets_.push_back(this);
}

void TEngineDataSet::ReleaseDatabase() {
    if (!database_) return;
    TDatabase* database = database_;
    database_ = nullptr;
    std::erase(database->dataSets_, this);
    Session->CloseDatabase(database);
}

void TEngineDataSet::CloseForDestruction() {
    SetDestroying();
    try {
        Close();
    } catch (const std::exception&) {
        // A dataset being destroyed has nobody left to tell.
    }
}

void TEngineDataSet::InternalOpen(std::vector<TFieldDef>& defs) {
    AcquireDatabase();
    cursor_ = CreateHandle();
    if (cursor_ == engine::NoHandle) throw ENoResultSet(data::message::NoCursor);
    checkEngine(engineApi().cursorProperties(cursor_, &props_));
    ReadFieldDefs(defs);
}

void TEngineDataSet::ReadFieldDefs(std::vector<TFieldDef>& defs) {
    std::vector<engine::FieldDesc> descs;
    checkEngine(engineApi().fieldDescriptors(cursor_, &descs));
    std::set<std::uint16_t> required;
    for (std::uint16_t index = 1; index <= props_.checkCount; ++index) {
        engine::ValidityCheck check;
        checkEngine(engineApi().validityCheck(cursor_, index, &check));
        if (check.required && !check.hasDefault) required.insert(check.fieldNumber);
    }
    descs_.clear();
    for (const engine::FieldDesc& desc : descs) {
        if (desc.number == 0) continue;
        if (descs_.size() < desc.number) descs_.resize(desc.number);
        descs_[desc.number - 1] = desc;
        defs.push_back(TFieldDef{fromEngine(desc.name), fieldTypeOf(desc.type), desc.size,
                                 required.count(desc.number) > 0, desc.number});
    }
}

void TEngineDataSet::InternalClose() {
    if (cursor_ != engine::NoHandle) engineApi().closeCursor(cursor_);
    cursor_ = engine::NoHandle;
    props_ = engine::CursorProps{};
    descs_.clear();
    CursorClosed();
    if (!HoldsDatabase()) ReleaseDatabase();
}

GetResult TEngineDataSet::GetRecord(RecordBuffer& buffer, GetMode mode) {
    const engine::GetMode engineMode = mode == GetMode::Next    ? engine::GetMode::Next
                                       : mode == GetMode::Prior ? engine::GetMode::Prior
                                                                : engine::GetMode::Current;
    engine::TableEngine& api = engineApi();
    const engine::Result got = api.getRecord(cursor_, engineMode, buffer.data.data());
    switch (got) {
        case engine::code::Ok:
            if (buffer.bookmark.size() != static_cast<qsizetype>(props_.bookmarkSize))
                buffer.bookmark.resize(static_cast<qsizetype>(props_.bookmarkSize));
            checkEngine(api.getBookmark(cursor_, reinterpret_cast<std::uint8_t*>(buffer.bookmark.data())));
            return GetResult::Ok;
        case engine::code::BeforeFirst:
            return GetResult::Bof;
        case engine::code::PastLast:
            return GetResult::Eof;
        case engine::code::RecordGone:
        case engine::code::NoCurrentRecord:
            if (mode == GetMode::Current) return GetResult::Error;
            break;
        default:
            break;
    }
    throw EDBEngineError(got);
}

void TEngineDataSet::InternalFirst() {
    checkEngine(engineApi().setToBegin(cursor_));
}

void TEngineDataSet::InternalLast() {
    checkEngine(engineApi().setToEnd(cursor_));
}

void TEngineDataSet::InternalInitRecord(RecordBuffer& buffer) {
    checkEngine(engineApi().initRecord(cursor_, buffer.data.data()));
}

void TEngineDataSet::InternalEdit(RecordBuffer& buffer) {
    checkEngine(engineApi().lockRecord(cursor_));
    const engine::Result got = engineApi().getRecord(cursor_, engine::GetMode::Current, buffer.data.data());
    if (got != engine::code::Ok) {
        engineApi().releaseLock(cursor_);
        throw EDBEngineError(got);
    }
}

void TEngineDataSet::InternalCancel() {
    checkEngine(engineApi().releaseLock(cursor_));
}

void TEngineDataSet::InternalModify(const RecordBuffer& buffer) {
    checkEngine(engineApi().modifyRecord(cursor_, buffer.data.data()));
}

void TEngineDataSet::InternalInsert(const RecordBuffer& buffer) {
    checkEngine(engineApi().insertRecord(cursor_, buffer.data.data()));
}

void TEngineDataSet::InternalDelete() {
    // The record as the dataset holds it is the one the person saw: the engine keeps a row that another
    // program has changed since.
    const RecordBuffer* shown = ActiveBuffer();
    const engine::Result deleted = engineApi().deleteRecord(cursor_, shown ? shown->data.data() : nullptr);
    if ((deleted >> 8) != 0x22) checkEngine(deleted);
}

// A record that another program deleted still marks a place: the cursor stands there, so the next or
// prior record follows it, and reading or writing the record itself reports that it is gone.
void TEngineDataSet::InternalSetToRecord(const RecordBuffer& buffer) {
    const engine::Result placed = engineApi().setToBookmark(
        cursor_, reinterpret_cast<const std::uint8_t*>(buffer.bookmark.constData()));
    if (placed != engine::code::RecordGone) checkEngine(placed);
}

const engine::FieldDesc& TEngineDataSet::DescOf(const TField& field) const {
    return descs_.at(static_cast<std::size_t>(field.FieldNo() - 1));
}

// Values are read straight from the record layout of the engine (see engine::FieldDesc).
bool TEngineDataSet::ReadField(const TField& field, const RecordBuffer& buffer, void* value) const {
    const engine::FieldDesc& desc = DescOf(field);
    const engine::RecordView record(buffer.data.data());
    if (!record.present(desc)) return false;
    switch (desc.type) {
        case engine::FieldType::String: {
            const std::string_view text = record.text(desc);
            *static_cast<QString*>(value) = QString::fromUtf8(text.data(), qsizetype(text.size()));
            return true;
        }
        case engine::FieldType::Float:
            *static_cast<double*>(value) = record.number(desc);
            return true;
        case engine::FieldType::Integer:
            *static_cast<std::int32_t*>(value) = record.integer(desc);
            return true;
        case engine::FieldType::LargeInt:
            *static_cast<std::int64_t*>(value) = record.largeInt(desc);
            return true;
        case engine::FieldType::Date: {
            const std::optional<std::int32_t> day = record.day(desc);
            if (!day) return false;
            *static_cast<std::int32_t*>(value) = *day;
            return true;
        }
        case engine::FieldType::Unknown:
            break;
    }
    return false;
}

void TEngineDataSet::WriteField(const TField& field, RecordBuffer& buffer, const void* value) {
    const engine::FieldDesc& desc = DescOf(field);
    if (value && desc.type == engine::FieldType::String) {
        const QByteArray text = static_cast<const QString*>(value)->toUtf8();
        checkEngine(engineApi().putField(cursor_, desc.number, buffer.data.data(), text.constData()));
        return;
    }
    checkEngine(engineApi().putField(cursor_, desc.number, buffer.data.data(), value));
}

// ---- TTable ----------------------------------------------------------------------------------------------

TTable::TTable(QObject* owner) : TEngineDataSet(owner) {}

TTable::~TTable() {
    CloseForDestruction();
}

void TTable::SetTableName(const QString& name) {
    CheckInactive();
    tableName_ = name;
}

void TTable::SetReadOnly(bool readOnly) {
    CheckInactive();
    readOnly_ = readOnly;
}

void TTable::SetExclusive(bool exclusive) {
    CheckInactive();
    exclusive_ = exclusive;
}

engine::CursorHandle TTable::CreateHandle() {
    if (tableName_.isEmpty()) databaseError(data::message::TableNameMissing);
    const std::string name = tableName_.left(259).toStdString();
    engine::OpenMode mode = readOnly_ ? engine::OpenMode::ReadOnly : engine::OpenMode::ReadWrite;
    const engine::ShareMode share = exclusive_ ? engine::ShareMode::Exclusive : engine::ShareMode::Shared;
    for (;;) {
        engine::CursorHandle cursor = engine::NoHandle;
        const engine::Result opened = engineApi().openTable(Database()->Handle(), name, mode, share, &cursor);
        if (opened == engine::code::Ok) return cursor;
        if (opened == engine::code::TableReadOnly && mode == engine::OpenMode::ReadWrite) {
            mode = engine::OpenMode::ReadOnly;
            continue;
        }
        if (opened == engine::code::PasswordRequired && Session->GetPassword()) continue;
        throw EDBEngineError(opened);
    }
}

// ---- TSQLLines ------------------------------------------------------------------------------------------

void TSQLLines::Clear() {
    lines_.clear();
    changed_();
}

void TSQLLines::Add(const QString& line) {
    lines_.append(line);
    changed_();
}

const QString& TSQLLines::Strings(int index) const {
    if (index < 0 || index >= Count()) throw EListError(data::message::ListIndex.arg(index));
    return lines_[index];
}

QString TSQLLines::Text() const {
    QString text;
    for (const QString& line : lines_) text += line + QLatin1String("\r\n");
    return text;
}

void TSQLLines::SetText(const QString& text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normalised.endsWith(QLatin1Char('\n'))) normalised.chop(1);
    lines_ = text.isEmpty() ? QStringList() : normalised.split(QLatin1Char('\n'));
    changed_();
}

void TSQLLines::Assign(const QStringList& lines) {
    lines_ = lines;
    changed_();
}

void TSQLLines::Assign(const std::vector<std::string>& lines) {
    lines_.clear();
    for (const std::string& line : lines) lines_.append(QString::fromStdString(line));
    changed_();
}

// ---- TQuery -----------------------------------------------------------------------------------------------

TQuery::TQuery(QObject* owner) : TEngineDataSet(owner), sql_([this] { SQLChanged(); }) {}

TQuery::~TQuery() {
    CloseForDestruction();
    FreeStatement();
    ReleaseDatabase();
}

void TQuery::SetRequestLive(bool live) {
    CheckInactive();
    if (live == requestLive_) return;
    requestLive_ = live;
    UnPrepare();
}

TParam& TQuery::ParamByName(const QString& name) {
    for (TParam& param : params_) {
        if (param.Name.compare(name, Qt::CaseInsensitive) == 0) return param;
    }
    databaseError(data::message::ParameterNotFound.arg(name));
}

void TQuery::SQLChanged() {
    if (!Loading()) {
        Close();
        UnPrepare();
    }
    ParseParams();
    if (!Loading()) DataEvent(::DataEvent::PropertyChange);
}

void TQuery::ParseParams() {
    const QString raw = sql_.Text();
    pieces_.clear();
    paramOrder_.clear();
    if (!paramCheck_) {
        pieces_.push_back(raw);
        text_ = raw;
        return;
    }
    ScannedSql scanned = scanParams(raw);
    pieces_ = std::move(scanned.pieces);
    paramOrder_ = std::move(scanned.names);

    text_ = pieces_.front();
    for (std::size_t i = 1; i < pieces_.size(); ++i) text_ += QLatin1Char('?') + pieces_[i];

    std::vector<TParam> params;
    for (const QString& name : paramOrder_) {
        const bool known =
            std::any_of(params.begin(), params.end(), [&](const TParam& p) { return p.Name == name; });
        if (known) continue;
        TParam param{name, QVariant()};
        for (const TParam& old : params_) {
            if (old.Name == name) param.Value = old.Value;
        }
        params.push_back(param);
    }
    params_ = std::move(params);
}

bool TQuery::ParamsHaveValues() const {
    return std::none_of(params_.begin(), params_.end(), [](const TParam& p) { return p.IsNull(); });
}

QString TQuery::BoundText() const {
    if (paramOrder_.empty()) return text_;
    Q_ASSERT(pieces_.size() == paramOrder_.size() + 1);
    QString text = pieces_.front();
    for (std::size_t i = 0; i < paramOrder_.size(); ++i) {
        const auto param = std::find_if(params_.begin(), params_.end(),
                                        [&](const TParam& p) { return p.Name == paramOrder_[i]; });
        if (param == params_.end() || param->IsNull()) {
            databaseError(data::message::ParameterWithoutValue.arg(paramOrder_[i]));
        }
        text += sqlLiteral(param->Value) + pieces_[i + 1];
    }
    return text;
}

void TQuery::Prepare() {
    CheckInactive();
    PrepareStatement();
    explicitPrepare_ = true;
}

void TQuery::PrepareStatement() {
    if (Prepared()) return;
    AcquireDatabase();
    try {
        if (text_.trimmed().size() < 2) databaseError(data::message::NoSqlStatement);
        engine::TableEngine& api = engineApi();
        checkEngine(api.allocateStatement(Database()->Handle(), &statement_));
        checkEngine(
            api.setStatementProperty(statement_, engine::StatementProperty::LiveWanted, requestLive_));
        // Only the liveness changes the result; the engine accepts the other properties and ignores them.
        if (Database()->IsSQLBased()) {
            checkEngine(api.setStatementProperty(statement_, engine::StatementProperty::UniDirectional, 0));
        } else {
            checkEngine(
                api.setStatementProperty(statement_, engine::StatementProperty::NoAuxiliaryTables, 1));
            checkEngine(api.setStatementProperty(statement_, engine::StatementProperty::Constrained,
                                                 requestLive_ && constrained_));
            checkEngine(api.setStatementProperty(statement_, engine::StatementProperty::ReadOnlyAnswers, 1));
        }
        // Values not set yet are bound when the query opens.
        PrepareText(ParamsHaveValues() ? BoundText() : text_);
    } catch (...) {
        FreeStatement();
        ReleaseDatabase();
        throw;
    }
}

void TQuery::PrepareText(const QString& text) {
    preparedText_.clear();
    const std::string sql = text.toStdString();
    for (;;) {
        const engine::Result prepared = engineApi().prepare(statement_, sql);
        if (prepared == engine::code::PasswordRequired && Session->GetPassword()) continue;
        checkEngine(prepared);
        break;
    }
    preparedText_ = text;
}

void TQuery::FreeStatement() {
    if (statement_ != engine::NoHandle) engineApi().freeStatement(statement_);
    statement_ = engine::NoHandle;
    preparedText_.clear();
    explicitPrepare_ = false;
}

void TQuery::UnPrepare() {
    if (Active()) {
        explicitPrepare_ = false;
        return;
    }
    FreeStatement();
    ReleaseDatabase();
}

engine::CursorHandle TQuery::CreateHandle() {
    if (sql_.Count() == 0) databaseError(data::message::NoSqlStatement);
    PrepareStatement();
    // The parameters' values as they are now; a statement prepared with other values is prepared again.
    const QString bound = BoundText();
    if (bound != preparedText_) PrepareText(bound);
    engine::CursorHandle cursor = engine::NoHandle;
    checkEngine(engineApi().execute(statement_, &cursor));
    return cursor;
}

void TQuery::DatabaseClosing() {
    Close();
    UnPrepare();
}

void TQuery::CursorClosed() {
    if (!explicitPrepare_) FreeStatement();
}
