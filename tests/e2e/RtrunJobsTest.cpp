// A night on several cores: children that run tests at once, deaths and
// hangs among them, and one report as if one process had run the tests.
#include "Installation.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <regex>
#include <sstream>

using e2e::Installation;
using e2e::kSegfault;
using e2e::RunResult;
using namespace testsupport;

namespace {

std::string test(const std::string& name, const std::string& arg = "", const std::string& ext = "") {
    return "<Test><Title>" + name + "</Title>" + (arg.empty() ? "" : "<Arg>" + arg + "</Arg>") +
           (ext.empty() ? "" : "<Ext>" + ext + "</Ext>") + "</Test>";
}

// The lines of `text` that start with `prefix`, sorted.
std::vector<std::string> linesStarting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A report apart from what differs between any two runs: times, process
// and thread ids, the frames in rtrun itself, below the test driver (how
// many there are depends on how rtrun got there), and below them those that
// started the process, and source lines: a stack gets the names of those
// frames and its source lines only while its time lasts.
std::string comparable(const std::string& report) {
    static const std::regex ids("(process|thread) [0-9]+"), ownFrame("<Trace>#[0-9]+ [^<]*\\(rtrun(\\.exe)?\\+[^<]*</Trace>"),
        ownFrames("<Trace/>(\\s*(<Trace/>|<Trace>#[0-9]+ [^<]*</Trace>))*"), number("<Trace>#[0-9]+ "), traceLine("(<Trace>[^<]*\\)) [^ <]+:[0-9]+</Trace>"),
        msgLine("( at [^<]*) [^ <]+:[0-9]+</Msg>");
    std::string text = std::regex_replace(maskTimes(report), ids, "$1 N");
    text = std::regex_replace(std::regex_replace(text, ownFrame, "<Trace/>"), ownFrames, "<Trace/>");
    text = std::regex_replace(std::regex_replace(text, traceLine, "$1</Trace>"), msgLine, "$1</Msg>");
    return std::regex_replace(text, number, "<Trace>#N ");
}

// The closing summary apart from the run's name and source lines.
std::string withoutRunName(const std::string& text) {
    static const std::regex runName("[0-9]{6}E2E[0-9]{4}"), sourceLine("( at [^\\n]*) [^ \\n]+:[0-9]+\\n");
    return std::regex_replace(std::regex_replace(text, runName, "RUN"), sourceLine, "$1\n");
}

TEST(E2eRtrunJobs, FourJobsWithCrashesAndAHangWriteTheReportOfOneJob) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    std::string many;
    for (int i = 0; i < 12; ++i) many += test("Check", std::to_string(i), "0.05");
    install.writeScript("one.rt", "<Group><Name>G1</Name>" + test("Pass", "1") + test("Abort") + test("Pass", "2") +
                                      test("Segv") + many + "</Group><Group><Name>G2</Name>" + test("Pass", "3") +
                                      test("CrashInCreator", "c") + (e2e::kSignalsKill ? test("Kill") : "") + test("Check", "f", "fail") +
                                      test("Pass", "4") + "</Group>");
    install.writeScript("two.rt", "<Group><Name>G3</Name>" + test("Hang") + test("Exit0") + test("CtorThrows") +
                                      test("ReturnFalse") + many + test("Pass", "5") +
                                      // Last: what it writes to standard error never precedes a death.
                                      test("NoSuchTest") + "</Group>");
    const std::vector<std::string> args{"--platform", "E2E", "--timeout", e2e::kTimeout, "--durations", "0",
                                        "--no-history", "one.rt", "two.rt"};
    std::vector<std::string> oneJob{"--jobs", "1"}, fourJobs{"-j", "4"};
    oneJob.insert(oneJob.end(), args.begin(), args.end());
    fourJobs.insert(fourJobs.end(), args.begin(), args.end());

    const RunResult one = install.run(oneJob);
    const std::string oneReport = readBytes(install.reportPath());
    install.clearResults();
    const RunResult four = install.run(fourJobs);
    const std::string fourReport = readBytes(install.reportPath());
    ASSERT_NE(fourReport, "") << listing(install.results()) << four.err;

    EXPECT_EQ(one.status, 1) << one.err;
    EXPECT_EQ(four.status, 1) << four.err;
    EXPECT_EQ(comparable(oneReport), comparable(fourReport));
    EXPECT_NE(fourReport.find(kSegfault), std::string::npos);
    EXPECT_NE(fourReport.find("timed out after " + e2e::kTimeout + " s"), std::string::npos);

