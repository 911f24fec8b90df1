// Around a running test: a cancelled run, what tests start, and deaths
// outside a test body. Each row is one real run of rtrun whose standard
// output is a pipe; the probe tests announce themselves through a file, so
// that a signal comes while a test is surely running.
#include "Installation.h"
#include "report/reader/ReportReader.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <csignal>
#include <poll.h>
#include <unistd.h>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;

namespace {

using Clock = std::chrono::steady_clock;

std::string test(const std::string& name, const std::vector<std::string>& args = {}) {
    std::string text = "<Test><Title>" + name + "</Title>";
    for (const std::string& arg : args) text += "<Arg>" + arg + "</Arg>";
    return text + "</Test>";
}

std::string group(const std::string& name, const std::string& tests) { return "<Group><Name>" + name + "</Name>" + tests + "</Group>"; }

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// "G: Pass Block[interrupted: ...]\n": each group's tests, with the Desc of a record rtrun added.
std::string order(const rtreport::Report& report) {
    std::string text;
    for (const rtreport::Group& g : report.groups) {
        text += g.title + ":";
        for (const rtreport::Test& t : g.tests) {
            text += " " + t.title;
            if (!t.records.empty() && t.records.back().method == "TestSet::executeW") text += "[" + t.records.back().desc + "]";
        }
        text += "\n";
    }
    return text;
}

// Whether the process is gone (or only waits to be reaped) within a few
// seconds: a process sent SIGKILL dies soon, not at once.
bool gone(const std::string& pidText) {
    if (pidText.empty()) return true;
    for (int i = 0; i < 500; ++i) {
        const std::string stat = readBytes("/proc/" + std::to_string(std::stol(pidText)) + "/stat");
        if (stat.empty() || stat.find(") Z ") != std::string::npos) return true;
        usleep(10000);
    }
    return false;
}

// The process whose parent is `parent`; 0 when none.
int childOf(int parent) {
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = readBytes(entry.path().string() + "/stat");
        const std::size_t close = stat.rfind(')');
        int ppid = 0;
        char state = 0;
        if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent)
            return std::stoi(name);
    }
    return 0;
}

bool waitFor(const std::string& path, double seconds) {
    for (const auto end = Clock::now() + std::chrono::duration<double>(seconds); Clock::now() < end;) {
        if (access(path.c_str(), F_OK) == 0) return true;
        usleep(10000);
    }
    return false;
}

