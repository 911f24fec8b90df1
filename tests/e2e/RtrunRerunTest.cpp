// Running again what failed: the script --failed prints and the run
// --rerun-failed makes hold exactly the failed tests of a report, asked for
// by the names the scripts used.
#include "Installation.h"
#include "report/reader/ReportReader.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <tuple>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

using TestKey = std::tuple<std::string, std::string, std::vector<std::string>>;  // group, title, arguments

// The tests of a report, and which of them failed.
void testsOf(const std::string& report, std::multiset<TestKey>& all, std::multiset<TestKey>& failed) {
    rtreport::Report read;
    ASSERT_TRUE(rtreport::readReport(report, read).readable()) << report;
    for (const rtreport::Group& group : read.groups)
        for (const rtreport::Test& test : group.tests) {
            const TestKey key{group.title, test.title, test.args};
            all.insert(key);
            if (test.failed()) failed.insert(key);
        }
}

TEST(E2eRtrunRerun, FailedTestsRunAgainByTheirScriptNames) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    install.addLibrary(RT_E2E_LIB_VERDICT);
    e2e::copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Config", install.config());
    install.writeScript("renamed.rt", "<Group><Name>Names</Name><Desc>title and case differ</Desc>"
                                      "<Test><Title>Renamed</Title><Arg>x</Arg></Test>"
                                      "<Test><Title>Pass</Title></Test></Group>");
    const std::vector<std::string> scripts{"smoke.rt", "showcase.rt", "renamed.rt"};
    std::vector<std::string> args{"--platform", "E2E"};
    args.insert(args.end(), scripts.begin(), scripts.end());
    ASSERT_EQ(install.run(args).status, 1);
    const std::string first = install.results() + "first.xml";
    fs::rename(install.reportPath(), first);
    fs::rename(onlyFileEndingIn(install.results(), ".index"), install.results() + "first.index");
    std::multiset<TestKey> all, failed;
    testsOf(first, all, failed);
    ASSERT_GE(failed.size(), 3u);

    const RunResult printed = install.run({"--failed", first});
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.err, "");
    EXPECT_NE(printed.out.find("<Group>\n  <Name>Names</Name>\n  <Desc>title and case differ</Desc>\n"
                               "  <Test><Title>Renamed</Title><Arg>x</Arg></Test>\n</Group>\n"),
              std::string::npos)
        << printed.out;

    const RunResult rerun = install.run({"--platform", "E2E", "--rerun-failed", first});
    EXPECT_EQ(rerun.status, 1) << rerun.out << rerun.err;
    const std::size_t reportLine = rerun.out.find("Report: ");
    ASSERT_NE(reportLine, std::string::npos) << rerun.out;
    const std::size_t pathStart = reportLine + 8;
    std::multiset<TestKey> rerunAll, rerunFailed;
    testsOf(rerun.out.substr(pathStart, rerun.out.find('\n', pathStart) - pathStart), rerunAll, rerunFailed);
    EXPECT_EQ(rerunAll, failed);
    EXPECT_EQ(rerunFailed, failed);
    EXPECT_TRUE(exists(install.results() + "first.rerun.rt"));
    // The rerun has a directory of its own: the report it was given stays as it is.
    EXPECT_NE(rerun.out.find("Report: " + install.results() + "first-rerun/"), std::string::npos) << rerun.out;
    EXPECT_TRUE(exists(first));

    // Without the index the titles stand in for the case names, and rtrun says so.
    fs::remove(install.results() + "first.index");
    const RunResult unindexed = install.run({"--failed", first});
    EXPECT_NE(unindexed.err.find("no test index beside"), std::string::npos) << unindexed.err;
    EXPECT_NE(unindexed.out.find("<Test><Title>Renamed for the report</Title>"), std::string::npos);

    EXPECT_EQ(install.run({"--failed", install.root() + "nothing.xml"}).status, 2);
}

} // namespace

namespace {

std::string check(const std::string& arg, const std::string& ext) {
    return "<Test><Title>Check</Title><Arg>" + arg + "</Arg><Ext>" + ext + "</Ext></Test>";
}

// Two real nights, and what changed between them.
TEST(E2eRtrunRerun, CompareListsWhatChangedBetweenTwoNights) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("old.rt", "<Group><Name>G</Name>" + check("a", "") + check("b", "fail") + check("c", "fail") +
                                      check("d", "") + check("slow", "") + check("a", "") + "</Group>");
    install.writeScript("new.rt", "<Group><Name>G</Name>" + check("a", "fail") + check("`q", "") + check("b", "") +
                                      check("c", "fail") + check("e", "") + check("slow", "1.2") + check("a", "") +
                                      "</Group>");
    install.run({"--platform", "OLD", "old.rt"});
    install.run({"--platform", "NEW", "new.rt"});
    std::string oldReport, newReport;
    for (const fs::directory_entry& entry : fs::directory_iterator(install.results())) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".xml")
            (name.find("OLD") != std::string::npos ? oldReport : newReport) = entry.path().string();
    }
    const RunResult compared = install.run({"--compare", oldReport, newReport});
    EXPECT_EQ(compared.status, 1) << compared.err;
    // The times are the clock's: only their shape is fixed.
    EXPECT_EQ(std::regex_replace(compared.out, std::regex("[0-9]+\\.[0-9]{2} s"), "T s"),
              "New failures (1):\n  G / Check (a)\n\n"
              "Fixed (1):\n  G / Check (b)\n\n"
              "Still failing (1):\n  G / Check (c)\n\n"
              "New tests (2):\n  G / Check (`q)\n  G / Check (e)\n\n"
              "Removed tests (1):\n  G / Check (d)\n\n"
              "Slower (1):\n  G / Check (slow): T s -> T s\n\n"
              "1 new failures, 1 fixed, 1 still failing, 2 new, 1 removed, 1 slower\n");

    // The other way round, in Markdown for a CI comment.
    const RunResult back = install.run({"--markdown", "--compare", newReport, oldReport});
    EXPECT_EQ(back.status, 1);
    EXPECT_NE(back.out.find("### New failures (1)\n\n- `G / Check (b)`\n"), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("### Fixed (1)\n\n- `G / Check (a)`\n"), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("- ``G / Check (`q)``\n"), std::string::npos) << back.out;  // fenced past its backtick

    // A report cut off halfway is compared as far as it goes, and says so.
    const std::string cut = install.root() + "cut.xml";
    const std::string text = readBytes(newReport);
    writeBytes(cut, text.substr(0, text.find("<Arg>e</Arg>")));
    const RunResult partial = install.run({"--compare", oldReport, cut});
    EXPECT_EQ(partial.status, 2);  // no verdict on a report cut off
    EXPECT_NE(partial.out.find("Compared as far as it goes: "), std::string::npos) << partial.out;
    EXPECT_NE(partial.out.find("Removed tests (3):\n  G / Check (d)\n  G / Check (slow)\n  G / Check (a) #2\n"),
              std::string::npos)
        << partial.out;
    EXPECT_NE(partial.out.find("(the test it ends inside has no title yet and is left out)"), std::string::npos);
    EXPECT_NE(partial.out.find("1 new failures, 1 fixed, 1 still failing, 1 new, 3 removed"), std::string::npos)
        << partial.out;
    EXPECT_EQ(install.run({"--compare", oldReport, install.root() + "missing.xml"}).status, 2);
}

} // namespace
