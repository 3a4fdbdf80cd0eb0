// The ledger table's rules and the SQL texts the windows send over it.
#include "ledger/Ledger.h"

#include <cstddef>
#include <ctime>
#include <iterator>

#include "engine/Dates.h"
#include "engine/Engine.h"

namespace ledger {

namespace {

std::string nameCondition(std::string_view name) {
    return "where prezimeime = " + engine::quotedConstant(name);
}

// The year of the annual-leave reports enters a double-quoted LIKE constant; doubling a typed double
// quote keeps it inside the constant, while % and _ keep their pattern meaning.
std::string yearPattern(std::string_view year) {
    return engine::quotedConstant("%" + std::string(year) + "%", '"');
}

const char* const annualLeaveSelect =
    "select distinct prezimeime,razlog, (sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel";

}  // namespace

std::string_view reasonText(ReasonCode code) {
    // In the order of ReasonCode.
    static constexpr std::string_view texts[] = {"PRENOS",        "GO",     "SL.DANI", "OSTATAK OD GO", "BO",
                                                 "DRUGO(OSTALO)", "PLACENO"};
    static_assert(std::size(texts) == static_cast<std::size_t>(ReasonCode::PLACENO) + 1);
    const auto index = static_cast<std::size_t>(code);
    return index < std::size(texts) ? texts[index] : std::string_view();
}

bool countsInBalance(std::string_view razlog) {
    return !razlog.starts_with('G');
}

const std::vector<std::string>& reasonItems() {
    static const std::vector<std::string> items = {"GO", "SL.DANI",       "OSTATAK OD GO",
                                                   "BO", "DRUGO(OSTALO)", "PLACENO"};
    return items;
}

const std::vector<std::string>& partItems() {
    static const std::vector<std::string> items = {"1 DEO", "2 DEO"};
    return items;
}

const std::vector<std::string>& yearItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> years;
        for (int year = 2010; year <= 2020; ++year) years.push_back(std::to_string(year));
        return years;
    }();
    return items;
}

std::vector<std::string> laterYearItems(int currentYear) {
    std::vector<std::string> years;
    for (int year = 2021; year <= currentYear + 1; ++year) years.push_back(std::to_string(year));
    return years;
}

std::vector<std::string> allYearItems(int currentYear) {
    std::vector<std::string> years = yearItems();
    for (std::string& year : laterYearItems(currentYear)) years.push_back(std::move(year));
    return years;
}

std::string compositeReason(std::string_view reason, std::string_view part, std::string_view year,
                            bool oduzmi) {
    const bool annualLeave =
        reason == reasonText(ReasonCode::GO) || reason == reasonText(ReasonCode::OSTATAK_OD_GO);
    std::string text(reason);
    if (annualLeave && !oduzmi) {
        text.append(" ").append(part).append(" ").append(year);
    }
    return text;
}

int workingDays(std::chrono::sys_days first, std::chrono::sys_days last) {
    using namespace std::chrono;
    if (last < first) return 0;
    const auto days = (last - first).count() + 1;
    const auto fullWeeks = days / 7;
    int count = static_cast<int>(fullWeeks * 5);
    for (sys_days day = first + std::chrono::days(fullWeeks * 7); day <= last; day += std::chrono::days(1)) {
        const weekday wd{day};
        if (wd != Saturday && wd != Sunday) ++count;
    }
    return count;
}

int workingDays(std::chrono::year_month_day first, std::chrono::year_month_day last) {
    return workingDays(std::chrono::sys_days{first}, std::chrono::sys_days{last});
}

SqlLines nextWorkerNumberSql() {
    return {"select (max(redbroj)+1) as redbr from kovrel"};
}

SqlLines transactionNumberSql(std::string_view name) {
    return {"select (count(prezimeime)+1) as transakcija from kovrel", nameCondition(name)};
}

SqlLines nameListSql() {
    return {"select distinct prezimeime from kovrel"};
}

SqlLines workerRowsSql(std::string_view name) {
    return {"select * from kovrel", nameCondition(name)};
}

SqlLines balanceSql(std::string_view name) {
    return {"select (sum(Dobijeni)- sum(Iskorisceni)) as ukupno from kovrel", nameCondition(name),
            "and razlog NOT like \"G%\""};
}

SqlLines balanceReportAllSql() {
    return {"select distinct prezimeime,(sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel",
            "WHERE razlog NOT like \"G%\"", "group by prezimeime "};
}

SqlLines balanceReportOneSql(std::string_view name) {
    return {"select distinct prezimeime, (sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel",
            nameCondition(name), "AND razlog NOT like \"G%\"", "group by prezimeime"};
}

SqlLines annualLeaveReportAllSql(std::string_view year) {
    return {annualLeaveSelect, "WHERE razlog like \"G%\"", "AND RAZLOG LIKE " + yearPattern(year),
            "group by prezimeime,razlog"};
}

SqlLines annualLeaveReportOneSql(std::string_view name, std::string_view year) {
    return {annualLeaveSelect, nameCondition(name), "AND razlog like \"G%\"",
            "AND RAZLOG LIKE  " + yearPattern(year), "group by prezimeime,razlog"};
}

SqlLines absencesSql(std::string_view first, std::string_view last, const std::optional<std::string>& name) {
    SqlLines lines{
        "select PrezimeIme, Od, Do, Razlog from kovrel",
        "where Do >= " + engine::quotedConstant(first) + " and Od <= " + engine::quotedConstant(last),
        "and Iskorisceni is not null"};
    if (name) lines.push_back("and PrezimeIme = " + engine::quotedConstant(*name));
    lines.push_back("order by Do, Od");
    return lines;
}

SqlLines journalSql(const JournalFilter& filter) {
    SqlLines lines{"select Vreme, Korisnik, Racunar, Operacija, Kljuc, PrezimeIme, Staro, Novo from dnevnik"};
    const auto condition = [&lines](const std::string& text) {
        lines.push_back((lines.size() == 1 ? "where " : "and ") + text);
    };
    if (filter.fromUtc) condition("Vreme >= " + engine::quotedConstant(*filter.fromUtc));
    if (filter.toUtc) condition("Vreme < " + engine::quotedConstant(*filter.toUtc));
    if (filter.name) condition("PrezimeIme = " + engine::quotedConstant(*filter.name));
    lines.push_back("order by rowid desc");
    if (filter.limit) lines.push_back("limit " + std::to_string(*filter.limit));
    return lines;
}

SqlLines journalNamesSql() {
    return {"select distinct PrezimeIme from dnevnik", "where PrezimeIme is not null", "order by PrezimeIme"};
}

std::string utcStartOfLocalDay(std::chrono::year_month_day day) {
    std::tm local{};
    local.tm_year = static_cast<int>(day.year()) - 1900;
    local.tm_mon = static_cast<int>(static_cast<unsigned>(day.month())) - 1;
    local.tm_mday = static_cast<int>(static_cast<unsigned>(day.day()));
    local.tm_isdst = -1;
    return engine::utcText(std::chrono::system_clock::from_time_t(std::mktime(&local)),
                           engine::UtcStyle::Milliseconds);
}

SqlLines initialTransactionNumberSql() {
    return {"select (count(prezimeime)+1) as transakcija from kovrel"};
}

SqlLines initialWorkerRowsSql() {
    return {"select * from kovrel"};
}

SqlLines initialBalanceSql() {
    return {"select (sum(Dobijeni) - sum(iskorisceni) ) as ukupno from kovrel"};
}

std::string sqlText(const SqlLines& lines) {
    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    return text;
}

}  // namespace ledger
