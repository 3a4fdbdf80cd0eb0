// Synthetic ledgers for demos and benchmarks, made the way the program's windows make their rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ledger/Ledger.h"

namespace kovreldb {

// A deterministic ledger of `workers` registered workers and `rows` rows in all: first each worker's
// "PRENOS" carry-over row (numbers 1, 2, ...), then day entries spread over the workers with the reason
// box's codes, composite annual-leave texts, periods, their working days and transaction numbers. Each
// worker's carry-over row holds the balance a refresh would have written after his last entry.
// Requires rows >= workers > 0.
class LedgerSeed {
  public:
    LedgerSeed(std::uint32_t workers, std::uint64_t rows);
    ~LedgerSeed();

    // Fills the next row in stored order; false when all rows have been given.
    bool next(ledger::LedgerRow& row);

    static std::string workerName(std::uint32_t index);

  private:
    class DayEntries;

    std::uint32_t workers_;
    std::uint64_t rows_;
    std::uint64_t given_ = 0;
    std::vector<double> balances_;
    std::vector<std::uint32_t> entryCounts_;
    std::vector<std::uint32_t> rowCounts_;
    std::unique_ptr<DayEntries> entries_;
};

// Makes a new ledger file at `path` (never over an existing one) holding LedgerSeed(workers, rows), loaded
// in one transaction. Answers the number of rows stored; throws CommandFailure.
std::uint64_t seedLedger(const std::string& path, std::uint32_t workers, std::uint64_t rows);

}  // namespace kovreldb
