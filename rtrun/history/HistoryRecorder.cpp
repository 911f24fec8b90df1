#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/HistorySchema.h"
#include "rtrun/history/HistoryStore.h"
#include "rtrun/history/PageHistory.h"
#include "rtrun/reports/TestKey.h"
#include "rtrun/system/SecondsFormat.h"
#include "report/reader/ReportModel.h"
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_set>

namespace rtrun {

namespace {

const std::vector<const char*> kTestColumns = {"run_id",     "series", "group_title", "title",   "args",
                                               "occurrence", "script", "case_name",   "verdict", "seconds",
                                               "error",      "failing_since", "failing_runs"};

// The tests are read, judged and written a batch at a time: memory stays
// bounded however long the run, and each batch's rows go in with one call.
// A test is judged before its batch is written: its own row (no other of
// the run has its key) never counts as its past.
constexpr std::size_t kBatch = 1024;

// A test of the batch with its key: `fields` holds its group's title, its
// title and its arguments kept apart by unit separators (the arguments, as
// the args column holds them, from `argsAt`), then its occurrence.
struct KeyedTest {
    RecordedTest test;
    std::string fields;
    std::size_t argsAt = 0;
    int occurrence = 1;
    std::int64_t series = 0;
    bool failing = false;  // judged as a failure: failingSince and failingRuns hold its run of failures
    std::string failingSince;
    int failingRuns = 0;

    std::string_view args() const { return std::string_view(fields).substr(argsAt); }
    std::string name() const { return TestKey::of(test.group, test.title, test.args, occurrence).name; }
};

// The recording, one step after another on one open store.
class Recording {
public:
    Recording(HistoryStore& store, const HistoryPlace& place, const RunFacts& facts)
        : m_store(store), m_place(place), m_facts(facts),
          // A test on one suite and platform: the digest its past is found by.
          m_seriesStart(digestOf(place.suite + '\x1d' + facts.platform + '\x1d')) {}

    bool run(const FinishedRun& finished, RecordedTests& tests, HistoryNotes& notes) {
        std::string problem;
        if (!m_store.begin() || !prepareSchema(m_store, problem)) return fail(problem);
        std::vector<HistoryRow> last;
        if (!m_store.run("SELECT id FROM runs WHERE suite = ? AND platform = ? ORDER BY id DESC LIMIT 1",
                         {m_place.suite, m_facts.platform}, &last))
            return fail();
        if (!last.empty() && !readFailedBefore(last[0][0])) return fail();
        if (!insertRun(finished) || !recordTests(tests, notes) || !countTests()) return false;
        return readTrend() && prune() && (m_store.commit() || fail());
    }

    const std::string& problem() const { return m_problem; }
    const PageHistory& page() const { return m_page; }

private:
    bool fail(const std::string& problem = "") {
        m_problem = problem.empty() ? m_store.problem() : problem;
        return false;
    }

    // The tests that failed in the last run, to name those that pass now.
    bool readFailedBefore(const std::string& lastRun) {
        std::vector<HistoryRow> rows;
        if (!m_store.run("SELECT series FROM tests WHERE run_id = ? AND verdict IN ('failed', 'crashed', "
                         "'timed out', 'exited')",
                         {static_cast<std::int64_t>(std::atoll(lastRun.c_str()))}, &rows))
            return false;
        for (const HistoryRow& row : rows) m_failedBefore.insert(std::atoll(row[0].c_str()));
        return true;
    }

    // The run's row goes in first, so that its tests have its id; their counts follow them.
    bool insertRun(const FinishedRun& finished) {
        std::vector<HistoryRow> id;
        const RunFacts& r = m_facts;
        const auto started = static_cast<std::int64_t>(std::time(nullptr) - static_cast<std::time_t>(r.seconds));
        if (!m_store.run("INSERT INTO runs (suite, platform, machine, name, started, seconds, tests, passed, failed, "
                         "not_run, exit_status, identity) VALUES (?, ?, ?, ?, ?, ?, 0, 0, 0, 0, ?, ?) RETURNING id",
                         {m_place.suite, r.platform, r.machine, r.name, started, r.seconds, finished.exitStatus,
                          finished.identity},
                         &id) ||
            id.empty())
            return fail();
        m_runId = std::atoll(id[0][0].c_str());
        return true;
    }

