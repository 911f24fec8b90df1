#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/HistorySchema.h"
#include "rtrun/history/HistoryStore.h"
#include "rtrun/history/PageHistory.h"
#include "rtrun/system/SecondsFormat.h"
#include "report/reader/ReportModel.h"
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace rtrun {

namespace {

const char* const kTestColumns[] = {"run_id", "series", "group_title", "title", "args", "occurrence", "script",
                                    "case_name", "verdict", "seconds", "error", "failing_since", "failing_runs"};

// A test on one suite and platform: the digest its past is found by.
std::int64_t seriesOf(const std::string& suite, const std::string& platform, const TestKey& key) {
    return TestKey{suite + '\x1d' + platform + '\x1d' + key.text, "", 1}.digest();
}

// The recording, one step after another on one open store.
class Recording {
public:
    Recording(HistoryStore& store, const HistoryPlace& place, RunRecord& record)
        : m_store(store), m_place(place), m_record(record) {
        m_series.reserve(record.tests.size());
        for (const RecordedTest& test : record.tests) m_series.push_back(seriesOf(place.suite, record.platform, test.key));
    }

    bool run(const FinishedRun& finished, HistoryNotes& notes) {
        std::string problem;
        if (!m_store.begin() || !prepareSchema(m_store, problem)) return fail(problem);
        std::vector<HistoryRow> last;
        if (!m_store.run("SELECT id FROM runs WHERE suite = ? AND platform = ? ORDER BY id DESC LIMIT 1",
                         {m_place.suite, m_record.platform}, &last))
            return fail();
        if (!judgeFailures(notes) || !judgeTimes(notes)) return fail();
        if (!last.empty() && !findFixed(last[0][0], notes)) return fail();
        return insert(finished) && readTrend() && prune() && (m_store.commit() || fail());
    }

    const std::string& problem() const { return m_problem; }
    const PageHistory& page() const { return m_page; }

private:
    bool fail(const std::string& problem = "") {
        m_problem = problem.empty() ? m_store.problem() : problem;
        return false;
    }

    bool judgeFailures(HistoryNotes& notes) {
        std::vector<HistoryRow> rows;
        for (std::size_t i = 0; i < m_record.tests.size(); ++i) {
            RecordedTest& test = m_record.tests[i];
            if (!isFailing(test.verdict)) continue;
            rows.clear();
            if (!m_store.run("SELECT t.verdict, t.seconds, r.name, t.failing_since, t.failing_runs FROM tests t "
                             "JOIN runs r ON r.id = t.run_id WHERE t.series = ? AND r.suite = ? AND r.platform = ? "
                             "ORDER BY t.run_id DESC LIMIT ?",
                             {m_series[i], m_place.suite, m_record.platform, kFlakyWindow - 1}, &rows))
                return false;
            std::vector<PastResult> earlier;
            for (const HistoryRow& row : rows)
                earlier.push_back({verdictNamed(row[0]), std::atof(row[1].c_str()), row[2], row[3], std::atoi(row[4].c_str())});
            const FailureState state = judgeFailure(earlier, m_record.name);
            m_failingSince.emplace(i, std::make_pair(state.since, state.runs));
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
    bool judgeTimes(HistoryNotes& notes) {
        std::vector<HistoryRow> rows;
        for (std::size_t i = 0; i < m_record.tests.size(); ++i) {
            const RecordedTest& test = m_record.tests[i];
            if (test.seconds < 1.0 || (test.verdict != Verdict::ePassed && test.verdict != Verdict::eFailed)) continue;
            rows.clear();
            if (!m_store.run("SELECT t.seconds FROM tests t JOIN runs r ON r.id = t.run_id WHERE t.series = ? "
                             "AND t.verdict = 'passed' AND r.suite = ? AND r.platform = ? ORDER BY t.run_id DESC LIMIT ?",
                             {m_series[i], m_place.suite, m_record.platform, kSlowerWindow}, &rows))
                return false;
            std::vector<double> times;
            for (const HistoryRow& row : rows) times.push_back(std::atof(row[0].c_str()));
            double median = 0;
            if (isSlower(test.seconds, times, median))
                notes.slower.push_back(rtreport::reportBytes(test.key.name + ": " + twoDecimalSeconds(test.seconds) +
                                                             " s, median " + twoDecimalSeconds(median) + " s"));
        }
        return true;
    }

    bool findFixed(const std::string& lastRun, HistoryNotes& notes) {
        std::vector<HistoryRow> rows;
        if (!m_store.run("SELECT series FROM tests WHERE run_id = ? AND verdict IN ('failed', 'crashed', "
                         "'timed out', 'exited')",
                         {static_cast<std::int64_t>(std::atoll(lastRun.c_str()))}, &rows))
            return false;
        std::unordered_set<std::int64_t> failedBefore;
        for (const HistoryRow& row : rows) failedBefore.insert(std::atoll(row[0].c_str()));
        for (std::size_t i = 0; i < m_record.tests.size() && !failedBefore.empty(); ++i)
            if (m_record.tests[i].verdict == Verdict::ePassed && failedBefore.count(m_series[i]))
                notes.fixed.push_back(rtreport::reportBytes(m_record.tests[i].key.name));
        return true;
    }

    bool insert(const FinishedRun& finished) {
        std::vector<HistoryRow> id;
        const RunRecord& r = m_record;
        if (!m_store.run("INSERT INTO runs (suite, platform, machine, name, started, seconds, tests, passed, failed, "
                         "not_run, exit_status, identity) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id",
                         {m_place.suite, r.platform, r.machine, r.name, static_cast<std::int64_t>(r.started), r.seconds,
                          static_cast<int>(r.tests.size()), r.passed, r.failed, r.notRun, finished.exitStatus,
                          finished.identity},
                         &id) ||
            id.empty())
            return fail();
        const std::int64_t runId = std::atoll(id[0][0].c_str());
        std::vector<const char*> columns(std::begin(kTestColumns), std::end(kTestColumns));
        std::vector<HistoryValue> values;
        values.reserve(r.tests.size() * columns.size());
        for (std::size_t i = 0; i < r.tests.size(); ++i) {
            const RecordedTest& test = r.tests[i];
            const auto since = m_failingSince.find(i);
            values.insert(values.end(),
                          {runId, m_series[i], test.group, test.title, test.args, test.key.occurrence, test.script,
                           test.caseName, verdictName(test.verdict), test.seconds, test.error});
            if (since == m_failingSince.end()) values.insert(values.end(), {HistoryValue(), HistoryValue()});
            else values.insert(values.end(), {HistoryValue(since->second.first), since->second.second});
        }
        return m_store.append("tests", columns, values) || fail();
    }

    // The totals of the last runs, this one included, for the page's trend.
    bool readTrend() {
        std::vector<HistoryRow> rows;
        if (!m_store.run("SELECT name, passed, failed, seconds FROM runs WHERE suite = ? AND platform = ? "
                         "ORDER BY id DESC LIMIT ?",
                         {m_place.suite, m_record.platform, kPageTrendRuns}, &rows))
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
        const std::vector<HistoryValue> values = {m_place.suite, m_record.platform, m_place.suite, m_record.platform,
                                                  m_place.keep};
        return (m_store.run(std::string("DELETE FROM tests WHERE run_id IN ") + kOld, values) &&
                m_store.run(std::string("DELETE FROM runs WHERE id IN ") + kOld, values)) ||
               fail();
    }

    std::string m_problem;
    HistoryStore& m_store;
    const HistoryPlace& m_place;
    RunRecord& m_record;
    std::vector<std::int64_t> m_series;  // per test of the record
    std::map<std::size_t, std::pair<std::string, int>> m_failingSince;  // per failing test: its run of failures
    PageHistory m_page;
};

} // namespace

void reportHistoryProblem(const HistoryPlace& place, const std::string& what, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "rtrun: history %s: %s%s%s\n", place.shown().c_str(), what.c_str(), what.empty() ? "" : ": ",
                 reason.c_str());
}

bool recordRun(const HistoryPlace& place, const FinishedRun& run, HistoryNotes& notes) {
    if (place.off()) return false;
    RunRecord record;
    std::string problem;
    if (!readRunRecord(run, record, problem)) {
        reportHistoryProblem(place, "not recorded", problem);
        return false;
    }
    std::unique_ptr<HistoryStore> store = openHistoryStore(place.location, false, problem);
    if (!store) {
        reportHistoryProblem(place, "not recorded", problem);
        return false;
    }
    Recording recording(*store, place, record);
    if (recording.run(run, notes)) {
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
