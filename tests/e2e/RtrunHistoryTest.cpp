// The run history end to end: a suite run night after night with tests
// toggled between passing and failing, into an SQLite file and into a
// PostgreSQL server of the test's own; what the closing summary, --history
// and --compare last say of it; what it records of each test, which is what
// the report says; and histories that cannot be used, which must cost the
// run nothing.
#include "Installation.h"
#ifndef _WIN32
#include "PostgresServer.h"
#endif
#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/TestKey.h"
#include "support/TempSuite.h"
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>
#include <sstream>

using e2e::Environment;
using e2e::Installation;
using e2e::RunResult;
namespace fs = std::filesystem;

namespace {

const char* const kNames[] = {"a", "b", "c", "d"};

void writeNightly(Installation& install, int probes = 4) {
    std::string script = "<Group><Name>Night</Name>";
    for (int i = 0; i < probes; ++i)
        script += std::string("<Test><Title>Probe</Title><Arg>") + (i < 4 ? kNames[i] : std::to_string(i)) + "</Arg></Test>";
    install.writeScript("nightly.rt", script + "</Group>");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The one line of `out` holding `part`; empty when none or several do.
std::string lineWith(const std::string& out, const std::string& part) {
    std::string found;
    int count = 0;
    for (const std::string& line : linesOf(out))
        if (line.find(part) != std::string::npos) found = line, ++count;
    return count == 1 ? found : "";
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The run's name, from the "Report: <results>/<name>.xml" line.
std::string runNameIn(const std::string& out) {
    const std::string line = lineWith(out, "Report: ");
    const std::size_t slash = line.find_last_of('/');
    return slash == std::string::npos ? "" : line.substr(slash + 1, line.size() - slash - 5);
}

struct Night {
    std::string fail, crash, slow;  // the probes that fail, crash, take over a second
};

// Runs the nights into the history `history` names (the default file when
// it is empty), one hour apart on the run's clock so that each night has a
// run name of its own, and checks what each night's summary says.
void runNights(Installation& install, const Environment& history) {
    writeNightly(install);
    const Night nights[] = {{"", "", ""}, {"a", "", ""}, {"a b", "d", ""}, {"b", "", ""}, {"a b", "", ""}, {"b", "", "c"}};
    std::vector<std::string> names;
    std::vector<std::string> outs;
    for (int night = 0; night < 6; ++night) {
        SCOPED_TRACE("night " + std::to_string(night + 1));
        Environment env = history;
        // A zone of three letters, as the Windows C run time reads it too.
        env.insert(env.end(), {{"TZ", "NIT+" + std::to_string(night + 1)}, {"PROBE_FAIL", nights[night].fail},
                               {"PROBE_CRASH", nights[night].crash}, {"PROBE_SLOW", nights[night].slow}});
        const RunResult result = install.run({"--platform", "E2E", "nightly.rt"}, env);
        EXPECT_EQ(result.status, night == 0 ? 0 : 1) << result.out << result.err;
        EXPECT_EQ(result.err.find("history"), std::string::npos) << result.err;
        names.push_back(runNameIn(result.out));
        outs.push_back(result.out);
    }
    ASSERT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 6u) << "each night needs a run name of its own";
    const char* const failed[] = {"0", "1", "3", "1", "2", "1"};
    const auto line = [&](int night, const char* probe) { return lineWith(outs[night - 1], std::string("Probe (") + probe + ")"); };
    EXPECT_EQ(outs[0].find("(new)"), std::string::npos) << outs[0];
    EXPECT_TRUE(endsWith(line(2, "a"), ": probe a fails tonight (new)")) << outs[1];
    EXPECT_TRUE(endsWith(line(3, "a"), "(failing since " + names[1] + ", 2 runs)")) << outs[2];
    EXPECT_TRUE(endsWith(line(3, "b"), "(new)")) << outs[2];
    EXPECT_NE(line(3, "d").find(e2e::kSegfault), std::string::npos) << outs[2];
    EXPECT_TRUE(endsWith(line(3, "d"), "(new)")) << outs[2];
    EXPECT_NE(outs[3].find("Fixed since the last run: Night / Probe (a), Night / Probe (d)\n"), std::string::npos) << outs[3];
    EXPECT_TRUE(endsWith(line(4, "b"), "(failing since " + names[2] + ", 2 runs)")) << outs[3];
    // a: passed, failed, failed, passed, failed: it changed three times.
    EXPECT_TRUE(endsWith(line(5, "a"), "(flaky: failed 3 of the last 5)")) << outs[4];
    EXPECT_TRUE(endsWith(line(5, "b"), "(failing since " + names[2] + ", 3 runs)")) << outs[4];
    EXPECT_NE(outs[5].find("Slower than usual:\n  Night / Probe (c): 1."), std::string::npos) << outs[5];
    EXPECT_EQ(outs[4].find("Slower than usual:"), std::string::npos) << outs[4];
    EXPECT_NE(outs[5].find("Fixed since the last run: Night / Probe (a)\n"), std::string::npos) << outs[5];
    EXPECT_TRUE(endsWith(line(6, "b"), "(failing since " + names[2] + ", 4 runs)")) << outs[5];

    // The page's history beside each report: the failures' states and
    // results, and the totals of the runs so far (probes a to d are tests 1 to 4).
    const std::string firstJson = testsupport::readBytes(install.results() + names[0] + ".history.json");
    EXPECT_NE(firstJson.find("\"runs\": [\n {\"name\": \"" + names[0] + "\", \"passed\": 4, \"failed\": 0, "),
              std::string::npos) << firstJson;
    EXPECT_NE(firstJson.find("\"failures\": {}}"), std::string::npos) << firstJson;
    const std::string json = testsupport::readBytes(install.results() + names[4] + ".history.json");
    EXPECT_NE(json.find("\"1\": {\"state\": \"flaky\", \"note\": \"(flaky: failed 3 of the last 5)\", "),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"failed\": 3, \"of\": 5, \"timeline\": \"pffpf\"}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"2\": {\"state\": \"failing\", \"note\": \"(failing since " + names[2] +
                        ", 3 runs)\", \"since\": \"" + names[2] + "\", \"runs\": 3, "),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"timeline\": \"ppfff\"}"), std::string::npos) << json;
    EXPECT_EQ(json.find("\"3\": "), std::string::npos) << json;
    std::size_t at = 0;
    for (int night = 0; night < 5; ++night) {
        at = json.find(std::string("\"name\": \"") + names[night] + "\", \"passed\": " +
                       std::to_string(4 - (failed[night][0] - '0')) + ", \"failed\": " + failed[night], at);
        EXPECT_NE(at, std::string::npos) << "night " << night + 1 << " in " << json;
    }

