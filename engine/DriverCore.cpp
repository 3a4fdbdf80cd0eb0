// The calls both drivers answer alike: start and stop, error entries and texts, and the calls on cursors.
#include "engine/DriverCore.h"

#include <cstring>

namespace engine {
namespace {

constexpr SessionHandle TheSession = 1;
constexpr std::size_t MaxErrorText = 128;

constexpr CodeText codeTexts[] = {
    {code::BeforeFirst, "At beginning of table."},
    {code::PastLast, "At end of table."},
    {code::RecordGone, "The record no longer exists: it was deleted."},
    {code::NoCurrentRecord, "No current record."},
    {code::AlreadyInitialised, "The table engine is already initialised."},
    {code::NoMoreErrorEntries, "No more error entries."},
    {code::TableReadOnly, "The table can only be opened for reading."},
    {code::PasswordRequired, "A password is required to open the table."},
    {code::LibraryNotFound, "The table engine library cannot be found."},
    {code::LoadFailed, "The table engine library cannot be loaded."},
    {code::OutOfMemory, "Not enough memory."},
    {code::FunctionMissing, "A function of the table engine is missing."},
    {code::NotInitialised, "The table engine is not initialised."},
    {code::ServerMessage, "Message from the database server."},
    {code::FileNotFound, "The table file does not exist."},
    {code::FileOpenFailed, "The table file cannot be opened."},
    {code::NotALedger, "The file is not a ledger table."},
    {code::FileBusy, "The table file is busy: another program holds it locked."},
    {code::WriteFailed, "The change cannot be written to the table file."},
    {code::FileDamaged, "The table file is damaged."},
    {code::CursorReadOnly, "The rows of this cursor are read-only and cannot be changed."},
    {code::RecordChanged, "The record was changed by another user."},
    {code::InvalidHandle, "Invalid handle."},
    {code::InvalidParameter, "Invalid parameter."},
    {code::SqlSyntax, "The SQL statement cannot be run."},
    {code::SqlUnknownTable, "The SQL statement names a table that does not exist."},
    {code::NoStatement, "No SQL statement has been prepared."},
};

}  // namespace

Result DriverCore::begin() {
    errors_.clear();
    if (!initialised_) return fail(code::NotInitialised, "The table engine has not been initialised.");
    return code::Ok;
}

Result DriverCore::fail(Result result, const std::string& text) {
    errors_.push_back(ErrorEntry{result, 0, text});
    return result;
}

Result DriverCore::answer(Result result, const Failure& failure, const char* what) {
    if (result == code::Ok || result == code::PastLast || result == code::BeforeFirst) return result;
    if (!failure.text.empty() && failure.code == result) return fail(failure);
    return fail(result, what);
}

Result DriverCore::initialise(const StartupRecord&) {
    errors_.clear();
    if (initialised_) return code::AlreadyInitialised;
    initialised_ = true;
    return code::Ok;
}

Result DriverCore::currentSession(SessionHandle* session) {
    if (const Result result = begin()) return result;
    *session = TheSession;
    return code::Ok;
}

Result DriverCore::shutdown() {
    errors_.clear();
    cursors_.clear();
    lastCursor_ = {};
    initialised_ = false;
    return code::Ok;
}

Result DriverCore::addPassword(const std::string&) {
    return begin();
}
Result DriverCore::removePassword(const std::string&) {
    return begin();
}
Result DriverCore::removeAllPasswords() {
    return begin();
}

CursorHandle DriverCore::addCursor(std::unique_ptr<Cursor> cursor) {
    const CursorHandle handle = newHandle();
    cursors_.emplace(handle, std::move(cursor));
    return handle;
}

Cursor* DriverCore::cursorOf(CursorHandle handle) {
    // Runs of moves ask for the same cursor again and again.
    if (handle == lastCursor_.first && lastCursor_.second) return lastCursor_.second;
    const auto entry = cursors_.find(handle);
    if (entry == cursors_.end()) return nullptr;
    lastCursor_ = {handle, entry->second.get()};
    return lastCursor_.second;
}

bool DriverCore::dropCursor(CursorHandle handle) {
    if (lastCursor_.first == handle) lastCursor_ = {};
    return cursors_.erase(handle) > 0;
}

template <typename Work>
Result DriverCore::onCursor(CursorHandle handle, Work&& work) {
    if (const Result result = begin()) return result;
    Cursor* cursor = cursorOf(handle);
    if (!cursor) return fail(code::InvalidHandle, "Unknown cursor handle.");
    return work(*cursor);
}

Result DriverCore::cursorProperties(CursorHandle handle, CursorProps* props) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        *props = found.properties();
        return code::Ok;
    });
}

