// kovrel-db: the table engine's command-line utility (create, query, seed, check and copy a ledger).
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "engine/LedgerFile.h"
#include "engine/ServerLedger.h"
#include "ledger/Holidays.h"
#include "tools/EngineSession.h"
#include "tools/LedgerCopy.h"
#include "tools/Safekeeping.h"
#include "tools/Seed.h"
#include "tools/SqlCommand.h"

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitNotJudged = 3;

const char* const usageText =
    "usage: kovrel-db create DIR\n"
    "       kovrel-db clerk SERVER ROLE\n"
    "       kovrel-db sql [--live] DIR [--live] TEXT...\n"
    "       kovrel-db seed DIR --workers N --rows M\n"
    "       kovrel-db check DIR\n"
    "       kovrel-db journal DIR [--worker NAME] [--from DATE] [--to DATE]\n"
    "       kovrel-db backups DIR\n"
    "       kovrel-db restore DIR COPY\n"
    "       kovrel-db copy FROM TO\n"
    "       kovrel-db holidays DIR YEAR [--fill]\n"
    "       kovrel-db workdays DIR FROM TO\n"
    "\n"
    "  DIR, FROM and TO name a ledger: the file Kovrel.DB in a directory, or a ledger on a PostgreSQL\n"
    "  server: a directory holding Kovrel.server (and no Kovrel.DB), or a libpq connection string; the\n"
    "  password comes from PGPASSWORD or the password file\n"
    "\n"
    "  create  makes a new empty ledger DIR/Kovrel.DB, or the ledger table on the server with its owning\n"
    "          role and its clerks' group role (an existing file or table is never overwritten)\n"
    "  clerk   makes the server's role ROLE a clerk of the ledger SERVER: a member of its clerks' role\n"
    "  sql     runs one statement, each TEXT being one of its lines, with DIR as working directory;\n"
    "          prints column names, field types and the rows, tab-separated; --live asks for a\n"
    "          live result and first prints whether it is live or read-only\n"
    "  seed    makes a new ledger of N workers and M rows in all (M >= N > 0), always the same\n"
    "  check   checks the ledger's integrity, shape and stored values after rolling back an interrupted\n"
    "          write; exit status 0 when it is sound, 3 when another program holds it locked\n"
    "  journal prints the change journal's entries, newest first, tab-separated; of one worker, and of\n"
    "          the local days from and to DATE (YYYY-MM-DD, both included) when given\n"
    "  backups lists the copies in DIR/backup, newest first, with their time (UTC) and rows\n"
    "  restore puts the copy COPY (its name in DIR/backup, a folder or a file) in place of the ledger,\n"
    "          after copying the ledger itself; refused while a program holds the ledger open\n"
    "  copy    copies every row of FROM into TO (made when missing, else it must be empty) in one\n"
    "          transaction, compares both value for value and checks TO\n"
    "  holidays prints the holiday calendar's days of YEAR, YYYY-MM-DD and name tab-separated; --fill\n"
    "          first adds the state holidays of YEAR that the calendar lacks\n"
    "  workdays prints the working days from FROM to TO (YYYY-MM-DD, both included): Monday to Friday\n"
    "          less the calendar's days among them, as the day entry window counts them\n";

struct UsageError {};

std::string ledgerPath(const std::string& directory) {
    return (std::filesystem::path(directory) / engine::LedgerFileName).string();
}

template <typename Number>
Number positiveNumber(const std::string& text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0) throw UsageError{};
    return value;
}

int create(const std::string& directory) {
    std::string error;
    const auto server = kovreldb::serverLedger(directory);
    if ((server ? engine::createServerLedger(*server, &error)
                : engine::createLedgerFile(ledgerPath(directory), &error)) != engine::code::Ok)
        throw kovreldb::CommandFailure(error);
    return 0;
}

int clerk(const std::string& server, const std::string& role) {
    const auto connection = kovreldb::serverLedger(server);
    if (!connection || role.empty()) throw UsageError{};
    std::string report;
    if (engine::makeServerClerk(*connection, role, &report) != engine::code::Ok)
        throw kovreldb::CommandFailure(report);
    std::cout << report << '\n';
    return 0;
}

int sql(std::vector<std::string> args) {
    // --live may stand before or after DIR.
    const auto optionEnd = args.begin() + std::min<std::ptrdiff_t>(std::ssize(args), 2);
    const auto option = std::find(args.begin(), optionEnd, "--live");
    const bool live = option != optionEnd;
    if (live) args.erase(option);
    if (args.size() < 2) throw UsageError{};
    const std::vector<std::string> lines(args.begin() + 1, args.end());
    kovreldb::runSql(args.front(), lines, live, std::cout);
    return 0;
}

int seed(const std::vector<std::string>& args) {
    if (args.size() != 5 || args[1] != "--workers" || args[3] != "--rows") throw UsageError{};
    const auto workers = positiveNumber<std::uint32_t>(args[2]);
    const auto rows = positiveNumber<std::uint64_t>(args[4]);
    if (rows < workers) throw UsageError{};

    const std::string path = ledgerPath(args[0]);
    const std::uint64_t loaded = kovreldb::seedLedger(path, workers, rows);
    std::cout << loaded << " rows of " << workers << " workers in " << path << '\n';
    return 0;
}

// A day written YYYY-MM-DD.
std::chrono::year_month_day dayArgument(const std::string& text) {
    const auto day = ledger::dateFromIso(text);
    if (!day) throw UsageError{};
    return *day;
}

