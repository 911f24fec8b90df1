// Errors of the core library itself that nobody handled, caught by the checks
// the frame runs before and after each test body.
#include "ReportText.h"
#include "ScriptedTest.h"

using namespace testsettest;
using testsupport::maskTimes;
using testsupport::xmlProblems;

TEST(TestSetLeakCheck, CoreErrorInTheBodyIsReportedAfterTheTest) {
    ReportSession session;
    auto leaky = makeTest("Leaky", [](ScriptedTest&) {
        KxErrorState::throwStdError("Core", "op", "boom", 5);
        return true;
    });
    // The verdict is taken before the after-test check runs, and kxErrors do
    // not fail a test, so the leak shows as an error in the report only.
    EXPECT_TRUE(session.run(*leaky));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    Counts counts;
    counts.kxErrors = 1;
    counts.errors = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          kxErrorRecord("Core::op", "boom") +
                              record("Error", "TestSet::executeW", "verifyA",
                                     "1 KxError Leak(s) detected  after test") +
                              values("", "Scripted check", "Leaky"),
                          counts));
}

TEST(TestSetLeakCheck, SeveralCoreErrorsCountAsOneLeakError) {
    ReportSession session;
    auto leaky = makeTest("Leakier", [](ScriptedTest&) {
        KxErrorState::throwStdError("Core", "first", "one", 1);
        KxErrorState::throwStdError("Core", "second", "two", 2);
        return true;
    });
    session.run(*leaky);
    const std::string element = nthTestElement(session.close(), 0);
    EXPECT_EQ(occurrences(element, "<KxError>"), 2);
    EXPECT_NE(element.find("<Msg>2 KxError Leak(s) detected  after test</Msg>"), std::string::npos) << element;
    EXPECT_NE(element.find("<KxErrors>2</KxErrors>"), std::string::npos);
    EXPECT_NE(element.find("<Errors>1</Errors>"), std::string::npos);
}

TEST(TestSetLeakCheck, CoreErrorLeftBeforeTheTestIsReportedInsideIt) {
    ReportSession session;
    KxErrorState::throwStdError("Core", "early", "left over", 9);
    ASSERT_EQ(Rt::gResults->getTestErrors(), 1);

    auto next = makeTest("Next", [](ScriptedTest&) { return true; });
    // The check runs before the counters are taken, so the test itself passes.
    EXPECT_TRUE(session.run(*next));
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    const std::string atRoot = line("  ", "<KxError>") + line("    ", "<Method>Core::early</Method>") +
                               line("    ", "<Desc>left over</Desc>") + line("  ", "</KxError>");
    EXPECT_NE(report.find(atRoot), std::string::npos) << report;
    EXPECT_LT(report.find(atRoot), report.find("<Test id="));
    Counts counts;
    counts.errors = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("Error", "TestSet::executeW", "verifyB",
                                 "1 KxError Leak(s) detected  before test") +
                              values("", "Scripted check", "Next"),
                          counts));
}
