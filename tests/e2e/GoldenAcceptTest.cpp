// A suite whose golden tests fail, `rtrun --accept` on its report, and the
// next run passing: the real rtrun on a private installation.
#include "Installation.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

namespace fs = std::filesystem;

const char kGoldenScript[] = "<Group><Name>Golden</Name>"
                             "<Test><Title>Table</Title><Arg>2.5</Arg></Test>"
                             "<Test><Title>Platform</Title></Test>"
                             "<Test><Title>Fresh</Title></Test>"
                             "<Test><Title>Bytes</Title></Test></Group>";

using Accepted = e2e::RunResult;

// `rtrun --accept` on the suite's latest report, or on `report` when given.
Accepted accept(Installation& install, const std::string& report, const std::string& filter, bool dryRun) {
    std::vector<std::string> args = {"--accept"};
    if (!filter.empty()) args.insert(args.end(), {"--filter", filter});
    if (dryRun) args.push_back("--dry-run");
    if (!report.empty()) args.push_back(report);
    return install.run(args);
}

TEST(E2eGoldenAccept, FailedGoldenOutputsBecomeTheirReferencesAndTheNextRunPasses) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_GOLDEN);
    install.writeScript("golden.rt", kGoldenScript);
    install.writeScript("other.rt", "<Group><Name>Other</Name><Test><Title>Plain</Title><Arg>5</Arg></Test></Group>");
    const std::string expected = install.suite() + "GoldenData/expected/";
    fs::create_directories(expected + "E2E");
    const std::string oldTable = "side 2.000\narea 4.000000e+00\n";
    writeBytes(expected + "table.txt", oldTable);
    writeBytes(expected + "plat.txt", "general\n");
    writeBytes(expected + "E2E/plat.txt", "old platform\n");
    writeBytes(expected + "bytes.bin", std::string("\0\1\2\3", 4));

    const e2e::RunResult first = install.run({"--platform", "E2E", "golden.rt", "other.rt"});
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_NE(first.out.find("5 tests: 0 passed, 5 failed"), std::string::npos) << first.out;
    const std::string report = install.reportPath();
    ASSERT_NE(report, "") << first.out << first.err;
    // The table's record names both files and shows the diff.
    const std::string reportText = readBytes(report);
    // The files as rtrun names them: on Windows with "\\" throughout.
    const std::string named = e2e::nativePath(expected);
    EXPECT_NE(reportText.find("<Msg>reference: " + named + "table.txt</Msg>"), std::string::npos) << reportText;
    EXPECT_NE(reportText.find("<Msg>-side 2.000</Msg>\r\n"), std::string::npos) << reportText;

    const std::string newTable = "side 2.500\narea 6.250000e+00\n";
    const std::string lines = e2e::nativePath(named + "table.txt\n" + named + "E2E/plat.txt\n" + named +
                                              "new/fresh.txt\n" + named + "bytes.bin\n");

    // A dry run (of the latest report), then one narrowed by a filter, list and change nothing.
    Accepted listed = accept(install, "", "", true);
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, lines);
    EXPECT_EQ(listed.err, "");
    listed = accept(install, report, "Golden/Ta*", true);
    EXPECT_EQ(listed.out, named + "table.txt\n");
    EXPECT_EQ(readBytes(expected + "table.txt"), oldTable);
    EXPECT_FALSE(testsupport::exists(expected + "new/fresh.txt"));

    const Accepted accepted = accept(install, report, "", false);
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_EQ(accepted.out, lines);
    EXPECT_EQ(accepted.err, "");
    EXPECT_EQ(readBytes(expected + "table.txt"), newTable);
    EXPECT_EQ(readBytes(expected + "E2E/plat.txt"), "this platform\n");
    EXPECT_EQ(readBytes(expected + "plat.txt"), "general\n");  // not the one compared: untouched
    EXPECT_EQ(readBytes(expected + "new/fresh.txt"), "fresh\n");
    EXPECT_EQ(readBytes(expected + "bytes.bin"), std::string("\0\1\2\xFF\r\n", 6));

    install.clearResults();
    const e2e::RunResult second = install.run({"--platform", "E2E", "golden.rt"});
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_NE(second.out.find("4 tests: 4 passed, 0 failed"), std::string::npos) << second.out;
    EXPECT_EQ(readBytes(expected + "table.txt"), newTable);
}

TEST(E2eGoldenAccept, AnUnreadableReportOrAMissingOutputIsAProblem) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_GOLDEN);
    install.writeScript("golden.rt", "<Group><Name>Golden</Name><Test><Title>Fresh</Title></Test></Group>");
    const Accepted unreadable = accept(install, install.root() + "none.xml", "", false);
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_NE(unreadable.err.find("none.xml"), std::string::npos) << unreadable.err;

    EXPECT_EQ(install.run({"--platform", "E2E", "golden.rt"}).status, 1);
    fs::remove(install.suite() + "GoldenData/E2E/new/fresh.txt");
    const Accepted missing = accept(install, install.reportPath(), "", false);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find(e2e::nativePath("GoldenData/E2E/new/fresh.txt is not there")), std::string::npos)
        << missing.err;
    EXPECT_FALSE(testsupport::exists(install.suite() + "GoldenData/expected/new/fresh.txt"));
}

// The example suite's golden test passes against the reference it ships.
TEST(E2eGoldenAccept, TheExampleSuitesGoldenTablePasses) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    const std::string suite = install.root() + "example/";
    e2e::copyTree(RT_E2E_EXAMPLE_SUITE, suite);
    fs::remove_all(suite + "Results");
    fs::create_directory(suite + "Results");
    const e2e::RunResult run = install.run({"--suite", suite, "--platform", "E2E", "golden.rt"}, {}, false);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(readBytes(suite + "GoldenData/E2E/polygon_areas.txt").find("    4  2\n"), std::string::npos);
}

} // namespace
