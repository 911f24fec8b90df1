// The e-mail summary of reports written by hand in the report's layout,
// compared byte for byte.
#include "AnalysisTemplates.h"
#include "ReportText.h"
#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

using e2e::Counts;
using e2e::ExpectedReport;
using namespace analysis;

namespace {

const char* kNoFile = "<no file>";

class AnalysisHandWritten : public ::testing::Test {
protected:
    void SetUp() override { writeTemplates(suite.scripts()); }

    // Analyses `report` as the reporter does at close; the written summary, or kNoFile.
    std::string analyse(const std::string& report) {
        const std::string in = suite.results() + "report.xml";
        const std::string out = suite.results() + "summary.email";
        testsupport::writeBytes(in, report);
        std::remove(out.c_str());
        Rt::Analysis analysis;
        EXPECT_TRUE(analysis.formatOpen("PLAT", "HOST", "December 06, 2026", "0924"));
        EXPECT_TRUE(analysis.formatClose("run.htm"));
        EXPECT_TRUE(analysis.executeI(in.c_str(), out.c_str()));
        return testsupport::exists(out) ? testsupport::readBytes(out) : kNoFile;
    }
    std::string mail(const std::string& lines, const std::string& head = "HEAD\n") {
        return head + openLine("PLAT", "HOST", "December 06, 2026", "0924") + lines + closeLine("run.htm");
    }

    testsupport::TempSuite suite;
};

std::string finish(ExpectedReport& report) { return report.finish("HOST", "PLAT", "V"); }

TEST_F(AnalysisHandWritten, CleanReportGivesNoFile) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .record("Warning", "T::w", "", "only a warning")
        .kxError("Kx::f", "core")
        .closeTest({"a"}, "", "d", "T", Counts{1, 0, 1, 0, 1})
        .closeGroup("", "G", Counts{1, 0, 1, 0, 1});
    EXPECT_EQ(analyse(finish(report)), kNoFile);
}

TEST_F(AnalysisHandWritten, GroupWithAFailingAndAWarningTest) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .record("Error", "T1::executeW", "check", "first")
        .record("Error", "T1::executeW", "check", "second")
        .closeTest({"x"}, "", "fails twice", "T1", Counts{0, 2, 0, 0, 0})
        .openTest(2)
        .closeTest({}, "", "warns", "T2", Counts{0, 0, 3, 0, 0})
        .closeGroup("both", "G", Counts{0, 2, 3, 0, 0});
    EXPECT_EQ(analyse(finish(report)), mail(groupLine("G") + failedLine("T1", "( 0 / 2 / 0 / 0 / 0 )")));
}

TEST_F(AnalysisHandWritten, ExternalErrorsTakePrecedence) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "", "Both", Counts{0, 1, 0, 1, 0})
        .openTest(2)
        .closeTest({}, "", "", "OnlyExternal", Counts{2, 0, 4, 3, 5})
        .closeGroup("", "G", Counts{2, 1, 4, 4, 5});
    EXPECT_EQ(analyse(finish(report)), mail(groupLine("G") + externalLine("Both", "( 0 / 1 / 0 / 1 / 0 )") +
                                            externalLine("OnlyExternal", "( 2 / 0 / 4 / 3 / 5 )")));
}

TEST_F(AnalysisHandWritten, OnlyGroupsWithErrorsAppearInReportOrder) {
    ExpectedReport report;
    report.openGroup(0).openTest(1).closeTest({}, "", "", "Fine", {}).closeGroup("", "First", {});
    report.openGroup(2)
        .openTest(3)
        .closeTest({}, "", "", "Ok", {})
        .openTest(4)
        .closeTest({}, "", "", "Bad", Counts{0, 1, 0, 0, 0})
        .openTest(5)
        .closeTest({}, "", "", "Worse", Counts{0, 12, 0, 0, 0})
        .closeGroup("", "Second", Counts{0, 13, 0, 0, 0});
    report.openGroup(6)
        .openTest(7)
        .closeTest({}, "", "", "Warned", Counts{0, 0, 1, 0, 0})
        .closeGroup("", "Third", Counts{0, 0, 1, 0, 0});
    report.openGroup(8).closeGroup("", "Empty", Counts{0, 0, 0, 1, 0});
    EXPECT_EQ(analyse(finish(report)), mail(groupLine("Second") + failedLine("Bad", "( 0 / 1 / 0 / 0 / 0 )") +
                                            failedLine("Worse", "( 0 / 12 / 0 / 0 / 0 )") + groupLine("Empty")));
}

TEST_F(AnalysisHandWritten, TitlesAreCopiedAsTheReportHoldsThem) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .record("Error", "a::b", "&lt;Title&gt;x&lt;/Title&gt; is text here", "Title")
        .closeTest({"&lt;Title&gt;"}, "", "", "a &lt; b &amp; c", Counts{0, 1, 0, 0, 0})
        .closeGroup("", "G &quot;1&quot;", Counts{0, 1, 0, 0, 0});
    EXPECT_EQ(analyse(finish(report)),
              mail(groupLine("G &quot;1&quot;") + failedLine("a &lt; b &amp; c", "( 0 / 1 / 0 / 0 / 0 )")));
}