    // --history: one line per run, nothing else naming the platform.
    Environment env = history;
    env.emplace_back("TZ", "NIT+6");
    RunResult listed = install.run({"--history"}, env);
    EXPECT_EQ(listed.status, 0) << listed.err;
    std::vector<std::string> lines = linesOf(listed.out);
    ASSERT_EQ(lines.size(), 6u) << listed.out;
    for (int night = 0; night < 6; ++night) {
        EXPECT_EQ(lines[night].rfind(names[night] + "  E2E  ", 0), 0u) << lines[night];
        EXPECT_TRUE(endsWith(lines[night], std::string("  4 tests, ") + failed[night] + " failed")) << lines[night];
    }

    // --history --filter: each test's results, oldest first, and its times.
    listed = install.run({"--history", "--platform", "E2E", "--filter", "Night/*", "--filter", "-*/x"}, env);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(lineWith(listed.out, "Probe (a)").substr(0, 20), ".FF.F.              ") << listed.out;
    EXPECT_EQ(lineWith(listed.out, "Probe (b)").substr(0, 20), "..FFFF              ") << listed.out;
    EXPECT_EQ(lineWith(listed.out, "Probe (d)").substr(0, 20), "..C...              ") << listed.out;
    EXPECT_NE(lineWith(listed.out, "Probe (c)").find("Night / Probe (c)  0.00 s -> 1."), std::string::npos) << listed.out;
    EXPECT_EQ(linesOf(listed.out).size(), 4u) << listed.out;
    listed = install.run({"--history", "--platform", "OTHER", "--filter", "Night/*"}, env);
    EXPECT_EQ(listed.out, "");

