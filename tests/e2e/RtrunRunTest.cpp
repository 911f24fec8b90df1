// The real rtrun on real scripts, in a private installation: its report,
// its standard output and its exit status.
#include "Installation.h"
#include "ReportText.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Counts;
using e2e::ExpectedReport;
using e2e::Installation;
using e2e::RunResult;
using testsupport::maskTimes;
using testsupport::readBytes;

namespace {

const char* kFactoryLines = "Found: libKxRtE2e80.so\nlibKxRtE2e80.so : Factory\n";

std::string version() { return KxVersion::whatString + 4; }

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
    std::string emailFile() { return testsupport::onlyFileEndingIn(install.results() + "E2E/", ".email"); }

    Installation install;
};

TEST_F(E2eRtrunRun, CleanRunExitsZeroWithTheExactReportAndNoMail) {
    install.writeScript("clean.rt",
                        "<Name>clean</Name>\n<Group>\n  <Name>Clean</Name>\n  <Desc>nothing fails</Desc>\n"
                        "  <Test><Title>Pass</Title></Test>\n  <Test><Title>Warn</Title></Test>\n"
                        "  <Test><Title>ExtWarning</Title><Arg>a</Arg></Test>\n</Group>\n");
    RunResult result = run({"clean.rt"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string progress = std::string(kFactoryLines) +
                                 "** Initializing GlobalResults\nExecuting Test: Pass\nExecuting Test: Warn\n"
                                 "Executing Test: ExtWarning\n";
    ASSERT_EQ(result.out.substr(0, progress.size()), progress);
    EXPECT_EQ(result.out.substr(progress.size())
                  .rfind("rtrun: 0 error(s), 1 warning(s), 0 external error(s), "
                         "1 external warning(s), 0 core-library error(s)\n",
                         0),
              0u)
        << result.out;

    const std::string expected = ExpectedReport()
                                     .openGroup(0)
                                     .openTest(1)
                                     .closeTest({}, "", "passes", "Pass", {})
                                     .openTest(2)
                                     .record("Warning", "Warn::executeW", "", "close to the limit")
                                     .closeTest({}, "", "only warns", "Warn", Counts{0, 0, 1, 0, 0})
                                     .openTest(3)
                                     .record("ExtWarning", "ExtWarning::solve", "", "solver slow")
                                     .closeTest({"a"}, "", "a solver warns", "ExtWarning", Counts{0, 0, 0, 0, 1})
                                     .closeGroup("nothing fails", "Clean", Counts{0, 0, 1, 0, 1})
                                     .finish(e2e::hostName(), "E2E", version());
    EXPECT_EQ(report(), expected);
    EXPECT_EQ(testsupport::xmlProblems(install.reportPath()), "");
    EXPECT_EQ(emailFile(), "");
}

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
    const std::string progress = std::string(kFactoryLines) +
                                 "** Initializing GlobalResults\nExecuting Test: Pass\nExecuting Test: Fail\n"
                                 "Executing Test: Warn\nExecuting Test: Throw\nExecuting Test: External\n"
                                 "Executing Test: Echo\nExecuting Test: ExtWarning\nExecuting Test: CoreError\n"
                                 "Executing Test: ReturnFalse\n";
    ASSERT_EQ(result.out.substr(0, progress.size()), progress);
    EXPECT_EQ(result.out.substr(progress.size())
                  .rfind("rtrun: 3 error(s), 1 warning(s), 1 external error(s), "
                         "1 external warning(s), 1 core-library error(s)\n",
                         0),
              0u)
        << result.out;

    const std::string expected =
        ExpectedReport()
            .openGroup(0)
            .openTest(1)
            .closeTest({}, "", "passes", "Pass", {})
            .openTest(2)
            .record("Error", "Fail::executeW", "check", "value 3 &lt; 4 &amp; &quot;quoted&quot;")
            .closeTest({"1"}, "", "reports an error", "Fail", Counts{0, 1, 0, 0, 0})
            .openTest(3)
            .record("Warning", "Warn::executeW", "", "close to the limit")
            .closeTest({}, "", "only warns", "Warn", Counts{0, 0, 1, 0, 0})
            .openTest(4)
            .record("Error", "TestSet::executeW", "", "Unknown Exception Occured in Test Throw")
            .closeTest({}, "", "throws", "Throw", Counts{0, 1, 0, 0, 0})
            .openTest(5)
            .record("ExtError", "External::solve", "", "solver diverged")
            .closeTest({}, "", "a solver fails", "External", Counts{0, 0, 0, 1, 0})
            .openTest(6)
            // Script text is not decoded: the argument holds "&amp;" literally.
            .closeTest({"x &amp;amp; y", "2"}, "big", "args=x &amp;amp; y|2 ext=big", "Echo", {})
            .closeGroup("one of each", "Outcomes", Counts{0, 2, 1, 1, 0})
            .openGroup(7)
            .openTest(8)
            .record("ExtWarning", "ExtWarning::solve", "", "solver slow")
            .closeTest({}, "", "a solver warns", "ExtWarning", Counts{0, 0, 0, 0, 1})
            .openTest(9)
            .kxError("KxThing::doIt", "broken")
            .record("Error", "TestSet::executeW", "verifyA", "1 KxError Leak(s) detected  after test")
            .closeTest({}, "", "leaves a core-library error", "CoreError", Counts{1, 1, 0, 0, 0})
            .openTest(10)
            .closeTest({}, "", "returns false", "ReturnFalse", {})
            // No Desc object: the group keeps the description of the script's previous group.
            .closeGroup("one of each", "Second", Counts{1, 1, 0, 0, 1})
            .finish(e2e::hostName(), "E2E", version());
    EXPECT_EQ(report(), expected);
    EXPECT_EQ(testsupport::xmlProblems(install.reportPath()), "");
}

TEST_F(E2eRtrunRun, ProcessDyingMidTestLeavesTheReportCompleteUpToThen) {
    install.writeScript("die.rt",
                        "<Group><Name>G</Name><Test><Title>Pass</Title></Test><Test><Title>Die</Title></Test>"
                        "<Test><Title>Pass</Title></Test></Group>");
    RunResult result = run({"die.rt"});
    EXPECT_EQ(result.status, 7);
    ExpectedReport expected;
    expected.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "passes", "Pass", {})
        .openTest(2)
        .record("Warning", "Die::executeW", "", "about to die");
    EXPECT_EQ(report(), expected.text());
}