// Reads the pipe to its end (at most `seconds`); the seconds that took.
double readToEnd(int fd, std::string& out, double seconds) {
    const Clock::time_point start = Clock::now();
    char chunk[4096];
    for (;;) {
        const double left = seconds - std::chrono::duration<double>(Clock::now() - start).count();
        pollfd ready{fd, POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, static_cast<int>(left * 1000) + 1) <= 0) return seconds;
        const ssize_t n = read(fd, chunk, sizeof(chunk));
        if (n <= 0) return std::chrono::duration<double>(Clock::now() - start).count();
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

struct Row {
    const char* name;
    std::string script;                 // "M" in it stands for the marker file's path
    std::vector<std::string> options;
    int signal = 0;                     // sent once the marker file exists
    bool toGroup = false;               // to rtrun's whole process group
    int second = 0;                     // then this signal too
    bool go = false;                    // then the blocked test may go on
    int status = 0;
    std::string order;                  // the report's tests; empty: the report is cut off
    std::vector<std::string> out;       // each exactly once on standard output
    std::vector<std::string> err;       // each exactly once on standard error
    std::string shellBefore = "exec ";
    bool asProcess1 = false;            // rtrun as process 1 of a process namespace, as in a container
};

const std::string M = "M";
const std::string kInterrupted = "G: Pass Block[interrupted: signal 15 (Terminated)]\n";
const std::string kBlocked = group("G", test("Pass") + test("Block", {M}) + test("Pass") + test("Pass"));
const std::string kStubborn = group("G", test("Pass") + test("Block", {M, "stubborn"}) + test("Pass") + test("Pass"));
const std::vector<std::string> kCancelled = {"4 tests: 1 passed, 1 failed, 2 not run\n", "2 tests not run (interrupted)\n"};

TEST(E2eRtrunTrust, CancelsProcessTreesAndDeathsOutsideTheBody) {
    const std::vector<Row> rows = {
        {"SIGTERM to rtrun alone", kBlocked, {}, SIGTERM, false, 0, false, 143, kInterrupted, kCancelled,
         {"G/Block (s.rt, test 2): interrupted: signal 15 (Terminated); the run stops here"}},
        {"SIGINT to rtrun's process group", kBlocked, {}, SIGINT, true, 0, false, 130,
         "G: Pass Block[interrupted: signal 2 (Interrupt)]\n", kCancelled, {}},
        {"SIGTERM to the group, the test ignores it", kStubborn, {"--kill-grace", "0.2"}, SIGTERM, true, 0, false, 143,
         kInterrupted, kCancelled, {}},
        {"SIGINT in-process: the test finishes", kBlocked, {"--in-process"}, SIGINT, false, 0, true, 130, "G: Pass Block\n",
         {"4 tests: 2 passed, 0 failed, 2 not run\n", "2 tests not run (interrupted)\n"}, {}},
        {"SIGHUP ignored when rtrun started", kBlocked, {}, SIGHUP, false, 0, true, 0, "G: Pass Block Pass Pass\n",
         {"4 tests: 4 passed, 0 failed, 0 not run\n"}, {}, "trap '' HUP; exec "},
        {"SIGTERM to rtrun as process 1", kBlocked, {}, SIGTERM, false, 0, false, 143, kInterrupted, kCancelled, {},
         "exec unshare -pf --mount-proc ", true},
        {"a second signal ends rtrun at once", kStubborn, {"--kill-grace", "60"}, SIGTERM, false, SIGINT, false, 130, "",
         {}, {}},
        {"--timeout kills what the test started", group("G", test("Spawn", {M}) + test("Pass")), {"--timeout", "1"}, 0,
         false, 0, false, 1, "G: Spawn[timed out after 1 s] Pass\n", {}, {}},
        {"--timeout, the process left the group", group("G", test("Spawn", {M, "setsid"}) + test("Pass")),
         {"--timeout", "1"}, 0, false, 0, false, 1, "G: Spawn[timed out after 1 s] Pass\n", {},
         {"processes the tests started were still running; they are killed: "}},
        {"processes left after a body", group("G", test("Spawn", {M, "group", "return"}) + test("Pass")), {}, 0, false, 0,
         false, 0, "G: Spawn Pass\n", {},
         {"rtrun: warning: G/Spawn (s.rt, test 1) left processes running after its body; they are killed: "}},
        {"a middle test's destructor crashes", group("G", test("Pass") + test("DestructorCrash") + test("Pass")), {}, 0,
         false, 0, false, 1, "G: Pass DestructorCrash[crashed: signal 11 (Segmentation fault)] Pass\n",
         {"3 tests: 2 passed, 1 failed, 0 not run\n"}, {"G/DestructorCrash (s.rt, test 2), in the destructor: crashed"}},
        {"a group's last test's destructor crashes", group("G", test("Pass") + test("DestructorCrash")) + group("H", test("Pass")),
         {}, 0, false, 0, false, 1, "G: Pass DestructorCrash[crashed: signal 11 (Segmentation fault)]\nH: Pass\n",
         {"3 tests: 2 passed, 1 failed, 0 not run\n"}, {}},
        {"initialize() hangs", group("G", test("Pass") + test("InitializeHang") + test("Pass")), {"--timeout", "1"}, 0,
         false, 0, false, 1, "G: Pass InitializeHang[timed out in initialize() after 1 s] Pass\n",
         {"3 tests: 2 passed, 1 failed, 0 not run\n"}, {"in initialize(): timed out in initialize() after 1 s"}},
        {"a crash while the libraries unload", group("G", test("AtUnload", {"crash"})), {}, 0, false, 0, false, 1,
         "G: AtUnload\n", {"1 tests: 1 passed, 0 failed, 0 not run\n"},
         {"rtrun: the test process ended badly after the last test (unloading the test libraries): crashed: signal 11"}},
        {"exit(0) while the libraries unload", group("G", test("AtUnload", {"exit0"})), {}, 0, false, 0, false, 1,
         "G: AtUnload\n", {}, {"(unloading the test libraries): exited: status 0\n"}},
        {"a fork that returns into the framework", group("G", test("ForkReturns") + test("Pass")), {}, 0, false, 0, false,
         0, "G: ForkReturns Pass\n", {"Executing Test: Pass\n"},
         {"rtrun: a process that test code forked in G/ForkReturns (s.rt, test 1) returned into the framework"}},
        {"the totals after exit() count its record", group("G", test("ErrorThenExit")), {"--in-process"}, 0, false, 0,
         false, 1, "G: ErrorThenExit[exited: status 0]\n", {"rtrun: 2 error(s), 0 warning(s)"}, {}},
        {"a script problem before a crash counts once",
         "<Group><Name>G</Name><Odd>x</Odd>" + test("DestructorCrash") + test("Pass") + "</Group>", {}, 0, false, 0,
         false, 1, "G: DestructorCrash[crashed: signal 11 (Segmentation fault)] Pass\n", {},
         {"rtrun: 1 script problem(s)", "rtrun: script problem in s.rt"}},
    };
    const bool namespaces = runCommand("unshare -pf --mount-proc true 2>/dev/null").status == 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.asProcess1 && !namespaces) {
            std::fprintf(stderr, "row '%s' left out: no process namespaces here\n", row.name);
            continue;
        }
        Installation install;
        install.addLibrary(RT_E2E_LIB_TRUST);
        const std::string marker = install.root() + "marker", junit = install.root() + "junit.xml";
        std::string script = row.script;
        for (std::size_t at = script.find(">M<"); at != std::string::npos; at = script.find(">M<", at))
            script.replace(at + 1, 1, marker);
        install.writeScript("s.rt", script);
        std::vector<std::string> args{"--platform", "E2E", "--junit", junit};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back("s.rt");

        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const int pid = install.start(args, {}, row.shellBefore, out[1]);
        close(out[1]);
        ASSERT_GT(pid, 0);
        if (row.signal) {
            EXPECT_TRUE(waitFor(marker, 20)) << "the test never announced itself";
            const int target = row.asProcess1 ? childOf(pid) : pid;  // rtrun, below the namespace's starter
            kill(row.toGroup ? -target : target, row.signal);
            if (row.second) kill(pid, row.second);
            if (row.go) writeBytes(marker + ".go", "");
        }
        std::string stdoutText;
        // Nothing the tests started holds the pipe open: it closes with rtrun.
        EXPECT_LT(readToEnd(out[0], stdoutText, 10), 10);
        close(out[0]);
        RunResult result = install.finish(pid, 20);
        result.out = stdoutText;
        EXPECT_EQ(result.status, row.status) << result.out << result.err;
        for (const std::string& line : row.out) EXPECT_EQ(count(result.out, line), 1u) << line << "\n" << result.out;
        for (const std::string& line : row.err) EXPECT_EQ(count(result.err, line), 1u) << line << "\n" << result.err;
        std::string announced = row.asProcess1 ? "" : readBytes(marker);  // a namespace's id means nothing here
        if (!announced.empty()) announced.pop_back();
        EXPECT_TRUE(gone(announced)) << "process " << announced << " was left running";
        if (row.order.empty()) continue;
        const std::string report = install.reportPath();
        ASSERT_NE(report, "") << listing(install.results());
        EXPECT_EQ(xmlProblems(report), "");
        rtreport::Report read;
        EXPECT_EQ(rtreport::readReport(report, read).status, rtreport::ReadResult::Status::eComplete);
        EXPECT_EQ(order(read), row.order);
        if (row.order.find("Block[interrupted") != std::string::npos) {  // its threads' stacks before it was stopped
            std::string traces;
            for (const rtreport::Test& t : read.groups.at(0).tests)
                if (t.title == "Block")
                    for (const std::string& line : t.records.back().traces) traces += line + "\n";
            EXPECT_NE(traces.find(" (runs the test):\n"), std::string::npos) << traces;
            EXPECT_NE(traces.find("Block::executeW()"), std::string::npos) << traces;
        }
        EXPECT_EQ(schemaProblems(junit, RT_JUNIT_XSD), "");
        // Every run releases its names, cancelled or ended by exit() from test code.
        EXPECT_EQ(listing(install.results()).find(".lock"), std::string::npos) << listing(install.results());
    }
}

