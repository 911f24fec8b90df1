// Choosing what runs and where it comes from: filters, listing, libraries
// from other directories, scripts named by path, a suite in the working
// directory, a new suite; and bad input to each, which must stop the run.
#include "Installation.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Between the directories of KXRT_LIB_PATH (on Windows ':' follows a drive letter).
#ifdef _WIN32
const char kPathSeparator[] = ";";
#else
const char kPathSeparator[] = ":";
#endif

struct Row {
    const char* name;
    std::vector<std::string> args;
    e2e::Environment env;
    int status;
    std::string out;  // a part of standard output
    std::string err;  // a part of standard error; empty: standard error stays empty
    std::string notInOut = "";
};

TEST(E2eRtrunDailyUse, CommandLinesChooseTestsLibrariesAndScripts) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    const std::string extra = install.root() + "extra/";
    fs::create_directory(extra);
    fs::copy_file(RT_E2E_LIB_GEOM, extra + e2e::libraryFile("KxRtGeom80"));
    // A second library in another directory that also registers "Pass".
    const std::string clash = install.root() + "clash/";
    fs::create_directory(clash);
    fs::copy_file(RT_E2E_LIB_VERDICT, clash + e2e::libraryFile("KxRtVerdict80"));
    install.writeScript("s.rt",
                        "<Group><Name>Alpha</Name><Test><Title>Pass</Title></Test><Test><Title>Warn</Title></Test>"
                        "<Test><Title>Echo</Title><Arg>1</Arg></Test></Group>"
                        "<Group><Name>Beta</Name><Test><Title>Pass</Title></Test><Test><Title>Box</Title></Test>"
                        "</Group>");
    const std::string outside = install.root() + "outside.rt";
    writeBytes(outside, "<Group><Name>Out</Name><Test><Title>Pass</Title></Test></Group>");

    const Row rows[] = {
        {"include by glob", {"--filter", "Alpha/*"}, {}, 0, "3 tests: 3 passed", "", "Executing Test: Box"},
        {"exclusions only", {"--filter", "-*/Pass", "--filter", "-Alpha/E?ho", "--filter", "-*/Box"}, {}, 0,
         "1 tests: 1 passed", "",
         "Executing Test: Pass"},
        {"include and exclude", {"--filter", "*/Pass", "--filter", "-Beta/*"}, {}, 0, "1 tests: 1 passed", ""},
        {"patterns from the environment", {}, {{"KXRT_FILTER", "Beta/Pass Alpha/Warn"}}, 0, "2 tests: 2 passed", ""},
        {"a class in a pattern", {"--filter", "[AB]*/[!W]*"}, {}, 1, "4 tests: 3 passed, 0 failed, 1 not run",
         "rtrun: Beta/Box (s.rt, test 5): not run: no test library registers it\n"},
        {"list with a filter", {"--list", "--filter", "Alpha/E*"}, {}, 0, "Alpha / Echo (1)\n1 tests\n", "",
         "Executing"},
        {"library from another directory", {"--lib-dir", extra}, {}, 0,
         "Found: " + e2e::libraryFile("KxRtGeom80") + "\n" + e2e::libraryFile("KxRtGeom80") + " : Factory\n** Initializing",
         ""},
        {"libraries from KXRT_LIB_PATH", {}, {{"KXRT_LIB_PATH", extra + kPathSeparator + clash}}, 0, "5 tests: 5 passed",
         "rtrun: warning: test case Pass is registered by " + e2e::nativePath(install.lib()) + e2e::libraryFile("KxRtE2e80") + " and by " +
             clash + e2e::libraryFile("KxRtVerdict80") + "; the first one's runs\n"},
        {"a filter that selects nothing", {"--filter", "Gamma/*"}, {}, 1, "0 tests", "rtrun: no test ran\n"},
        {"missing library directory", {"--lib-dir", install.root() + "nowhere"}, {}, 2, "",
         "is not a readable directory\n"},
        {"malformed pattern", {"--filter", "Alpha/[x"}, {}, 2, "", "has a '[' without its ']'\n"},
        {"empty exclusion", {"--filter", "-"}, {}, 2, "", "empty filter pattern '-'\n"},
        {"bad duration count", {"--durations", "many"}, {}, 2, "", "option --durations needs a count"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        install.clearResults();
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--platform", "E2E", "s.rt"});
        const RunResult result = install.run(args, row.env);
        EXPECT_EQ(result.status, row.status) << result.out << result.err;
        EXPECT_NE(result.out.find(row.out), std::string::npos) << result.out;
        if (row.err.empty()) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
        }
        if (!row.notInOut.empty()) {
            EXPECT_EQ(result.out.find(row.notInOut), std::string::npos) << result.out;
        }
    }

    // A script named by its path, outside Config/.
    const RunResult byPath = install.run({"--platform", "E2E", outside});
    EXPECT_EQ(byPath.status, 0) << byPath.err;
    EXPECT_NE(readBytes(install.reportPath()).find("<Title>Out</Title>"), std::string::npos);
    // The test index beside the report tells which script and case made each test.
    EXPECT_NE(readBytes(install.reportPath().substr(0, install.reportPath().size() - 4) + ".index")
                  .find("\t0\tPass\n"),
              std::string::npos);
}

// A new suite made by --init runs from its own directory, with no option
// naming it, and lands its results there.
TEST(E2eRtrunDailyUse, ANewSuiteRunsFromItsDirectory) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    fs::create_directories(install.root() + "share/KxRt");
    e2e::copyTree(std::string(RT_E2E_EXAMPLE_SUITE) + "/Scripts", install.root() + "share/KxRt/Scripts");
    const std::string suite = install.root() + "mysuite";
    const RunResult made = install.run({"--init", suite}, {}, false);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(listing(suite), "Config GoldenData Results Scripts");
    EXPECT_EQ(install.run({"--init", suite}, {}, false).status, 2);  // never over an existing suite

    const RunResult run = install.runIn(suite, {"--platform", "NEW", "sample.rt"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("1 tests: 1 passed"), std::string::npos) << run.out;
    EXPECT_NE(listing(suite + "/Results").find(".htm"), std::string::npos);
}

} // namespace
