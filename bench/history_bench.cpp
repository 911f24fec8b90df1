// What recording a finished run into the history costs per test, for a run
// of 20,000 and of 100,000 tests (1 in 100 failing): from the facts rtrun's
// tally kept of its tests while they ran, and side by side from the run's
// report read back with the test index beside it (as runs were recorded
// before). Each way records the run twice into a fresh SQLite file (the
// second time each failure is judged on the first run's rows), or into the
// database a postgresql:// address names: history_bench [ADDRESS].
//
// Prints microseconds per test, wall clock and (in parentheses) processor
// time: making the tests' rows ready alone (reading the tally's facts back,
// or the report and its index), and each whole recording; the difference is
// the store's part.
#include "SyntheticReport.h"
#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/run/RunTally.h"
#include <Rt/Rt.h>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Wall-clock and processor seconds since a start: on a shared machine the
// processor's time says what the work costs, the wall clock what it took.
struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double wallSeconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

// Per test, in microseconds: "12.34 (11.02)".
std::string perTest(const Clock& clock, int tests) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f (%.2f)", clock.wallSeconds() * 1e6 / tests, clock.cpuSeconds() * 1e6 / tests);
    return text;
}

// The report's tests, as the tally is told them by a run that wrote it:
// groups of 100, every 100th test failing with the report's one error.
void tellTests(rtrun::RunTally& tally, int tests) {
    for (int t = 0; t < tests; ++t) {
        const int group = t / 100;
        const bool failing = t % 100 == 99;
        rtrun::RunTally::Test test;
        test.script = "bench.rt";
        test.position = t;
        test.caseName = "Case";
        test.group = "Group" + std::to_string(group);
        test.title = "Case" + std::to_string(t);
        test.args = {"model" + std::to_string(t) + ".kx"};
        test.seconds = 0.01;
        test.reportId = group * 101 + 1 + t % 100;  // the report numbers each group, then its tests
        test.verdict = failing ? rtrun::RunTally::Verdict::eFailed : rtrun::RunTally::Verdict::ePassed;
        if (failing) {
            test.why = test.elementError = "value 3 < 4";
            test.elementFailed = true;
        }
        tally.addTest(std::move(test));
    }
}

// The tests read from the report, handed out again for each recording.
class ListedTests : public rtrun::RecordedTests {
public:
    explicit ListedTests(const std::vector<rtrun::RecordedTest>& tests) : m_tests(tests) {}
    bool next(rtrun::RecordedTest& test) override {
        if (m_next == m_tests.size()) return false;
        test = m_tests[m_next++];
        return true;
    }
    std::string problem() const override { return ""; }

private:
    const std::vector<rtrun::RecordedTest>& m_tests;
    std::size_t m_next = 0;
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("history_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    // The framework is started on the directory, where the tally may keep its facts.
    ::setenv("KXRT_RELATIVE_PATH", dir.c_str(), 1);
    RtLib::init();
    for (const int tests : {20000, 100000}) {
        rtrun::FinishedRun run;
        run.report = (dir / ("run" + std::to_string(tests) + ".xml")).string();
        bench::writeReport(run.report, tests, 100, 100);
        rtrun::RunTally tally(5);
        tellTests(tally, tests);
        rtrun::TestIndex::Facts facts;
        tally.addFacts(facts);
        if (!tally.writeIndex(rtrun::TestIndex::pathBeside(run.report), facts)) {
            std::fprintf(stderr, "history_bench: the test index cannot be written in %s\n", dir.c_str());
            return 1;
        }
        std::printf("%6d tests, %s\n", tests, argc > 1 ? "PostgreSQL" : "SQLite");

        for (const bool fromTally : {true, false}) {
            rtrun::HistoryPlace place;
            place.suite = std::string(fromTally ? "tally" : "report") + std::to_string(tests);
            place.location = argc > 1 ? argv[1] : (dir / (place.suite + ".sqlite")).string();
            Clock ready;
            rtrun::RunRecord record;
            std::string problem;
            if (fromTally) {
                const std::unique_ptr<rtrun::RecordedTests> facts = tally.recordedTests();
                rtrun::RecordedTest test;
                int count = 0;
                while (facts->next(test)) ++count;
                problem = count == tests ? facts->problem() : "the tally handed out " + std::to_string(count) + " tests";
            } else {
                rtrun::readRunRecord(run.report, record, problem);
            }
            if (!problem.empty()) {
                std::fprintf(stderr, "history_bench: %s\n", problem.c_str());
                return 1;
            }
            std::printf("  from the %s: rows ready %s us/test;", fromTally ? "tally " : "report", perTest(ready, tests).c_str());
            for (const char* which : {"first", "second"}) {
                rtrun::HistoryNotes notes;
                Clock whole;
                record.tests.clear();
                if (!fromTally) rtrun::readRunRecord(run.report, record, problem);
                ListedTests listed(record.tests);
                const std::unique_ptr<rtrun::RecordedTests> told = fromTally ? tally.recordedTests() : nullptr;
                if (!rtrun::recordRun(place, run, fromTally ? *told : static_cast<rtrun::RecordedTests&>(listed), notes))
                    return 1;
                std::printf(" %s recording %s in all (%zu failures judged)%s", which, perTest(whole, tests).c_str(),
                            notes.failures.size(), *which == 'f' ? "," : "\n");
            }
        }
    }
    RtLib::fini();
    fs::remove_all(dir);
    return 0;
}
