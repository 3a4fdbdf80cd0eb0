// The table engine's operation table: every call answers a 16-bit result code (0 = success,
// high byte = category). No exceptions cross this interface; the data access layer turns codes into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

using Result = std::uint16_t;

// Result codes. The named ones are relied on by the data access layer; the rest are this engine's own.
namespace code {
constexpr Result Ok = 0;
constexpr Result BeforeFirst = 0x2201;         // 8705: get prior before the first record
constexpr Result PastLast = 0x2202;            // 8706: get next past the last record
constexpr Result RecordGone = 0x2203;          // the cursor's record no longer exists
constexpr Result NoCurrentRecord = 0x2204;     // the cursor is not positioned on a record
constexpr Result AlreadyInitialised = 0x2A07;  // 10759
constexpr Result NoMoreErrorEntries = 0x2A06;  // 10758; also "entry missing" at load time
constexpr Result TableReadOnly = 0x2A0B;       // 10763: the table can only be opened for reading
constexpr Result PasswordRequired = 0x2902;    // 10498
constexpr Result LibraryNotFound = 0x2108;     // 8456
constexpr Result LoadFailed = 0x2109;          // 8457
constexpr Result OutOfMemory = 0x2501;         // 9473
constexpr Result FunctionMissing = 0x274F;     // 10063
constexpr Result NotInitialised = 0x2F01;      // 12033
constexpr Result ServerMessage = 0x2EC4;       // 11972: the first entry's text is the server's own
// This engine's own codes.
constexpr Result FileNotFound = 0x2101;      // the table file does not exist
constexpr Result FileOpenFailed = 0x2102;    // the file exists but cannot be opened
constexpr Result NotALedger = 0x2103;        // the file is not a table of this engine
constexpr Result FileBusy = 0x2104;          // another program holds the file locked
constexpr Result WriteFailed = 0x2105;       // a write could not be committed
constexpr Result FileDamaged = 0x2106;       // the table file is damaged: a part of it cannot be read
constexpr Result CursorReadOnly = 0x2A0C;    // a write through a read-only cursor
constexpr Result RecordChanged = 0x2801;     // another program changed the row since it was read
constexpr Result InvalidHandle = 0x2601;     // an unknown or closed handle
constexpr Result InvalidParameter = 0x2602;  // a bad argument (field number, buffer, mode)
constexpr Result SqlSyntax = 0x2E01;         // the SQL text cannot be parsed or run
constexpr Result SqlUnknownTable = 0x2E02;   // the SQL text names a table that has no file
constexpr Result NoStatement = 0x2E03;       // execute before a successful prepare
}  // namespace code

// Field types of cursors and results.
// LargeInt serves a result column whose integers do not all fit Integer's 32 bits.
enum class FieldType : std::uint16_t { Unknown, String, Integer, Float, Date, LargeInt };

// The name the program's tools print for a field type: "ftString", "ftInteger", ...
inline const char* fieldTypeName(FieldType type) {
    constexpr const char* names[] = {"ftUnknown", "ftString", "ftInteger", "ftFloat", "ftDate", "ftLargeint"};
    const auto index = static_cast<std::size_t>(type);
    return index < sizeof names / sizeof *names ? names[index] : names[0];
}

// The most characters of a date a record holds: those of 'YYYY-MM-DD'.
constexpr std::uint32_t DateTextLength = 10;

