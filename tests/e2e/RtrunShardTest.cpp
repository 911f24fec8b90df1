// A night in shards: each shard runs every N-th test, and the merge of their
// reports holds what one process would have run, in script order.
#include "Installation.h"
#include "report/reader/ReportReader.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Each test as "group/title(args):verdict", and the ids in order.
std::string testsOf(const std::string& report, std::vector<int>* ids = nullptr) {
    rtreport::Report read;
    EXPECT_EQ(rtreport::readReport(report, read).status, rtreport::ReadResult::Status::eComplete) << report;
    std::string text;
    for (const rtreport::Group& group : read.groups) {
        if (ids) ids->push_back(group.id);
        for (const rtreport::Test& test : group.tests) {
            if (ids) ids->push_back(test.id);
            text += group.title + "/" + test.title + "(";
            for (const std::string& arg : test.args) text += arg + ",";
            text += test.failed() ? "):failed\n" : "):passed\n";
        }
    }
    return text;
}

TEST(E2eRtrunShard, ShardsMergeBackIntoTheOneProcessRun) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    e2e::copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Config", install.config());
    const std::vector<std::string> scripts{"smoke.rt", "showcase.rt"};
    auto args = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"--platform", "E2E"});
        options.insert(options.end(), scripts.begin(), scripts.end());
        return options;
    };
    const RunResult whole = install.run(args({"--in-process"}));
    EXPECT_EQ(whole.status, 1);
    const std::string reference = testsOf(install.reportPath());
    install.clearResults();

    // The de-facto variables shard as --shard does, and the status file is touched.
    const std::string shardOne = install.results() + "shard-1-of-3/";
    const std::string status = install.root() + "shard-status";
    const RunResult byEnvironment = install.run(
        args({}), {{"TEST_TOTAL_SHARDS", "3"}, {"TEST_SHARD_INDEX", "1"}, {"TEST_SHARD_STATUS_FILE", status}});
    EXPECT_NE(byEnvironment.status, 2) << byEnvironment.err;
    EXPECT_TRUE(exists(status));
    const std::string shardOneTests = testsOf(onlyFileEndingIn(shardOne, ".xml"));
    fs::remove_all(shardOne);

    for (int shard = 0; shard < 3; ++shard) {
        const RunResult part = install.run(args({"--shard", std::to_string(shard) + "/3"}));
        EXPECT_NE(part.status, 2) << part.err;
    }
    EXPECT_EQ(testsOf(onlyFileEndingIn(shardOne, ".xml")), shardOneTests);

    const std::string merged = install.root() + "merged";
    std::vector<std::string> merge{"--merge", merged};
    for (int shard = 0; shard < 3; ++shard)
        merge.push_back(install.results() + "shard-" + std::to_string(shard) + "-of-3");
    const RunResult mergedRun = install.run(merge);  // the templates come from the suite
    EXPECT_EQ(mergedRun.status, 1) << mergedRun.out << mergedRun.err;
    const std::string report = onlyFileEndingIn(merged + "/", ".xml");
    ASSERT_NE(report, "") << mergedRun.out << mergedRun.err;
    std::vector<int> ids;
    EXPECT_EQ(testsOf(report, &ids), reference);
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], static_cast<int>(i));
    EXPECT_EQ(xmlProblems(report), "");
    EXPECT_NE(onlyFileEndingIn(merged + "/", ".htm"), "");
    EXPECT_NE(listing(merged + "/E2E").find(".email"), std::string::npos);
    // The merged report's failures can be run again by their script names.
    const RunResult failed = install.run({"--failed", report});
    EXPECT_NE(failed.out.find("<Test><Title>DegenerateBox</Title>"), std::string::npos) << failed.out;
    EXPECT_EQ(failed.err, "");

    // A missing shard: merged as far as the others go, named, exit 2.
    merge.push_back(install.root() + "shard-9-of-3");
    const RunResult missing = install.run(merge);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("shard-9-of-3 holds no shard report"), std::string::npos) << missing.err;

    // More shards than tests: a shard without a test is fine.
    const RunResult empty = install.run(args({"--shard", "40/50"}));
    EXPECT_EQ(empty.status, 0) << empty.out << empty.err;
    EXPECT_NE(empty.err.find("rtrun: no test selected\n"), std::string::npos) << empty.err;
}

} // namespace
