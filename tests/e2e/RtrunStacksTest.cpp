// Where and why a test died: each row is one real supervised run of a probe
// test followed by a test that passes; the dead test's Error record must
// say what happened (Msg lines) and where (Trace lines), the closing summary
// must name the innermost frame of test code, and the run must go on.
#include "Installation.h"
#include "report/reader/ReportReader.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <chrono>
#include <regex>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;

namespace {

// The line of the probe source that holds `marker`.
int lineOf(const std::string& marker) {
    const std::string source = readBytes(RT_E2E_STACK_PROBES);
    const std::size_t at = source.find("marker: " + marker);
    if (at == std::string::npos) return -1;
    return 1 + static_cast<int>(std::count(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string at(const std::string& marker) { return "StackProbes\\.cpp:" + std::to_string(lineOf(marker)); }

// "#N function (library+0xoffset)", then the source line when given; any N when negative.
std::string frame(int n, const std::string& function, const std::string& library, const std::string& line = "") {
    return "#" + (n < 0 ? std::string("[0-9]+") : std::to_string(n)) + " " + function + " \\(" + library + "\\+0x[0-9a-f]+\\)" +
           (line.empty() ? "" : " .*" + line);
}

// A library's file name as a regex.
std::string escaped(const std::string& file) { return std::regex_replace(file, std::regex("\\."), "\\."); }

const std::string kDebug = escaped(e2e::libraryFile("KxRtStacks80"));
const std::string kBare = escaped(e2e::libraryFile("KxRtStacksBare80"));

// What differs in a stack on Windows: DbgHelp names a function without its
// parameters or anonymous namespace, exit() lies in the C run time, and a
// bad pointer is an access violation.
#ifdef _WIN32
std::string function(const std::string& name, const std::string&, const std::string& = "") { return name; }
const std::string kCRuntime = "msvcrt\\.dll";
const std::string kBadPointer = "access violation: writing address 0x0";
const std::string kOverflowed = "crashed: exception 0xC00000FD (stack overflow)";
const std::string kOverflowDetails = "stack overflow";
#else
std::string function(const std::string& name, const std::string& parameters, const std::string& scope = "") {
    return scope + name + "(" + parameters + ")";
}
const std::string kCRuntime = "libc\\.so\\.6";
const std::string kBadPointer = "SIGSEGV: address 0x0: not mapped";
const std::string kOverflowed = e2e::kSegfault;
const std::string kOverflowDetails = "SIGSEGV: address 0x[0-9a-f]+: not mapped";
#endif
// The same as a regex.
std::string functionRegex(const std::string& name, const std::string& parameters, const std::string& scope = "") {
    return std::regex_replace(function(name, parameters, scope), std::regex("[()*]"), "\\$&");
}

struct Row {
    const char* name;
    std::string testCase;
    bool bare = false;           // the library without debug information
    bool noTrace = false;        // the supervisor acts as one that may not trace
    std::string desc;
    std::vector<std::string> msgs;    // each a regex matching a Msg line, in order
    std::vector<std::string> traces;  // regexes matching consecutive Trace lines from the first
    std::string summary;              // in the closing summary's line for the test
    std::string traceAnywhere;        // a regex some Trace line matches
    std::vector<std::string> lastWords = {};  // Msg lines at the end, as the report's bytes; each once on rtrun's stderr
    std::string before = {};   // a test case run first (one that dies: the probe runs in a second child)
    std::string junit = {};    // in the JUnit file
};

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// All records' lines of the test titled `title`, and its Desc.
const rtreport::Record* errorOf(const rtreport::Report& report, const std::string& title) {
    for (const rtreport::Group& group : report.groups)
        for (const rtreport::Test& test : group.tests)
            if (test.title == title)
                for (const rtreport::Record& record : test.records)
                    if (record.method == "TestSet::executeW") return &record;
    return nullptr;
}

TEST(E2eRtrunStacks, DeadTestsSayWhereAndWhy) {
    const std::string segv = kBadPointer;
    const std::string crashed = e2e::kSegfault;
    const std::string threeDeep[] = {frame(0, functionRegex("probes::crashInner", "int*"), kDebug, at("the fault")),
                                     frame(1, functionRegex("probes::crashMiddle", "int*"), kDebug, at("calls crashInner")),
                                     frame(2, functionRegex("probes::crashOuter", "int*"), kDebug, at("calls crashMiddle"))};
    const std::string captured = "stack captured by the test process itself \\(not traced: RTRUN_NO_PTRACE is set\\)";
    const std::string hung = "timed out after " + e2e::kTimeout + " s";
    const std::vector<std::string> exitFrames = {
        frame(0, "exit", kCRuntime), frame(1, functionRegex("probes::quitWithThree", ""), kDebug, at("calls exit"))};
    std::vector<Row> rows = {
        {"a segfault three calls deep", "Segfault", false, false, crashed, {segv},
         {threeDeep[0], threeDeep[1], threeDeep[2]},
         "Segfault: " + crashed + " at " + function("probes::crashInner", "int*") + " StackProbes.cpp:" +
             std::to_string(lineOf("the fault")),
         ""},
        {"no debug information: library and offset", "Segfault", true, false, crashed, {segv},
         {frame(0, "[^ ]*", kBare) + "$", frame(1, "[^ ]*", kBare) + "$", frame(2, "[^ ]*", kBare) + "$"},
         "Segfault: " + crashed + " at ", ""},
        {"exit(3) from a named function", "ExitThree", false, false, e2e::exited(3), {}, exitFrames,
         "ExitThree: " + e2e::exited(3) + " at " + function("probes::quitWithThree", "") + " StackProbes.cpp:" +
             std::to_string(lineOf("calls exit")),
         ""},
        {"a hang in a second thread", "HangInThread", false, false, hung,
         {"the stacks of its 2 thread\\(s\\) before it was stopped"}, {"thread [0-9]+ \\(runs the test\\):"},
         "HangInThread: " + hung + " at " + function("HangInThread::executeW", "", "(anonymous namespace)::"),
         frame(-1, functionRegex("probes::waitForever", ""), kDebug)},
        {"an abort after lines on standard error", "AbortAfterLine", false, false, e2e::kAborted,
         {"SIGABRT: abort\\(\\) called"}, {},
         "AbortAfterLine: " + std::string(e2e::kAborted) + " at " +
             function("AbortAfterLine::executeW", "", "(anonymous namespace)::"),
         frame(-1, "abort", kCRuntime),
         {"the end of what it wrote to standard error:", "stack probe: bytes XML forbids: \xE2\x90\x81 \xEF\xBF\xBD.",
          "stack probe: the mesh has a degenerate edge"}},
        {"a body that throws", "Throws", false, false, "", {"Unknown Exception Occured in Test Throws"}, {},
         "Throws: threw std::runtime_error: degenerate edge at index 3", "", {}, "",
         "<failure message=\"threw std::runtime_error: degenerate edge at index 3\""},
        {"a body that throws after a death", "Throws", false, false, "", {}, {},
         "Throws: threw std::runtime_error: degenerate edge at index 3", "", {}, "Segfault",
         "<failure message=\"threw std::runtime_error: degenerate edge at index 3\""},
    };
    // The frame that ran out of stack, called by itself.
    const std::string recursion = functionRegex("probes::recurseForever", "int");
    rows.push_back({"a stack overflow", "Overflows", false, false, kOverflowed, {kOverflowDetails},
                    {frame(0, recursion, kDebug), frame(1, recursion, kDebug, at("calls itself"))},
                    "Overflows: " + kOverflowed + " at " + function("probes::recurseForever", "int"), ""});
#ifndef _WIN32
    // The supervisor that may not trace (RTRUN_NO_PTRACE) is POSIX's: ptrace.
    rows.push_back({"the same, captured in the process", "Segfault", false, true, crashed, {segv, captured},
                    {threeDeep[0], threeDeep[1], threeDeep[2]}, "Segfault: " + crashed + " at probes::crashInner(int*)", ""});
    rows.push_back({"exit(3), captured in the process", "ExitThree", false, true, e2e::exited(3), {captured}, exitFrames,
                    "", ""});
    // Under Wine 8 a fault on a stack overwritten ends the process in Wine's
    // own exception handling, with status 0, before rtrun sees it.
    rows.push_back({"a corrupt stack", "CorruptStack", false, false, crashed, {segv},
                    {frame(0, "probes::smashAndCrash\\(int\\*\\)", kDebug, "StackProbes\\.cpp")}, "", ""});
    rows.push_back({"a corrupt stack, captured in the process", "CorruptStack", false, true, crashed, {segv},
                    {frame(0, "probes::smashAndCrash\\(int\\*\\)", kDebug, "StackProbes\\.cpp")}, "", ""});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Installation install;
        install.addLibrary(row.bare ? RT_E2E_LIB_STACKS_BARE : RT_E2E_LIB_STACKS);
        const std::string first = row.before.empty() ? "" : "<Test><Title>" + row.before + "</Title></Test>";
        install.writeScript("s.rt", "<Group><Name>G</Name>" + first + "<Test><Title>" + row.testCase +
                                        "</Title></Test><Test><Title>Pass</Title></Test></Group>");
        const std::string junit = install.root() + "junit.xml";
        e2e::Environment env;
        if (row.noTrace) env.push_back({"RTRUN_NO_PTRACE", "1"});
        const auto start = std::chrono::steady_clock::now();
        const RunResult result =
            install.run({"--platform", "E2E", "--timeout", e2e::kTimeout, "--junit", junit, "s.rt"}, env);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(result.status, 1) << result.out << result.err;
        EXPECT_NE(result.out.find(row.before.empty() ? "2 tests: 1 passed, 1 failed, 0 not run"
                                                      : "3 tests: 1 passed, 2 failed, 0 not run"),
                  std::string::npos)
            << result.out;
        if (!row.junit.empty()) {
            EXPECT_NE(readBytes(junit).find(row.junit), std::string::npos) << readBytes(junit);
        }
        EXPECT_LT(seconds, std::stod(e2e::kTimeout) + 14) << "taking the stack must not hold the run up";
        if (!row.summary.empty()) {
            EXPECT_NE(result.out.find(row.summary), std::string::npos) << result.out;
        }

        rtreport::Report report;
        ASSERT_EQ(rtreport::readReport(install.reportPath(), report).status, rtreport::ReadResult::Status::eComplete);
        const rtreport::Record* error = errorOf(report, row.testCase);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->desc, row.desc);
        std::string lines;
        for (const std::string& line : error->msgs) lines += "Msg: " + line + "\n";
        for (const std::string& line : error->traces) lines += "Trace: " + line + "\n";
        // The first line of a death's record is the reason again, for readers of first lines.
        const std::size_t reasonLines = row.desc.empty() ? 0 : 1;
        ASSERT_GE(error->msgs.size(), row.msgs.size() + reasonLines) << lines;
        if (reasonLines) {
            EXPECT_EQ(error->msgs[0].rfind(row.desc, 0), 0u) << lines;
        }
        for (std::size_t i = 0; i < row.msgs.size(); ++i)
            EXPECT_TRUE(std::regex_match(error->msgs[i + reasonLines], std::regex(row.msgs[i]))) << row.msgs[i] << "\n" << lines;
        ASSERT_GE(error->traces.size(), row.traces.size()) << lines;
        for (std::size_t i = 0; i < row.traces.size(); ++i)
            EXPECT_TRUE(std::regex_search(error->traces[i], std::regex("^" + row.traces[i])))
                << row.traces[i] << "\n" << lines;
        ASSERT_GE(error->msgs.size(), row.lastWords.size()) << lines;
        for (std::size_t i = 0; i < row.lastWords.size(); ++i) {
            const std::string& line = row.lastWords[i];
            EXPECT_EQ(rtreport::reportBytes(error->msgs[error->msgs.size() - row.lastWords.size() + i]), line) << lines;
            if (i > 1) {
                EXPECT_EQ(count(result.err, line + "\n"), 1u) << result.err;
            }
        }
        if (!row.traceAnywhere.empty()) {
            const std::regex wanted(row.traceAnywhere);
            EXPECT_TRUE(std::any_of(error->traces.begin(), error->traces.end(),
                                    [&](const std::string& line) { return std::regex_search(line, wanted); }))
                << row.traceAnywhere << "\n" << lines;
        }
    }
}

} // namespace
