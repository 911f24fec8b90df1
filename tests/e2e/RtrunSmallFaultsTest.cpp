// Small faults a run must not have, each a row: a filter of many stars that
// matches nothing, a test with two errors that calls exit(0), tests that did
// not run, a suite path without its '/', a suite without templates, and an
// earlier run of the same minute.
#include "Installation.h"
#include "support/TempSuite.h"
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using e2e::Environment;
using e2e::Installation;
using e2e::RunResult;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {


using Check = std::function<void(Installation&, const RunResult&)>;

struct Row {
    const char* name;
    std::string script;  // the text of s.rt
    std::vector<std::string> args;
    int status;
    std::string err;  // a part of standard error
    std::function<void(Installation&)> before = nullptr;
    Check after = nullptr;
    bool suiteFromEnvironment = false;  // KXRT_RELATIVE_PATH without its '/' instead of --suite
};

std::string group(const std::string& name, const std::string& tests) {
    return "<Group><Name>" + name + "</Name>" + tests + "</Group>";
}
std::string test(const std::string& name) { return "<Test><Title>" + name + "</Title></Test>"; }

std::string junitOf(Installation& install) { return readBytes(install.root() + "j.xml"); }

// A failed test: the run makes an e-mail summary.
const char kFailing[] = "<Test><Title>Check</Title><Ext>fail</Ext></Test>";

TEST(E2eRtrunSmallFaults, EachRow) {
    const std::string longGroup(40, 'a');
    const Row rows[] = {
        // A recursive glob takes minutes on this; the iterative one no time.
        {"nine stars on a 40-character title, matching nothing", group(longGroup, test("Pass")),
         {"--filter", "*a*a*a*a*a*a*a*a*a*b"}, 1,
         "rtrun: no test ran\nrtrun: the filter '*a*a*a*a*a*a*a*a*a*b' matched no test; the scripts' groups: " +
             longGroup + "\n"},
        {"two errors, then exit(0)", group("G", test("TwoErrorsThenExit0")), {"--junit", "j.xml"}, 1, "", nullptr,
         [](Installation& install, const RunResult&) {
             // One testcase holding failures only: it counts once, among the failures.
             EXPECT_NE(junitOf(install).find("tests=\"1\" failures=\"1\" errors=\"0\""), std::string::npos)
                 << junitOf(install);
         }},
        {"tests that did not run", group("G", test("Pass") + test("Nope")), {"--junit", "j.xml"}, 1,
         "not run: no test library registers it", nullptr,
         [](Installation& install, const RunResult&) {
             EXPECT_NE(junitOf(install).find("tests=\"2\" failures=\"0\" errors=\"1\""), std::string::npos);
             EXPECT_NE(junitOf(install).find("<testcase name=\"Nope\" classname=\"G\" time=\"0.00\">\n      <error "
                                             "message=\"not run: no test library registers it\" type=\"NotRun\">"),
                       std::string::npos)
                 << junitOf(install);
             const std::string index = readBytes(onlyFileEndingIn(install.results(), ".index"));
             EXPECT_NE(index.find("\nnot-run\ts.rt\t1\tNope\tG\tno test library registers it\n"), std::string::npos)
                 << index;
         }},
        {"KXRT_RELATIVE_PATH without its '/'", group("G", test("Pass")), {}, 0, "", nullptr,
         [](Installation& install, const RunResult& run) {
             EXPECT_NE(install.reportPath(), "") << run.out;
             EXPECT_FALSE(exists(install.root() + "suiteResults"));
         },
         true},
        {"a suite without Scripts/ takes the installed templates", group("G", kFailing), {}, 1,
         "",
         [](Installation& install) {
             fs::create_directories(install.root() + "share/KxRt");
             fs::rename(install.scripts(), install.root() + "share/KxRt/Scripts");
         },
         [](Installation&, const RunResult& run) {
             EXPECT_NE(run.out.find("Page: "), std::string::npos) << run.out;
             EXPECT_NE(run.out.find("E-mail summary: "), std::string::npos) << run.out;
         }},
        {"no templates at all: nothing empty is announced", group("G", kFailing), {}, 1,
         "no page was written", [](Installation& install) { fs::remove_all(install.scripts()); },
         [](Installation&, const RunResult& run) {
             EXPECT_EQ(run.out.find("E-mail summary: "), std::string::npos) << run.out;
         }},
        {"an earlier run of the minute, moved aside with its index; no lock left", group("G", test("Pass")), {}, 0,
         "the earlier run of this minute was moved aside",
         [](Installation& install) {
             for (int ahead : {0, 1})  // whichever minute the run starts in
                 for (const char* extension : {".xml", ".index"})
                     writeBytes(install.results() + e2e::runNameNow("E2E", ahead) + extension, "earlier");
         },
         [](Installation& install, const RunResult&) {
             const std::string files = listing(install.results());
             EXPECT_NE(files.find("-earlier1.index"), std::string::npos) << files;
             EXPECT_EQ(files.find(".lock"), std::string::npos) << files;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Installation install;
        install.addLibrary(RT_E2E_LIB_VERDICT);
        install.writeScript("s.rt", row.script);
        if (row.before) row.before(install);
        std::vector<std::string> args{"--platform", "E2E"};
        for (const std::string& arg : row.args) args.push_back(arg == "j.xml" ? install.root() + arg : arg);
        args.push_back("s.rt");
        Environment env;
        if (row.suiteFromEnvironment) env.push_back({"KXRT_RELATIVE_PATH", install.root() + "suite"});
        const RunResult run = install.run(args, env, !row.suiteFromEnvironment);
        EXPECT_EQ(run.status, row.status) << run.out << run.err;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
        if (row.after) row.after(install, run);
    }
}

} // namespace
