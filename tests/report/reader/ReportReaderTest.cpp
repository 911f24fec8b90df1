// The report reader on reports written the way the framework writes them:
// every kind of record, bytes XML forbids, ISO-8859-1 text, reports cut off
// at every byte, and files that are not reports.
#include "report/reader/ReportReader.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>

using namespace rtreport;
using testsupport::ExpectedReport;

namespace {

class ReportReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& bytes) {
        const std::string path = dir.results() + "report.xml";
        testsupport::writeBytes(path, bytes);
        return path;
    }
    ReadResult read(const std::string& bytes, Report& report) { return readReport(write(bytes), report); }

    testsupport::TempSuite dir;
};

// A group holding one test per kind of outcome and a record of its own,
// then a second group, then the run's record.
std::string twoGroups() {
    ExpectedReport text;
    text.openGroup(0).openTest(1);
    text.open("Error").value("Method", "Box::check").value("Desc", "volume");
    text.value("Msg", "first").value("Msg", "second");
    text.value("Trace", "at box.cpp:12").close("Error");
    text.record("Warning", "Box::check", "", {"close"}).record("ExtWarning", "Solver::run", "", {"slow"});
    text.kxError("KxVecBase::remove", "start&gt;=len");
    text.closeTest({"2", "3"}, "24", "checks a box", "Box", {1, 1, 1, 0, 1});
    text.openTest(2).record("ExtError", "Solver::run", "diverged").closeTest({}, "", "", "Solver", {0, 0, 0, 1});
    text.openTest(3).record("Warning", "W::x", "").kxError("K::y", "").closeTest({}, "", "", "Quiet", {1, 0, 1});
    text.record("Error", "TestGroup::run", "between tests");
    text.closeGroup("first group", "One", {2, 2, 2, 1, 1});
    text.openGroup(4).openTest(5).closeTest({}, "", "", "Pass", {}).closeGroup("", "Two", {});
    return text.finish("HOST1", "LNX64", "Di80 8.0.0");
}

