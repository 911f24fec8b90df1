// The real rtrun on real scripts, in a private installation: its report,
// its standard output and its exit status.
#include "Installation.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;
using testsupport::Counts;
using testsupport::ExpectedReport;
using testsupport::readBytes;

namespace {

class E2eRtrunRun : public ::testing::Test {
protected:
    void SetUp() override { install.addLibrary(RT_E2E_LIB_MAIN); }

    RunResult run(const std::vector<std::string>& scripts) {
        std::vector<std::string> args{"--platform", "E2E"};
        args.insert(args.end(), scripts.begin(), scripts.end());
        return install.run(args);
    }
    std::string report() {
        const std::string path = install.reportPath();
        return path.empty() ? std::string() : testsupport::maskTimes(readBytes(path));
    }
    std::string finish(ExpectedReport& expected) {
        return expected.finish(testsupport::hostName(), "E2E", testsupport::coreVersion());
    }
    // The progress lines of a run of the given tests, up to the final counts.
    void expectOutput(const RunResult& result, const std::string& tests, const std::string& counts) {
        const std::string start = "Found: libKxRtE2e80.so\nlibKxRtE2e80.so : Factory\n** Initializing GlobalResults\n";
        EXPECT_EQ(result.out.rfind(start + tests + "rtrun: " + counts + "\n", 0), 0u) << result.out;
    }

