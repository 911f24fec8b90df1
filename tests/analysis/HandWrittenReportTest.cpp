// The e-mail summary of reports written by hand in the report's layout, for
// what a real run cannot easily produce; compared byte for byte.
#include "AnalysisTemplates.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <gtest/gtest.h>

using testsupport::Counts;
using testsupport::ExpectedReport;
using namespace analysis;

namespace {

const char* kNoFile = "<no file>";
const Counts kOneError{0, 1, 0, 0, 0};

class AnalysisHandWritten : public ::testing::Test {
protected:
    void SetUp() override { writeTemplates(suite.scripts()); }

    // Analyses `report` as the reporter does at close; the written summary, or kNoFile.
    std::string analyse(const std::string& report) {
        const std::string in = suite.results() + "report.xml", out = suite.results() + "summary.email";
        testsupport::writeBytes(in, report);
        std::remove(out.c_str());
        Rt::Analysis analysis;
        EXPECT_TRUE(analysis.formatOpen("PLAT", "HOST", "December 06, 2026", "0924"));
        EXPECT_TRUE(analysis.formatClose("run.htm"));
        EXPECT_TRUE(analysis.executeI(in.c_str(), out.c_str()));
        return testsupport::exists(out) ? testsupport::readBytes(out) : kNoFile;
    }
    static std::string mail(const std::string& lines) {
        return "HEAD\n" + openLine("PLAT", "HOST", "December 06, 2026", "0924") + lines + closeLine("run.htm");
    }

    testsupport::TempSuite suite;
};

TEST_F(AnalysisHandWritten, TitlesAsWrittenExternalErrorsAloneAndAGroupWithoutTests) {
    ExpectedReport report;
    report.openGroup(0)
        .openTest(1)
        .record("Error", "T1::executeW", "check", {"first"})
        .record("Error", "T1::executeW", "check", {"second"})
        .closeTest({"x"}, "", "fails twice", "T1", Counts{0, 2, 0, 0, 0})
        .openTest(2)
        .closeTest({}, "", "", "OnlyExternal", Counts{2, 0, 4, 3, 5})
        // Titles are copied as the report holds them; element text elsewhere is no Title.
        .openTest(3)
        .record("Error", "a::b", "&lt;Title&gt;x&lt;/Title&gt; is text here", {"Title"})
        .closeTest({"&lt;Title&gt;"}, "", "", "a &lt; b &amp; c", kOneError)
        .closeGroup("both", "G &quot;2&quot;", Counts{2, 3, 4, 3, 5});
    report.openGroup(4).closeGroup("", "Empty", Counts{0, 0, 0, 1, 0});
    EXPECT_EQ(analyse(report.finish("HOST", "PLAT", "V")),
              mail(groupLine("G &quot;2&quot;") + failedLine("T1", "( 0 / 2 / 0 / 0 / 0 )") +
                   externalLine("OnlyExternal", "( 2 / 0 / 4 / 3 / 5 )") +
                   failedLine("a &lt; b &amp; c", "( 0 / 1 / 0 / 0 / 0 )") + groupLine("Empty")));
}

TEST_F(AnalysisHandWritten, TestLinesOfAGroupWithoutErrorsWaitForTheNextGroupWithALine) {
    // The first group's own counts (edited by hand) show no errors.
    ExpectedReport report;
    report.openGroup(0).openTest(1).closeTest({}, "", "", "Early", kOneError).closeGroup("", "Quiet", {});
    report.openGroup(2).openTest(3).closeTest({}, "", "", "Late", kOneError).closeGroup("", "Loud", kOneError);
    EXPECT_EQ(analyse(report.finish("HOST", "PLAT", "V")),
              mail(groupLine("Loud") + failedLine("Early", "( 0 / 1 / 0 / 0 / 0 )") +
                   failedLine("Late", "( 0 / 1 / 0 / 0 / 0 )")));
}

TEST_F(AnalysisHandWritten, ReportWithGarbageAndUnbalancedTagsDoesNoHarm) {
    for (const char* text :
         {"<Group", "</Group", "<Group</Group", "<Group><Test></Group>", "<Group><Test></Test></Group>",
          "<Group><Title>T</Title><Errors>1</Errors></Group>", "<Group><Errors>1</Errors></Group>",
          "<Group><Test><Title>a</Title><Errors>x</Errors></Test><Title>G</Title><Errors>1</Errors></Group><Group>",
          "<Test><Errors>1</Errors></Test>", "<Group><Title></Title><Title></Group>",
          "<Group><Test><Test></Test></Test></Group></Group></Group>"}) {
        const std::string summary = analyse(text);
        EXPECT_TRUE(summary == kNoFile || summary.rfind("HEAD\n", 0) == 0) << text << "\n" << summary;
    }
}

TEST_F(AnalysisHandWritten, TagsSplitBetweenTwoReadsAndGroupsAndTestsLongerThanManyReads) {
    const std::string record = "<KxErrors>0</KxErrors><Errors>1</Errors><Warnings>0</Warnings>"
                               "<ExtErrors>0</ExtErrors><ExtWarnings>0</ExtWarnings>";
    const std::string failing =
        "<Group id=\"1\"><Test><Title>T</Title>" + record + "</Test><Title>G</Title>" + record + "</Group>";
    const std::string lines = groupLine("G") + failedLine("T", "( 0 / 1 / 0 / 0 / 0 )");
    // The report is read 64,000 bytes at a time: put the end of the first read in every tag.
    for (std::size_t shift = 1; shift <= failing.size(); ++shift)
        ASSERT_EQ(analyse(std::string(64000 - shift, ' ') + failing), mail(lines)) << shift;
    // Near-misses of "<Group" longer than many reads before the group; a group
    // longer than many reads, its failing test last; a test longer than many
    // reads; a last group never closed.
    std::string passing;
    while (passing.size() < 300000)
        passing += "<Test><Title>P</Title><KxErrors>0</KxErrors><Errors>0</Errors><Warnings>0</Warnings>"
                   "<ExtErrors>0</ExtErrors><ExtWarnings>0</ExtWarnings></Test>";
    const std::string longGroup = "<Group>" + passing + failing.substr(14);
    EXPECT_EQ(analyse(std::string(50000, '<') + std::string(150000, 'G') + failing + "<Group" + passing),
              mail(lines));
    const std::string longTest = "<Group><Test>" + std::string(300000, 'x') + failing.substr(20);
    std::string nearMisses;
    while (nearMisses.size() < 200000) nearMisses += "<Grou</Grou<Grou";
    EXPECT_EQ(analyse(nearMisses + longGroup + failing + longTest + "<Group" + passing), mail(lines + lines + lines));
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
    report.openGroup(0).closeGroup("", "G", kOneError);
    testsupport::writeBytes(suite.results() + "in.xml", report.finish("HOST", "PLAT", "V"));
    analysis.executeI((suite.results() + "in.xml").c_str(), (suite.results() + "out.email").c_str());
    EXPECT_EQ(
        testsupport::readBytes(suite.results() + "out.email"),
        "HEAD\n" + openLine("A", "B", "C", "D") + "G G Table Table ( KxE / E / W / EE / EW )" + closeLine("first.htm"));
}

} // namespace