    bool recordTests(RecordedTests& tests, HistoryNotes& notes) {
        std::vector<KeyedTest> batch(kBatch);
        for (bool more = true; more;) {
            std::size_t count = 0;
            while (count < kBatch && (more = tests.next(batch[count].test))) keyTest(batch[count++]);
            if (!judgeFailures(batch, count, notes) || !judgeTimes(batch, count, notes)) return fail();
            findFixed(batch, count, notes);
            if (!insertTests(batch, count)) return fail();
        }
        const std::string problem = tests.problem();
        return problem.empty() || fail(problem);
    }

    void keyTest(KeyedTest& keyed) {
        const RecordedTest& test = keyed.test;
        std::string& fields = keyed.fields;
        fields.assign(test.group);
        fields += '\x1f';
        fields += test.title;
        keyed.argsAt = fields.size();
        for (const std::string& arg : test.args) {
            fields += '\x1f';
            fields += arg;
        }
        if (!test.args.empty()) ++keyed.argsAt;
        const std::uint64_t digest = digestOf(fields, m_seriesStart);
        keyed.occurrence = m_seen.next(fields, digest);
        char digits[16] = {'\x1e'};
        const char* end = std::to_chars(digits + 1, digits + sizeof(digits), keyed.occurrence).ptr;
        keyed.series = static_cast<std::int64_t>(digestOf(std::string_view(digits, static_cast<std::size_t>(end - digits)), digest));
        keyed.failing = false;
        if (test.verdict == Verdict::ePassed) ++m_passed;
        else if (test.verdict == Verdict::eNotRun) ++m_notRun;
        else ++m_failed;
    }

    bool judgeFailures(std::vector<KeyedTest>& batch, std::size_t count, HistoryNotes& notes) {
        std::vector<HistoryRow> rows;
        for (std::size_t i = 0; i < count; ++i) {
            KeyedTest& keyed = batch[i];
            const RecordedTest& test = keyed.test;
            if (!isFailing(test.verdict)) continue;
            rows.clear();
            if (!m_store.run("SELECT t.verdict, t.seconds, r.name, t.failing_since, t.failing_runs FROM tests t "
                             "JOIN runs r ON r.id = t.run_id WHERE t.series = ? AND r.suite = ? AND r.platform = ? "
                             "ORDER BY t.run_id DESC LIMIT ?",
                             {keyed.series, m_place.suite, m_facts.platform, kFlakyWindow - 1}, &rows))
                return false;
            std::vector<PastResult> earlier;
            for (const HistoryRow& row : rows)
                earlier.push_back({verdictNamed(row[0]), std::atof(row[1].c_str()), row[2], row[3], std::atoi(row[4].c_str())});
            const FailureState state = judgeFailure(earlier, m_facts.name);
            keyed.failing = true;
            keyed.failingSince = state.since;
            keyed.failingRuns = state.runs;
            if (test.reportId < 0) continue;
            notes.failures[test.reportId] = rtreport::reportBytes(state.note());
            PageHistory::Failure& shown = m_page.failures[test.reportId];
            shown.state = state;
            for (auto past = earlier.rbegin(); past != earlier.rend(); ++past) shown.timeline.push_back(past->verdict);
            shown.timeline.push_back(test.verdict);
        }
        return true;
    }

    // Only a test of a second or more is looked up.
    bool judgeTimes(const std::vector<KeyedTest>& batch, std::size_t count, HistoryNotes& notes) {
        std::vector<HistoryRow> rows;
        for (std::size_t i = 0; i < count; ++i) {
            const RecordedTest& test = batch[i].test;
            if (test.seconds < 1.0 || (test.verdict != Verdict::ePassed && test.verdict != Verdict::eFailed)) continue;
            rows.clear();
            if (!m_store.run("SELECT t.seconds FROM tests t JOIN runs r ON r.id = t.run_id WHERE t.series = ? "
                             "AND t.verdict = 'passed' AND r.suite = ? AND r.platform = ? ORDER BY t.run_id DESC LIMIT ?",
                             {batch[i].series, m_place.suite, m_facts.platform, kSlowerWindow}, &rows))
                return false;
            std::vector<double> times;
            for (const HistoryRow& row : rows) times.push_back(std::atof(row[0].c_str()));
            double median = 0;
            if (isSlower(test.seconds, times, median))
                notes.slower.push_back(rtreport::reportBytes(batch[i].name() + ": " + twoDecimalSeconds(test.seconds) +
                                                             " s, median " + twoDecimalSeconds(median) + " s"));
        }
        return true;
    }

