// What rtrun concludes from runs that lost tests, lost their report or
// ended early: its exit status, its standard error, its closing lines, and
// what is left on disk.
#include "Installation.h"
#include "support/TempSuite.h"
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/file.h>
#endif

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;

using e2e::exited;
using e2e::runNameNow;

namespace {

enum class Report { eWellFormed, eLost };

struct Row {
    const char* name;
    std::vector<std::string> libraries;
    std::string script;  // the text of v.rt
    int status;
    std::string err;     // a part of standard error; empty: standard error stays empty
    std::string out;     // a part of standard output
    Report report;
    std::string reportHolds;  // a part of the report, when it is kept
    bool mail;
    std::vector<std::string> args = {};
    std::string shellBefore = "";
};

std::string group(const std::string& tests) { return "<Group><Name>G</Name>" + tests + "</Group>"; }
std::string test(const std::string& name) { return "<Test><Title>" + name + "</Title></Test>"; }

// The system's own words for a directory opened to be written: Windows
// refuses it as it refuses access.
#ifdef _WIN32
const char kDirectoryRefused[] = "could not be written: Permission denied\n";
#else
const char kDirectoryRefused[] = "could not be written: Is a directory\n";
#endif

#ifndef _WIN32  // for the file size limit's row only
std::string manyPasses(int n) {
    std::string tests;
    for (int i = 0; i < n; ++i) tests += test("Pass");
    return group(tests);
}
#endif

TEST(E2eRtrunVerdict, EveryLostTestOrReportIsSeen) {
    const std::string verdict = RT_E2E_LIB_VERDICT, throwing = RT_E2E_LIB_THROWING;
    const Row rows[] = {
        {"passing run", {verdict}, group(test("Pass")), 0, "", "1 tests: 1 passed, 0 failed, 0 not run\nSlowest:\n  0.00 Seconds G / Pass\nReport: ",
         Report::eWellFormed, "<Title>Pass</Title>", false},
        {"body returns false", {verdict}, group(test("ReturnFalse") + test("Pass")), 1, "",
         "2 tests: 1 passed, 1 failed, 0 not run\n  FAILED   G / ReturnFalse: its body returned false (new)\n",
         Report::eWellFormed, "<Title>ReturnFalse</Title>", false},
        {"constructor throws", {verdict}, group(test("Pass") + test("CtorThrows")), 1,
         "rtrun: G/CtorThrows (v.rt, test 2): not run: the creator threw: constructor refused\n",
         "  NOT RUN  G / CtorThrows: the creator threw: constructor refused\n", Report::eWellFormed, "", false},
        {"initialize throws", {verdict}, group(test("InitThrows")), 1,
         "rtrun: G/InitThrows (v.rt, test 1): not run: initialize() threw: initialize refused\n", "0 passed",
         Report::eWellFormed, "", false},
        {"creator throws a non-exception", {verdict}, group(test("CreatorThrows")), 1,
         "not run: the creator threw: an exception that is not a std::exception\n", "1 not run", Report::eWellFormed,
         "", false},
        {"creator returns null", {verdict}, group(test("NullCreator")), 1,
         "G/NullCreator (v.rt, test 1): not run: its creator returned no test\n", "1 not run", Report::eWellFormed, "",
         false},
        {"unknown name, twice", {verdict}, group(test("Nope") + test("Nope")), 1,
         "(v.rt, test 1): not run: no test library registers it\nrtrun: G/Nope (v.rt, test 2): not run:",
         "2 tests: 0 passed, 0 failed, 2 not run\n", Report::eWellFormed, "", false},
        {"exit(0) in a body", {verdict}, group(test("Pass") + test("Exit0") + test("Pass")) + group(test("Pass")), 1,
         "rtrun: test code ended the process (" + exited(0) + "); the tests after it did not run\n",
         "2 tests: 1 passed, 1 failed, 0 not run\n  FAILED   G / Exit0: " + exited(0) + " (new)\n", Report::eWellFormed,
         "<Method>TestSet::executeW</Method>\r\n        <Desc>" + exited(0) + "</Desc>\r\n      </Error>\r\n"
         "      <Ext></Ext>\r\n      <Time>",
         true, {"--in-process", "--platform", "E2E"}},
        {"exit(3) in a body", {verdict}, group(test("Exit3")), 1, "(" + exited(3) + ")", "G / Exit3: " + exited(3),
         Report::eWellFormed, "<Desc>ends the process</Desc>\r\n      <Title>Exit3</Title>", true, {"--in-process", "--platform", "E2E"}},
        {"an error, then exit(0)", {verdict}, group(test("ErrorThenExit0")), 1, "(" + exited(0) + ")",
         "G / ErrorThenExit0: about to leave", Report::eWellFormed, "<Errors>2</Errors>", true, {"--in-process", "--platform", "E2E"}},
        {"a library's entry throws", {verdict, throwing}, group(test("Pass")), 1,
         "rtrun: test library " + e2e::libraryFile("KxRtThrowingEntry80") +
             " is not used: its acquireFactory threw: no licence for this host\n",
         e2e::libraryFile("KxRtThrowingEntry80") + " : Library\n", Report::eWellFormed, "<Title>Pass</Title>", false},
        {"no library can be used", {throwing}, group(test("Pass")), 2, "none of the test libraries in ", "",
         Report::eLost, "", false},
        {"no library at all", {}, group(test("Pass")), 2, "rtrun: no test library found in ", "", Report::eLost, "",
         false},
        {"empty script", {verdict}, "", 1, "rtrun: no test ran\n", "0 tests: 0 passed, 0 failed, 0 not run\n",
         Report::eWellFormed, "", false},
        {"zero byte in a script", {verdict}, group(test("Pass")) + std::string(1, '\0') + group(test("Pass")), 1,
         "rtrun: script problem in v.rt: zero byte at offset 61", "1 tests: 1 passed", Report::eWellFormed, "", false},
        {"decimal-comma locale", {verdict}, group(test("CommaLocale") + test("Pass")), 0, "", "2 passed",
         Report::eWellFormed, "0.00 Seconds</Time>\r\n      <Desc></Desc>\r\n      <Title>Pass</Title>", false},
        {"platform that names a directory", {verdict}, group(test("Pass")), 2,
         "rtrun: option --platform: platform name 'sub/x' holds a path separator or '..'\n", "", Report::eLost, "",
         false, {"--platform", "sub/x"}},
        {"a directory in the report's place", {verdict}, group(test("Pass")), 2, kDirectoryRefused, "1 passed",
         Report::eLost, "", false},
#ifndef _WIN32  // a limit on the size of files a process writes is the POSIX shell's ulimit -f
        {"file size limit", {verdict}, manyPasses(60), 2, "could not be written: File too large\n", "60 passed",
         Report::eLost, "", false, {}, "ulimit -f 8; trap '' XFSZ; "},
#endif
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Installation install;
        for (const std::string& library : row.libraries) install.addLibrary(library);
        install.writeScript("v.rt", row.script);
        if (std::string(row.name) == "a directory in the report's place")
            for (int ahead : {0, 1}) std::filesystem::create_directories(install.results() + runNameNow("E2E", ahead) + ".xml");
        std::vector<std::string> args = row.args.empty() ? std::vector<std::string>{"--platform", "E2E"} : row.args;
        args.push_back("v.rt");
        const RunResult result = install.run(args, {}, true, row.shellBefore);
        EXPECT_EQ(result.status, row.status) << result.out << result.err;
        if (row.err.empty()) EXPECT_EQ(result.err, "");
        else EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
        EXPECT_NE(result.out.find(row.out), std::string::npos) << result.out;

        const std::string report = install.reportPath();
        if (row.report == Report::eWellFormed) {
            ASSERT_FALSE(report.empty()) << listing(install.results());
            EXPECT_EQ(xmlProblems(report), "");
            EXPECT_NE(readBytes(report).find(row.reportHolds), std::string::npos) << readBytes(report);
            EXPECT_NE(result.out.find("Report: " + report), std::string::npos) << result.out;
        } else {
            EXPECT_EQ(result.out.find("Report: "), std::string::npos) << result.out;
            EXPECT_TRUE(report.empty() || xmlProblems(report) != "") << "a lost report that is whole";
        }
        EXPECT_EQ(listing(install.results() + "E2E").find(".email") != std::string::npos, row.mail)
            << listing(install.results() + "E2E");
    }
}

// Test code that switches to a decimal-comma locale changes no number that
// rtrun writes after it in the same process: the JUnit file's times included.
TEST(E2eRtrunVerdict, ADecimalCommaLocaleLeavesTheJUnitTimesAlone) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("v.rt", group(test("CommaLocale") + test("Pass")));
    const std::string junit = install.root() + "junit.xml";
    for (const bool inProcess : {true, false}) {
        SCOPED_TRACE(inProcess ? "in-process" : "supervised");
        install.clearResults();
        std::vector<std::string> args{"--platform", "E2E", "--junit", junit, "v.rt"};
        if (inProcess) args.insert(args.begin(), "--in-process");
        const RunResult result = install.run(args);
        EXPECT_EQ(result.status, 0) << result.err;
        const std::string written = readBytes(junit);
        EXPECT_NE(written.find("time=\"0.00\""), std::string::npos) << written;
        EXPECT_EQ(written.find(",00\""), std::string::npos) << written;
    }
}

