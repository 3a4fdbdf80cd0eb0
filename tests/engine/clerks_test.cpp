// Four clerks, each a process of its own, posting day-entry rows on one server ledger at once for
// KOVREL_CLERK_SECONDS seconds (10 unless set; 60 is the full run): every posted row is stored once,
// every refused refresh was reported to its clerk, and the balances agree with the rows posted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/Clerk.h"
#include "tests/ServerLedger.h"

namespace {

TEST(FourClerks, EveryPostIsStoredOnceEveryConflictIsReportedAndTheBalancesAgree) {
    if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
    servertest::ServerLedger ledger;
    std::string error;
    ASSERT_TRUE(ledger.create(&error)) << error;
    const auto names = clerks::workers();
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(
            ledger.run("INSERT INTO kovrel (redbroj, prezimeime, razlog, dobijeni, stanjedana) VALUES (" +
                           std::to_string(i + 1) + ", '" + names[i] + "', 'PRENOS', " +
                           std::to_string(clerks::CarryOver) + ", " + std::to_string(clerks::CarryOver) + ")",
                       &error))
            << error;
    }
    const char* configured = std::getenv("KOVREL_CLERK_SECONDS");
    const double seconds = configured ? std::atof(configured) : 10;
    setenv("KOVREL_CLERK_LEDGER", ledger.connection().c_str(), 1);
    const auto outcomes =
        clerks::runClerks(std::filesystem::read_symlink("/proc/self/exe").string(), 4, seconds);

    std::vector<long> perWorker(names.size(), 0);
    long posted = 0, conflicts = 0;
    for (std::size_t clerk = 0; clerk < outcomes.size(); ++clerk) {
        EXPECT_EQ(outcomes[clerk].failures, 0) << "clerk " << clerk + 1;
        EXPECT_GT(outcomes[clerk].posted, 0) << "clerk " << clerk + 1;
        posted += outcomes[clerk].posted;
        conflicts += outcomes[clerk].conflicts;
        for (std::size_t w = 0; w < names.size() && w < outcomes[clerk].perWorker.size(); ++w)
            perWorker[w] += outcomes[clerk].perWorker[w];
    }

    std::map<double, int> tags;
    std::map<std::string, double> firstBalance;
    ASSERT_EQ(engine::readServerLedgerRows(
                  ledger.connection(),
                  [&](const engine::LedgerValues& row) {
                      if (const double* tag = std::get_if<double>(&row[0])) ++tags[*tag];
                      const std::string name = std::get<std::string>(row[3]);
                      if (!firstBalance.count(name)) firstBalance[name] = std::get<double>(row[7]);
                  },
                  &error),
              engine::code::Ok)
        << error;
    EXPECT_EQ(static_cast<long>(tags.size()), posted) << "rows stored with a clerk's tag";
    for (std::size_t clerk = 0; clerk < outcomes.size(); ++clerk) {
        for (long n = 1; n <= outcomes[clerk].posted; ++n)
            EXPECT_EQ(tags[(clerk + 1) * 1e6 + double(n)], 1) << "clerk " << clerk + 1 << ", post " << n;
    }
    clerks::Desk desk(ledger.connection(), servertest::serverPassword());
    for (std::size_t w = 0; w < names.size(); ++w) {
        const double expected = clerks::CarryOver - double(perWorker[w]);
        EXPECT_EQ(desk.firstNumber(ledger::balanceSql(names[w])), expected) << names[w];
        EXPECT_EQ(firstBalance[names[w]], expected) << names[w] << ": the balance in the worker's first row";
    }
    std::printf(
        "four clerks, %.0f s: %ld rows posted (%.1f a second), %ld refreshes refused and tried again\n",
        seconds, posted, double(posted) / seconds, conflicts);
    testing::Test::RecordProperty("posts", std::to_string(posted));
    testing::Test::RecordProperty("conflicts", std::to_string(conflicts));
}

}  // namespace