    void findFixed(const std::vector<KeyedTest>& batch, std::size_t count, HistoryNotes& notes) {
        for (std::size_t i = 0; i < count && !m_failedBefore.empty(); ++i)
            if (batch[i].test.verdict == Verdict::ePassed && m_failedBefore.count(batch[i].series))
                notes.fixed.push_back(rtreport::reportBytes(batch[i].name()));
    }

    bool insertTests(const std::vector<KeyedTest>& batch, std::size_t count) {
        if (count == 0) return true;
        m_values.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const KeyedTest& keyed = batch[i];
            const RecordedTest& test = keyed.test;
            m_values.insert(m_values.end(),
                            {m_runId, keyed.series, test.group, test.title, keyed.args(), keyed.occurrence, test.script,
                             test.caseName, verdictName(test.verdict), test.seconds, test.error});
            if (!keyed.failing) m_values.insert(m_values.end(), {HistoryValue(), HistoryValue()});
            else m_values.insert(m_values.end(), {HistoryValue(keyed.failingSince), keyed.failingRuns});
        }
        return m_store.append("tests", kTestColumns, m_values);
    }

    bool countTests() {
        return m_store.run("UPDATE runs SET tests = ?, passed = ?, failed = ?, not_run = ? WHERE id = ?",
                           {m_passed + m_failed + m_notRun, m_passed, m_failed, m_notRun, m_runId}) ||
               fail();
    }

    // The totals of the last runs, this one included, for the page's trend.
    bool readTrend() {
        std::vector<HistoryRow> rows;
        if (!m_store.run("SELECT name, passed, failed, seconds FROM runs WHERE suite = ? AND platform = ? "
                         "ORDER BY id DESC LIMIT ?",
                         {m_place.suite, m_facts.platform, kPageTrendRuns}, &rows))
            return fail();
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            m_page.runs.push_back({(*row)[0], std::atoi((*row)[1].c_str()), std::atoi((*row)[2].c_str()),
                                   std::atof((*row)[3].c_str())});
        return true;
    }

    // Keeps the newest `keep` runs of this suite and platform.
    bool prune() {
        if (m_place.keep <= 0) return true;
        const char* const kOld = "(SELECT id FROM runs WHERE suite = ? AND platform = ? AND id NOT IN "
                                 "(SELECT id FROM runs WHERE suite = ? AND platform = ? ORDER BY id DESC LIMIT ?))";
        const std::vector<HistoryValue> values = {m_place.suite, m_facts.platform, m_place.suite, m_facts.platform,
                                                  m_place.keep};
        return (m_store.run(std::string("DELETE FROM tests WHERE run_id IN ") + kOld, values) &&
                m_store.run(std::string("DELETE FROM runs WHERE id IN ") + kOld, values)) ||
               fail();
    }

    std::string m_problem;
    HistoryStore& m_store;
    const HistoryPlace& m_place;
    const RunFacts& m_facts;
    const std::uint64_t m_seriesStart;
    std::int64_t m_runId = 0;
    Occurrences m_seen;  // by a test's fields
    std::unordered_set<std::int64_t> m_failedBefore;
    int m_passed = 0, m_failed = 0, m_notRun = 0;
    std::vector<HistoryValue> m_values;  // the batch's rows, reused
    PageHistory m_page;
};

} // namespace

void reportHistoryProblem(const HistoryPlace& place, const std::string& what, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "rtrun: history %s: %s%s%s\n", place.shown().c_str(), what.c_str(), what.empty() ? "" : ": ",
                 reason.c_str());
}

bool recordRun(const HistoryPlace& place, const FinishedRun& run, RecordedTests& tests, HistoryNotes& notes) {
    if (place.off()) return false;
    RunFacts facts;
    std::string problem;
    if (!readRunFacts(run.report, facts, problem)) {
        reportHistoryProblem(place, "not recorded", problem);
        return false;
    }
    std::unique_ptr<HistoryStore> store = openHistoryStore(place.location, false, problem);
    if (!store) {
        reportHistoryProblem(place, "not recorded", problem);
        return false;
    }
    Recording recording(*store, place, facts);
    if (recording.run(run, tests, notes)) {
        // The page's share comes after the commit: a page never shows a history that was not kept.
        if (!writePageHistory(pageHistoryPathBeside(run.report), pageHistoryJson(recording.page()), problem))
            reportHistoryProblem(place, "the page's history file not written", problem);
        return true;
    }
    notes = HistoryNotes();
    reportHistoryProblem(place, "not recorded", recording.problem());
    return false;
}

} // namespace rtrun
