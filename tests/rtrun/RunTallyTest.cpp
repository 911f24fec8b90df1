#include "rtrun/run/RunTally.h"
#include "rtrun/reports/TestIndex.h"
#include "support/TempDir.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

using rtrun::RunTally;

RunTally::Test told(int id, RunTally::Verdict verdict, double seconds, const std::string& title) {
    RunTally::Test test;
    test.script = "night\tly.rt";
    test.position = id;
    test.caseName = "Case" + std::to_string(id);
    test.group = "G";
    test.title = title;
    test.verdict = verdict;
    test.seconds = seconds;
    test.reportId = id;
    return test;
}

// The tests' lines of the index the tally writes (those after its header and facts).
std::string indexLines(const RunTally& tally) {
    const testsupport::TempDir dir;
    const std::string path = dir.path() + "run.index";
    rtrun::TestIndex::Facts facts;
    tally.addFacts(facts);
    EXPECT_TRUE(tally.writeIndex(path, facts));
    std::ifstream in(path, std::ios::binary);
    std::string header, lines;
    std::getline(in, header);
    EXPECT_EQ(header, rtrun::TestIndex::header());
    for (std::string line; std::getline(in, line);)
        if (line[0] >= '0' && line[0] <= '9') lines += line + "\n";
    return lines;
}

// Many passing tests and a few others: the others are kept whole and in
// order, the slowest are the kept number in order (of equal times the
// earlier first), and every test with a report element has its index line,
// escaped, in the order told, also when copied twice.
TEST(RunTally, KeepsTheUnpassedWholeTheSlowestAndEveryIndexLine) {
    RunTally tally(3);
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        RunTally::Verdict verdict = RunTally::Verdict::ePassed;
        if (i == 7000) verdict = RunTally::Verdict::eFailed;
        if (i == 15000) verdict = RunTally::Verdict::eNotRun;
        double seconds = 0.001 * (i % 100);
        if (i == 123 || i == 9999) seconds = 5;
        if (i == 500) seconds = 4;
        RunTally::Test test = told(i, verdict, seconds, "T" + std::to_string(i));
        if (verdict == RunTally::Verdict::eNotRun) test.reportId = -1;
        if (i == 7000) test.returnedFalse = true;
        if (test.reportId >= 0)
            expected += std::to_string(i) + "\tnight\\tly.rt\t" + std::to_string(i) + "\tCase" + std::to_string(i) + "\n";
        tally.addTest(std::move(test));
    }
    EXPECT_EQ(tally.total(), 20000);
    EXPECT_EQ(tally.count(RunTally::Verdict::ePassed), 19998);
    EXPECT_EQ(tally.count(RunTally::Verdict::eFailed), 1);
    EXPECT_EQ(tally.count(RunTally::Verdict::eNotRun), 1);
    const auto unpassed = tally.unpassed();
    ASSERT_EQ(unpassed.size(), 2u);
    EXPECT_EQ(unpassed[0]->title, "T7000");
    EXPECT_EQ(unpassed[1]->title, "T15000");
    EXPECT_EQ(tally.falseReturns(), std::set<int>{7000});
    const auto slowest = tally.slowest(10);
    ASSERT_EQ(slowest.size(), 3u);
    EXPECT_EQ(slowest[0]->title, "T123");
    EXPECT_EQ(slowest[1]->title, "T9999");
    EXPECT_EQ(slowest[2]->title, "T500");
    EXPECT_EQ(tally.slowest(2).size(), 2u);
    EXPECT_EQ(indexLines(tally), expected);
    // The history reads the same kept facts: every test with an element, then the one never made.
    const std::unique_ptr<rtrun::RecordedTests> recorded = tally.recordedTests();
    rtrun::RecordedTest test;
    int count = 0, lastId = -1;
    while (recorded->next(test)) {
        ++count;
        EXPECT_TRUE(test.reportId > lastId || (test.reportId == -1 && count == 20000)) << count;
        lastId = test.reportId;
    }
    EXPECT_EQ(count, 20000);
    EXPECT_EQ(recorded->problem(), "");
    EXPECT_EQ(indexLines(tally), expected);
}