int holidays(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--fill")) throw UsageError{};
    const int year = positiveNumber<int>(args[1]);
    if (year > 9999) throw UsageError{};
    kovreldb::EngineSession session(args[0]);
    if (args.size() == 3)
        kovreldb::check(session.eng(), ledger::fillStateHolidays(session.eng(), session.database(), year));
    std::vector<ledger::CalendarDay> days;
    kovreldb::check(session.eng(), ledger::readCalendarYear(session.eng(), session.database(), year, &days));
    for (const ledger::CalendarDay& day : days)
        std::cout << ledger::isoDate(day.day) << '\t' << day.name << '\n';
    return 0;
}

int workdays(const std::vector<std::string>& args) {
    if (args.size() != 3) throw UsageError{};
    const auto first = dayArgument(args[1]), last = dayArgument(args[2]);
    kovreldb::EngineSession session(args[0]);
    std::vector<ledger::CalendarDay> calendar;
    kovreldb::check(session.eng(),
                    ledger::readCalendar(session.eng(), session.database(), first, last, &calendar));
    std::cout << ledger::workingDays(first, last, calendar) << '\n';
    return 0;
}

bool holdsBytes(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && std::filesystem::file_size(file, error) > 0;
}

// A copy of a ledger and of the journal an interrupted write left beside it, in a directory of its own
// that goes when the copy does. Opening the copy rolls the write back there, not in the original.
class RecoveredCopy {
  public:
    RecoveredCopy(const std::string& path, const std::string& journal) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kovrel-db-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw kovreldb::CommandFailure(path + ": no room for a recovered copy");
        directory_ = pattern;
        path_ = (directory_ / engine::LedgerFileName).string();
        std::filesystem::copy_file(path, path_);
        std::filesystem::copy_file(journal, path_ + "-journal");
        std::filesystem::permissions(
            path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    ~RecoveredCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    RecoveredCopy(const RecoveredCopy&) = delete;
    RecoveredCopy& operator=(const RecoveredCopy&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::filesystem::path directory_;
    std::string path_;
};

// The engine's verdict on the file's integrity and shape, then the stored values; one verdict at the end.
// An interrupted write is judged as the next open recovers it: the engine's check rolls it back in place,
// and a file this utility may not write is judged on a recovered copy.
int check(const std::string& directory) {
    if (const auto server = kovreldb::serverLedger(directory)) {
        std::string report;
        // The server keeps every value in its column's type, so the shape check covers the values.
        const bool sound = engine::checkServerLedger(*server, &report) == engine::code::Ok;
        (sound ? std::cout : std::cerr) << report << '\n';
        return sound ? 0 : exitFailure;
    }
    const std::string path = ledgerPath(directory);
    const std::string journal = path + "-journal";
    const bool interrupted = holdsBytes(journal);
    std::string report;
    std::string judged = path;
    const engine::Result checked = engine::checkLedgerFile(path, &report);
    // A journal beside a file another program holds locked is that program's write under way.
    if (checked == engine::code::FileBusy) {
        std::cerr << report << '\n';
        return exitNotJudged;
    }
    bool fileSound = checked == engine::code::Ok;
    std::string recovery;
    std::optional<RecoveredCopy> copy;
    if (interrupted && !holdsBytes(journal)) {
        recovery = path + ": an interrupted write was rolled back\n";
    } else if (interrupted && !fileSound) {
        copy.emplace(path, journal);
        judged = copy->path();
        fileSound = engine::checkLedgerFile(judged, &report) == engine::code::Ok;
        for (auto at = report.find(judged); at != std::string::npos;
             at = report.find(judged, at + path.size()))
            report.replace(at, judged.size(), path);
        recovery = path +
                   ": interrupted write, recovered on the next open that may write the file; judged as "
                   "recovered\n";
    }
    if (const auto verdict = report.rfind("\nVerdict:"); verdict != std::string::npos) report.erase(verdict);
    std::vector<std::string> problems;
    std::string unread;
    if (fileSound && engine::storedValueProblems(judged, &problems, &unread) != engine::code::Ok)
        throw kovreldb::CommandFailure(unread);
    const bool sound = fileSound && problems.empty();
    std::ostream& out = sound ? std::cout : std::cerr;
    out << recovery << report << '\n';
    for (const auto& problem : problems) out << problem << '\n';
    if (fileSound)
        out << (problems.empty() ? "every stored value is readable" : "the values above cannot be read")
            << '\n';
    out << (sound ? "Verdict: sound ledger" : "Verdict: not a sound ledger") << '\n';
    return sound ? 0 : exitFailure;
}

int run(const std::vector<std::string>& args) {
    if (args.size() < 2) throw UsageError{};
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "create" && rest.size() == 1) return create(rest[0]);
    if (command == "clerk" && rest.size() == 2) return clerk(rest[0], rest[1]);
    if (command == "sql") return sql(rest);
    if (command == "seed") return seed(rest);
    if (command == "check" && rest.size() == 1) return check(rest[0]);
    if (command == "journal") {
        if (!kovreldb::printJournal(rest[0], {rest.begin() + 1, rest.end()}, std::cout)) throw UsageError{};
        return 0;
    }
    if (command == "backups" && rest.size() == 1)
        return kovreldb::listBackups(rest[0], std::cout, std::cerr) ? 0 : exitFailure;
    if (command == "restore" && rest.size() == 2) {
        kovreldb::restoreBackup(rest[0], rest[1], std::cout);
        return 0;
    }
    if (command == "holidays") return holidays(rest);
    if (command == "workdays") return workdays(rest);
    if (command == "copy" && rest.size() == 2) {
        std::cout << kovreldb::copyLedger(rest[0], rest[1]) << '\n';
        return 0;
    }
    throw UsageError{};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError&) {
        std::cerr << usageText;
        return exitUsage;
    } catch (const kovreldb::CommandFailure& failure) {
        // A ledger named by a connection string may carry its password.
        std::cerr << engine::withoutPasswords(failure.what()) << '\n';
        return exitFailure;
    }
}
