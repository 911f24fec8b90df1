// The execution frame of a test: progress line, report element, leak checks, verdict.
#include "support/ReportSession.h"
#include "support/ScriptedTest.h"
#include <chrono>
#include <regex>
#include <stdexcept>
#include <thread>

using namespace testsupport;
using Strings = std::vector<std::string>;

namespace {

bool passes(ScriptedTest&) { return true; }

void raiseToolMessage(KxErrorCode code) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg("Tool", "run", "", "odd output", code));
    message->textList.append("see log");
    KxErrorState::setError(message.get());
}

} // namespace

TEST(TestSetExecute, PassingBodiesWriteCompleteElementsWithArgumentsBeforeExt) {
    ReportSession session;
    auto pass = makeTest("Pass", passes, "Passes quietly");
    std::string progress;
    EXPECT_TRUE(run(*pass, &progress));
    EXPECT_EQ(progress, "Executing Test: Pass\n");
    EXPECT_EQ(pass->bodyRuns, 1);
    EXPECT_EQ(pass->warningCalls, 0);
    EXPECT_EQ(KxPartition::versionMajor() * 10 + KxPartition::versionMinor(), 81);

    auto args = makeTest("Args", passes, "Three & more");
    for (const char* arg : {"first", "second", "third"}) args->addArg(arg);
    args->setExt("a<b");
    EXPECT_TRUE(run(*args));
    // A title without a single-byte form: the progress line says "Unknown", and the
    // report drops the piece of text that holds it.
    const KxString::Unit wide[] = {u'S', 0x263A};
    EXPECT_TRUE(run(*makeTest(KxString(wide, 2), passes, "wide"), &progress));
    EXPECT_EQ(progress, "Executing Test: Unknown\n");

    ExpectedReport expected;
    expected.openTest(0).closeTest({}, "", "Passes quietly", "Pass", {});
    expected.openTest(1).closeTest({"first", "second", "third"}, "a&lt;b", "Three &amp; more", "Args", {});
    expected.openTest(2).closeTest({}, "", "wide", "", {});
    EXPECT_EQ(session.close(), session.whole(expected));
}

TEST(TestSetExecute, ReportStateEOrAThrowingBodyFailsWithExactlyOneErrorRecord) {
    ReportSession session;
    std::string raised;
    auto reporting = makeTest("Failing", [&](ScriptedTest& self) {
        self.reportStateE("value out of range", "second text", "check", "first text");
        raised = describe(KxErrorState::s_pError);
        return true;
    });
    auto throwsStd = makeTest("Thrower", [](ScriptedTest&) -> bool { throw std::runtime_error("boom"); });
    auto throwsInt = makeTest("IntThrower", [](ScriptedTest&) -> bool { throw 42; });
    for (ScriptedTest* test : {reporting.get(), throwsStd.get(), throwsInt.get()}) {
        EXPECT_FALSE(run(*test));
        EXPECT_EQ(test->warningCalls, 1);
        EXPECT_EQ(test->errorsAtWarning, 0) << "the hook must run before the error is counted";
    }
    EXPECT_EQ(raised, "Failing|check|first text|second text|-15|value out of range");

    // The element is completed and closed however the body ended.
    ExpectedReport expected;
    expected.openTest(0).record("Error", "Failing::check", "second text", {"value out of range"});
    expected.closeTest({}, "", "Scripted check", "Failing", {0, 1});
    int id = 1;
    for (const char* title : {"Thrower", "IntThrower"}) {
        expected.openTest(id++)
            .record("Error", "TestSet::executeW", "", {std::string("Unknown Exception Occured in Test ") + title})
            .closeTest({}, "", "Scripted check", title, {0, 1});
    }
    EXPECT_EQ(session.close(), session.whole(expected));
}