TEST_F(E2eRtrunRun, ExitStatusFollowsErrorsAndExternalErrorsOnly) {
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
        EXPECT_NE(result.out.find(std::string("Executing Test: ") + c.test + "\n"), std::string::npos) << c.test;
    }
}

TEST_F(E2eRtrunRun, MissingScriptBetweenTwoGoodOnesDoesNotStopTheRun) {
    install.writeScript("a.rt", "<Group><Name>first</Name><Test><Title>Pass</Title></Test></Group>");
    std::filesystem::create_directory(install.config() + "sub");
    install.writeScript("sub/c.rt", "<Group><Name>third</Name><Test><Title>Echo</Title><Arg>c</Arg></Test></Group>");
    RunResult result = run({"a.rt", "missing.rt", "sub/c.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_EQ(result.err,
              "rtrun: script problem: Could not open file\n"
              "rtrun: script problem: Could not open file: missing.rt\n"
              "rtrun: 2 script problem(s), shown above; the report leaves them out\n");
    EXPECT_NE(result.out.find("Executing Test: Pass\nExecuting Test: Echo\n"), std::string::npos) << result.out;
    const std::string text = report();
    EXPECT_NE(text.find("    <Title>first</Title>\r\n"), std::string::npos);
    EXPECT_NE(text.find("    <Title>third</Title>\r\n"), std::string::npos);
    EXPECT_NE(text.find("      <Desc>args=c ext=</Desc>\r\n"), std::string::npos);
    // Script problems are core errors: they are not written.
    EXPECT_EQ(text.find("Could not open"), std::string::npos);
}

TEST_F(E2eRtrunRun, UnclosedGroupSkipsTheRestOfItsScriptOnly) {
    install.writeScript("broken.rt",
                        "<Group><Name>ok</Name><Test><Title>Pass</Title></Test></Group>"
                        "<Group><Name>cut</Name><Test><Title>Fail</Title></Test>"
                        "<Test><Title>External</Title></Test>");
    install.writeScript("next.rt", "<Group><Name>next</Name><Test><Title>Echo</Title></Test></Group>");
    RunResult result = run({"broken.rt", "next.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_NE(result.err.find("rtrun: script problem: TestDriver XML Error: Failed to find close tag for group\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find("Executing Test: Fail"), std::string::npos);
    EXPECT_NE(result.out.find("Executing Test: Pass\nExecuting Test: Echo\n"), std::string::npos) << result.out;
    EXPECT_EQ(report().find("cut"), std::string::npos);
}

TEST_F(E2eRtrunRun, ScanningEdgeCasesInARealRun) {
    install.writeScript("empty.rt", "");
    install.writeScript("words.rt", "no objects here at all\n");
    install.writeScript("odd.rt",
                        "<KxFileLoc>c:/models</KxFileLoc><KXFILELOC>c:</KXFILELOC><GROUP>x</GROUP><GROUP></GROUP>"
                        "<Group></Group><Name>x</name>"
                        "<group><Name>first</Name><Name>G</Name><Foo>x</Foo><Test><Title>Pass</Title></Test>"
                        "<Test><Title>Echo</Title><Arg>q</Arg></Group>"
                        "<Group><Test><Title>Echo</Title><Arg>carried</Arg></test><Name>late</Name></group>");
    RunResult result = run({"empty.rt", "words.rt", "odd.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    for (const char* problem : {"TestDriver: Unknown Object", "TestDriver XML Error: Empty Group Object",
                                "TestDriver:/Name != /name", "XML Error: Found Unknown Object: /Foo in group G"})
        EXPECT_NE(result.err.find(std::string("rtrun: script problem: ") + problem + "\n"), std::string::npos)
            << problem << "\n" << result.err;
    EXPECT_NE(result.out.find("** Initializing GlobalResults\nExecuting Test: Pass\nExecuting Test: Echo\nrtrun: "),
              std::string::npos)
        << result.out;
    const std::string text = report();
    const std::string expected = ExpectedReport()
                                     .openGroup(0)
                                     .openTest(1)
                                     .closeTest({}, "", "passes", "Pass", {})
                                     .closeGroup("", "G", {})
                                     .openGroup(2)
                                     .openTest(3)
                                     .closeTest({"carried"}, "", "args=carried ext=", "Echo", {})
                                     .closeGroup("", "late", {})
                                     .finish(e2e::hostName(), "E2E", version());
    EXPECT_EQ(text, expected);
}

TEST_F(E2eRtrunRun, ScriptOfTwoAndAHalfBlocksIsReadWhole) {
    std::string a, b;
    for (int i = 0; i < 1200; ++i) a += static_cast<char>('0' + i % 10);
    const std::string head = "<Group><Name>Long</Name><Test><Title>Echo</Title><Arg>";
    const std::string mid = "</Arg><Arg>";
    const std::string tail = "</Arg><Ext>end</Ext></Test></Group>\n";
    for (std::size_t i = 0, n = 2500 - head.size() - a.size() - mid.size() - tail.size(); i < n; ++i)
        b += static_cast<char>('a' + i % 26);
    const std::string text = head + a + mid + b + tail;
    ASSERT_EQ(text.size(), 2500u);
    install.writeScript("long.rt", text);
    RunResult result = run({"long.rt"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string expected = ExpectedReport()
                                     .openGroup(0)
                                     .openTest(1)
                                     .closeTest({a, b}, "end", "args=" + a + "|" + b + " ext=end", "Echo", {})
                                     .closeGroup("", "Long", {})
                                     .finish(e2e::hostName(), "E2E", version());
    EXPECT_EQ(report(), expected);
}

TEST_F(E2eRtrunRun, RunWithTemplatesLeavesPageStyleFilesAndMail) {
    for (const char* name : {"head.em", "head_d.em", "open.em", "object.em", "close.em", "default.htm", "style.css"})
        testsupport::writeBytes(install.scripts() + name,
                                readBytes(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts/" + name));
    install.writeScript("s.rt",
                        "<Group><Name>Quiet</Name><Test><Title>Pass</Title></Test></Group>"
                        "<Group><Name>Loud</Name><Test><Title>Pass</Title></Test><Test><Title>Fail</Title></Test>"
                        "<Test><Title>External</Title></Test></Group>");
    RunResult result = run({"s.rt"});
    EXPECT_EQ(result.status, 1);
    const std::string page = testsupport::onlyFileEndingIn(install.results(), ".htm");
    ASSERT_NE(page, "");
    EXPECT_NE(readBytes(page).find(e2e::fileNameOf(install.reportPath())), std::string::npos);
    EXPECT_EQ(readBytes(install.results() + "Style/style.css"),
              readBytes(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts/style.css"));
    EXPECT_EQ(testsupport::listing(install.results() + "Style"), "style.css");
    EXPECT_NE(result.out.find("Page: "), std::string::npos);
    EXPECT_NE(result.out.find("E-mail summary: "), std::string::npos);

    const std::string mail = emailFile();
    ASSERT_NE(mail, "");
    const std::string html = readBytes(mail);
    EXPECT_EQ(html.find("Quiet"), std::string::npos);
    EXPECT_NE(html.find("Loud"), std::string::npos);
    EXPECT_NE(html.find("( KxE / E / W / EE / EW )"), std::string::npos);
    EXPECT_NE(html.find("( 0 / 1 / 0 / 0 / 0 )"), std::string::npos);
    EXPECT_NE(html.find("( 0 / 0 / 0 / 1 / 0 )"), std::string::npos);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"black\""), 1);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"firebrick\""), 1);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"teal\""), 1);
    EXPECT_EQ(html.find("OBJ_"), std::string::npos);
}

TEST_F(E2eRtrunRun, SuiteFromTheEnvironmentOrBesideTheProgram) {
    install.writeScript("s.rt", "<Group><Name>env</Name><Test><Title>Pass</Title></Test></Group>");
    RunResult fromEnv =
        install.run({"s.rt"}, {{"KXRT_RELATIVE_PATH", install.suite()}, {"KXRT_PLAT_TARG", "ENV"}}, false);
    EXPECT_EQ(fromEnv.status, 0) << fromEnv.err;
    ASSERT_NE(install.reportPath(), "");
    EXPECT_NE(readBytes(install.reportPath()).find("<Platform>ENV</Platform>"), std::string::npos);
    EXPECT_NE(e2e::fileNameOf(install.reportPath()).find("ENV"), std::string::npos);

    // Without a suite the base is the parent of bin/: the installation's root.
    for (const char* dir : {"Config", "Results", "Scripts", "GoldenData"})
        std::filesystem::create_directory(install.root() + dir);
    testsupport::writeBytes(install.root() + "Config/s.rt",
                            "<Group><Name>beside</Name><Test><Title>Pass</Title></Test></Group>");
    RunResult beside = install.run({"s.rt"}, {{"KXRT_PLAT_TARG", "ROOT"}}, false);
    EXPECT_EQ(beside.status, 0) << beside.err;
    const std::string report = testsupport::onlyFileEndingIn(install.root() + "Results/", ".xml");
    ASSERT_NE(report, "");
    EXPECT_NE(readBytes(report).find("<Title>beside</Title>"), std::string::npos);
}

} // namespace