// Two runs in one minute: the second moves the finished first aside, and
// a run finding the names held by a live run writes into a directory of its own.
TEST(E2eRtrunVerdict, RunsInTheSameMinuteKeepEachOthersFiles) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("v.rt", group(test("ReturnFalse")));
    const std::vector<std::string> args{"--platform", "E2E", "v.rt"};
    const std::string results = install.results();
    // A live run's lock, held here by the test itself: the file locked on
    // POSIX, on Windows the file open with no sharing.
    auto runWhileLocked = [&](const std::string& lockPath) {
#ifdef _WIN32
        const HANDLE lock = ::CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(lock, INVALID_HANDLE_VALUE);
        const RunResult run = install.run(args);
        ::CloseHandle(lock);
#else
        const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0644);
        EXPECT_GE(lock, 0);
        EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
        const RunResult run = install.run(args);
        ::close(lock);
#endif
        return run;
    };
    // All three runs must fall into one minute; a set that straddles a
    // minute proves nothing and is made again.
    std::string name;
    RunResult second, third;
    bool oneMinute = false;
    for (int attempt = 0; attempt < 3 && !oneMinute; ++attempt) {
        install.clearResults();
        name = runNameNow("E2E");
        install.run(args);
        second = install.run(args);
        third = runWhileLocked(results + "." + name + ".lock");
        oneMinute = runNameNow("E2E") == name;
    }
    ASSERT_TRUE(oneMinute) << "three tries each straddled a minute";
    EXPECT_NE(second.err.find("rtrun: the earlier run of this minute was moved aside: " + results + name +
                              "-earlier1.xml"),
              std::string::npos)
        << second.err;
    EXPECT_EQ(xmlProblems(results + name + "-earlier1.xml"), "");
    EXPECT_NE(readBytes(results + name + "-earlier1.htm").find(name + "-earlier1.xml"), std::string::npos);
    EXPECT_EQ(third.status, 1) << third.err;
    EXPECT_NE(third.out.find("Results: " + results + name + "-2/"), std::string::npos) << third.out;
    EXPECT_EQ(xmlProblems(results + name + "-2/" + name + ".xml"), "");
    EXPECT_EQ(xmlProblems(results + name + ".xml"), "");  // the earlier run's report is untouched
}

// Standard output going to a pipe nobody reads any more: the run still
// completes its report and its e-mail summary.
TEST(E2eRtrunVerdict, ABrokenPipeOnStandardOutputLosesOnlyProgressLines) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("v.rt", group(test("Pass") + test("ReturnFalse")));
    int fds[2];
#ifdef _WIN32
    ASSERT_EQ(::_pipe(fds, 4096, O_BINARY), 0);
#else
    ASSERT_EQ(::pipe(fds), 0);
#endif
    ::close(fds[0]);  // the reader is gone before rtrun writes anything
#ifdef _WIN32
    const int pid = install.start({"v.rt"}, {}, "", fds[1]);
#else
    // rtrun starts with SIGPIPE at its default, which ends a process, whatever this process had.
    const auto before = std::signal(SIGPIPE, SIG_DFL);
    const int pid = install.start({"v.rt"}, {}, "exec ", fds[1]);
    std::signal(SIGPIPE, before);
#endif
    ::close(fds[1]);
    // Exit status 1 for the failed test; killed by SIGPIPE it would be 141.
    EXPECT_EQ(install.finish(pid, 60).status, 1);
    EXPECT_EQ(xmlProblems(install.reportPath()), "");
}

} // namespace
