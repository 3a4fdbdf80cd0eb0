// Runs the table engine's tests; the engine needs no application object. Started with --ledger-writer it
// is instead the writer process of the tests that need another program writing the ledger, and started as
// `--clerk N SECONDS` one clerk of the several-clerks test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EngineTestSupport.h"
#include "tests/Clerk.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--ledger-writer") == 0)
        return enginetest::runLedgerWriter(argv[2], static_cast<unsigned>(std::stoul(argv[3])),
                                           std::stoi(argv[4]));
    if (clerks::clerkMain(argc, argv)) return 0;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