TEST_F(ReportReaderTest, EveryRecordKindValueAndCountReadsBack) {
    Report report;
    const ReadResult result = read(twoGroups(), report);
    ASSERT_EQ(result.status, ReadResult::Status::eComplete) << result.problem;
    EXPECT_EQ(result.problem, "");
    ASSERT_EQ(report.groups.size(), 2u);

    const Group& one = report.groups[0];
    EXPECT_EQ(one.id, 0);
    EXPECT_EQ(one.title, "One");
    EXPECT_EQ(one.desc, "first group");
    EXPECT_EQ(one.time, "T.TT Seconds");
    EXPECT_FALSE(one.outsideGroups);
    EXPECT_FALSE(one.interrupted);
    ASSERT_TRUE(one.hasSummary);
    EXPECT_EQ(one.summary, (Counts(2, 2, 1, 1, 2)));
    EXPECT_EQ(one.recordCounts(), one.summary);
    ASSERT_EQ(one.records.size(), 1u);
    EXPECT_EQ(one.records[0].desc, "between tests");
    ASSERT_EQ(one.tests.size(), 3u);

    const rtreport::Test& box = one.tests[0];
    EXPECT_EQ(box.id, 1);
    EXPECT_EQ(box.title, "Box");
    EXPECT_EQ(box.desc, "checks a box");
    EXPECT_EQ(box.args, (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(box.ext, "24");
    EXPECT_EQ(box.summary, (Counts(1, 1, 0, 1, 1)));
    EXPECT_EQ(box.recordCounts(), box.summary);
    ASSERT_EQ(box.records.size(), 4u);
    const Record& error = box.records[0];
    EXPECT_EQ(error.kind, RecordKind::eError);
    EXPECT_EQ(error.method, "Box::check");
    EXPECT_EQ(error.desc, "volume");
    EXPECT_EQ(error.msgs, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(error.traces, (std::vector<std::string>{"at box.cpp:12"}));
    EXPECT_EQ(box.records[1].kind, RecordKind::eWarning);
    EXPECT_EQ(box.records[2].kind, RecordKind::eExtWarning);
    EXPECT_EQ(box.records[3].kind, RecordKind::eKxError);
    EXPECT_EQ(box.records[3].desc, "start>=len");

    // Verdicts: an Error or an ExtError fails a test; warnings and core-library errors alone do not.
    EXPECT_TRUE(box.failed());
    EXPECT_TRUE(one.tests[1].failed());
    EXPECT_FALSE(one.tests[2].failed());
    EXPECT_FALSE(report.groups[1].tests[0].failed());

    EXPECT_TRUE(report.run.present);
    EXPECT_EQ(report.run.machine, "HOST1");
    EXPECT_EQ(report.run.platform, "LNX64");
    EXPECT_EQ(report.run.runTime, "T.TT Seconds");
    EXPECT_EQ(report.run.version, "Di80 8.0.0");
}

TEST_F(ReportReaderTest, Iso88591BytesAndCharactersXmlForbidsComeOutAsTheRunWroteThem) {
    // The writer passes every byte of a value through: Latin-1 letters, control
    // characters (a zero byte too), line breaks; it escapes only the five.
    const std::string title("caf\xE9 \xFF\x01\x1F", 8);
    const std::string msg = std::string("nul[") + '\0' + "] bell[\x07] tab[\t] &lt;&amp;&gt;&quot;&apos;";
    ExpectedReport text;
    text.openGroup(0).openTest(1).record("Error", "A::b", "two\r\nlines", {msg});
    text.closeTest({"\x0B"}, "\x80\x9F", "", title, {0, 1}).closeGroup("", "G\x02", {0, 1});
    Report report;
    const ReadResult result = read(text.finish("M", "P", "V"), report);
    ASSERT_EQ(result.status, ReadResult::Status::eComplete) << result.problem;
    ASSERT_EQ(report.groups.size(), 1u);
    const rtreport::Test& test = report.groups[0].tests.at(0);
    EXPECT_EQ(test.title, std::string("caf\xC3\xA9 \xC3\xBF\x01\x1F"));
    EXPECT_EQ(test.records.at(0).msgs.at(0), std::string("nul[") + '\0' + "] bell[\x07] tab[\t] <&>\"'");
    EXPECT_EQ(test.records[0].desc, "two\nlines");
    EXPECT_EQ(test.args, (std::vector<std::string>{"\x0B"}));
    EXPECT_EQ(test.ext, "\xC2\x80\xC2\x9F");
    EXPECT_EQ(report.groups[0].title, "G\x02");
}

// Every prefix of a report, as a run that died at that byte leaves it: the
// groups closed before the cut read back as in the whole report, the one
// the cut falls in is marked interrupted along with its open test, and the
// result says the report was cut off.
TEST_F(ReportReaderTest, ReportCutOffAtAnyByteReadsAsFarAsItGoes) {
    const std::string whole = twoGroups();
    Report full;
    ASSERT_EQ(read(whole, full).status, ReadResult::Status::eComplete);
    const std::size_t rootClose = whole.rfind("</KxRegTester>");
    const std::size_t secondGroup = whole.find("<Group id=\"0000000004\">");

    // From the end backwards, so that one file shrinks instead of many being written.
    const std::string path = write(whole);
    for (std::size_t cut = rootClose - 1; cut >= testsupport::kReportHeader.size(); --cut) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        std::filesystem::resize_file(path, cut);
        Report report;
        const ReadResult result = readReport(path, report);
        ASSERT_EQ(result.status, ReadResult::Status::eCutOff) << result.problem;
        EXPECT_NE(result.problem.find("report.xml: the report ends "), std::string::npos) << result.problem;
        ASSERT_LE(report.groups.size(), 2u);
        for (std::size_t g = 0; g < report.groups.size(); ++g) {
            const Group& group = report.groups[g];
            const std::size_t start = g == 0 ? 0 : secondGroup;
            const bool closed = whole.find("</Group>", start) + 8 <= cut;
            EXPECT_EQ(group.interrupted, !closed);
            // Counts cut off halfway are no summary.
            const std::size_t summaryEnd = whole.find("</Summary>\r\n  </Group>", start) + 10;
            EXPECT_EQ(group.hasSummary, cut >= summaryEnd);
            if (closed) {
                EXPECT_EQ(group.title, full.groups[g].title);
                EXPECT_EQ(group.summary, full.groups[g].summary);
                EXPECT_EQ(group.tests.size(), full.groups[g].tests.size());
            }
            for (std::size_t t = 0; t < group.tests.size(); ++t) {
                // Only the last test of an interrupted group can be interrupted itself.
                if (group.tests[t].interrupted) {
                    EXPECT_TRUE(group.interrupted);
                    EXPECT_EQ(t, group.tests.size() - 1);
                } else {
                    EXPECT_EQ(group.tests[t].title, full.groups[g].tests[t].title);
                    EXPECT_EQ(group.tests[t].records.size(), full.groups[g].tests[t].records.size());
                }
            }
        }
        // A group arrives once its opening tag is complete.
        const std::size_t firstOpened = whole.find('>', whole.find("<Group")) + 1;
        const std::size_t secondOpened = whole.find('>', secondGroup) + 1;
        EXPECT_EQ(report.groups.size(), (cut >= firstOpened ? 1u : 0u) + (cut >= secondOpened ? 1u : 0u));
        EXPECT_EQ(report.run.present, cut > whole.find("<Global>") + 7);
    }
}

TEST_F(ReportReaderTest, TestCutOffMidRecordIsInterruptedWithWhatItRaised) {
    ExpectedReport text;
    text.openGroup(0).openTest(1).closeTest({}, "", "", "Done", {}).openTest(2);
    text.record("Warning", "Die::executeW", "", {"about to die"});
    Report report;
    const std::string cut = text.text() + "      <Error>\r\n        <Method>Die::exe";
    const ReadResult result = read(cut, report);
    ASSERT_EQ(result.status, ReadResult::Status::eCutOff);
    const std::string line = std::to_string(testsupport::occurrences(cut, "\n") + 1);
    EXPECT_NE(result.problem.find("inside test 2 of group 0, at line " + line), std::string::npos) << result.problem;
    ASSERT_EQ(report.groups.size(), 1u);
    const Group& group = report.groups[0];
    EXPECT_TRUE(group.interrupted);
    EXPECT_FALSE(group.hasSummary);
    ASSERT_EQ(group.tests.size(), 2u);
    EXPECT_FALSE(group.tests[0].interrupted);
    const rtreport::Test& died = group.tests[1];
    EXPECT_TRUE(died.interrupted);
    EXPECT_EQ(died.id, 2);
    EXPECT_EQ(died.title, "");
    ASSERT_EQ(died.records.size(), 2u);
    EXPECT_EQ(died.records[0].msgs, (std::vector<std::string>{"about to die"}));
    EXPECT_EQ(died.records[1].kind, RecordKind::eError);
    EXPECT_EQ(died.records[1].method, "Die::exe"); // text up to the cut is kept
    EXPECT_FALSE(report.run.present);
}

TEST_F(ReportReaderTest, RecordsAndTestsOutsideGroupsComeInAStandInGroupInFileOrder) {
    ExpectedReport text;
    text.record("Error", "Driver::start", "before any group");
    text.openGroup(0).open("No_Obj_Spec", 1).record("ExtError", "Own::x", "").close("No_Obj_Spec");
    text.closeGroup("", "G", {0, 0, 0, 1});
    text.openTest(2).closeTest({}, "", "", "Loose", {});
    Report report;
    ASSERT_EQ(read(text.finish("M", "P", "V"), report).status, ReadResult::Status::eComplete);
    ASSERT_EQ(report.groups.size(), 3u);
    EXPECT_TRUE(report.groups[0].outsideGroups);
    EXPECT_EQ(report.groups[0].records.at(0).desc, "before any group");
    // A record inside an element the test code opened belongs to the group around it.
    EXPECT_EQ(report.groups[1].title, "G");
    EXPECT_EQ(report.groups[1].records.at(0).kind, RecordKind::eExtError);
    EXPECT_TRUE(report.groups[2].outsideGroups);
    EXPECT_EQ(report.groups[2].tests.at(0).title, "Loose");
}

// Each group is handed out while the rest of the file is still unread: cut
// behind the reader's back after the first group, the file reads as cut off
// there, which a reader that had taken in the whole file first would not see.
TEST_F(ReportReaderTest, GroupsArriveWhileTheRestOfTheFileIsUnread) {
    ExpectedReport text;
    for (int g = 0; g < 2000; ++g) {
        text.openGroup(2 * g).openTest(2 * g + 1).closeTest({}, "", "", "T", {});
        text.closeGroup("", "G" + std::to_string(g), {});
    }
    const std::string whole = text.finish("M", "P", "V");
    const std::string path = write(whole);
    ReportReader reader(path);
    Group group;
    ASSERT_TRUE(reader.next(group));
    EXPECT_EQ(group.title, "G0");

    std::size_t cut = 0;
    for (int g = 0; g < 1000; ++g) cut = whole.find("</Group>", cut) + 8;
    ASSERT_GT(whole.size() - cut, 500000u);
    std::filesystem::resize_file(path, cut);
    int groups = 1;
    while (reader.next(group)) ++groups;
    EXPECT_EQ(groups, 1000);
    EXPECT_EQ(group.title, "G999");
    EXPECT_EQ(reader.result().status, ReadResult::Status::eCutOff) << reader.result().problem;
    EXPECT_FALSE(reader.runInfo().present);
}

// Test code may open elements of any name; the writer puts names out as given.
TEST_F(ReportReaderTest, ElementsNamedFreelyByTestCodeDoNotStopTheReading) {
    ExpectedReport text;
    text.openGroup(0).openTest(1).open("my check", 2).record("Error", "A::b", "inside").close("my check");
    text.open("2nd<try>").open("").close("").close("2nd<try>").open("caf\xE9 &").close("closed as another");
    text.closeTest({}, "", "", "Free", {0, 1}).closeGroup("", "G", {0, 1});
    Report report;
    const ReadResult result = read(text.finish("M", "P", "V"), report);
    ASSERT_EQ(result.status, ReadResult::Status::eComplete) << result.problem;
    ASSERT_EQ(report.groups.size(), 1u);
    const rtreport::Test& test = report.groups[0].tests.at(0);
    EXPECT_EQ(test.title, "Free");
    ASSERT_EQ(test.records.size(), 1u);
    EXPECT_EQ(test.records[0].desc, "inside");
    EXPECT_EQ(report.run.machine, "M");

    // Cut inside such an element, the report still closes where it stops.
    Report cut;
    EXPECT_EQ(read(text.text().substr(0, text.text().find("<2nd<try>") + 12), cut).status,
              ReadResult::Status::eCutOff);
    EXPECT_TRUE(cut.groups.at(0).tests.at(0).interrupted);
}

TEST_F(ReportReaderTest, WhatIsNotAReportGivesAClearErrorAndNoGroups) {
    struct Case {
        const char* name;
        std::string path;
        const char* says;
    };
    const std::string bytes = dir.results() + "bytes";
    std::vector<Case> cases = {
        {"missing file", dir.results() + "missing.xml", "No such file or directory"},
        {"directory", dir.results(), "is a directory"},
        {"empty file", "", "is empty"},
        {"plain text", "just some words\n", "not a report"},
        {"other XML", "<?xml version=\"1.0\"?>\n<testsuites><testsuite/></testsuites>\n", "not a report"},
        {"binary", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), "not a report"},
        {"declaration only", "<?xml version=\"1.0\"?>\r\n", "not a report"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.path.empty() || !std::filesystem::path(c.path).is_absolute()) {
            testsupport::writeBytes(bytes, c.path);
            c.path = bytes;
        }
        Report report;
        const ReadResult result = readReport(c.path, report);
        EXPECT_EQ(result.status, ReadResult::Status::eUnreadable);
        EXPECT_FALSE(result.readable());
        EXPECT_EQ(result.problem.rfind(c.path + ": ", 0), 0u) << result.problem;
        EXPECT_NE(result.problem.find(c.says), std::string::npos) << result.problem;
        EXPECT_EQ(result.problem.find('\n'), std::string::npos) << result.problem;
        EXPECT_TRUE(report.groups.empty());
    }
}

} // namespace
