#include "rtrun/history/HistoryCommands.h"
#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/HistorySchema.h"
#include "rtrun/history/HistoryStore.h"
#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/ReportCompare.h"
#include "rtrun/reports/TestKey.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/SecondsFormat.h"
#include "report/reader/ReportModel.h"
#include <cstdlib>
#include <ctime>
#include <map>

namespace rtrun {

namespace {

// The history ready to be read; null when there is none yet (`problem`
// empty) or it cannot be read (the reason in `problem`).
std::unique_ptr<HistoryStore> openForReading(const HistoryPlace& place, std::string& problem) {
    if (place.off()) {
        problem = "no history is kept (--no-history or KXRT_HISTORY=off)";
        return nullptr;
    }
    std::unique_ptr<HistoryStore> store = openHistoryStore(place.location, true, problem);
    if (store && (!store->begin() || !prepareSchema(*store, problem))) {
        if (problem.empty()) problem = store->problem();
        return nullptr;
    }
    return store;
}

int cannotRead(const HistoryPlace& place, const std::string& problem) {
    reportHistoryProblem(place, "", problem);
    return eCannotRun;
}

std::string dateOf(const std::string& started) {
    const std::time_t seconds = static_cast<std::time_t>(std::atoll(started.c_str()));
    char text[32] = "";
    if (const std::tm* local = std::localtime(&seconds)) std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M", local);
    return text;
}

std::vector<std::string> split(const std::string& args) {
    std::vector<std::string> parts;
    if (args.empty()) return parts;
    std::size_t start = 0;
    for (std::size_t end; (end = args.find('\x1f', start)) != std::string::npos; start = end + 1)
        parts.push_back(args.substr(start, end - start));
    parts.push_back(args.substr(start));
    return parts;
}

char timelineMark(Verdict verdict) { return ".FCTEI-"[static_cast<int>(verdict)]; }

} // namespace

bool lastRunTimes(const HistoryPlace& place, const std::string& platform, RecordedTimes& times) {
    std::string problem;
    const std::unique_ptr<HistoryStore> store = place.off() ? nullptr : openForReading(place, problem);
    std::vector<HistoryRow> rows;
    if (!store || !store->run("SELECT script, case_name, args, seconds FROM tests WHERE run_id = (SELECT max(id) FROM runs "
                              "WHERE suite = ? AND platform = ?) ORDER BY occurrence",
                              {place.suite, platform}, &rows))
        return false;
    for (const HistoryRow& row : rows)
        times[row[0] + '\0' + row[1] + '\0' + row[2]].push_back(std::atof(row[3].c_str()));
    return !rows.empty();
}

std::string recordedTimeKey(const std::string& script, const std::string& caseName, const std::vector<std::string>& args) {
    std::string key = utf8Of(script) + '\0' + utf8Of(caseName) + '\0';
    for (std::size_t i = 0; i < args.size(); ++i) key += (i ? "\x1f" : "") + utf8Of(args[i]);
    return key;
}

int printRunHistory(const HistoryPlace& place, std::ostream& out) {
    std::string problem;
    std::unique_ptr<HistoryStore> store = openForReading(place, problem);
    if (!store) return problem.empty() ? ePassed : cannotRead(place, problem);
    std::vector<HistoryRow> rows;
    if (!store->run("SELECT name, platform, machine, started, tests, failed FROM runs WHERE suite = ? ORDER BY id",
                    {place.suite}, &rows))
        return cannotRead(place, store->problem());
    for (const HistoryRow& row : rows)
        out << rtreport::reportBytes(row[0]) << "  " << rtreport::reportBytes(row[1]) << "  "
            << rtreport::reportBytes(row[2]) << "  " << dateOf(row[3]) << "  " << row[4] << " tests, " << row[5]
            << " failed\n";
    return ePassed;
}

int printTestHistory(const HistoryPlace& place, const std::string& platform, const TestSelector& selects,
                     std::ostream& out) {
    std::string problem;
    std::unique_ptr<HistoryStore> store = openForReading(place, problem);
    if (!store) return problem.empty() ? ePassed : cannotRead(place, problem);
    std::vector<HistoryRow> rows;
    if (!store->run("SELECT t.group_title, t.title, t.args, t.occurrence, t.case_name, t.verdict, t.seconds "
                    "FROM tests t WHERE t.run_id IN (SELECT id FROM runs WHERE suite = ? AND platform = ? "
                    "ORDER BY id DESC LIMIT ?) ORDER BY t.run_id",
                    {place.suite, platform, kFlakyWindow}, &rows))
        return cannotRead(place, store->problem());
    struct Line {
        std::string name, timeline;
        std::vector<double> times;
    };
    std::map<std::string, Line> lines;  // by key
    std::vector<const Line*> order;     // as the tests first appear
    for (const HistoryRow& row : rows) {
        const std::string group = rtreport::reportBytes(row[0]);
        const std::string caseName = rtreport::reportBytes(row[4].empty() ? row[1] : row[4]);
        if (!selects(group, caseName)) continue;
        const TestKey key = TestKey::of(group, rtreport::reportBytes(row[1]), split(rtreport::reportBytes(row[2])),
                                        std::atoi(row[3].c_str()));
        auto [at, added] = lines.try_emplace(key.text);
        if (added) {
            at->second.name = key.name;
            order.push_back(&at->second);
        }
        const Verdict verdict = verdictNamed(row[5]);
        at->second.timeline += timelineMark(verdict);
        if (verdict != Verdict::eNotRun) at->second.times.push_back(std::atof(row[6].c_str()));
    }
    for (const Line* line : order) {
        std::string timeline = line->timeline;
        timeline.resize(kFlakyWindow, ' ');
        out << timeline << "  " << line->name;
        if (!line->times.empty())
            out << "  " << twoDecimalSeconds(line->times.front()) << " s -> " << twoDecimalSeconds(line->times.back())
                << " s";
        out << "\n";
    }
    return ePassed;
}

int compareWithLastRun(const HistoryPlace& place, const std::string& newReport, bool markdown, std::ostream& out,
                       std::ostream& errors) {
    // NEW is read as a recording would read it, so that its tests have the keys the history holds.
    RunRecord record;
    std::string readProblem;
    if (!readRunRecord(newReport, record, readProblem)) {
        errors << "rtrun: " << readProblem << "\n";
        return eCannotRun;
    }
    KeyedOutcomes after;
    TestKeyMaker keys;
    for (const RecordedTest& test : record.tests) {
        TestKey key = keys.next(test.group, test.title, test.args);
        after.byKey[key.text] = {test.verdict != Verdict::ePassed, test.seconds};
        after.order.emplace_back(std::move(key.text), std::move(key.name));
    }
    const std::string& platform = record.facts.platform;
    const std::string& name = record.facts.name;
    std::string problem;
    std::unique_ptr<HistoryStore> store = openForReading(place, problem);
    if (!store && problem.empty()) problem = "no run of this suite is recorded";
    if (!store) return cannotRead(place, problem);
    // NEW itself is most likely the newest run recorded: the one before it is wanted.
    std::vector<HistoryRow> runs;
    if (!store->run("SELECT id, name FROM runs WHERE suite = ? AND platform = ? ORDER BY id DESC LIMIT 2",
                    {place.suite, platform}, &runs))
        return cannotRead(place, store->problem());
    if (!runs.empty() && runs[0][1] == name) runs.erase(runs.begin());
    if (runs.empty())
        return cannotRead(place, "no run of " + place.suite + " on " + platform + " is recorded before " + name);
    std::vector<HistoryRow> rows;
    if (!store->run("SELECT group_title, title, args, occurrence, verdict, seconds FROM tests WHERE run_id = ? "
                    "AND verdict <> 'not run'",
                    {static_cast<std::int64_t>(std::atoll(runs[0][0].c_str()))}, &rows))
        return cannotRead(place, store->problem());
    KeyedOutcomes before;
    before.notes.push_back("Compared with the recorded run " + rtreport::reportBytes(runs[0][1]));
    for (const HistoryRow& row : rows) {
        TestKey key = TestKey::of(row[0], row[1], split(row[2]), std::atoi(row[3].c_str()));
        before.byKey[key.text] = {row[4] != "passed", std::atof(row[5].c_str())};
        before.order.emplace_back(std::move(key.text), std::move(key.name));
    }
    return printChanges(before, after, markdown, out);
}

} // namespace rtrun
