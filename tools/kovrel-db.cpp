// kovrel-db: the table engine's command-line utility (create, query, seed and check a ledger).
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "data/engine/LedgerFile.h"
#include "tools/EngineSession.h"
#include "tools/Seed.h"
#include "tools/SqlCommand.h"
#include "tools/ValueCheck.h"

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

const char* const usageText =
    "usage: kovrel-db create DIR\n"
    "       kovrel-db sql [--live] DIR [--live] TEXT...\n"
    "       kovrel-db seed DIR --workers N --rows M\n"
    "       kovrel-db check DIR\n"
    "\n"
    "  create  makes a new empty ledger DIR/Kovrel.DB (an existing file is never overwritten)\n"
    "  sql     runs one statement, each TEXT being one of its lines, with DIR as working directory;\n"
    "          prints column names, field types and the rows, tab-separated; --live asks for a\n"
    "          live result and first prints whether it is live or read-only\n"
    "  seed    makes a new ledger of N workers and M rows in all (M >= N > 0), always the same\n"
    "  check   checks the ledger's integrity and shape; exit status 0 when it is sound\n";

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
    if (engine::createLedgerFile(ledgerPath(directory), &error) != engine::code::Ok)
        throw kovreldb::CommandFailure(error);
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

// The engine's verdict on the file's integrity and shape, then the stored values; one verdict at the end.
int check(const std::string& directory) {
    const std::string path = ledgerPath(directory);
    std::string report;
    const bool fileSound = engine::checkLedgerFile(path, &report) == engine::code::Ok;
    if (const auto verdict = report.rfind("\nVerdict:"); verdict != std::string::npos) report.erase(verdict);
    std::vector<std::string> problems;
    if (fileSound) problems = kovreldb::valueProblems(path);
    const bool sound = fileSound && problems.empty();
    std::ostream& out = sound ? std::cout : std::cerr;
    out << report << '\n';
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
    if (command == "sql") return sql(rest);
    if (command == "seed") return seed(rest);
    if (command == "check" && rest.size() == 1) return check(rest[0]);
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
        std::cerr << failure.what() << '\n';
        return exitFailure;
    }
}