TEST_F(AnalysisHandWritten, TestLinesOfAGroupWithoutErrorsWaitForTheNextGroupWithALine) {
    // The first group's own counts (edited by hand) show no errors.
    ExpectedReport report;
    report.openGroup(0).openTest(1).closeTest({}, "", "", "Early", Counts{0, 1, 0, 0, 0}).closeGroup("", "Quiet", {});
    report.openGroup(2)
        .openTest(3)
        .closeTest({}, "", "", "Late", Counts{0, 1, 0, 0, 0})
        .closeGroup("", "Loud", Counts{0, 1, 0, 0, 0});
    EXPECT_EQ(analyse(finish(report)), mail(groupLine("Loud") + failedLine("Early", "( 0 / 1 / 0 / 0 / 0 )") +
                                            failedLine("Late", "( 0 / 1 / 0 / 0 / 0 )")));
}

TEST_F(AnalysisHandWritten, DebugHeadOnlyForExactlyTRUE) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "", "T", Counts{0, 1, 0, 0, 0})
        .closeGroup("", "G", Counts{0, 1, 0, 0, 0});
    const std::string text = finish(report);
    const std::string lines = groupLine("G") + failedLine("T", "( 0 / 1 / 0 / 0 / 0 )");
    struct Case {
        const char* value;
        const char* head;
    } cases[] = {{nullptr, "HEAD\n"}, {"true", "HEAD\n"}, {"True", "HEAD\n"},
                 {"TRUE ", "HEAD\n"}, {"", "HEAD\n"},     {"TRUE", "HEAD_D\n"}};
    for (const Case& c : cases) {
        if (c.value)
            ::setenv("DEBUG", c.value, 1);
        else
            ::unsetenv("DEBUG");
        EXPECT_EQ(analyse(text), mail(lines, c.head)) << (c.value ? c.value : "(unset)");
    }
    ::unsetenv("DEBUG");
}

TEST_F(AnalysisHandWritten, CloseTemplateWithoutLinkIsLeftAlone) {
    testsupport::writeBytes(suite.scripts() + "close.em", "CLOSE OBJ_LINK REPORT\n");
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "", "T", Counts{0, 1, 0, 0, 0})
        .closeGroup("", "G", Counts{0, 1, 0, 0, 0});
    const std::string expected = "HEAD\n" + openLine("PLAT", "HOST", "December 06, 2026", "0924") + groupLine("G") +
                                 failedLine("T", "( 0 / 1 / 0 / 0 / 0 )") + "CLOSE OBJ_LINK REPORT\n";
    EXPECT_EQ(analyse(finish(report)), expected);
}

TEST_F(AnalysisHandWritten, MissingTemplatesGiveEmptyFragments) {
    for (const char* name : {"head.em", "open.em", "close.em"}) std::remove((suite.scripts() + name).c_str());
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .closeTest({}, "", "", "T", Counts{0, 1, 0, 0, 0})
        .closeGroup("", "G", Counts{0, 1, 0, 0, 0});
    EXPECT_EQ(analyse(finish(report)), groupLine("G") + failedLine("T", "( 0 / 1 / 0 / 0 / 0 )"));
}

TEST_F(AnalysisHandWritten, MissingOrEmptyReportGivesNoFile) {
    const std::string out = suite.results() + "summary.email";
    Rt::Analysis analysis;
    EXPECT_TRUE(analysis.executeI((suite.results() + "absent.xml").c_str(), out.c_str()));
    EXPECT_FALSE(testsupport::exists(out));
    EXPECT_EQ(analyse(""), kNoFile);
    EXPECT_EQ(analyse("<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n"), kNoFile);
}

TEST_F(AnalysisHandWritten, PlaceholdersAreReplacedEverywhereAndOnlyOnce) {
    testsupport::writeBytes(suite.scripts() + "object.em", "OBJ_TEXTLEFT OBJ_TEXTLEFT OBJ_ID OBJ_ID OBJ_TEXTRIGHT");
    Rt::Analysis analysis;
    KxString line;
    EXPECT_TRUE(analysis.formatGroup(line, "left", "right"));
    EXPECT_EQ(line.toStdString(), "left left Table Table right");
    EXPECT_TRUE(analysis.formatTestE(line, "", "r"));
    EXPECT_EQ(line.toStdString(), "  Table Table r");
    // Filled in place: a second call finds no placeholder left.
    analysis.formatClose("first.htm");
    analysis.setLink("second.htm");
    analysis.setStamp("A", "B", "C", "D");
    analysis.formatOpen("W", "X", "Y", "Z");
    ExpectedReport report;
    report.openGroup(0).closeGroup("", "G", Counts{0, 1, 0, 0, 0});
    testsupport::writeBytes(suite.results() + "in.xml", finish(report));
    analysis.executeI((suite.results() + "in.xml").c_str(), (suite.results() + "out.email").c_str());
    EXPECT_EQ(
        testsupport::readBytes(suite.results() + "out.email"),
        "HEAD\n" + openLine("A", "B", "C", "D") + "G G Table Table ( KxE / E / W / EE / EW )" + closeLine("first.htm"));
}

} // namespace
