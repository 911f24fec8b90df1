// The real rtrun on real scripts, in a private installation: its report,
// its standard output and its exit status.
#include "Installation.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;

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
        return path.empty() ? std::string() : maskTimes(readBytes(path));
    }
    // The progress lines of a run of the given tests, up to the final counts.
    void expectOutput(const RunResult& result, const std::string& tests, const std::string& counts) {
        const std::string library = e2e::libraryFile("KxRtE2e80");
        const std::string start = "Found: " + library + "\n" + library + " : Factory\n** Initializing GlobalResults\n";
        EXPECT_EQ(result.out.rfind(start + tests + "rtrun: " + counts + "\n", 0), 0u) << result.out;
    }

    Installation install;
};

// How each kind of record looks is pinned by the frame's own tests; here the
// whole run goes through a loaded library, groups and a process of its own.
TEST_F(E2eRtrunRun, EveryWayOfFailingReachesTheReportAndExitsOne) {
    install.writeScript("mixed.rt",
                        "<Name>mixed</Name>\n"
                        "<Group>\n  <Name>Outcomes</Name>\n  <Desc>one of each</Desc>\n"
                        "  <Test><Title>Pass</Title></Test>\n"
                        "  <Test><Title>Fail</Title><Arg>1</Arg></Test>\n"
                        "  <Test><Title>Warn</Title></Test>\n"
                        "  <Test><Title>External</Title></Test>\n"
                        "  <Test><Title>Echo</Title><Arg>x &amp; y</Arg><Arg>2</Arg><Ext>big</Ext></Test>\n"
                        "</Group>\n"
                        "<Group>\n  <Name>Second</Name>\n  <Test><Title>CoreError</Title></Test>\n</Group>\n");
    RunResult result = run({"mixed.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    expectOutput(result,
                 "Executing Test: Pass\nExecuting Test: Fail\nExecuting Test: Warn\nExecuting Test: External\n"
                 "Executing Test: Echo\nExecuting Test: CoreError\n",
                 "2 error(s), 1 warning(s), 1 external error(s), 0 external warning(s), 1 core-library error(s)");
    ExpectedReport expected;
    expected.openGroup(0).openTest(1).closeTest({}, "", "passes", "Pass", {});
    expected.openTest(2).record("Error", "Fail::executeW", "check", {"value 3 &lt; 4 &amp; &quot;quoted&quot;"});
    expected.closeTest({"1"}, "", "reports an error", "Fail", {0, 1});
    expected.openTest(3).record("Warning", "Warn::executeW", "", {"close to the limit"});
    expected.closeTest({}, "", "only warns", "Warn", {0, 0, 1});
    expected.openTest(4).record("ExtError", "External::solve", "", {"solver diverged"});
    expected.closeTest({}, "", "a solver fails", "External", {0, 0, 0, 1});
    // Script text is not decoded: the argument holds "&amp;" literally.
    expected.openTest(5).closeTest({"x &amp;amp; y", "2"}, "big", "args=x &amp;amp; y|2 ext=big", "Echo", {});
    expected.closeGroup("one of each", "Outcomes", {0, 1, 1, 1, 0}).openGroup(6).openTest(7);
    expected.kxError("KxThing::doIt", "broken");
    expected.record("Error", "TestSet::executeW", "verifyA", {"1 KxError Leak(s) detected  after test"});
    expected.closeTest({}, "", "leaves a core-library error", "CoreError", {1, 1});
    // No Desc object: the group keeps the description of the script's previous group.
    expected.closeGroup("one of each", "Second", {1, 1});
    EXPECT_EQ(report(), expected.finish(hostName(), "E2E", coreVersion()));
    EXPECT_EQ(xmlProblems(install.reportPath()), "");
}

#ifndef _WIN32  // on Windows the libraries unloading at _Exit() close the report as if the test had ended
TEST_F(E2eRtrunRun, ProcessDyingMidTestLeavesTheReportCompleteUpToThen) {
    install.writeScript("die.rt",
                        "<Group><Name>G</Name><Test><Title>Pass</Title></Test><Test><Title>Die</Title></Test>"
                        "<Test><Title>Pass</Title></Test></Group>");
    RunResult result = run({"--in-process", "die.rt"});
    EXPECT_EQ(result.status, 7);
    ExpectedReport expected;
    expected.openGroup(0).openTest(1).closeTest({}, "", "passes", "Pass", {}).openTest(2);
    EXPECT_EQ(report(), expected.record("Warning", "Die::executeW", "", {"about to die"}).text());
}
#endif

// Only a run whose report holds errors leaves an e-mail summary; a body
// returning false fails the run all the same.
TEST_F(E2eRtrunRun, ExitStatusAndMailFollowErrorsAndExternalErrorsOnly) {
    struct Case {
        const char* test;
        int status;
        bool mail;
    } cases[] = {{"Pass", 0, false}, {"Warn", 0, false},  {"ExtWarning", 0, false}, {"ReturnFalse", 1, false},
                 {"Fail", 1, true},  {"Throw", 1, true}, {"External", 1, true},    {"CoreError", 1, true}};
    for (const Case& c : cases) {
        install.clearResults();
        install.writeScript("one.rt", std::string("<Group><Test><Title>") + c.test + "</Title></Test></Group>");
        RunResult result = run({"one.rt"});
        EXPECT_EQ(result.status, c.status) << c.test << "\n" << result.out << result.err;
        EXPECT_EQ(listing(install.results() + "E2E").empty(), !c.mail) << c.test;
    }
}

TEST_F(E2eRtrunRun, ScriptProblemsGoToStandardErrorAndTheNextScriptRuns) {
    install.writeScript("a.rt", "<Group><Name>first</Name><Test><Title>Pass</Title></Test></Group>");
    install.writeScript("broken.rt", "<Group><Name>broken</Name><Test><Title>Fail</Title></Test>");
    std::filesystem::create_directory(install.config() + "sub");
    install.writeScript("sub/c.rt", "<Group><Name>third</Name><Test><Title>Echo</Title><Arg>c</Arg></Test></Group>");
    RunResult result = run({"a.rt", "missing.rt", "broken.rt", "sub/c.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    // A script found nowhere: one line saying where it was looked for.
    EXPECT_EQ(result.err,
              "rtrun: script problem in missing.rt: not found: looked for " + install.config() + "missing.rt and " +
                  (std::filesystem::current_path() / "missing.rt").string() + "\n"
              "rtrun: script problem in broken.rt: TestDriver XML Error: Empty Object Tag\n"
              "rtrun: script problem in broken.rt: TestDriver XML Error: Failed to find close tag for group\n"
              "rtrun: 3 script problem(s), shown above; the report leaves them out\n");
    expectOutput(result, "Executing Test: Pass\nExecuting Test: Echo\n",
                 "0 error(s), 0 warning(s), 0 external error(s), 0 external warning(s), 0 core-library error(s)");
    const std::string text = report();
    EXPECT_NE(text.find("    <Title>first</Title>\r\n"), std::string::npos);
    EXPECT_NE(text.find("      <Desc>args=c ext=</Desc>\r\n"), std::string::npos);
    EXPECT_NE(text.find("    <Title>third</Title>\r\n"), std::string::npos);
    EXPECT_EQ(text.find("broken"), std::string::npos);
    EXPECT_EQ(text.find("Could not open"), std::string::npos);
}

// Without a suite the base is the parent of bin/: the installation's root.
TEST_F(E2eRtrunRun, WithoutASuiteTheBaseIsBesideTheProgram) {
    for (const char* dir : {"Config", "Results", "Scripts", "GoldenData"})
        std::filesystem::create_directory(install.root() + dir);
    writeBytes(install.root() + "Config/s.rt", "<Group><Name>beside</Name><Test><Title>Pass</Title></Test></Group>");
    RunResult beside = install.run({"s.rt"}, {{"KXRT_PLAT_TARG", "ROOT"}}, false);
    EXPECT_EQ(beside.status, 0) << beside.err;
    const std::string report = onlyFileEndingIn(install.root() + "Results/", ".xml");
    EXPECT_NE(readBytes(report).find("<Title>beside</Title>"), std::string::npos);
}

} // namespace