// Layout of a field inside a record buffer, at `offset`: one indicator byte (1 = value present,
// 0 = empty), then the value: Float a double, Integer an int32_t, LargeInt an int64_t, String `size`
// characters of UTF-8 (at most size * 4 bytes) followed by a terminating zero, Date the stored text
// followed by a terminating zero. A date's stored text is kept whole up to DateTextLength bytes; of a day
// followed by a time of day the day is kept; any other text is empty. getField and putField hand a date
// over as an int32_t day number (1 = 1 January of year 1, 693594 = 30 December 1899): a stored text that
// is not a day reads as empty. putField refuses a Float that is not a finite number, and cuts a String to
// `size` whole characters. `length` is the whole slot in bytes.
struct FieldDesc {
    std::uint16_t number = 0;  // 1-based
    std::string name;
    FieldType type = FieldType::Unknown;
    std::uint16_t size = 0;  // characters for String, 0 otherwise
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct CursorProps {
    std::uint32_t recordSize = 0;
    std::uint32_t bookmarkSize = 0;
    bool readWrite = false;  // opened for reading and writing
    bool temporary = false;  // an answer table (read-only result of a statement)
    std::uint16_t fieldCount = 0;
    std::uint16_t checkCount = 0;  // always 0 for this engine: its tables carry no validity checks
};

struct ValidityCheck {
    std::uint16_t fieldNumber = 0;
    bool required = false;
    bool hasDefault = false;
};

struct ErrorEntry {
    Result code = code::Ok;
    std::int32_t nativeCode = 0;
    std::string text;
};

enum class GetMode { Current, Next, Prior };
enum class OpenMode { ReadWrite, ReadOnly };
// Accepted and ignored by this engine: SQLite's own locking serves every program that opens the file.
enum class ShareMode { Shared, Exclusive };
// What a statement may be told before it runs. Only LiveWanted changes anything: it asks for a result
// that can be written when the statement allows one. The other four are accepted and ignored.
enum class StatementProperty {
    LiveWanted,
    Constrained,        // accepted and ignored
    NoAuxiliaryTables,  // accepted and ignored: the engine makes no auxiliary tables
    ReadOnlyAnswers,    // accepted and ignored: a result that is not live is read-only anyway
    UniDirectional,     // accepted and ignored: every cursor moves both ways
};

struct StartupRecord {
    std::string languageId = "0009";
};

// A day of a ledger's holiday calendar: its date as 'YYYY-MM-DD' and its name.
struct Holiday {
    std::string day;
    std::string name;
    bool operator==(const Holiday&) const = default;
};

// The most characters a holiday's name holds.
constexpr std::size_t HolidayNameSize = 60;

using SessionHandle = std::uint32_t;
using DatabaseHandle = std::uint32_t;
using StatementHandle = std::uint32_t;
using CursorHandle = std::uint32_t;
constexpr std::uint32_t NoHandle = 0;

// The operation table. Records are plain byte buffers of CursorProps::recordSize bytes laid out by
// the cursor's FieldDescs; bookmarks are buffers of CursorProps::bookmarkSize bytes.
class TableEngine {
  public:
    virtual ~TableEngine() = default;

    virtual Result initialise(const StartupRecord& startup) = 0;
    virtual Result currentSession(SessionHandle* session) = 0;
    virtual Result shutdown() = 0;

    virtual Result openDatabase(const std::string& name, DatabaseHandle* db) = 0;
    virtual Result closeDatabase(DatabaseHandle db) = 0;
    virtual Result setDirectory(DatabaseHandle db, const std::string& path) = 0;
    virtual Result databaseType(DatabaseHandle db, std::string* type) = 0;
    // Opens the ledger on a database server: `connection` names the server and database (a libpq
    // connection string without a password), `user` and `password` log in (empty: the connection's own).
    // A refused login answers PasswordRequired. An engine without a server driver answers FunctionMissing.
    virtual Result openServerDatabase(const std::string& connection, const std::string& user,
                                      const std::string& password, DatabaseHandle* db) {
        (void)connection, (void)user, (void)password, (void)db;
        return code::FunctionMissing;
    }

    virtual Result openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                             CursorHandle* cursor) = 0;

