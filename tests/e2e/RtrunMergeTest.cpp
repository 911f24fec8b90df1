// The merge of a run's shards cannot be fooled: shards known to be of other
// runs, a stray old shard and an output directory among the inputs are
// refused with one line and nothing written; what a shard's index says did
// not go well counts as it does in a run.
#include "Installation.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Environment;
using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const char kPasses[] = "<Group><Name>G</Name><Test><Title>Pass</Title></Test><Test><Title>Pass</Title></Test>"
                       "<Test><Title>Pass</Title></Test><Test><Title>Pass</Title></Test></Group>";

struct Shards {
    std::string dir[2];     // shard-I-of-2/
    std::string report[2];  // the report in each
};

// The shard's report under a name eight days older, its index beside it.
void makeOld(const std::string& report) {
    const std::string name = e2e::fileNameOf(report);
    std::tm date{};
    date.tm_mon = std::stoi(name.substr(0, 2)) - 1;
    date.tm_mday = std::stoi(name.substr(2, 2)) - 8;
    date.tm_year = 100 + std::stoi(name.substr(4, 2));
    date.tm_hour = 12;
    date.tm_isdst = -1;
    std::mktime(&date);
    char stamp[16];
    std::strftime(stamp, sizeof(stamp), "%m%d%y", &date);
    const std::string dir = report.substr(0, report.size() - name.size());
    const std::string old = dir + stamp + name.substr(6, name.size() - 10);
    fs::rename(report, old + ".xml");
    fs::rename(report.substr(0, report.size() - 4) + ".index", old + ".index");
}

struct Row {
    const char* name;
    std::vector<std::string> first, second;  // options of shard 0 and shard 1
    int status;
    std::string err;  // a part of the merge's standard error
    std::string out;  // a part of its standard output
    void (*tweak)(const Shards&) = nullptr;
    Environment firstEnv = {}, secondEnv = {};
    std::vector<std::string> secondScripts = {"a.rt"};
    enum { eOwnDir, eShardDir, eBelowReport } into = eOwnDir;
};

TEST(E2eRtrunMerge, RefusesShardsOfOtherRunsAndJudgesWhatTheirIndexesSay) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_VERDICT);
    install.writeScript("a.rt", kPasses);
    install.writeScript("b.rt", "<Group><Name>B</Name><Test><Title>Pass</Title></Test><Test><Title>Nope</Title>"
                                "</Test></Group><Group><Name>Broken</Name>");
    const Row rows[] = {
        {"one named run", {"--run-id", "n1"}, {"--run-id", "n1"}, 0, "", "4 tests: 4 passed, 0 failed, 0 not run\n"},
        {"two named runs", {"--run-id", "A"}, {"--run-id", "B"}, 2, "belongs to run 'B' (--run-id), ", ""},
        {"two CI runs", {}, {}, 2, "belongs to run '8' (GITHUB_RUN_ID)", "", nullptr,
         {{"GITHUB_RUN_ID", "7"}}, {{"GITHUB_RUN_ID", "8"}}},
        {"two platforms", {"--platform", "P1"}, {"--platform", "P2"}, 2, "ran on platform 'P2', ", ""},
        {"two script sets", {}, {}, 2, "ran the scripts a.rt b.rt, ", "", nullptr, {}, {}, {"a.rt", "b.rt"}},
        {"last week's shard", {}, {}, 2, ", more than 24 hours from the other shards", "",
         [](const Shards& s) { makeOld(s.report[1]); }},
        {"last week's shard of the named run", {"--run-id", "n1"}, {"--run-id", "n1"}, 0, "", "4 tests: 4 passed",
         [](const Shards& s) { makeOld(s.report[1]); }},
        {"a shard without index", {}, {}, 0, "has no test index beside it", "4 tests: 4 passed",
         [](const Shards& s) { fs::remove(s.report[1].substr(0, s.report[1].size() - 4) + ".index"); }},
        {"into a shard's directory", {}, {}, 2, " holds the shard report ", "", nullptr, {}, {}, {"a.rt"},
         Row::eShardDir},
        {"below a file", {}, {}, 2, "cannot make the output directory ", "", nullptr, {}, {}, {"a.rt"},
         Row::eBelowReport},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        install.clearResults();
        Shards shards;
        for (int i = 0; i < 2; ++i) {
            std::vector<std::string> args = i ? row.second : row.first;
            args.insert(args.end(), {"--shard", std::to_string(i) + "/2", "a.rt"});
            if (i) args.insert(args.end(), row.secondScripts.begin() + 1, row.secondScripts.end());
            const RunResult shard = install.run(args, i ? row.secondEnv : row.firstEnv);
            shards.dir[i] = install.results() + "shard-" + std::to_string(i) + "-of-2/";
            shards.report[i] = onlyFileEndingIn(shards.dir[i], ".xml");
            ASSERT_NE(shards.report[i], "") << shard.out << shard.err;
        }
        if (row.tweak) row.tweak(shards);
        const std::string before = listing(shards.dir[0]) + listing(shards.dir[1]);
        const std::string out = row.into == Row::eShardDir      ? shards.dir[0]
                                : row.into == Row::eBelowReport ? shards.report[0] + "/merged"
                                                                : install.root() + "merged-" + std::to_string(&row - rows);
        const RunResult merged = install.run({"--merge", out, shards.dir[0], shards.dir[1]});
        EXPECT_EQ(merged.status, row.status) << merged.out << merged.err;
        EXPECT_NE(merged.err.find(row.err), std::string::npos) << merged.err;
        EXPECT_NE(merged.out.find(row.out), std::string::npos) << merged.out;
        EXPECT_EQ(listing(shards.dir[0]) + listing(shards.dir[1]), before);  // the inputs stay as they were
        if (row.status != 2) continue;
        // Refused: one line naming why, nothing written.
        EXPECT_EQ(merged.err.rfind("rtrun: not merged: ", 0), 0u) << merged.err;
        EXPECT_EQ(merged.err.find('\n'), merged.err.size() - 1) << merged.err;
        EXPECT_EQ(merged.out, "");
        if (row.into == Row::eOwnDir) {
            EXPECT_FALSE(exists(out));
        }
    }

    // What did not go well in a shard is judged as in a run: a test that did
    // not run (also a JUnit testcase), a script problem, a refused library.
    install.clearResults();
    writeBytes(install.lib() + e2e::libraryFile("KxRtJunk80"), "not a library\n");
    for (int i = 0; i < 2; ++i) install.run({"--run-id", "n2", "--shard", std::to_string(i) + "/2", "a.rt", "b.rt"});
    const std::string junit = install.root() + "merged.junit.xml";
    const RunResult judged = install.run({"--merge", install.root() + "judged", "--junit", junit,
                                          install.results() + "shard-0-of-2", install.results() + "shard-1-of-2"});
    EXPECT_EQ(judged.status, 1) << judged.out << judged.err;
    EXPECT_NE(judged.out.find("6 tests: 5 passed, 0 failed, 1 not run\n  NOT RUN  B / Nope: no test library "
                              "registers it\n"),
              std::string::npos)
        << judged.out;
    EXPECT_NE(judged.err.find("rtrun: script problem in b.rt ("), std::string::npos) << judged.err;
    EXPECT_NE(judged.err.find("rtrun: test library " + e2e::libraryFile("KxRtJunk80") + " was not used ("),
              std::string::npos)
        << judged.err;
    EXPECT_NE(readBytes(junit).find("<error message=\"not run: no test library registers it\" type=\"NotRun\">"),
              std::string::npos);
}

} // namespace
