// Tables and SQL queries over the table engine: the session and its databases, the engine-backed
// dataset, TTable, TQuery and the engine's error reports.
#pragma once

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "data/Db.h"
#include "engine/Engine.h"

// One entry of an engine error report.
class TDBError {
  public:
    TDBError(engine::Result errorCode, std::int32_t nativeError, QString message)
        : errorCode_(errorCode), nativeError_(nativeError), message_(std::move(message)) {}
    engine::Result ErrorCode() const { return errorCode_; }
    int Category() const { return errorCode_ >> 8; }
    int SubCode() const { return errorCode_ & 0xFF; }
    std::int32_t NativeError() const { return nativeError_; }
    const QString& Message() const { return message_; }

  private:
    engine::Result errorCode_;
    std::int32_t nativeError_;
    QString message_;
};

// A failure reported by the table engine, with the engine's entries and their texts as the message.
class EDBEngineError : public EDatabaseError {
  public:
    // Reads the engine's texts and further entries for `errorCode` (see the class comment in the .cpp).
    explicit EDBEngineError(engine::Result errorCode);
    QString ClassName() const override { return QStringLiteral("EDBEngineError"); }
    int ErrorCount() const { return static_cast<int>(errors_.size()); }
    const TDBError& Errors(int index) const { return errors_.at(static_cast<std::size_t>(index)); }

  private:
    EDBEngineError(QString message, std::vector<TDBError> errors)
        : EDatabaseError(std::move(message)), errors_(std::move(errors)) {}
    static EDBEngineError Build(engine::Result errorCode);
    std::vector<TDBError> errors_;
};

// A statement that should have given a result gave no cursor.
class ENoResultSet : public EDatabaseError {
  public:
    using EDatabaseError::EDatabaseError;
    QString ClassName() const override { return QStringLiteral("ENoResultSet"); }
};

// Raises EDBEngineError when `result` is not success.
void checkEngine(engine::Result result);

class TSession;
class TEngineDataSet;

// A connection to the engine's database of one name. The program's name is empty: the standard
// database set to the working directory.
class TDatabase : public QObject {
    Q_OBJECT
  public:
    explicit TDatabase(QObject* owner = nullptr);
    ~TDatabase() override;

    const QString& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString& name);
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool keep) { keepConnection_ = keep; }
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool prompt) { loginPrompt_ = prompt; }
    // Connection parameters of an alias, "NAME=value" lines ("USER NAME", "PASSWORD").
    const QStringList& Params() const { return params_; }
    void SetParams(const QStringList& params) { params_ = params; }
    bool Temporary() const { return temporary_; }
    void SetTemporary(bool temporary) { temporary_ = temporary; }
    bool Connected() const { return handle_ != engine::NoHandle; }
    bool IsSQLBased() const { return sqlBased_; }
    engine::DatabaseHandle Handle() const { return handle_; }
    int DataSetCount() const { return users_; }

    void Open();
    // Closes the datasets that use the database, then the connection.
    void Close();

  private:
    friend class TSession;
    friend class TEngineDataSet;
    bool NeedsLogin() const;
    // Shows the login window; the user name typed goes into the parameters, the password is answered.
    QString AskLogin(const QString& shownName);
    void Login(const QString& shownName);
    engine::DatabaseHandle OpenServer(const std::string& connection);

    QString databaseName_;
    bool keepConnection_ = true;
    bool loginPrompt_ = true;
    QStringList params_;
    bool temporary_ = false;
    bool sqlBased_ = false;
    engine::DatabaseHandle handle_ = engine::NoHandle;
    int users_ = 0;
    std::vector<TEngineDataSet*> dataSets_;
};

// The engine session: started on the first open of any dataset, it keeps the databases in use. The
// engine, like the datasets over it, is used from the user-interface thread alone; nothing here locks.
class TSession : public QObject {
    Q_OBJECT
  public:
    explicit TSession(QObject* owner = nullptr);

