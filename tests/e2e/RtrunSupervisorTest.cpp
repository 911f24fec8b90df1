// A night that survives crashing and hanging tests: the supervisor runs the
// rest after each death and leaves one report in the fixed format.
#include "Installation.h"
#include "report/reader/ReportReader.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <regex>

using e2e::exited;
using e2e::Installation;
using e2e::kAborted;
using e2e::kSegfault;
using e2e::RunResult;
using namespace testsupport;

namespace {

std::string test(const std::string& name, const std::string& arg = "") {
    return "<Test><Title>" + name + "</Title>" + (arg.empty() ? "" : "<Arg>" + arg + "</Arg>") + "</Test>";
}

// A test killed by SIGKILL, where a signal can kill.
const std::string kKill = e2e::kSignalsKill ? test("Kill") : "";

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(E2eRtrunSupervisor, EveryOtherTestRunsOnceInScriptOrderAroundDeaths) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("one.rt", "<Group><Name>G1</Name>" + test("Pass", "1") + test("Abort") + test("Pass", "2") +
                                      test("Segv") + "</Group><Group><Name>G2</Name>" + test("Pass", "3") +
                                      test("CrashInCreator", "c") + kKill + test("Pass", "4") + "</Group>");
    install.writeScript("two.rt", "<Group><Name>G3</Name>" + test("Hang") + test("Exit0") + test("CtorThrows") +
                                      test("Pass", "5") + "</Group>");
    const std::string junit = install.root() + "junit.xml";
    const RunResult result =
        install.run({"--platform", "E2E", "--timeout", e2e::kTimeout, "--junit", junit, "one.rt", "two.rt"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;

    // Start-up once; each test's progress line once.
    EXPECT_EQ(count(result.out, "** Initializing GlobalResults\n"), 1u) << result.out;
    EXPECT_EQ(count(result.out, "Executing Test: Pass\n"), 5u) << result.out;
    std::vector<std::string> lines{"rtrun: G1/Abort (one.rt, test 2): " + std::string(kAborted) + "; the run goes on",
                                   "rtrun: G1/Segv (one.rt, test 4): " + std::string(kSegfault),
                                   "rtrun: G2/CrashInCreator (one.rt, test 6), in the creator: " + std::string(kSegfault),
                                   "rtrun: G3/Hang (two.rt, test 1): timed out after " + e2e::kTimeout + " s",
                                   "rtrun: G3/Exit0 (two.rt, test 2): " + exited(0),
                                   "rtrun: G3/CtorThrows (two.rt, test 3): not run: the creator threw: constructor refused"};
    if (!kKill.empty()) lines.push_back("rtrun: G2/Kill (one.rt, test 7): crashed: signal 9 (Killed)");
    for (const std::string& line : lines) EXPECT_NE(result.err.find(line), std::string::npos) << line << "\n" << result.err;

    const std::string report = install.reportPath();
    ASSERT_NE(report, "") << listing(install.results());
    EXPECT_EQ(xmlProblems(report), "");
    rtreport::Report read;
    ASSERT_EQ(rtreport::readReport(report, read).status, rtreport::ReadResult::Status::eComplete);
    std::string order;
    int expectedId = 0;
    for (const rtreport::Group& group : read.groups) {
        EXPECT_EQ(group.id, expectedId++);
        order += group.title + ":";
        for (const rtreport::Test& t : group.tests) {
            EXPECT_EQ(t.id, expectedId++);
            order += " " + t.title + (t.args.empty() ? "" : "(" + t.args[0] + ")");
            if (!t.records.empty() && t.records.back().method == "TestSet::executeW")
                order += "[" + t.records.back().desc + "]";
            EXPECT_EQ(t.summary, t.recordCounts()) << t.title;
        }
        EXPECT_EQ(group.summary, group.recordCounts()) << group.title;
        order += "\n";
    }
    EXPECT_EQ(order, "G1: Pass(1) Abort[" + std::string(kAborted) + "] Pass(2) Segv[" + kSegfault + "]\n" +
                         "G2: Pass(3) CrashInCreator(c)[" + kSegfault + "] " +
                         (kKill.empty() ? "" : "Kill[crashed: signal 9 (Killed)] ") + "Pass(4)\n" +
                         "G3: Hang[timed out after " + e2e::kTimeout + " s] Exit0[" + exited(0) + "] Pass(5)\n");
    EXPECT_TRUE(read.run.present);

    EXPECT_NE(listing(install.results() + "E2E").find(".email"), std::string::npos);
    EXPECT_NE(result.out.find(kKill.empty() ? "11 tests: 5 passed, 5 failed, 1 not run\n"
                                            : "12 tests: 5 passed, 6 failed, 1 not run\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(schemaProblems(junit, RT_JUNIT_XSD), "");
    // Those that raised an error first (Abort, Segv, Kill, Hang) have two.
    EXPECT_EQ(count(readBytes(junit), "<failure "), kKill.empty() ? 8u : 10u);
    EXPECT_EQ(listing(install.results()).find(".pieces"), std::string::npos);  // the private pieces are gone
}

// The child writes out what it knows of its tests every few thousand tests:
// a death after many still finds every verdict, those written out included.
TEST(E2eRtrunSupervisor, ADeathAfterThousandsOfTestsKeepsEveryVerdict) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    std::string script = "<Group><Name>Many</Name>";
    for (int i = 0; i < 9000; ++i)
        script += i == 10 ? test("ReturnFalse", "early") : i == 5000 ? test("ReturnFalse", "late") : test("Pass");
    install.writeScript("many.rt", script + test("Segv") + test("Pass") + "</Group>");
    const RunResult result = install.run({"--platform", "E2E", "many.rt"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("9002 tests: 8999 passed, 3 failed, 0 not run\n"), std::string::npos) << result.out;
    for (const char* line : {"FAILED   Many / ReturnFalse (early)", "FAILED   Many / ReturnFalse (late)",
                             "FAILED   Many / Segv"})
        EXPECT_NE(result.out.find(line), std::string::npos) << line;
}

// Nothing dies: standard output and the report are what a run without a
// supervisor writes.
TEST(E2eRtrunSupervisor, WithoutDeathsTheRunIsTheUnsupervisedOne) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    e2e::copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Config", install.config());
    // The slowest tests are left out: their order is the clock's.
    const std::vector<std::string> args{"--platform", "E2E", "--durations", "0", "smoke.rt", "showcase.rt"};
    const RunResult supervised = install.run(args);
    const std::string first = readBytes(install.reportPath());
    install.clearResults();
    std::vector<std::string> inProcessArgs{"--in-process"};
    inProcessArgs.insert(inProcessArgs.end(), args.begin(), args.end());
    const RunResult inProcess = install.run(inProcessArgs);
    const std::regex runName("[0-9]{6}E2E[0-9]{4}");
    EXPECT_EQ(std::regex_replace(maskTimes(supervised.out), runName, "RUN"),
              std::regex_replace(maskTimes(inProcess.out), runName, "RUN"));
    EXPECT_EQ(supervised.status, inProcess.status);
    EXPECT_EQ(maskTimes(first), maskTimes(readBytes(install.reportPath())));
}

TEST(E2eRtrunSupervisor, ADeathBeforeTheFirstTestEndsTheRun) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_CRASHING);
    install.writeScript("s.rt", "<Group>" + test("Pass") + "</Group>");
    const RunResult result = install.run({"--platform", "E2E", "s.rt"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("rtrun: the run died before its first test (" + std::string(kSegfault) + ")"),
              std::string::npos)
        << result.err;
}

} // namespace
