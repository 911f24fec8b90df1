// The e-mail summary's link to the page, pointed at the published result
// directory: on the summary of a real run, and refused for unusable input.
#include "Installation.h"
#include "rtrun/run/PublishUrl.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

TEST(PublishUrl, LinkOfARealSummaryBecomesAbsoluteAndNothingElseChanges) {
    e2e::Installation install;
    install.addLibrary(RT_E2E_LIB_EXAMPLE);
    const std::string suite = install.root() + "example/";
    std::filesystem::copy(RT_E2E_EXAMPLE_SUITE, suite, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(suite + "Results");
    std::filesystem::create_directory(suite + "Results");
    install.run({"--suite", suite, "--platform", "E2E", "smoke.rt", "showcase.rt"}, {}, false);
    const std::string mail = testsupport::onlyFileEndingIn(suite + "Results/E2E/", ".email");
    ASSERT_NE(mail, "");
    const std::string page = e2e::fileNameOf(testsupport::onlyFileEndingIn(suite + "Results/", ".htm"));
    const std::string before = readBytes(mail);
    const std::string link = "href=\"" + page + "\"";
    ASSERT_NE(before.find(link), std::string::npos);

    std::string problem;
    ASSERT_TRUE(rtrun::rewritePageLink(mail, page, "https://ci.example.org/nightly/run?id=7&x=1/", problem))
        << problem;
    const std::string after = readBytes(mail);
    const std::string published = "href=\"https://ci.example.org/nightly/run?id=7&amp;x=1/" + page + "\"";
    ASSERT_NE(after.find(published), std::string::npos) << after;
    EXPECT_EQ(after.find(link), std::string::npos);
    std::string expected = before;
    expected.replace(expected.find(link), link.size(), published);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(testsupport::htmlProblems(mail), "");
    EXPECT_FALSE(testsupport::exists(mail + ".publishing"));

    // rtrun does the same when KXRT_PUBLISH_URL is set, and refuses an unusable one before running.
    std::filesystem::remove_all(suite + "Results");
    std::filesystem::create_directory(suite + "Results");
    const std::vector<std::string> args{"--suite", suite, "--platform", "E2E", "smoke.rt", "showcase.rt"};
    install.run(args, {{"KXRT_PUBLISH_URL", "https://ci.example.org/nightly"}}, false);
    const std::string published2 = readBytes(testsupport::onlyFileEndingIn(suite + "Results/E2E/", ".email"));
    EXPECT_NE(published2.find("href=\"https://ci.example.org/nightly/" + page.substr(0, 6)), std::string::npos);
    const e2e::RunResult refused = install.run(args, {{"KXRT_PUBLISH_URL", "ftp://x"}}, false);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is not an http or https address"), std::string::npos) << refused.err;
}

TEST(PublishUrl, FileNameIsPercentEncodedAndSlashesAtTheEndOfTheBaseCollapse) {
    std::string problem;
    EXPECT_EQ(rtrun::publishedPageUrl("http://host:8080///", "1206 W#64?.htm", problem),
              "http://host:8080/1206%20W%2364%3F.htm");
    EXPECT_EQ(rtrun::publishedPageUrl("HTTPS://host", "a.htm", problem), "HTTPS://host/a.htm");
}

TEST(PublishUrl, UnusableInputLeavesTheSummaryAsItWas) {
    testsupport::TempSuite suite;
    const std::string mail = suite.results() + "run.email";
    const std::string text = "<p><a href=\"run.htm\">run.htm</a></p>\r\n";
    struct Case {
        const char* base;
        const char* page;
        const char* file;
        const char* problem;
    } cases[] = {
        {"ftp://host/x", "run.htm", "run.email", "not an http or https address"},
        {"javascript:alert(1)//", "run.htm", "run.email", "not an http or https address"},
        {"https://", "run.htm", "run.email", "not an http or https address"},
        {"http:///path", "run.htm", "run.email", "not an http or https address"},
        {"", "run.htm", "run.email", "not an http or https address"},
        {"http://host/a b", "run.htm", "run.email", "blank"},
        {"http://host/\"onmouseover=\"x", "run.htm", "run.email", "quote"},
        {"http://host/", "other.htm", "run.email", "no link to other.htm"},
        {"http://host/", "", "run.email", "no file name"},
        {"http://host/", "run.htm", "missing.email", "cannot read"},
    };
    for (const Case& c : cases) {
        writeBytes(mail, text);
        std::string problem;
        EXPECT_FALSE(rtrun::rewritePageLink(suite.results() + c.file, c.page, c.base, problem)) << c.base;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.base << ": " << problem;
        EXPECT_EQ(readBytes(mail), text) << c.base;
    }
}

} // namespace