    // Each progress line once, whatever the order; the start-up lines once.
    EXPECT_EQ(linesStarting(one.out, "Executing Test:"), linesStarting(four.out, "Executing Test:"));
    EXPECT_EQ(linesStarting(four.out, "** Initializing GlobalResults").size(), 1u) << four.out;
    // The closing summary is the same, line for line.
    EXPECT_EQ(withoutRunName(maskTimes(one.out.substr(one.out.find("rtrun: ")))),
              withoutRunName(maskTimes(four.out.substr(four.out.find("rtrun: ")))));
    for (const std::string& line : {"rtrun: G1/Segv (one.rt, test 4): " + std::string(kSegfault) + "; the run goes on",
                                    "rtrun: G3/Hang (two.rt, test 1): timed out after " + e2e::kTimeout + " s; the run goes on after it",
                                    "rtrun: G2/CrashInCreator (one.rt, test 18), in the creator: " + std::string(kSegfault)})
        EXPECT_NE(four.err.find(line), std::string::npos) << line << "\n" << four.err;
    EXPECT_EQ(listing(install.results()).find(".pieces"), std::string::npos);
}

// The first night runs in script order; the next ones start the long test
// first, knowing its time from the run history, or without a history from
// the latest earlier report.
TEST(E2eRtrunJobs, TheLongestTestOfTheLastRunStartsFirst) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    std::string script = "<Group><Name>G</Name>";
    for (int i = 0; i < 6; ++i) script += test("Check", std::to_string(i), "0.2");
    install.writeScript("s.rt", script + test("Sleep", "", "0.7") + "</Group>");
    // Where the long test's progress line comes among the seven; the other
    // child may start one short test before it.
    const auto sleepStarted = [](const RunResult& result) {
        std::istringstream lines(result.out);
        int index = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line == "Executing Test: Sleep") return index;
            if (line.rfind("Executing Test: ", 0) == 0) ++index;
        }
        return -1;
    };
    const std::vector<std::string> args{"--platform", "E2E", "-j", "2", "s.rt"};
    const RunResult first = install.run(args);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_GE(sleepStarted(first), 5) << first.out;

    // Only the history knows the times: the reports are gone.
    for (const auto& entry : std::filesystem::directory_iterator(install.results()))
        if (entry.path().filename() != "history.sqlite") std::filesystem::remove_all(entry.path());
    const RunResult second = install.run(args);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_GE(sleepStarted(second), 0) << second.out;
    EXPECT_LE(sleepStarted(second), 1) << second.out;

    // Only the report knows them.
    std::vector<std::string> noHistory{"--no-history"};
    noHistory.insert(noHistory.end(), args.begin(), args.end());
    std::filesystem::remove(install.results() + "history.sqlite");
    const RunResult third = install.run(noHistory);
    EXPECT_GE(sleepStarted(third), 0) << third.out;
    EXPECT_LE(sleepStarted(third), 1) << third.out;
}

// Tests that must not overlap: --serial runs them alone after the others;
// --jobs-by group keeps each group in one process.
TEST(E2eRtrunJobs, SerialTestsRunAloneAfterTheOthersAndGroupsStayTogether) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    std::string script;
    for (int g = 0; g < 4; ++g) {
        script += "<Group><Name>G" + std::to_string(g) + "</Name>" + test("Check", std::to_string(g), "0.1");
        // Alone tests share a marker file with the other Alone tests of their group only.
        for (int i = 0; i < 3; ++i)
            script += test("Alone", std::to_string(g * 3 + i), install.root() + "group" + std::to_string(g));
        script += "</Group>";
    }
    install.writeScript("s.rt", script);
    const RunResult serial =
        install.run({"--platform", "E2E", "-j", "4", "--serial", "*/Alone", "--no-history", "s.rt"});
    EXPECT_EQ(serial.status, 0) << serial.out << serial.err;
    // The Alone tests start after every other test, all in one process.
    std::vector<std::string> started;
    std::istringstream lines(serial.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Executing Test: ", 0) == 0) started.push_back(line.substr(16));
    ASSERT_EQ(started.size(), 16u) << serial.out;
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(started[i], i < 4 ? "Check" : started[4]) << serial.out;
    EXPECT_EQ(started[4].rfind("Alone ", 0), 0u) << serial.out;
    EXPECT_NE(serial.out.find("16 tests: 16 passed, 0 failed, 0 not run"), std::string::npos) << serial.out;

    install.clearResults();
    const RunResult grouped = install.run({"--platform", "E2E", "-j", "4", "--jobs-by", "group", "--no-history", "s.rt"});
    EXPECT_EQ(grouped.status, 0) << grouped.out << grouped.err;
    // No Alone test met another of its group, and each group ran in one process.
    const std::string report = readBytes(install.reportPath());
    static const std::regex alone("<Arg>([0-9]+)</Arg>\\s*<Ext>[^<]*group([0-9])</Ext>[\\s\\S]*?<Title>Alone ([0-9]+)</Title>");
    std::map<std::string, std::set<std::string>> processesOfGroup;
    for (std::sregex_iterator it(report.begin(), report.end(), alone), end; it != end; ++it)
        processesOfGroup[(*it)[2]].insert((*it)[3]);
    EXPECT_EQ(processesOfGroup.size(), 4u) << report;
    for (const auto& [group, processes] : processesOfGroup) EXPECT_EQ(processes.size(), 1u) << "group " << group;
}

