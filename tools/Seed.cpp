// The synthetic ledger: carry-over rows first, then a fixed-seed stream of day entries.
#include "tools/Seed.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <random>

#include "engine/LedgerFile.h"
#include "tools/EngineSession.h"

namespace kovreldb {

namespace {

using namespace std::chrono;

constexpr std::array surnames = {"PETROVIC", "JOVANOVIC", "NIKOLIC",  "MARKOVIC",  "DORDEVIC",  "STOJANOVIC",
                                 "ILIC",     "STANKOVIC", "PAVLOVIC", "MILOSEVIC", "D'ANGELO",  "TODOROVIC",
                                 "SAVIC",    "POPOVIC",   "LAZIC",    "KOVACEVIC", "OBRADOVIC", "VASIC"};
constexpr std::array givenNames = {"MARKO", "JELENA", "NIKOLA", "MILICA", "STEFAN",  "ANA",   "LUKA",
                                   "IVANA", "PETAR",  "MARIJA", "DUSAN",  "SNEZANA", "ZORAN", "BOJANA"};

// Periods begin in the years the year box offers.
const sys_days firstPeriodDay{2010y / January / 1};
const auto periodDays = static_cast<std::size_t>((sys_days{2021y / January / 1} - firstPeriodDay).count());
constexpr std::uint32_t fixedSeed = 20100101;

// What the clerk typed at registration; every seventh worker brings half a day.
double openingDays(std::uint32_t worker) {
    return static_cast<double>(worker % 31) + (worker % 7 == 0 ? 0.5 : 0.0);
}

engine::LedgerValue numberValue(const std::optional<double>& number) {
    return number ? engine::LedgerValue(*number) : engine::LedgerValue();
}

engine::LedgerValue dateValue(const std::optional<year_month_day>& date) {
    if (!date) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(date->year()), unsigned(date->month()),
                  unsigned(date->day()));
    return std::string(text);
}

engine::LedgerValue textValue(const std::string& text) {
    return text.empty() ? engine::LedgerValue() : engine::LedgerValue(text);
}

// The values of a row in the table's stored column order.
engine::LedgerValues storedValues(const ledger::LedgerRow& row) {
    return {numberValue(row.KovrelID),    numberValue(row.RedBroj),    dateValue(row.Datum),
            textValue(row.PrezimeIme),    dateValue(row.Od),           dateValue(row.Do),
            numberValue(row.Dana),        numberValue(row.StanjeDana), textValue(row.Razlog),
            numberValue(row.Transakcije), numberValue(row.Dobijeni),   numberValue(row.Iskorisceni)};
}

}  // namespace

// The stream of day entries: which worker, and the row the day entry window would post for him.
class LedgerSeed::DayEntries {
  public:
    explicit DayEntries(std::uint32_t workers) : workers_(workers), random_(fixedSeed) {}

    std::uint32_t next(ledger::LedgerRow& row) {
        const std::uint32_t worker = pick(workers_);
        const auto& reasons = ledger::reasonItems();
        const std::string& reason = reasons[pick(reasons.size())];
        const bool oduzmi = pick(2) == 1;
        const sys_days from = firstPeriodDay + days(pick(periodDays));
        const sys_days to = from + days(pick(15));
        const year_month_day fromDate{from};
        const std::string& part = ledger::partItems()[pick(2)];
        const std::string year = std::to_string(int(fromDate.year()));

        row = ledger::LedgerRow{};
        row.Razlog = ledger::compositeReason(reason, part, year, oduzmi);
        row.Od = fromDate;
        row.Do = year_month_day{to};
        const double dana = ledger::workingDays(from, to);
        (oduzmi ? row.Iskorisceni : row.Dobijeni) = dana;
        return worker;
    }

  private:
    std::uint32_t pick(std::size_t bound) { return static_cast<std::uint32_t>(random_() % bound); }

    std::uint32_t workers_;
    std::mt19937 random_;
};

LedgerSeed::LedgerSeed(std::uint32_t workers, std::uint64_t rows)
    : workers_(workers), rows_(rows), balances_(workers), entryCounts_(workers), rowCounts_(workers, 1) {
    for (std::uint32_t worker = 0; worker < workers; ++worker) balances_[worker] = openingDays(worker);
    DayEntries preview(workers);
    ledger::LedgerRow row;
    for (std::uint64_t i = workers; i < rows; ++i) {
        const std::uint32_t worker = preview.next(row);
        ++entryCounts_[worker];
        if (ledger::countsInBalance(row.Razlog))
            balances_[worker] += row.Dobijeni.value_or(0) - row.Iskorisceni.value_or(0);
    }
    entries_ = std::make_unique<DayEntries>(workers);
}

LedgerSeed::~LedgerSeed() = default;

bool LedgerSeed::next(ledger::LedgerRow& row) {
    if (given_ == rows_) return false;
    if (given_ < workers_) {
        const auto worker = static_cast<std::uint32_t>(given_);
        row = ledger::LedgerRow{};
        row.RedBroj = worker + 1;
        row.PrezimeIme = workerName(worker);
        row.Razlog = ledger::reasonText(ledger::ReasonCode::PRENOS);
        row.Dobijeni = openingDays(worker);
        if (entryCounts_[worker] > 0) row.StanjeDana = std::nearbyint(balances_[worker]);
    } else {
        const std::uint32_t worker = entries_->next(row);
        row.RedBroj = worker + 1;
        row.PrezimeIme = workerName(worker);
        row.Transakcije = ++rowCounts_[worker];
    }
    ++given_;
    return true;
}

std::string LedgerSeed::workerName(std::uint32_t index) {
    const std::size_t combinations = surnames.size() * givenNames.size();
    std::string name = std::string(surnames[index % surnames.size()]) + " " +
                       givenNames[(index / surnames.size()) % givenNames.size()];
    if (index >= combinations) name += " " + std::to_string(index / combinations + 1);
    return name;
}

std::uint64_t seedLedger(const std::string& path, std::uint32_t workers, std::uint64_t rows) {
    std::string error;
    if (engine::createLedgerFile(path, &error) != engine::code::Ok) throw CommandFailure(error);
    LedgerSeed seed(workers, rows);
    ledger::LedgerRow row;
    const auto next = [&](engine::LedgerValues& values) {
        if (!seed.next(row)) return false;
        values = storedValues(row);
        return true;
    };
    std::uint64_t loaded = 0;
    if (engine::loadLedgerRows(path, next, &loaded, &error) != engine::code::Ok) throw CommandFailure(error);
    return loaded;
}

}  // namespace kovreldb
