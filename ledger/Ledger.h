// The ledger table's rules: its fields, reason codes, composite reason text and SQL catalogue.
// Plain C++ (UTF-8 std::string) so the windows, kovrel-db and the engine tests share one definition.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ledger {

// One row of Kovrel.DB. An empty optional (or an empty text) is an empty value in the table.
struct LedgerRow {
    std::optional<double> KovrelID;
    std::optional<double> RedBroj;
    std::optional<std::chrono::year_month_day> Datum;
    std::string PrezimeIme;
    std::optional<std::chrono::year_month_day> Od;
    std::optional<std::chrono::year_month_day> Do;
    std::optional<double> Dana;
    std::optional<double> StanjeDana;
    std::string Razlog;
    std::optional<double> Transakcije;
    std::optional<double> Dobijeni;
    std::optional<double> Iskorisceni;
};

// The table's field names in their stored order.
inline constexpr std::array<std::string_view, 12> ledgerFieldNames = {
    "KovrelID", "RedBroj",    "Datum",  "PrezimeIme",  "Od",       "Do",
    "Dana",     "StanjeDana", "Razlog", "Transakcije", "Dobijeni", "Iskorisceni"};

// Characters a text field (PrezimeIme, Razlog) holds.
inline constexpr std::size_t ledgerTextSize = 30;

// The leading text of Razlog.
enum class ReasonCode { PRENOS, GO, SL_DANI, OSTATAK_OD_GO, BO, DRUGO_OSTALO, PLACENO };

std::string_view reasonText(ReasonCode code);

// Whether a row with this Razlog enters the free-day balance: every reason not beginning with "G".
bool countsInBalance(std::string_view razlog);

// Items of the day entry window's reason, part and year boxes, in the order shown.
const std::vector<std::string>& reasonItems();
const std::vector<std::string>& partItems();
const std::vector<std::string>& yearItems();
// The years after the year items up to the year after `currentYear`, which the year boxes list after them.
std::vector<std::string> laterYearItems(int currentYear);
// The year items and the later years: every year a year box of the program lists.
std::vector<std::string> allYearItems(int currentYear);

// The Razlog written for a day entry: reason + " " + part + " " + year for a grant ("Oduzmi" not
// checked) of exactly "GO" or "OSTATAK OD GO", otherwise the reason alone.
std::string compositeReason(std::string_view reason, std::string_view part, std::string_view year,
                            bool oduzmi);

// Monday to Friday from `first` to `last`, both included; 0 when `last` lies before `first`.
int workingDays(std::chrono::sys_days first, std::chrono::sys_days last);
int workingDays(std::chrono::year_month_day first, std::chrono::year_month_day last);

// The SQL catalogue: each text as the lines a query's SQL list receives, in order.
using SqlLines = std::vector<std::string>;

SqlLines nextWorkerNumberSql();                                                  // 1
SqlLines transactionNumberSql(std::string_view name);                            // 2
SqlLines nameListSql();                                                          // 3
SqlLines workerRowsSql(std::string_view name);                                   // 4
SqlLines balanceSql(std::string_view name);                                      // 5
SqlLines balanceReportAllSql();                                                  // 6
SqlLines balanceReportOneSql(std::string_view name);                             // 7
SqlLines annualLeaveReportAllSql(std::string_view year);                         // 8
SqlLines annualLeaveReportOneSql(std::string_view name, std::string_view year);  // 9

// The absences that reach into the days from `first` to `last` (ISO texts): the rows with a value in
// Iskorisceni and both Od and Do, of the worker `name` only when one is given, as PrezimeIme, Od, Do,
// Razlog. The ledger's index on Do, Od leads the search.
SqlLines absencesSql(std::string_view first, std::string_view last,
                     const std::optional<std::string>& name = std::nullopt);

// The change journal's entries, newest first: of the worker `name` only when one is given, and of the
// times from `fromUtc` (included) to `toUtc` (excluded) when given, both ISO 8601 texts in UTC; at most
// `limit` entries when given.
struct JournalFilter {
    std::optional<std::string> name;
    std::optional<std::string> fromUtc;
    std::optional<std::string> toUtc;
    std::optional<int> limit;
};
SqlLines journalSql(const JournalFilter& filter);
// The names the journal's entries carry, in alphabetical order.
SqlLines journalNamesSql();
// The first moment of a local calendar day, as the journal writes its times: 'YYYY-MM-DDTHH:MM:SS.000Z'.
std::string utcStartOfLocalDay(std::chrono::year_month_day day);

// The texts the queries hold from their creation until they are first replaced.
SqlLines initialTransactionNumberSql();
SqlLines initialWorkerRowsSql();
SqlLines initialBalanceSql();

// The text a query sends to the engine: every line followed by CR LF.
std::string sqlText(const SqlLines& lines);

}  // namespace ledger