    bool Active() const { return active_; }
    // Initialises the engine ("0009"; an engine that is already running counts as started).
    void Open();
    // Closes every database (and the datasets using them) and shuts the engine down; the program
    // calls it once at its end.
    void Close();
    // Posts the edit of a stored row under way in every open dataset, or cancels one in which nothing
    // changed (CheckBrowseMode), as leaving the row would; a post that fails throws. A new row not yet
    // posted is left for closing to drop, as the windows' rule for a row not confirmed has it.
    void PostEdits();
    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool keep) { keepConnections_ = keep; }
    // Inert: nothing in the program sets or reads it. The hourglass shows only while the engine starts
    // (Open), whatever this says.
    bool SQLHourGlass() const { return sqlHourGlass_; }
    void SetSQLHourGlass(bool hourGlass) { sqlHourGlass_ = hourGlass; }
    engine::SessionHandle Handle() const { return handle_; }

    // The open database of `name` (compared without regard to case), made and opened as a temporary
    // one when there is none; counts one more user.
    TDatabase* OpenDatabase(const QString& name);
    // Counts one user less; a database without users is closed unless it keeps its connection.
    void CloseDatabase(TDatabase* database);
    TDatabase* FindDatabase(const QString& name) const;
    const std::vector<TDatabase*>& Databases() const { return databases_; }

    void AddPassword(const QString& password);
    void RemovePassword(const QString& password);
    void RemoveAllPasswords();
    // Asks for a password for a table that needs one: OnPassword when set, else the password window.
    // True when the operation should be tried again.
    bool GetPassword();
    std::function<void(TSession*, bool& retry)> OnPassword;

  private:
    friend class TDatabase;
    bool active_ = false;
    bool keepConnections_ = true;
    bool sqlHourGlass_ = true;
    engine::SessionHandle handle_ = engine::NoHandle;
    std::vector<TDatabase*> databases_;
};

// The program's one session.
extern TSession* Session;

// The dataset over an engine cursor: the record-source operations of TDataSet, the database in use.
class TEngineDataSet : public TDataSet {
    Q_OBJECT
  public:
    explicit TEngineDataSet(QObject* owner = nullptr);

    const QString& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString& name);
    TDatabase* Database() const { return database_; }
    engine::CursorHandle Handle() const { return cursor_; }
    bool CanModify() const override;

  protected:
    // Makes the engine cursor of the dataset's result; NoHandle when the engine gave none.
    virtual engine::CursorHandle CreateHandle() = 0;
    // Called after the cursor was closed.
    virtual void CursorClosed() {}
    // Whether the dataset keeps its database after closing (a prepared query does).
    virtual bool HoldsDatabase() const { return false; }
    void AcquireDatabase();
    void ReleaseDatabase();
    // Closes the dataset as part of destruction (hooks skipped); derived destructors call it.
    void CloseForDestruction();
    // Lets go of the database that is being closed: closes the dataset and frees what it holds there.
    virtual void DatabaseClosing() { Close(); }

    void InternalOpen(std::vector<TFieldDef>& defs) override;
    void InternalClose() override;
    std::size_t RecordSize() const override { return props_.recordSize; }
    GetResult GetRecord(RecordBuffer& buffer, GetMode mode) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalInitRecord(RecordBuffer& buffer) override;
    void InternalEdit(RecordBuffer& buffer) override;
    void InternalCancel() override;
    void InternalModify(const RecordBuffer& buffer) override;
    void InternalInsert(const RecordBuffer& buffer) override;
    void InternalDelete() override;
    void InternalSetToRecord(const RecordBuffer& buffer) override;
    bool ReadField(const TField& field, const RecordBuffer& buffer, void* value) const override;
    void WriteField(const TField& field, RecordBuffer& buffer, const void* value) override;

    void CheckInactive() const;

  private:
    friend class TDatabase;
    void ReadFieldDefs(std::vector<TFieldDef>& defs);
    const engine::FieldDesc& DescOf(const TField& field) const;

    QString databaseName_;
    TDatabase* database_ = nullptr;
    engine::CursorHandle cursor_ = engine::NoHandle;
    engine::CursorProps props_;
    std::vector<engine::FieldDesc> descs_;  // indexed by field number - 1
};