// What the history gets of tests told from a report read back (as merges
// tell them): each verdict and first error as the element holds them, or
// what the body threw, or that it returned false; the time to the
// hundredth; texts in UTF-8, whether the teller had them from the reader
// or from the script; then the tests never made, with why.
TEST(RunTally, HandsTheHistoryWhatEachTestsElementSays) {
    RunTally tally;
    const auto add = [&](int id, const std::string& title, bool elementFailed, const std::string& error) {
        RunTally::Test test = told(id, elementFailed ? RunTally::Verdict::eFailed : RunTally::Verdict::ePassed,
                                   0.1234 * id, title);
        test.script = "n\xe9.rt";
        test.group = id == 1 ? "Gr\xc3\xbcn" : "Gr\xfcn";  // the reader's UTF-8, or the script's single bytes
        test.args = {"a\tb", "\xc3\xa9"};
        test.elementFailed = elementFailed;
        test.elementError = test.why = error;
        return test;
    };
    tally.addTest(add(1, "T", false, ""));
    tally.addTest(add(2, "Case2", true, "crashed: signal 11 (Segmentation fault) at f()"));
    RunTally::Test threw = add(3, "T", true, "Unknown Exception Occured in Test T");
    threw.threw = "threw std::runtime_error: \xe9" "dge";
    tally.addTest(std::move(threw));
    RunTally::Test returnedFalse = add(4, "T", false, "");
    returnedFalse.returnedFalse = true;
    tally.addTest(std::move(returnedFalse));
    tally.addTest(add(5, "T", true, "timed out after 30 s"));
    RunTally::Test notMade = told(6, RunTally::Verdict::eNotRun, 0, "N\xe9");
    notMade.reportId = -1;
    notMade.why = "no test library registers it";
    tally.addTest(std::move(notMade));

    const std::unique_ptr<rtrun::RecordedTests> recorded = tally.recordedTests();
    std::vector<std::string> rows;
    for (rtrun::RecordedTest test; recorded->next(test);) {
        std::string row = std::to_string(test.reportId) + " " + test.script + " " + test.caseName + " " + test.group +
                          " " + test.title + " " + rtrun::verdictName(test.verdict) + " " + std::to_string(test.seconds) +
                          " [" + test.error + "]";
        for (const std::string& arg : test.args) row += " " + arg;
        rows.push_back(row);
    }
    const std::vector<std::string> expected = {
        "1 n\xc3\xa9.rt Case1 Gr\xc3\xbcn T passed 0.120000 [] a\tb \xc3\xa9",
        "2 n\xc3\xa9.rt Case2 Gr\xc3\xbcn Case2 crashed 0.250000 [crashed: signal 11 (Segmentation fault) at f()] a\tb \xc3\xa9",
        "3 n\xc3\xa9.rt Case3 Gr\xc3\xbcn T failed 0.370000 [threw std::runtime_error: \xc3\xa9" "dge] a\tb \xc3\xa9",
        "4 n\xc3\xa9.rt Case4 Gr\xc3\xbcn T failed 0.490000 [its body returned false] a\tb \xc3\xa9",
        "5 n\xc3\xa9.rt Case5 Gr\xc3\xbcn T timed out 0.620000 [timed out after 30 s] a\tb \xc3\xa9",
        "-1  N\xc3\xa9 G N\xc3\xa9 not run 0.000000 [no test library registers it]",
    };
    EXPECT_EQ(rows, expected);
    EXPECT_FALSE(recorded->next(*std::make_unique<rtrun::RecordedTest>()));
    EXPECT_EQ(recorded->problem(), "");
}

// The run's facts go through the index and back, escapes and all; an index
// of the first format still reads, knowing no facts.
TEST(RunTally, IndexCarriesTheRunsFactsAndTheFirstFormatStillReads) {
    RunTally tally;
    RunTally::Test notRun = told(3, RunTally::Verdict::eNotRun, 0, "Nope");
    notRun.reportId = -1;
    notRun.why = "no test library registers it";
    notRun.args = {"a\tb", ""};
    tally.addTest(told(0, RunTally::Verdict::ePassed, 0, "T0"));
    tally.addTest(std::move(notRun));
    tally.addScriptProblem({"b.rt", "Empty Object Tag"});
    tally.addRefusedLibrary({"libKxRtJunk80.so", "not a library"});
    rtrun::TestIndex::Facts facts;
    facts.runId = "run\\7";
    facts.runIdSource = "--run-id";
    facts.platform = "LNX64";
    facts.scripts = {"a.rt", "sub/b.rt"};
    tally.addFacts(facts);
    const testsupport::TempDir dir;
    ASSERT_TRUE(tally.writeIndex(dir.path() + "run.index", facts));

    rtrun::TestIndex index;
    ASSERT_TRUE(index.read(dir.path() + "run.index"));
    const rtrun::TestIndex::Facts& read = index.facts();
    EXPECT_TRUE(read.known);
    EXPECT_EQ(read.runId, "run\\7");
    EXPECT_EQ(read.platform, "LNX64");
    EXPECT_EQ(read.scripts, facts.scripts);
    ASSERT_EQ(read.notRun.size(), 1u);
    EXPECT_EQ(read.notRun[0].script, "night\tly.rt");
    EXPECT_EQ(read.notRun[0].position, 3);
    EXPECT_EQ(read.notRun[0].why, "no test library registers it");
    EXPECT_EQ(read.notRun[0].args, (std::vector<std::string>{"a\tb", ""}));
    ASSERT_EQ(read.scriptProblems.size(), 1u);
    EXPECT_EQ(read.scriptProblems[0].what, "Empty Object Tag");
    ASSERT_EQ(read.refusedLibraries.size(), 1u);
    ASSERT_NE(index.find(0), nullptr);
    EXPECT_EQ(index.find(0)->caseName, "Case0");

    std::ofstream(dir.path() + "first.index", std::ios::binary)
        << "# rtrun test index: report id, script, position in the script (from 0), case name\n5\ta.rt\t2\tBox\n";
    rtrun::TestIndex first;
    ASSERT_TRUE(first.read(dir.path() + "first.index"));
    EXPECT_FALSE(first.facts().known);
    ASSERT_NE(first.find(5), nullptr);
    EXPECT_EQ(first.find(5)->position, 2);
}

} // namespace