    // --compare last: the last night against the night recorded before it.
    const std::string lastReport = install.results() + names[5] + ".xml";
    const RunResult compared = install.run({"--platform", "E2E", "--compare", "last", lastReport}, env);
    EXPECT_EQ(compared.status, 0) << compared.out << compared.err;
    EXPECT_NE(compared.out.find("Compared with the recorded run " + names[4] + "\n"), std::string::npos) << compared.out;
    EXPECT_NE(compared.out.find("Fixed (1):\n  Night / Probe (a)\n"), std::string::npos) << compared.out;
    EXPECT_NE(compared.out.find("Still failing (1):\n  Night / Probe (b)\n"), std::string::npos) << compared.out;

    // A seventh night keeping three runs: the oldest four go.
    env.insert(env.end(), {{"PROBE_FAIL", ""}, {"TZ", "NIT+7"}});
    EXPECT_EQ(install.run({"--platform", "E2E", "--history-keep", "3", "nightly.rt"}, env).status, 0);
    lines = linesOf(install.run({"--history"}, env).out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(names[4], 0), 0u) << lines[0];
}

TEST(E2eRtrunHistory, NightsInTheSuitesFile) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_PROBE);
    EXPECT_EQ(install.run({"--history"}).out, "");  // nothing recorded yet: nothing to say, and no file made
    EXPECT_FALSE(fs::exists(install.results() + "history.sqlite"));
    runNights(install, {});
    EXPECT_TRUE(fs::exists(install.results() + "history.sqlite"));
}

#ifndef _WIN32  // the PostgreSQL server the test starts is Debian's, a Linux program
TEST(E2eRtrunHistory, NightsOnAPostgresServer) {
    e2e::PostgresServer server;
    ASSERT_EQ(server.failure(), "") << "the PostgreSQL server of the test did not start";
    Installation install;
    install.addLibrary(RT_E2E_LIB_PROBE);
    runNights(install, {{"KXRT_HISTORY", server.address()}, {"KXRT_SUITE_NAME", "nightly-suite"}});
    EXPECT_FALSE(fs::exists(install.results() + "history.sqlite"));
}
#endif

// A test's row of the history, its columns joined by " | ".
using TestRows = std::vector<std::string>;

std::string rowOf(const std::string& group, const std::string& title, const std::string& args, int occurrence,
                  const std::string& script, const std::string& caseName, const std::string& verdict, double seconds,
                  const std::string& error) {
    std::ostringstream row;
    row << group << " | " << title << " | " << args << " | " << occurrence << " | " << script << " | " << caseName
        << " | " << verdict << " | " << seconds << " | " << error;
    return row.str();
}

// The tests of the run recorded last, in the order recorded.
TestRows lastRunsTests(const std::string& file) {
    TestRows rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* select = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT group_title, title, args, occurrence, script, case_name, verdict, seconds, "
                                     "error FROM tests WHERE run_id = (SELECT max(id) FROM runs) ORDER BY rowid",
                                 -1, &select, nullptr),
              SQLITE_OK);
    const auto text = [&](int column) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, column))); };
    while (sqlite3_step(select) == SQLITE_ROW)
        rows.push_back(rowOf(text(0), text(1), text(2), sqlite3_column_int(select, 3), text(4), text(5), text(6),
                             sqlite3_column_double(select, 7), text(8)));
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