// All rows of one table file, named by TableName (relative names resolve in the database's directory).
class TTable : public TEngineDataSet {
    Q_OBJECT
  public:
    explicit TTable(QObject* owner = nullptr);
    ~TTable() override;

    const QString& TableName() const { return tableName_; }
    void SetTableName(const QString& name);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // Accepted and ignored by this engine (see engine::ShareMode).
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool exclusive);

  protected:
    engine::CursorHandle CreateHandle() override;

  private:
    QString tableName_;
    bool readOnly_ = false;
    bool exclusive_ = false;
};

// The lines of a query's SQL text. Every change is reported to the query.
class TSQLLines {
  public:
    void Clear();
    void Add(const QString& line);
    int Count() const { return static_cast<int>(lines_.size()); }
    const QString& Strings(int index) const;
    // The lines joined, each followed by CR LF.
    QString Text() const;
    // Replaces the lines by those of `text` (split at line breaks).
    void SetText(const QString& text);
    void Assign(const QStringList& lines);
    // The same for lines in UTF-8.
    void Assign(const std::vector<std::string>& lines);

  private:
    friend class TQuery;
    explicit TSQLLines(std::function<void()> changed) : changed_(std::move(changed)) {}
    QStringList lines_;
    std::function<void()> changed_;
};

// A named parameter of a query text (":name"); its value enters the text as an SQL literal.
struct TParam {
    QString Name;
    QVariant Value;
    bool IsNull() const { return !Value.isValid() || Value.isNull(); }
};

// The result of an SQL text. State: unprepared -> prepared (Prepare, or implicitly by Open) -> open;
// Close returns to prepared when Prepare was called, else to unprepared; a change of SQL returns to
// closed and unprepared. Parameter values are bound at each Open, so they may be set after Prepare.
class TQuery : public TEngineDataSet {
    Q_OBJECT
  public:
    explicit TQuery(QObject* owner = nullptr);
    ~TQuery() override;

    TSQLLines& SQL() { return sql_; }
    const TSQLLines& SQL() const { return sql_; }
    // The text handed to the engine: parameters replaced by '?' until they are bound.
    const QString& Text() const { return text_; }
    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool live);
    // Handed to the engine, which ignores it (see StatementProperty).
    bool Constrained() const { return constrained_; }
    void SetConstrained(bool constrained) { constrained_ = constrained; }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool check) { paramCheck_ = check; }
    std::vector<TParam>& Params() { return params_; }
    TParam& ParamByName(const QString& name);
    int ParamCount() const { return static_cast<int>(params_.size()); }

    bool Prepared() const { return statement_ != engine::NoHandle; }
    void Prepare();
    void UnPrepare();

  protected:
    engine::CursorHandle CreateHandle() override;
    void CursorClosed() override;
    bool HoldsDatabase() const override { return Prepared(); }
    void DatabaseClosing() override;

  private:
    void SQLChanged();
    void ParseParams();
    void PrepareStatement();
    // Hands `text` to the engine for the allocated statement.
    void PrepareText(const QString& text);
    void FreeStatement();
    bool ParamsHaveValues() const;
    // The text with every parameter replaced by its value as an SQL literal; raises for one without.
    QString BoundText() const;

    TSQLLines sql_;
    QString text_;
    std::vector<QString> pieces_;  // the text around the parameters: pieces_.size() == params + 1
    std::vector<QString> paramOrder_;
    std::vector<TParam> params_;
    bool requestLive_ = false;
    bool constrained_ = false;
    bool paramCheck_ = true;
    bool explicitPrepare_ = false;
    engine::StatementHandle statement_ = engine::NoHandle;
    QString preparedText_;  // the text the statement holds; empty when its preparation failed
};