    Installation install;
};

TEST_F(E2eRtrunRun, EveryWayOfFailingReachesTheReportAndExitsOne) {
    install.writeScript("mixed.rt",
                        "<Name>mixed</Name>\n"
                        "<Group>\n  <Name>Outcomes</Name>\n  <Desc>one of each</Desc>\n"
                        "  <Test><Title>Pass</Title></Test>\n"
                        "  <Test><Title>Fail</Title><Arg>1</Arg></Test>\n"
                        "  <Test><Title>Warn</Title></Test>\n"
                        "  <Test><Title>Throw</Title></Test>\n"
                        "  <Test><Title>External</Title></Test>\n"
                        "  <Test><Title>Echo</Title><Arg>x &amp; y</Arg><Arg>2</Arg><Ext>big</Ext></Test>\n"
                        "</Group>\n"
                        "<Group>\n  <Name>Second</Name>\n"
                        "  <Test><Title>ExtWarning</Title></Test>\n"
                        "  <Test><Title>CoreError</Title></Test>\n"
                        "  <Test><Title>Missing</Title></Test>\n"
                        "  <Test><Title>ReturnFalse</Title></Test>\n"
                        "</Group>\n");
    RunResult result = run({"mixed.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    expectOutput(result,
                 "Executing Test: Pass\nExecuting Test: Fail\nExecuting Test: Warn\nExecuting Test: Throw\n"
                 "Executing Test: External\nExecuting Test: Echo\nExecuting Test: ExtWarning\n"
                 "Executing Test: CoreError\nExecuting Test: ReturnFalse\n",
                 "3 error(s), 1 warning(s), 1 external error(s), 1 external warning(s), 1 core-library error(s)");
    ExpectedReport expected;
    expected.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "passes", "Pass", {})
        .openTest(2)
        .record("Error", "Fail::executeW", "check", {"value 3 &lt; 4 &amp; &quot;quoted&quot;"})
        .closeTest({"1"}, "", "reports an error", "Fail", Counts{0, 1, 0, 0, 0})
        .openTest(3)
        .record("Warning", "Warn::executeW", "", {"close to the limit"})
        .closeTest({}, "", "only warns", "Warn", Counts{0, 0, 1, 0, 0})
        .openTest(4)
        .record("Error", "TestSet::executeW", "", {"Unknown Exception Occured in Test Throw"})
        .closeTest({}, "", "throws", "Throw", Counts{0, 1, 0, 0, 0})
        .openTest(5)
        .record("ExtError", "External::solve", "", {"solver diverged"})
        .closeTest({}, "", "a solver fails", "External", Counts{0, 0, 0, 1, 0})
        .openTest(6)
        // Script text is not decoded: the argument holds "&amp;" literally.
        .closeTest({"x &amp;amp; y", "2"}, "big", "args=x &amp;amp; y|2 ext=big", "Echo", {})
        .closeGroup("one of each", "Outcomes", Counts{0, 2, 1, 1, 0})
        .openGroup(7)
        .openTest(8)
        .record("ExtWarning", "ExtWarning::solve", "", {"solver slow"})
        .closeTest({}, "", "a solver warns", "ExtWarning", Counts{0, 0, 0, 0, 1})
        .openTest(9)
        .kxError("KxThing::doIt", "broken")
        .record("Error", "TestSet::executeW", "verifyA", {"1 KxError Leak(s) detected  after test"})
        .closeTest({}, "", "leaves a core-library error", "CoreError", Counts{1, 1, 0, 0, 0})
        .openTest(10)
        .closeTest({}, "", "returns false", "ReturnFalse", {})
        // No Desc object: the group keeps the description of the script's previous group.
        .closeGroup("one of each", "Second", Counts{1, 1, 0, 0, 1});
    EXPECT_EQ(report(), finish(expected));
    EXPECT_EQ(testsupport::xmlProblems(install.reportPath()), "");
}

TEST_F(E2eRtrunRun, ProcessDyingMidTestLeavesTheReportCompleteUpToThen) {
    install.writeScript("die.rt",
                        "<Group><Name>G</Name><Test><Title>Pass</Title></Test><Test><Title>Die</Title></Test>"
                        "<Test><Title>Pass</Title></Test></Group>");
    RunResult result = run({"die.rt"});
    EXPECT_EQ(result.status, 7);
    ExpectedReport expected;
    expected.openGroup(0).openTest(1).closeTest({}, "", "passes", "Pass", {}).openTest(2);
    EXPECT_EQ(report(), expected.record("Warning", "Die::executeW", "", {"about to die"}).text());
}

// Only a run with errors leaves an e-mail summary.
TEST_F(E2eRtrunRun, ExitStatusAndMailFollowErrorsAndExternalErrorsOnly) {
    struct Case {
        const char* test;
        int status;
    } cases[] = {{"Pass", 0}, {"Warn", 0},  {"ExtWarning", 0}, {"ReturnFalse", 0},
                 {"Fail", 1}, {"Throw", 1}, {"External", 1},   {"CoreError", 1}};
    for (const Case& c : cases) {
        install.clearResults();
        install.writeScript("one.rt", std::string("<Group><Test><Title>") + c.test + "</Title></Test></Group>");
        RunResult result = run({"one.rt"});
        EXPECT_EQ(result.status, c.status) << c.test << "\n" << result.out << result.err;
        EXPECT_EQ(testsupport::listing(install.results() + "E2E").empty(), c.status == 0) << c.test;
    }
}

TEST_F(E2eRtrunRun, ScriptProblemsGoToStandardErrorAndTheRunGoesOn) {
    install.writeScript("a.rt", "<Group><Name>first</Name><Test><Title>Pass</Title></Test></Group>");
    std::filesystem::create_directory(install.config() + "sub");
    install.writeScript("sub/c.rt", "<Group><Name>third</Name><Test><Title>Echo</Title><Arg>c</Arg></Test></Group>");
    RunResult result = run({"a.rt", "missing.rt", "sub/c.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_EQ(result.err,
              "rtrun: script problem: Could not open file\n"
              "rtrun: script problem: Could not open file: missing.rt\n"
              "rtrun: 2 script problem(s), shown above; the report leaves them out\n");
    expectOutput(result, "Executing Test: Pass\nExecuting Test: Echo\n",
                 "0 error(s), 0 warning(s), 0 external error(s), 0 external warning(s), 0 core-library error(s)");
    const std::string text = report();
    EXPECT_NE(text.find("    <Title>first</Title>\r\n"), std::string::npos);
    EXPECT_NE(text.find("      <Desc>args=c ext=</Desc>\r\n"), std::string::npos);
    EXPECT_NE(text.find("    <Title>third</Title>\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Could not open"), std::string::npos);
}

TEST_F(E2eRtrunRun, SuiteFromTheEnvironmentOrBesideTheProgram) {
    install.writeScript("s.rt", "<Group><Name>env</Name><Test><Title>Pass</Title></Test></Group>");
    RunResult fromEnv =
        install.run({"s.rt"}, {{"KXRT_RELATIVE_PATH", install.suite()}, {"KXRT_PLAT_TARG", "ENV"}}, false);
    EXPECT_EQ(fromEnv.status, 0) << fromEnv.err;
    EXPECT_NE(e2e::fileNameOf(install.reportPath()).find("ENV"), std::string::npos);
    EXPECT_NE(readBytes(install.reportPath()).find("<Platform>ENV</Platform>"), std::string::npos);

    // Without a suite the base is the parent of bin/: the installation's root.
    for (const char* dir : {"Config", "Results", "Scripts", "GoldenData"})
        std::filesystem::create_directory(install.root() + dir);
    testsupport::writeBytes(install.root() + "Config/s.rt",
                            "<Group><Name>beside</Name><Test><Title>Pass</Title></Test></Group>");
    RunResult beside = install.run({"s.rt"}, {{"KXRT_PLAT_TARG", "ROOT"}}, false);
    EXPECT_EQ(beside.status, 0) << beside.err;
    const std::string report = testsupport::onlyFileEndingIn(install.root() + "Results/", ".xml");
    EXPECT_NE(readBytes(report).find("<Title>beside</Title>"), std::string::npos);
}

} // namespace