Result DriverCore::fieldDescriptors(CursorHandle handle, std::vector<FieldDesc>* fields) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        *fields = found.layout().fields();
        return code::Ok;
    });
}

Result DriverCore::validityCheck(CursorHandle handle, std::uint16_t index, ValidityCheck*) {
    return onCursor(handle, [&](Cursor&) {
        return fail(code::InvalidParameter,
                    "The cursor has no validity check " + std::to_string(index) + ".");
    });
}

Result DriverCore::setToBegin(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result { return found.setToBegin(); });
}

Result DriverCore::setToEnd(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result { return found.setToEnd(); });
}

Result DriverCore::getRecord(CursorHandle handle, GetMode mode, std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        Failure failure;
        return answer(found.getRecord(mode, record, &failure), failure, "The record cannot be read.");
    });
}

Result DriverCore::getBookmark(CursorHandle handle, std::uint8_t* bookmark) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!bookmark) return fail(code::InvalidParameter, "No bookmark buffer.");
        const Result result = found.getBookmark(bookmark);
        return result == code::Ok ? result : answer(result, {}, "The cursor is not on a record.");
    });
}

Result DriverCore::setToBookmark(CursorHandle handle, const std::uint8_t* bookmark) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!bookmark) return fail(code::InvalidParameter, "No bookmark buffer.");
        Failure failure;
        return answer(found.setToBookmark(bookmark, &failure), failure,
                      "The bookmark does not lead to a record.");
    });
}

Result DriverCore::initRecord(CursorHandle handle, std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        std::memset(record, 0, found.layout().recordSize());
        return code::Ok;
    });
}

Result DriverCore::getField(CursorHandle handle, std::uint16_t fieldNumber, const std::uint8_t* record,
                            void* value, bool* isBlank) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        return answer(found.layout().getField(fieldNumber, record, value, isBlank), {},
                      "No field with that number, or no record buffer.");
    });
}

Result DriverCore::putField(CursorHandle handle, std::uint16_t fieldNumber, std::uint8_t* record,
                            const void* value) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        return answer(found.layout().putField(fieldNumber, record, value), {},
                      "No field with that number, no record buffer, a date outside the years 1 to 9999, or a "
                      "number that is not finite.");
    });
}

Result DriverCore::lockRecord(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!found.properties().readWrite)
            return fail(code::CursorReadOnly, "The cursor's rows are read-only.");
        Failure failure;
        return answer(found.lockRecord(&failure), failure, "The record cannot be edited.");
    });
}

Result DriverCore::releaseLock(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        found.releaseLock();
        return code::Ok;
    });
}

Result DriverCore::modifyRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        Failure failure;
        return answer(found.modifyRecord(record, &failure), failure, "The record cannot be changed.");
    });
}

Result DriverCore::insertRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        Failure failure;
        return answer(found.insertRecord(record, &failure), failure, "The record cannot be inserted.");
    });
}

Result DriverCore::deleteRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        Failure failure;
        return answer(found.deleteRecord(record, &failure), failure, "The record cannot be deleted.");
    });
}

Result DriverCore::closeCursor(CursorHandle handle) {
    if (const Result result = begin()) return result;
    if (!dropCursor(handle)) return fail(code::InvalidHandle, "Unknown cursor handle.");
    return code::Ok;
}

Result DriverCore::errorText(Result result, std::string* text) {
    const char* found = textOfCode(codeTexts, result);
    *text = found ? std::string(found).substr(0, MaxErrorText) : std::string();
    return code::Ok;
}

Result DriverCore::errorEntry(std::uint16_t index, ErrorEntry* entry) {
    if (index < 1 || index > errors_.size()) return code::NoMoreErrorEntries;
    *entry = errors_[index - 1];
    return code::Ok;
}

Result DriverCore::toNative(const std::string&, const std::string& text, std::string* out) {
    *out = text;
    return code::Ok;
}

Result DriverCore::toAnsi(const std::string&, const std::string& text, std::string* out) {
    *out = text;
    return code::Ok;
}

}  // namespace engine
