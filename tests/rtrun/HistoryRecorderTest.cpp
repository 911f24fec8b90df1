// A run recorded from the tests handed to it: its rows batch after batch,
// its counts, keys and judgements; and the run's facts and texts as the
// report's reader would give them.
#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/HistoryStore.h"
#include "rtrun/history/RunRecord.h"
#include "support/TempDir.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using rtrun::RecordedTest;
using rtrun::Verdict;

class ListedTests : public rtrun::RecordedTests {
public:
    explicit ListedTests(std::vector<RecordedTest> tests) : m_tests(std::move(tests)) {}
    bool next(RecordedTest& test) override {
        if (m_next == m_tests.size()) return false;
        test = m_tests[m_next++];
        return true;
    }
    std::string problem() const override { return ""; }

private:
    std::vector<RecordedTest> m_tests;
    std::size_t m_next = 0;
};

std::string report(const std::string& tests, const std::string& global) {
    return "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n  <Group id=\"0000000000\">\r\n" + tests +
           "    <Title>G</Title>\r\n  </Group>\r\n" + global + "</KxRegTester>\r\n";
}

std::string global(const std::string& machine) {
    return "  <Global>\r\n    <Machine>" + machine + "</Machine>\r\n    <Platform>P&amp;Q</Platform>\r\n"
           "    <RunTime>12.34 Seconds</RunTime>\r\n    <Version>V</Version>\r\n  </Global>\r\n";
}

// 2,600 tests, more than two batches: the titles repeat after 1,300, so a
// key's second occurrence comes in another batch than its first. Run 1
// fails tests 5 and 2000; run 2 fixes 5, fails 2000 again and 2500 anew;
// the last test is never made.
std::vector<RecordedTest> night(int run) {
    std::vector<RecordedTest> tests(2600);
    for (int i = 0; i < 2600; ++i) {
        RecordedTest& test = tests[static_cast<std::size_t>(i)];
        test.group = "G";
        test.title = "T" + std::to_string(i % 1300);
        test.script = "s.rt";
        test.caseName = "T";
        test.seconds = 0.01;
        test.reportId = i + 1;
        if ((i == 5 && run == 1) || i == 2000 || (i == 2500 && run == 2)) {
            test.verdict = Verdict::eFailed;
            test.error = "wrong";
        }
    }
    tests.back().verdict = Verdict::eNotRun;
    tests.back().reportId = -1;
    return tests;
}

