// rtrun's library loading and its command line, on real libraries copied
// into a private installation.
#include "Installation.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::libraryFile;
using e2e::RunResult;

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(E2eRtrunLoader, NameRuleAndResultLinesOverRealLibraries) {
    Installation install;
    for (const char* library : {RT_E2E_LIB_MAIN, RT_E2E_LIB_GEOM, RT_E2E_LIB_OLD, RT_E2E_LIB_GEOM70, RT_E2E_LIB_PLAIN,
                                RT_E2E_LIB_NOENTRY, RT_E2E_LIB_NULL})
        install.addLibrary(library);
    testsupport::writeBytes(install.lib() + libraryFile("KxRtJunk80"), "not a library\n");

    RunResult result = install.run({"--list"});
    EXPECT_EQ(result.status, 0) << result.err;
    // Only the directory of the core library actually loaded is searched (the build
    // tree's holds the example library). Listing and loading order is by name
    // (OldKxRt... comes first on Linux, last on Windows); files without both
    // "KxRt" and "80.so" (on Windows "80.dll") are not examined, the core
    // library's versioned names among them (libDi80.so.8, libDi80.so.8.0.7).
    struct Library {
        std::string file, kind, cases, released;
    };
    std::vector<Library> libraries{
        {"OldKxRtGeom80" + e2e::librarySuffix() + ".bak", "Factory", "OldGeom:\n  OldBox\n", "released OldGeom\n"},
        {libraryFile("KxRtE2e80"), "Factory",
         "E2e:\n  Pass\n  Fail\n  Warn\n  Throw\n  External\n  ExtWarning\n  ReturnFalse\n  CoreError\n  Echo\n  Die\n", ""},
        {libraryFile("KxRtGeom80"), "Factory", "Geom:\n  Box\n", "released Geom\n"},
        {libraryFile("KxRtJunk80"), "None", "", ""},
        {libraryFile("KxRtNoEntry80"), "Library", "", ""},
        {libraryFile("KxRtNullFactory80"), "Library", "", ""}};
    std::sort(libraries.begin(), libraries.end(), [](const Library& a, const Library& b) { return a.file < b.file; });
    std::string found, cases, released;
    for (const Library& library : libraries) {
        found += "Found: " + library.file + "\n" + library.file + " : " + library.kind + "\n";
        cases += library.cases;
        released = library.released + released;  // from the last loaded to the first
    }
    EXPECT_EQ(result.out, found + cases + released);
    // A name that almost keeps the rule is named, with the rule.
    EXPECT_TRUE(startsWith(result.err, "rtrun: warning: " + e2e::nativePath(install.lib()) + libraryFile("KxRtGeom70") +
                                           " is not loaded: a test library's file name holds \"KxRt\" and \"80" +
                                           e2e::librarySuffix() + "\"\nrtrun: test library " + libraryFile("KxRtJunk80") +
                                           " is not used: "))
        << result.err;
    EXPECT_EQ(result.err.find("%1"), std::string::npos) << "a system message's place for the file left empty";
    EXPECT_NE(result.err.find("rtrun: test library " + libraryFile("KxRtNoEntry80") +
                              " is not used: it exports no acquireFactory\nrtrun: test library " +
                              libraryFile("KxRtNullFactory80") + " is not used: its acquireFactory returned no factory\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(testsupport::listing(install.results()), "");
}

TEST(E2eRtrunLoader, EveryLoadedLibraryHandsItsFactoryToTheRun) {
    Installation install;
    for (const char* library : {RT_E2E_LIB_MAIN, RT_E2E_LIB_GEOM}) install.addLibrary(library);
    install.writeScript("s.rt", "<Group><Test><Title>Box</Title></Test><Test><Title>Pass</Title></Test></Group>");
    RunResult result = install.run({"--platform", "E2E", "s.rt"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string e2eLib = libraryFile("KxRtE2e80"), geom = libraryFile("KxRtGeom80");
    EXPECT_TRUE(startsWith(result.out, "Found: " + e2eLib + "\n" + e2eLib + " : Factory\nFound: " + geom + "\n" + geom +
                                           " : Factory\n** Initializing GlobalResults\nExecuting Test: Box\n"
                                           "Executing Test: Pass\n"))
        << result.out;
    EXPECT_NE(testsupport::readBytes(install.reportPath()).find("<Desc>Geom test</Desc>\r\n      <Title>Box</Title>"),
              std::string::npos);
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

TEST(E2eRtrunLoader, UnusableCommandLinesAndResultDirectoriesExitTwoWithoutAReport) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_MAIN);
    install.writeScript("s.rt", "<Group><Test><Title>Fail</Title></Test></Group>");
    // A suite whose Results is a file, and one whose base does not exist.
    const std::string blocked = install.root() + "blocked/";
    std::filesystem::create_directories(blocked + "Config");
    testsupport::writeBytes(blocked + "Results", "a file, not a directory");
    testsupport::writeBytes(blocked + "Config/s.rt", "<Group><Test><Title>Pass</Title></Test></Group>");
    const std::string suite = install.suite();
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{"--suite", suite, "--bogus", "s.rt"}, "rtrun: unknown option '--bogus'\n"},
        {{"--suite", suite}, "rtrun: no test script given\n"},
        {{"--suite", suite, "s.rt", "--platform"}, "rtrun: option --platform needs a value\n"},
        {{"--suite", blocked, "s.rt"}, "cannot be written"},
        {{"--suite", install.root() + "nowhere/", "s.rt"}, "cannot be written"},
    };
    for (const Case& c : cases) {
        RunResult result = install.run(c.args, {}, false);
        EXPECT_EQ(result.status, 2) << c.args.back();
        EXPECT_NE(result.err.find(c.problem), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("GlobalResults"), std::string::npos) << c.args.back();
        EXPECT_EQ(testsupport::listing(install.results()), "") << c.args.back();
    }
}

} // namespace