    // The days of the ledger's holiday calendar from `first` to `last` ('YYYY-MM-DD', both included), in
    // date order; none from a ledger that has no calendar yet.
    virtual Result readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                                std::vector<Holiday>* days) {
        (void)db, (void)first, (void)last, (void)days;
        return code::FunctionMissing;
    }
    // Removes the days `remove` and then adds `add` to the calendar, journalled, in one committed
    // transaction, adding the calendar to a ledger that lacks it. A day of `add` already in the calendar
    // is left as it is when `keepExisting`, else refused (WriteFailed) with nothing stored; so is a day
    // that is not a date or a name that is empty or longer than HolidayNameSize.
    virtual Result changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                                  const std::vector<std::string>& remove, bool keepExisting) {
        (void)db, (void)add, (void)remove, (void)keepExisting;
        return code::FunctionMissing;
    }
    // Accepted and ignored by this engine: its tables have no passwords.
    virtual Result addPassword(const std::string& password) = 0;
    virtual Result removePassword(const std::string& password) = 0;
    virtual Result removeAllPasswords() = 0;

    virtual Result allocateStatement(DatabaseHandle db, StatementHandle* stmt) = 0;
    virtual Result freeStatement(StatementHandle stmt) = 0;
    virtual Result setStatementProperty(StatementHandle stmt, StatementProperty property, int value) = 0;
    virtual Result prepare(StatementHandle stmt, const std::string& sql) = 0;
    // A statement that yields no rows leaves *cursor at NoHandle.
    virtual Result execute(StatementHandle stmt, CursorHandle* cursor) = 0;

    virtual Result cursorProperties(CursorHandle cursor, CursorProps* props) = 0;
    virtual Result fieldDescriptors(CursorHandle cursor, std::vector<FieldDesc>* fields) = 0;
    // Check `index` (1 to checkCount) of the cursor; this engine has none and answers InvalidParameter.
    virtual Result validityCheck(CursorHandle cursor, std::uint16_t index, ValidityCheck* check) = 0;

    // A fresh cursor lies before its first record. Next from there gives the first record,
    // Prior from past the end the last; BeforeFirst and PastLast leave the cursor at that end.
    virtual Result setToBegin(CursorHandle cursor) = 0;
    virtual Result setToEnd(CursorHandle cursor) = 0;
    virtual Result getRecord(CursorHandle cursor, GetMode mode, std::uint8_t* record) = 0;
    virtual Result getBookmark(CursorHandle cursor, std::uint8_t* bookmark) = 0;
    virtual Result setToBookmark(CursorHandle cursor, const std::uint8_t* bookmark) = 0;

    virtual Result initRecord(CursorHandle cursor, std::uint8_t* record) = 0;
    // `value` points at the value's bytes as laid out in a record (without the indicator byte);
    // a null `value` (or *isBlank true on the way out) means empty.
    virtual Result getField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record,
                            void* value, bool* isBlank) = 0;
    virtual Result putField(CursorHandle cursor, std::uint16_t fieldNumber, std::uint8_t* record,
                            const void* value) = 0;

    // Begins an edit of the cursor's record: its stored values are taken as the ones read. releaseLock
    // ends the edit.
    virtual Result lockRecord(CursorHandle cursor) = 0;
    virtual Result releaseLock(CursorHandle cursor) = 0;
    // Each write is one committed transaction when the call returns; the cursor is then on the record.
    // modifyRecord writes only the fields whose value in `record` differs from the one read, so every
    // other column keeps its stored value as it is. It and deleteRecord write nothing and answer
    // RecordChanged when the row's stored values are no longer those read: the ones taken by lockRecord,
    // else, for a delete given the `record` the caller read, those of that record. Without either, the
    // row as stored now counts as read.
    virtual Result modifyRecord(CursorHandle cursor, const std::uint8_t* record) = 0;
    virtual Result insertRecord(CursorHandle cursor, const std::uint8_t* record) = 0;
    virtual Result deleteRecord(CursorHandle cursor, const std::uint8_t* record) = 0;
    virtual Result closeCursor(CursorHandle cursor) = 0;

    // The text of a code (at most 128 characters), and the entries of the last failing call,
    // counted from 1; an index past the last answers NoMoreErrorEntries.
    virtual Result errorText(Result result, std::string* text) = 0;
    virtual Result errorEntry(std::uint16_t index, ErrorEntry* entry) = 0;

    virtual Result toNative(const std::string& charset, const std::string& text, std::string* out) = 0;
    virtual Result toAnsi(const std::string& charset, const std::string& text, std::string* out) = 0;
};

// `value` between two `quote` characters, each one inside doubled: a single-quoted constant of the SQL
// texts prepare() takes, or with '"' a quoted name (or the dialect's double-quoted constant).
std::string quotedConstant(std::string_view value, char quote = '\'');

// The database type databaseType answers for a ledger on a PostgreSQL server.
constexpr const char* ServerDatabaseType = "POSTGRESQL";

// The process's engine: the SQLite engine, with the server driver beside it for server ledgers, unless a
// test has put another in its place.
TableEngine& currentEngine();
// Replaces the process's engine (tests); passing nullptr restores the SQLite engine.
void setCurrentEngine(std::unique_ptr<TableEngine> replacement);

}  // namespace engine