TEST(HistoryRecorder, RecordsALongRunBatchByBatch) {
    const testsupport::TempSuite suite;
    rtrun::HistoryPlace place;
    place.location = suite.base() + "h.sqlite";
    place.suite = "nightly";
    rtrun::HistoryNotes notes;
    for (int run = 1; run <= 2; ++run) {
        rtrun::FinishedRun finished;
        finished.report = suite.results() + "r" + std::to_string(run) + ".xml";
        testsupport::writeBytes(finished.report, report("", global("m")));
        ListedTests tests(night(run));
        notes = rtrun::HistoryNotes();
        ASSERT_TRUE(rtrun::recordRun(place, finished, tests, notes));
    }
    EXPECT_EQ(notes.failures, (std::map<int, std::string>{{2001, "(failing since r1, 2 runs)"}, {2501, "(new)"}}));
    EXPECT_EQ(notes.fixed, std::vector<std::string>{"G / T5"});

    std::string problem;
    const std::unique_ptr<rtrun::HistoryStore> store = rtrun::openHistoryStore(place.location, true, problem);
    ASSERT_TRUE(store) << problem;
    std::vector<rtrun::HistoryRow> rows;
    ASSERT_TRUE(store->run("SELECT name, platform, machine, seconds, tests, passed, failed, not_run FROM runs ORDER BY id", {}, &rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (rtrun::HistoryRow{"r2", "P&Q", "m", "12.34", "2600", "2597", "2", "1"}));
    rows.clear();
    ASSERT_TRUE(store->run("SELECT count(*), count(DISTINCT series), sum(occurrence = 2) FROM tests WHERE run_id = 2", {}, &rows));
    EXPECT_EQ(rows[0], (rtrun::HistoryRow{"2600", "2600", "1300"}));
    rows.clear();
    ASSERT_TRUE(store->run("SELECT title, occurrence, failing_since, failing_runs FROM tests WHERE run_id = 2 AND "
                           "verdict = 'failed' ORDER BY rowid", {}, &rows));
    EXPECT_EQ(rows, (std::vector<rtrun::HistoryRow>{{"T700", "2", "r1", "2"}, {"T1200", "2", "r2", "1"}}));
}

// The closing record is read from the report's end alone, as the report's
// reader reads it, however long; a report without one has no facts; one that
// cannot be read is a problem. A value read back has its line ends as LF.
TEST(RunRecord, FactsAndTextsAreWhatTheReportsReaderGives) {
    const testsupport::TempDir dir;
    const std::string message = "one\r\ntwo\rthree\x01 caf\xe9 &amp;&lt;&gt; ";
    const std::string test = "    <Test id=\"0000000001\">\r\n      <Error>\r\n        <Method>A::b</Method>\r\n"
                             "        <Desc>d</Desc>\r\n        <Msg>" + message + "</Msg>\r\n      </Error>\r\n"
                             "      <Time>0.01 Seconds</Time>\r\n      <Title>T</Title>\r\n    </Test>\r\n";
    for (const std::string& machine : {std::string("m\xe9&amp;n"), std::string(20000, 'h')}) {
        const std::string path = dir.path() + "run.xml";
        testsupport::writeBytes(path, report(test, global(machine)));
        rtrun::RunRecord record;
        std::string problem;
        ASSERT_TRUE(rtrun::readRunRecord(path, record, problem)) << problem;
        rtrun::RunFacts facts;
        ASSERT_TRUE(rtrun::readRunFacts(path, facts, problem)) << problem;
        EXPECT_EQ(facts.machine, record.facts.machine);
        EXPECT_EQ(facts.platform, "P&Q");
        EXPECT_EQ(facts.seconds, record.facts.seconds);
        EXPECT_EQ(facts.name, "run");
        ASSERT_EQ(record.tests.size(), 1u);
        std::string readBack;
        rtrun::appendAsReadBack(readBack, "one\r\ntwo\rthree\x01 caf\xe9 &<> ");
        EXPECT_EQ(readBack, record.tests[0].error);
    }
    const std::string bare = dir.path() + "bare.xml";
    testsupport::writeBytes(bare, report(test, ""));
    rtrun::RunFacts facts;
    std::string problem;
    EXPECT_TRUE(rtrun::readRunFacts(bare, facts, problem));
    EXPECT_EQ(facts.machine + facts.platform, "");
    EXPECT_FALSE(rtrun::readRunFacts(dir.path() + "none.xml", facts, problem));
    EXPECT_EQ(problem, dir.path() + "none.xml: No such file or directory");
}

// A report's deaths as either system tells them, whichever system records it.
TEST(HistoryVerdict, DeathsAsLinuxOrWindowsTellThem) {
    EXPECT_EQ(rtrun::verdictOfError("crashed: signal 11 (Segmentation fault) at f() a.cpp:3"), Verdict::eCrashed);
    EXPECT_EQ(rtrun::verdictOfError("crashed: exception 0xC0000005 (access violation)"), Verdict::eCrashed);
    EXPECT_EQ(rtrun::verdictOfError("crashed: signal 22 (Aborted)"), Verdict::eCrashed);
    EXPECT_EQ(rtrun::verdictOfError("exited: status 3"), Verdict::eExited);
    EXPECT_EQ(rtrun::verdictOfError("exited"), Verdict::eExited);
    EXPECT_EQ(rtrun::verdictOfError("exited at ?? (KxRtProbe80.dll+0x1d08)"), Verdict::eExited);
    EXPECT_EQ(rtrun::verdictOfError("exited early, said the test"), Verdict::eFailed);
    EXPECT_EQ(rtrun::verdictOfError("crashed: the mesh"), Verdict::eFailed);
}

} // namespace