// What the report and its index say of the run's tests, with what only the
// run itself saw when `ranHere` (a body that threw is known by what it
// threw, one that returned false without an error by that), then the tests
// never made (all "NoSuchFact" here), with the reason the run gave.
TestRows rowsTheReportSays(const std::string& report, bool ranHere, const std::string& notMadeGroup,
                           const std::string& notMadeWhy) {
    rtrun::RunRecord record;
    std::string problem;
    EXPECT_TRUE(rtrun::readRunRecord(report, record, problem)) << problem;
    rtrun::TestKeyMaker keys;
    TestRows rows;
    for (rtrun::RecordedTest& test : record.tests) {
        const auto asked = [&](const char* word) { return std::count(test.args.begin(), test.args.end(), word) > 0; };
        if (ranHere && asked("throw")) {
            test.verdict = rtrun::Verdict::eFailed;
            test.error = "threw std::runtime_error: fact thrown";
        } else if (ranHere && asked("false") && test.verdict == rtrun::Verdict::ePassed) {
            test.verdict = rtrun::Verdict::eFailed;
            test.error = "its body returned false";
        }
        std::string args;
        for (std::size_t i = 0; i < test.args.size(); ++i) args += (i ? "\x1f" : "") + test.args[i];
        rows.push_back(rowOf(test.group, test.title, args, keys.next(test.group, test.title, test.args).occurrence,
                             test.script, test.caseName, rtrun::verdictName(test.verdict), test.seconds, test.error));
    }
    rows.push_back(rowOf(notMadeGroup, "NoSuchFact", "", 1, "", "NoSuchFact", "not run", 0, notMadeWhy));
    return rows;
}

// The one row holding `part`; empty when none or several do.
std::string rowWith(const TestRows& rows, const std::string& part) {
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const std::string& row) { return row.find(part) != std::string::npos; });
    return found == rows.end() || std::count_if(rows.begin(), rows.end(), [&](const std::string& row) {
                                      return row.find(part) != std::string::npos;
                                  }) > 1
               ? ""
               : *found;
}

std::string factTest(const std::string& words) {
    std::string test = "<Test><Title>Fact</Title>";
    std::istringstream list(words);
    for (std::string word; list >> word;) test += "<Arg>" + word + "</Arg>";
    return test + "</Test>";
}

// What the history records of each test is what the report and the test
// index say of it, whichever way the run went: in rtrun's own process, or
// supervised with deaths, or in shards merged, where tests die, throw,
// change their titles and arguments, hold errors of two lines, raise errors
// while they are made, end the process while they run or are made, or are
// never made.
TEST(E2eRtrunHistory, RecordsOfEachTestWhatItsReportSays) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_PROBE);
    const std::string history = install.root() + "facts.sqlite";
    const Environment env = {{"KXRT_HISTORY", history}};
    std::string facts;
    for (const char* words : {"", "fail", "labelled", "madefail", "retitle fail", "untitle", "addarg", "false", "throw",
                              "fail throw", "", "untitle labelled", "addarg false"})
        facts += factTest(words);
    const std::string group = "<Group><Name>Facts \xe9</Name>";
    const std::string notMade = "<Test><Title>NoSuchFact</Title></Test>";
    install.writeScript("facts.rt", group + facts + notMade + factTest("fail exit") + "</Group>");
    install.writeScript("deaths.rt", group + facts + factTest("labelled crash") + notMade + factTest("fail exit") + "</Group>");
    install.writeScript("made.rt", group + factTest("") + notMade + "<Test><Title>FactMadeExit</Title></Test></Group>");
    install.writeScript("shards.rt", group + facts + notMade + "</Group>");

    struct Run {
        const char* name;
        std::vector<std::string> args;
    };
    const Run runs[] = {{"in-process", {"--in-process", "facts.rt"}},
                        {"supervised, with deaths", {"deaths.rt"}},
                        {"made, in-process", {"--in-process", "made.rt"}},
                        {"made, supervised", {"made.rt"}}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        install.clearResults();
        std::vector<std::string> args = {"--platform", "E2E"};
        args.insert(args.end(), run.args.begin(), run.args.end());
        const RunResult result = install.run(args, env);
        EXPECT_EQ(result.status, 1) << result.out << result.err;
        EXPECT_EQ(result.err.find("history"), std::string::npos) << result.err;
        const TestRows recorded = lastRunsTests(history);
        const bool inProcess = run.args[0] == "--in-process";
        // A run merged from its dead children's pieces says of a test it could not make only that.
        EXPECT_EQ(recorded, rowsTheReportSays(install.reportPath(), true, "Facts \xc3\xa9",
                                              inProcess ? "no test library registers it" : "not made (see above)"));
        if (std::string(run.name).find("made") != std::string::npos) {
            EXPECT_NE(rowWith(recorded, "| FactMadeExit | exited | 0 | " + e2e::exited(3)), "")
                << ::testing::PrintToString(recorded);
            continue;
        }
        // The report's view, not the closing summary's: an error raised while
        // a test is made is not in its element, and its first error is the
        // one it raised before it ended the process.
        EXPECT_NE(rowWith(recorded, "| madefail | 1 |").find("| passed |"), std::string::npos);
        EXPECT_NE(rowWith(recorded, "| fail\x1f" "exit |").find("| failed | "), std::string::npos);
        EXPECT_NE(rowWith(recorded, "| fail\x1f" "exit |").find("| fact fails\nits second line \xc3\xa9"), std::string::npos);
        EXPECT_NE(rowWith(recorded, "Fact r\xc3\xa9titled <&> | retitle\x1f" "fail |"), "");
        EXPECT_NE(rowWith(recorded, "| addarg\x1f" "added | 1 |"), "");
        EXPECT_NE(rowWith(recorded, "| untitle\x1f" "labelled |").find("a label only"), std::string::npos);
        EXPECT_NE(rowWith(recorded, "Fact |  | 2 |"), "");
        if (!inProcess) {
            EXPECT_NE(rowWith(recorded, "labelled\x1f" "crash").find("| failed | "), std::string::npos);
        }
    }

    // Shards merged: the merged run is recorded as the report it makes says,
    // with the tests the shards could not make.
    install.clearResults();
    for (const char* shard : {"0/2", "1/2"})
        EXPECT_EQ(install.run({"--platform", "E2E", "--shard", shard, "shards.rt"}, env).status, 1);
    const std::string merged = install.root() + "merged/";
    const RunResult mergedRun = install.run({"--merge", merged, install.results() + "shard-0-of-2",
                                             install.results() + "shard-1-of-2"}, env);
    EXPECT_EQ(mergedRun.status, 1) << mergedRun.out << mergedRun.err;
    EXPECT_EQ(mergedRun.err.find("history"), std::string::npos) << mergedRun.err;
    EXPECT_EQ(lastRunsTests(history), rowsTheReportSays(testsupport::onlyFileEndingIn(merged, ".xml"), false,
                                                        "Facts \xc3\xa9", "no test library registers it"));
}