TEST(TestSetExecute, OnlyErrorsAndExternalErrorsFailEachTestOnItsOwn) {
    // {title, code raised by the body (0: none), verdict, record type written, counts}
    const struct {
        const char* title;
        KxErrorCode code;
        bool passes;
        const char* type;
        Counts counts;
    } cases[] = {{"Warned", -16, true, "Warning", {0, 0, 1}},
                 {"ExtBroken", -17, false, "ExtError", {0, 0, 0, 1}},
                 {"Clean", 0, true, nullptr, {}},
                 {"ExtWarned", -18, true, "ExtWarning", {0, 0, 0, 0, 1}},
                 {"CoreError", -13, true, nullptr, {}},  // neither counted nor written
                 {"CoreWarning", -14, true, nullptr, {}}};
    ReportSession session;
    ExpectedReport expected;
    int id = 0;
    for (const auto& c : cases) {
        auto test = makeTest(c.title, [&c](ScriptedTest&) {
            if (c.code) raiseToolMessage(c.code);
            return true;
        });
        EXPECT_EQ(run(*test), c.passes) << c.title;
        expected.openTest(id++);
        if (c.type) expected.record(c.type, "Tool::run", "odd output", {"see log"});
        expected.closeTest({}, "", "Scripted check", c.title, c.counts);
    }
    EXPECT_EQ(session.close(), session.whole(expected));
}

// Errors of the core library itself that nobody handled are caught by the
// checks the frame runs before and after each test body.
TEST(TestSetExecute, CoreErrorsLeftBeforeOrInTheBodyAreReportedInsideTheTestAsOneError) {
    ReportSession session;
    KxErrorState::throwStdError("Core", "early", "left over", 9);
    ASSERT_EQ(Rt::gResults->getTestErrors(), 1);
    // The check runs before the counters are taken, so the test itself passes.
    EXPECT_TRUE(run(*makeTest("Next", [](ScriptedTest&) { return true; })));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);
    auto leaky = makeTest("Leaky", [](ScriptedTest&) {
        KxErrorState::throwStdError("Core", "first", "one", 1);
        KxErrorState::throwStdError("Core", "second", "two", 2);
        return true;
    });
    // The verdict is taken before the after-test check runs, and kxErrors do
    // not fail a test, so the leak shows as an error in the report only.
    EXPECT_TRUE(run(*leaky));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);

    ExpectedReport expected;
    expected.kxError("Core::early", "left over").openTest(0);
    expected.record("Error", "TestSet::executeW", "verifyB", {"1 KxError Leak(s) detected  before test"});
    expected.closeTest({}, "", "Scripted check", "Next", {0, 1}).openTest(1);
    expected.kxError("Core::first", "one").kxError("Core::second", "two");
    expected.record("Error", "TestSet::executeW", "verifyA", {"2 KxError Leak(s) detected  after test"});
    expected.closeTest({}, "", "Scripted check", "Leaky", {2, 1});
    EXPECT_EQ(session.close(), session.whole(expected));
}

TEST(TestSetExecute, WithoutResultsNoCommandIsRaisedAndTheBodyDecides) {
    ASSERT_FALSE(Rt::gResults);
    RaisedErrors raised;
    std::string progress;
    EXPECT_TRUE(run(*makeTest("Caf\xe9", passes), &progress));
    EXPECT_EQ(progress, "Executing Test: Caf\xe9\n");
    EXPECT_FALSE(run(*makeTest("Refuses", [](ScriptedTest&) { return false; })));
    EXPECT_EQ(raised.all, Strings{}) << "report commands must never go through the error state";

    // With nobody counting, a raised error cannot fail the test.
    auto complains = makeTest("Complains", [](ScriptedTest& self) {
        self.reportStateE("why", "second", "method", "first");
        return true;
    });
    EXPECT_TRUE(run(*complains));
    KxErrorState::clearError();
    auto lonely = makeTest("Lonely", [](ScriptedTest&) -> bool { throw std::logic_error("x"); });
    EXPECT_FALSE(run(*lonely));
    EXPECT_EQ(lonely->currentAtWarning, "(none)") << "the hook must run before the error is raised";
    EXPECT_EQ(raised.all, (Strings{"Complains|method|first|second|-15|why",
                                   "TestSet|executeW|||-15|Unknown Exception Occured in Test Lonely"}));
}

TEST(TestSetExecute, TimeIsTheBodysDurationInSecondsWithTwoDecimals) {
    ReportSession session;
    EXPECT_TRUE(run(*makeTest("Slow", [](ScriptedTest&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return true;
    })));
    session.close();
    const std::string report = readBytes(session.path());
    std::smatch time;
    ASSERT_TRUE(std::regex_search(report, time, std::regex("<Time>([0-9]+\\.[0-9]{2}) Seconds</Time>"))) << report;
    // At least the slept time. The upper bound is no timing: it only tells seconds from
    // milliseconds (which would read 100), far beyond any stall of a busy machine.
    EXPECT_GE(std::stod(time[1].str()), 0.10);
    EXPECT_LT(std::stod(time[1].str()), 50.0);
}
