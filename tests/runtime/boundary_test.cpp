// The event boundary: what the default error box says and which exceptions it stays silent about.
#include "runtime/Boundary.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "QtPrinters.h"
#include "RecordedMessages.h"
#include "runtime/Exception.h"
#include "runtime/ScopeGuard.h"

namespace {

struct StopCase {
    const char* message;
    const char* shown;
};

class ErrorBoxText : public ::testing::TestWithParam<StopCase> {};

TEST_P(ErrorBoxText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(runtime::errorBoxText(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Messages, ErrorBoxText,
                         ::testing::Values(StopCase{"abc", "abc."}, StopCase{"abc.", "abc."},
                                           StopCase{"abc!", "abc!"}, StopCase{"", ""},
                                           StopCase{"Table is busy,", "Table is busy,"},
                                           StopCase{"Path C:/", "Path C:/."},
                                           StopCase{"value 10", "value 10."}, StopCase{"Ime: ", "Ime: "},
                                           StopCase{"(a)", "(a)"}, StopCase{"ošišan", "ošišan."}));

TEST(Guarded, ShowsTheDefaultErrorBoxWithTheMessageAndGoesOn) {
    RecordedMessages messages;
    runtime::setApplicationTitle(QStringLiteral("Kovrel"));
    const bool finished = runtime::guarded([] { throw Exception(QStringLiteral("Cannot open table")); });
    EXPECT_FALSE(finished);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Error);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Kovrel"));
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Cannot open table."));
}

TEST(Guarded, StaysSilentAboutAnAbort) {
    RecordedMessages messages;
    EXPECT_FALSE(runtime::guarded([] { throw EAbort(); }));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(Guarded, ReportsStandardExceptionsByTheirText) {
    RecordedMessages messages;
    runtime::guarded([] { throw std::runtime_error("disk full!"); });
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("disk full!"));
}

TEST(Guarded, LetsAFinishedHandlerPassWithoutABox) {
    RecordedMessages messages;
    int runs = 0;
    EXPECT_TRUE(runtime::guarded([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(ConnectGuarded, KeepsTheEventLoopRunningAfterAHandlerThrows) {
    RecordedMessages messages;
    QTimer failing;
    failing.setSingleShot(true);
    runtime::connectGuarded(&failing, &QTimer::timeout, &failing,
                            [] { throw EConvertError("'x' is not a valid integer value"); });
    bool laterEventHandled = false;
    failing.start(0);
    QTimer::singleShot(5, [&] { laterEventHandled = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return laterEventHandled; }, 2000));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("'x' is not a valid integer value."));
}

}  // namespace

// The work done on the way out of a scope runs on every way out. Its failure is the scope's own, unless a
// failure is already leaving the scope, which then goes on: a failing restore never ends the program.
TEST(ScopeGuard, RunsOnEveryWayOutAndAFailureOfItsOwnNeverEndsTheProgram) {
    int runs = 0;
    {
        const runtime::ScopeGuard guard([&] { ++runs; });
    }
    EXPECT_THROW(([&] {
                     const runtime::ScopeGuard guard([&] { ++runs; });
                     throw std::runtime_error("work");
                 }()),
                 std::runtime_error);
    EXPECT_THROW(([] {
                     const runtime::ScopeGuard guard([] { throw std::logic_error("restore"); });
                     throw std::runtime_error("work");
                 }()),
                 std::runtime_error);
    EXPECT_THROW(([] { const runtime::ScopeGuard guard([] { throw std::logic_error("restore"); }); }()),
                 std::logic_error);
    EXPECT_EQ(runs, 2);
}