#ifndef _WIN32  // the terminal is a pseudo-terminal made by script(1)
// On a terminal a status line stays at the bottom, the tests' own lines
// pass whole above it; --no-progress, or standard error not a terminal, shows none.
TEST(E2eRtrunJobs, ATerminalShowsAStatusLineBelowWholeLines) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    std::string script = "<Group><Name>G</Name>";
    for (int i = 0; i < 6; ++i) script += test("Check", std::to_string(i), "0.3");
    install.writeScript("s.rt", script + test("Check", "f", "fail") + "</Group>");
    for (const char* jobs : {"2", "1"}) {
        const RunResult shown = install.runOnTerminal({"--platform", "E2E", "--no-history", "-j", jobs, "s.rt"});
        EXPECT_EQ(shown.status, 1) << shown.out;
        EXPECT_NE(shown.out.find("\r\033[K[0/7 done, 0 failed, 0:00, ~? left]"), std::string::npos) << shown.out;
        // What is left once the status line is taken away: whole lines, each progress line once.
        static const std::regex status("\r\033\\[K(\\[[^\r\n]*)?");
        const std::string lines = std::regex_replace(shown.out, status, "");
        std::size_t progress = 0;
        for (std::size_t at = lines.find("Executing Test: Check\r\n"); at != std::string::npos;
             at = lines.find("Executing Test: Check\r\n", at + 1))
            ++progress;
        EXPECT_EQ(progress, 7u) << "--jobs " << jobs << "\n" << lines;
        EXPECT_NE(lines.find("\r\n7 tests: 6 passed, 1 failed, 0 not run\r\n"), std::string::npos) << lines;
        install.clearResults();
    }
    const RunResult quiet = install.runOnTerminal({"--platform", "E2E", "--no-history", "-j", "2", "--no-progress", "s.rt"});
    EXPECT_EQ(quiet.out.find("\033[K"), std::string::npos) << quiet.out;
    install.clearResults();
    const RunResult piped = install.run({"--platform", "E2E", "--no-history", "-j", "2", "s.rt"});
    EXPECT_EQ((piped.out + piped.err).find("\033[K"), std::string::npos) << piped.err;
}

#endif

TEST(E2eRtrunJobs, JobsRefuseWhatCannotWork) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("s.rt", "<Group>" + test("Pass") + "</Group>");
    const RunResult inProcess = install.run({"--in-process", "-j", "2", "s.rt"});
    EXPECT_EQ(inProcess.status, 2);
    EXPECT_NE(inProcess.err.find("--jobs runs the tests in child processes: it cannot be used with --in-process"),
              std::string::npos)
        << inProcess.err;
    const RunResult badCount = install.run({"--jobs", "many", "s.rt"});
    EXPECT_EQ(badCount.status, 2);
    EXPECT_NE(badCount.err.find("option --jobs needs a number of jobs from 0 to 1024, not 'many'"), std::string::npos);
    const RunResult badVariable = install.run({"s.rt"}, {{"KXRT_JOBS", "-3"}});
    EXPECT_EQ(badVariable.status, 2);
    EXPECT_NE(badVariable.err.find("KXRT_JOBS needs a number of jobs from 0 to 1024, not '-3'"), std::string::npos);
    // One test at as many jobs as processors: runs as it would alone.
    const RunResult allCores = install.run({"--jobs", "0", "--no-history", "s.rt"});
    EXPECT_EQ(allCores.status, 0) << allCores.err;
}

} // namespace
