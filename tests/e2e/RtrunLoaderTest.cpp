// rtrun's library loading and its command line, on real libraries copied
// into a private installation.
#include "Installation.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string commandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof(chunk), pipe)) output.append(chunk, n);
        ::pclose(pipe);
    }
    return output;
}

TEST(E2eRtrunLoader, BuiltProgramFindsItsLibrariesRelativeToItself) {
    const std::string dynamic = commandOutput(std::string("readelf -d '") + RT_E2E_RTRUN + "' 2>/dev/null");
    if (dynamic.empty()) GTEST_SKIP() << "readelf is not available";
    const std::size_t at = dynamic.find("Library runpath: [");
    ASSERT_NE(at, std::string::npos) << dynamic;
    // The relative entry must come first, or a copied rtrun would load the build tree's libraries.
    EXPECT_TRUE(startsWith(dynamic.substr(at + 18), "$ORIGIN/../lib")) << dynamic;
}

TEST(E2eRtrunLoader, NameRuleAndResultLinesOverRealLibraries) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    install.addLibrary(RT_E2E_LIB_GEOM);
    install.addLibrary(RT_E2E_LIB_OLD);
    install.addLibrary(RT_E2E_LIB_GEOM70);
    install.addLibrary(RT_E2E_LIB_PLAIN);
    install.addLibrary(RT_E2E_LIB_NOENTRY);
    install.addLibrary(RT_E2E_LIB_NULL);
    testsupport::writeBytes(install.lib() + "libKxRtJunk80.so", "not a library\n");

    RunResult result = install.run({"--list"});
    EXPECT_EQ(result.status, 0) << result.err;
    // Listing order is by name; files without both "KxRt" and "80.so" are not examined.
    EXPECT_EQ(
        result.out,
        "Found: OldKxRtGeom80.so.bak\n"
        "OldKxRtGeom80.so.bak : Factory\n"
        "Found: libKxRtE2e80.so\n"
        "libKxRtE2e80.so : Factory\n"
        "Found: libKxRtGeom80.so\n"
        "libKxRtGeom80.so : Factory\n"
        "Found: libKxRtJunk80.so\n"
        "libKxRtJunk80.so : None\n"
        "Found: libKxRtNoEntry80.so\n"
        "libKxRtNoEntry80.so : Library\n"
        "Found: libKxRtNullFactory80.so\n"
        "libKxRtNullFactory80.so : Library\n"
        "OldGeom:\n  OldBox\n"
        "E2e:\n  Pass\n  Fail\n  Warn\n  Throw\n  External\n  ExtWarning\n  ReturnFalse\n  CoreError\n  Echo\n  Die\n"
        "Geom:\n  Box\n"
        // Released from the last loaded to the first.
        "released Geom\n"
        "released OldGeom\n");
    EXPECT_TRUE(startsWith(result.err, "rtrun: could not load test library libKxRtJunk80.so: ")) << result.err;
    EXPECT_EQ(testsupport::listing(install.results()), "");
}

TEST(E2eRtrunLoader, TestsComeFromTheFirstFactoryInListingOrderThatKnowsThem) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    install.addLibrary(RT_E2E_LIB_GEOM);
    install.addLibrary(RT_E2E_LIB_GEOM70);
    install.writeScript("s.rt",
                        "<Group><Name>G</Name><Test><Title>Box</Title></Test><Test><Title>Box70</Title></Test>"
                        "<Test><Title>Pass</Title></Test></Group>");
    RunResult result = install.run({"--platform", "E2E", "s.rt"});
    // Box70 lives only in a library the name rule passes over: a script problem, shown once.
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err,
              "rtrun: script problem: Test: Box70 - Is Not Defined\n"
              "rtrun: 1 script problem(s), shown above; the report leaves them out\n");
    EXPECT_TRUE(startsWith(result.out,
                           "Found: libKxRtE2e80.so\nlibKxRtE2e80.so : Factory\n"
                           "Found: libKxRtGeom80.so\nlibKxRtGeom80.so : Factory\n"
                           "** Initializing GlobalResults\nExecuting Test: Box\nExecuting Test: Pass\nrtrun: "))
        << result.out;
    const std::string report = testsupport::readBytes(install.reportPath());
    EXPECT_NE(report.find("      <Desc>Geom test</Desc>\r\n      <Title>Box</Title>\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("Box70"), std::string::npos);
}

TEST(E2eRtrunLoader, ListWithoutTestLibrariesSaysWhereItLooked) {
    Installation install;
    RunResult result = install.run({"--list"});
    EXPECT_EQ(result.status, 0);
    const std::string prefix = "No test library found in ";
    ASSERT_TRUE(startsWith(result.out, prefix)) << result.out;
    const std::string searched = result.out.substr(prefix.size(), result.out.size() - prefix.size() - 1);
    // The directory of the libDi80.so actually loaded: the installation's, not the build tree's.
    EXPECT_TRUE(std::filesystem::equivalent(searched, install.lib())) << searched;
}

TEST(E2eRtrunLoader, HelpAndVersionStartNoRun) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    RunResult help = install.run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--suite", "--platform", "--list", "--version", "--help"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(help.out.find("Found:"), std::string::npos);

    RunResult version = install.run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find(RtLib::version()), std::string::npos) << version.out;
    EXPECT_NE(version.out.find(RtLib::build()), std::string::npos) << version.out;
    EXPECT_NE(version.out.find(KxVersion::whatString + 4), std::string::npos) << version.out;
    EXPECT_EQ(version.out.find("GlobalResults"), std::string::npos);
    EXPECT_EQ(testsupport::listing(install.results()), "");
}

TEST(E2eRtrunLoader, UnusableCommandLinesExitTwoWithoutAReport) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    install.writeScript("s.rt", "<Group><Test><Title>Fail</Title></Test></Group>");
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{"--bogus", "s.rt"}, "rtrun: unknown option '--bogus'\n"},
        {{}, "rtrun: no test script given\n"},
        {{"s.rt", "--platform"}, "rtrun: option --platform needs a value\n"},
    };
    for (const Case& c : cases) {
        RunResult result = install.run(c.args);
        EXPECT_EQ(result.status, 2) << c.problem;
        EXPECT_TRUE(startsWith(result.err, c.problem)) << result.err;
        EXPECT_EQ(result.out, "") << c.problem;
        EXPECT_EQ(testsupport::listing(install.results()), "") << c.problem;
    }
}

TEST(E2eRtrunLoader, ResultDirectoryThatCannotBeWrittenExitsTwo) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    // A file where the result directory should be.
    const std::string base = install.root() + "blocked/";
    std::filesystem::create_directories(base + "Config");
    testsupport::writeBytes(base + "Results", "a file, not a directory");
    testsupport::writeBytes(base + "Config/s.rt", "<Group><Test><Title>Pass</Title></Test></Group>");
    RunResult blocked = install.run({"--suite", base, "s.rt"}, {}, false);
    EXPECT_EQ(blocked.status, 2) << blocked.out;
    EXPECT_NE(blocked.err.find("cannot be written"), std::string::npos) << blocked.err;
    EXPECT_EQ(blocked.out.find("GlobalResults"), std::string::npos);

    // A suite whose base does not exist: its result directory cannot be made.
    RunResult missing = install.run({"--suite", install.root() + "nowhere/", "s.rt"}, {}, false);
    EXPECT_EQ(missing.status, 2) << missing.out;
    EXPECT_NE(missing.err.find("cannot be written"), std::string::npos) << missing.err;
}

} // namespace
