// The e-mail summary a real rtrun run of the example suite leaves, read by
// a real HTML parser.
#include "Installation.h"
#include "support/TempSuite.h"
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

using e2e::Installation;
using e2e::RunResult;

namespace {

namespace fs = std::filesystem;

// libxml2's HTML parser, through xmllint; its complaints, empty when none.
std::string htmlProblems(const std::string& path) {
    const std::string command = "xmllint --html --noout '" + path + "' 2>&1";
    std::string output;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof(chunk), pipe)) output.append(chunk, n);
        if (::pclose(pipe) != 0 && output.empty()) output = "xmllint failed";
    } else {
        output = "could not start xmllint";
    }
    return output;
}

class AnalysisExampleSuite : public ::testing::Test {
protected:
    void SetUp() override {
        install.addLibrary(RT_E2E_LIB_EXAMPLE);
        // A copy of the example suite, so that the run writes nothing into the sources.
        suite = install.root() + "example/";
        fs::copy(RT_E2E_EXAMPLE_SUITE, suite, fs::copy_options::recursive);
        fs::remove_all(suite + "Results");
        fs::create_directory(suite + "Results");
    }
    RunResult run(const e2e::Environment& env = {}) {
        return install.run({"--suite", suite, "--platform", "E2E", "smoke.rt", "showcase.rt"}, env, false);
    }
    std::string mailPath() { return testsupport::onlyFileEndingIn(suite + "Results/E2E/", ".email"); }

    Installation install;
    std::string suite;
};

TEST_F(AnalysisExampleSuite, MailOfARealRunIsValidHtmlWithOneLinePerFailure) {
    for (const char* name : {"head.em", "open.em", "object.em", "close.em"})
        ASSERT_TRUE(testsupport::exists(suite + "Scripts/" + name)) << name;
    RunResult result = run();
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    const std::string path = mailPath();
    ASSERT_NE(path, "") << result.out;
    EXPECT_EQ(htmlProblems(path), "");

    const std::string html = testsupport::readBytes(path);
    EXPECT_EQ(html.find("OBJ_"), std::string::npos);
    EXPECT_NE(html.find("Failures on purpose"), std::string::npos);
    // The smoke script's groups are clean (warnings only).
    EXPECT_EQ(html.find("Geometry"), std::string::npos);
    EXPECT_EQ(html.find("Diagnostics"), std::string::npos);
    EXPECT_EQ(e2e::occurrences(html, "( KxE / E / W / EE / EW )"), 1);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"black\""), 1);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"firebrick\""), 4);
    EXPECT_EQ(e2e::occurrences(html, "bgcolor=\"teal\""), 1);
    EXPECT_NE(html.find("ExternalSolver"), std::string::npos);
    EXPECT_NE(html.find(e2e::fileNameOf(path).substr(0, e2e::fileNameOf(path).size() - 6) + ".htm"), std::string::npos);
    EXPECT_EQ(testsupport::xmlProblems(testsupport::onlyFileEndingIn(suite + "Results/", ".xml")), "");
}

TEST_F(AnalysisExampleSuite, DebugRunUsesTheDebugHead) {
    RunResult normal = run();
    ASSERT_NE(mailPath(), "") << normal.out;
    const std::string plain = testsupport::readBytes(mailPath());
    fs::remove_all(suite + "Results");
    fs::create_directory(suite + "Results");

    RunResult debug = run({{"DEBUG", "TRUE"}});
    ASSERT_NE(mailPath(), "") << debug.out;
    const std::string html = testsupport::readBytes(mailPath());
    EXPECT_EQ(htmlProblems(mailPath()), "");
    const std::string debugHead = testsupport::readBytes(suite + "Scripts/head_d.em");
    const std::string head = testsupport::readBytes(suite + "Scripts/head.em");
    ASSERT_NE(debugHead, head);
    EXPECT_EQ(html.substr(0, debugHead.size()), debugHead);
    EXPECT_EQ(plain.substr(0, head.size()), head);
}

} // namespace