// Pods often mount the temporary directory read-only: supervision needs
// none, so a crash still costs only its own test.
TEST(E2eRtrunTrust, SupervisesWithAReadOnlyTemporaryDirectory) {
    ASSERT_EQ(runCommand("unshare -m true").status, 0) << "this test needs a mount namespace of its own (run as root)";
    Installation install;
    install.addLibrary(RT_E2E_LIB_TRUST);
    install.writeScript("s.rt", group("G", test("DestructorCrash") + test("Pass")));
    // The system's temporary directory read-only, the installation (below it) writable again.
    const std::string root = install.root();
    const std::string readOnlyTmp = "unshare -m sh -c 'mount --bind /tmp /tmp && mount -o remount,bind,ro /tmp && "
                                    "mount --bind " + root + " " + root + " && mount -o remount,bind,rw " + root +
                                    " && touch /tmp/rt-probe 2>/dev/null && "
                                    "exit 97; exec \"$@\"' sh ";
    const RunResult run = install.run({"--platform", "E2E", "s.rt"}, {}, true, readOnlyTmp);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("2 tests: 1 passed, 1 failed, 0 not run"), std::string::npos) << run.out << run.err;
    EXPECT_EQ(run.err.find("scratch"), std::string::npos) << run.err;
    rtreport::Report read;
    ASSERT_EQ(rtreport::readReport(install.reportPath(), read).status, rtreport::ReadResult::Status::eComplete);
    EXPECT_EQ(order(read), "G: DestructorCrash[crashed: signal 11 (Segmentation fault)] Pass\n");
}

} // namespace
