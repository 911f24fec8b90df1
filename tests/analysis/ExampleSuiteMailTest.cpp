// The e-mail summary a real rtrun run of the example suite leaves, read by
// a real HTML parser.
#include "Installation.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;

namespace {

TEST(AnalysisExampleSuite, MailOfARealRunIsValidHtmlWithOneLinePerFailure) {
    Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    // A copy of the example suite, so that the run writes nothing into the sources.
    const std::string suite = install.root() + "example/";
    std::filesystem::copy(RT_E2E_EXAMPLE_SUITE, suite, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(suite + "Results");
    std::filesystem::create_directory(suite + "Results");
    for (const char* name : {"head.em", "open.em", "object.em", "close.em"})
        ASSERT_TRUE(testsupport::exists(suite + "Scripts/" + name)) << name;
    RunResult result = install.run({"--suite", suite, "--platform", "E2E", "smoke.rt", "showcase.rt"}, {}, false);
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    const std::string path = testsupport::onlyFileEndingIn(suite + "Results/E2E/", ".email");
    ASSERT_NE(path, "") << result.out;
    EXPECT_EQ(testsupport::htmlProblems(path), "");

    const std::string html = testsupport::readBytes(path);
    EXPECT_EQ(html.find("OBJ_"), std::string::npos);
    EXPECT_NE(html.find("Failures on purpose"), std::string::npos);
    EXPECT_EQ(testsupport::occurrences(html, "( KxE / E / W / EE / EW )"), 1);
    EXPECT_EQ(testsupport::occurrences(html, "bgcolor=\"black\""), 1);
    EXPECT_EQ(testsupport::occurrences(html, "bgcolor=\"firebrick\""), 4);
    EXPECT_EQ(testsupport::occurrences(html, "bgcolor=\"teal\""), 1);
    EXPECT_NE(html.find("ExternalSolver"), std::string::npos);
    const std::string runName = e2e::fileNameOf(path).substr(0, e2e::fileNameOf(path).size() - 6);
    EXPECT_NE(html.find(runName + ".htm"), std::string::npos);
    EXPECT_EQ(testsupport::xmlProblems(testsupport::onlyFileEndingIn(suite + "Results/", ".xml")), "");
}

} // namespace
