// Errors of the core library itself that nobody handled, caught by the checks
// the frame runs before and after each test body.
#include "ReportText.h"
#include "ScriptedTest.h"

using namespace testsettest;
using testsupport::maskTimes;

TEST(TestSetLeakCheck, CoreErrorsInTheBodyAreReportedAfterTheTestAsOneError) {
    ReportSession session;
    auto leaky = makeTest("Leaky", [](ScriptedTest&) {
        KxErrorState::throwStdError("Core", "first", "one", 1);
        KxErrorState::throwStdError("Core", "second", "two", 2);
        return true;
    });
    // The verdict is taken before the after-test check runs, and kxErrors do
    // not fail a test, so the leak shows as an error in the report only.
    EXPECT_TRUE(run(*leaky));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);
    EXPECT_EQ(maskTimes(nthTestElement(session.close(), 0)),
              testElement("0000000000",
                          kxErrorRecord("Core::first", "one") + kxErrorRecord("Core::second", "two") +
                              record("Error", "TestSet::executeW", "verifyA",
                                     "2 KxError Leak(s) detected  after test") +
                              values("", "Scripted check", "Leaky"),
                          Counts{2, 1}));
}

TEST(TestSetLeakCheck, CoreErrorLeftBeforeTheTestIsReportedInsideIt) {
    ReportSession session;
    KxErrorState::throwStdError("Core", "early", "left over", 9);
    ASSERT_EQ(Rt::gResults->getTestErrors(), 1);
    // The check runs before the counters are taken, so the test itself passes.
    EXPECT_TRUE(run(*makeTest("Next", [](ScriptedTest&) { return true; })));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);

    const std::string report = session.close();
    const std::string atRoot = line("  ", "<KxError>") + line("    ", "<Method>Core::early</Method>") +
                               line("    ", "<Desc>left over</Desc>") + line("  ", "</KxError>");
    EXPECT_NE(report.find(atRoot), std::string::npos) << report;
    EXPECT_LT(report.find(atRoot), report.find("<Test id="));
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("Error", "TestSet::executeW", "verifyB",
                                 "1 KxError Leak(s) detected  before test") +
                              values("", "Scripted check", "Next"),
                          Counts{0, 1}));
}