// A history that cannot be used: one line on standard error, the run's exit
// status and output as without history, and the file as it was.
TEST(E2eRtrunHistory, AHistoryThatCannotBeUsedCostsTheRunNothing) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_PROBE);
    writeNightly(install);
    const std::string file = install.root() + "history.sqlite";
    const std::string garbage(600, 'x');
    sqlite3* db = nullptr;
    struct Row {
        const char* name;
        Environment env;
        std::string err;  // standard error: exactly, or its start when it ends in "*"
    };
    const Row rows[] = {
        {"not a database", {{"KXRT_HISTORY", file}}, "rtrun: history " + file + ": not recorded: file is not a database\n"},
        {"no such directory", {{"KXRT_HISTORY", install.root() + "none/h.sqlite"}},
         "rtrun: history " + install.root() + "none/h.sqlite: not recorded: unable to open database file\n"},
#ifndef _WIN32  // rtrun.exe loads no PostgreSQL client where none lies beside it: the servers are not reached
        {"unreachable server", {{"KXRT_HISTORY", "postgresql://rt:secret@/db?host=" + install.root()}},
         "rtrun: history postgresql://rt@/db?host=" + install.root() + ": not recorded: connection to server on socket*"},
        {"a server not listening", {{"KXRT_HISTORY", "postgresql://rt@127.0.0.1:1/db"}},
         "rtrun: history postgresql://rt@127.0.0.1:1/db: not recorded: connection to server at \"127.0.0.1\", port 1 failed*"},
#endif
        {"newer schema", {{"KXRT_HISTORY", file}},
         "rtrun: history " + file + ": not recorded: its schema (version 99) is newer than this rtrun's (version 1); "
         "it is left alone\n"},
        {"locked", {{"KXRT_HISTORY", file}}, "rtrun: history " + file + ": not recorded: database is locked\n"},
        {"turned off", {{"KXRT_HISTORY", "off"}}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string name = row.name;
        if (name == "not a database") testsupport::writeBytes(file, garbage);
        if (name == "newer schema" || name == "locked") {
            for (const char* leftover : {"", "-wal", "-shm"}) fs::remove(file + leftover);
            install.clearResults();
            EXPECT_EQ(install.run({"--platform", "E2E", "nightly.rt"}, row.env).err, "");
            ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
            const char* change = name == "locked" ? "BEGIN EXCLUSIVE; UPDATE runs SET machine = 'held'"
                                                  : "UPDATE history_schema SET version = 99";
            ASSERT_EQ(sqlite3_exec(db, change, nullptr, nullptr, nullptr), SQLITE_OK);
            if (name == "newer schema") sqlite3_close(db);  // the change goes into the file itself
        }
        // (Not read while locked: closing any descriptor of the file drops this process's locks on it.)
        const std::string before = name == "locked" ? "" : testsupport::readBytes(file);
        // Each run waits a few seconds for a locked history: one run is enough there.
        for (const char* fail : name == "locked" ? std::vector<const char*>{"b"} : std::vector<const char*>{"", "b"}) {
            Environment env = row.env;
            env.emplace_back("PROBE_FAIL", fail);
            install.clearResults();
            const RunResult result = install.run({"--platform", "E2E", "nightly.rt"}, env);
            EXPECT_EQ(result.status, *fail ? 1 : 0) << result.err;
            if (endsWith(row.err, "*")) {
                EXPECT_EQ(result.err.rfind(row.err.substr(0, row.err.size() - 1), 0), 0u) << result.err;
            } else {
                EXPECT_EQ(result.err, row.err);
            }
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), row.err.empty() ? 0 : 1) << result.err;
            EXPECT_NE(result.out.find(*fail ? "fails tonight\n" : "4 tests: 4 passed"), std::string::npos) << result.out;
            EXPECT_NE(result.out.find("Report: "), std::string::npos);
            // Nothing recorded, nothing for the page: it shows the report as it is.
            for (const fs::directory_entry& entry : fs::directory_iterator(install.results()))
                EXPECT_EQ(entry.path().string().find(".history.json"), std::string::npos) << entry.path();
        }
        if (name == "locked") {  // reading waits as long, and says why it cannot
            const RunResult listed = install.run({"--history"}, {{"KXRT_HISTORY", file}});
            EXPECT_EQ(listed.status, 2);
            EXPECT_EQ(listed.err, "rtrun: history " + file + ": database is locked\n");
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        if (name == "not a database" || name == "newer schema") {
            EXPECT_TRUE(testsupport::readBytes(file) == (name == "not a database" ? garbage : before));
        }
    }
    EXPECT_FALSE(fs::exists(install.results() + "history.sqlite"));
}

// Four runs ending at the same time into one file lose no row.
TEST(E2eRtrunHistory, FourRunsAtOnceIntoOneFile) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_PROBE);
    writeNightly(install, 200);
    const std::string file = install.root() + "shared.sqlite";
    std::vector<int> runs;
    for (int run = 0; run < 4; ++run) {
        const std::string results = install.root() + "results" + std::to_string(run);
        runs.push_back(install.start({"--platform", "E2E", "nightly.rt"},
                                     {{"KXRT_HISTORY", file}, {"KXRT_RESULT_DIR", results}}));
    }
    for (int run : runs) {
        const RunResult result = install.finish(run, 300);
        EXPECT_EQ(result.status, 0) << result.out << result.err;
        EXPECT_EQ((result.out + result.err).find("history"), std::string::npos) << result.out << result.err;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT (SELECT count(*) FROM runs), (SELECT count(*) FROM tests), "
                                     "(SELECT count(DISTINCT run_id) FROM tests)", -1, &count, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 4);
    EXPECT_EQ(sqlite3_column_int(count, 1), 800);
    EXPECT_EQ(sqlite3_column_int(count, 2), 4);
    sqlite3_finalize(count);
    sqlite3_close(db);
}

} // namespace
