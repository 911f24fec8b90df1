#include "rtrun/merge/PieceMerge.h"
#include "rtrun/reports/ComposedReport.h"
#include "rtrun/run/PieceLog.h"
#include "report/SecondsText.h"
#include "report/reader/ReportReader.h"
#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace rtrun {

namespace {

using rtreport::Counts;
using rtreport::Record;
using rtreport::RecordKind;

// The title a test set itself, as far as the report knows it: the class
// name of the records it raised in its body, else the script's case name.
std::string titleSetByTest(const rtreport::Test& test, const std::string& caseName) {
    if (!test.title.empty()) return test.title;
    for (const Record& record : test.records) {
        const std::size_t colons = record.method.find("::");
        if (colons != std::string::npos && colons > 0 && record.method.compare(colons, std::string::npos, "::executeW") == 0 &&
            record.method.compare(0, colons, "TestSet") != 0)
            return record.method.substr(0, colons);
    }
    return caseName;
}

// The Error record that completes the test a child died in. When the
// supervisor saw more than the reason, the first Msg line repeats it with
// where in test code it happened: readers that take a record's first line
// (the history's verdicts, JUnit's message) still start with the reason.
Record deathRecord(const Death& death, const char* method) {
    Record record{RecordKind::eError, method, death.reason, {}, death.traces};
    if (death.msgs.empty() && death.traces.empty()) return record;
    record.msgs.push_back(death.reason + death.where);
    record.msgs.insert(record.msgs.end(), death.msgs.begin(), death.msgs.end());
    return record;
}

// A record's kind and texts, to tell the same record raised by two pieces.
std::string recordKey(const Record& record) {
    std::string key = std::to_string(static_cast<int>(record.kind)) + '\0' + record.method + '\0' + record.desc;
    for (const std::string& msg : record.msgs) key += '\0' + msg;
    for (const std::string& trace : record.traces) key += '\1' + trace;
    return key;
}

// The merge, group by group across the pieces.
class Merge {
public:
    Merge(const std::vector<PieceRecord>& pieces, const std::vector<PlannedTest>& plan, RunTally& tally)
        : m_pieces(pieces), m_tally(tally) {
        for (const PlannedTest& test : plan) {
            m_plan[{test.scriptIndex, test.position}] = &test;
            m_groupTitles.emplace(test.groupIndex, test.group);
        }
        for (std::size_t k = 0; k < pieces.size(); ++k)
            for (std::size_t i = 0; i < pieces[k].ids.size(); ++i)
                if (pieces[k].ids[i] >= 0) m_entryOf[{k, pieces[k].ids[i]}] = i;
    }

    bool write(double runSeconds, Rt::ErrorSummary& totals, std::string& problem) {
        std::vector<std::unique_ptr<rtreport::ReportReader>> readers;
        for (const PieceRecord& piece : m_pieces) readers.push_back(std::make_unique<rtreport::ReportReader>(piece.report));
        rtreport::RunInfo info;
        {
            ComposedReport report;
            std::vector<rtreport::Group> groups(m_pieces.size());
            for (;;) {
                std::vector<bool> has(m_pieces.size());
                bool any = false;
                for (std::size_t k = 0; k < readers.size(); ++k) any |= has[k] = readers[k]->next(groups[k]);
                if (!any) break;
                writeGroup(report, groups, has);
            }
            for (std::size_t k = 0; k < readers.size(); ++k) {
                const rtreport::ReadResult& result = readers[k]->result();
                if (!result.readable()) {
                    problem = result.problem;
                    return false;
                }
                if (readers[k]->runInfo().present) info = readers[k]->runInfo();
            }
            report.global(info, runSeconds);
        }  // the report closes here, and its e-mail summary is made
        totals = m_totals;
        return true;
    }

private:
    // What a group element of the run holds, from whichever piece made it,
    // in script order.
    struct Item {
        enum Kind { eTest, eUnmade, eOnGroup } kind;
        std::pair<int, int> place;  // (script, position); a destructor's death just after its test
        int after;                  // 1 for a destructor's death: after the test at `place`
        std::size_t piece;
        const rtreport::Test* test;
        bool diedInIt;
    };

    void writeGroup(ComposedReport& report, const std::vector<rtreport::Group>& groups, const std::vector<bool>& has) {
        report.openGroup();
        Counts counts;
        double seconds = 0;
        const rtreport::Group* values = nullptr;
        const int index = m_groupIndex++;
        std::vector<Item> items;
        for (std::size_t k = 0; k < groups.size(); ++k) {
            // The test a child died in belongs here by the script, whether
            // or not the child's report got this far.
            const bool deathHere = deathGroup(k) == index;
            bool deathWritten = false;
            const Death& death = m_pieces[k].death;
            const bool destroying = death.phase == PieceLog::eDestroying;
            std::pair<int, int> place{-1, -1};  // a test the log lost keeps its place after the one before
            if (has[k]) {
                for (const rtreport::Test& test : groups[k].tests) {
                    // A body's death leaves its element open; a destructor's comes after it was closed.
                    const bool diedInIt = deathHere && (death.running ? test.interrupted : destroying) && isDeathTest(k, test);
                    const auto entry = m_entryOf.find({k, test.id});
                    if (entry != m_entryOf.end())
                        place = {m_pieces[k].scripts[entry->second], m_pieces[k].positions[entry->second]};
                    items.push_back(Item{Item::eTest, place, 0, k, &test, diedInIt});
                    deathWritten |= diedInIt;
                }
            }
            const std::pair<int, int> deathPlace{death.scriptIndex, death.position};
            if (deathHere && !deathWritten && !destroying) items.push_back(Item{Item::eUnmade, deathPlace, 0, k, nullptr, true});
            if (deathHere && !deathWritten && destroying) items.push_back(Item{Item::eOnGroup, deathPlace, 1, k, nullptr, true});
        }
        std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.place != b.place ? a.place < b.place : a.after < b.after;
        });
        for (const Item& item : items) {
            if (item.kind == Item::eTest) writeTest(report, item.piece, *item.test, item.diedInIt, counts);
            else if (item.kind == Item::eUnmade) writeUnmadeTest(report, item.piece, counts);
            else recordOnGroup(report, item.piece, counts);
        }
        // Every piece reads the scripts whole, so each raises the group's
        // own problems: a record is written as many times as the piece that
        // holds it most often has it.
        std::map<std::string, int> written;
        for (std::size_t k = 0; k < groups.size(); ++k) {
            if (!has[k]) continue;
            const rtreport::Group& group = groups[k];
            std::map<std::string, int> held;
            for (const Record& record : group.records) {
                const int copy = ++held[recordKey(record)];
                if (copy <= written[recordKey(record)]) continue;
                written[recordKey(record)] = copy;
                report.record(record, counts);
            }
            seconds += group.seconds();
            if (!group.interrupted || !values) values = &group;
        }
        // A group no piece finished never had its title written: the script has it.
        std::string title = values ? values->title : std::string();
        const auto scripted = m_groupTitles.find(index);
        if (title.empty() && scripted != m_groupTitles.end()) title = scripted->second;
        report.closeGroup(Rt::SecondsText(seconds).text, values ? values->desc : std::string(), title, counts);
        m_totals += counts;
    }

    // A test as its piece wrote it; the one a child died in gets the Error
    // record of its death and the values its element never received.
    void writeTest(ComposedReport& report, std::size_t piece, const rtreport::Test& test, bool diedInIt,
                   Counts& groupCounts) {
        const auto entry = m_entryOf.find({piece, test.id});
        const std::size_t at = entry == m_entryOf.end() ? SIZE_MAX : entry->second;
        const PieceRecord& source = m_pieces[piece];
        const PlannedTest* plan = at == SIZE_MAX ? nullptr : planned(source.scripts[at], source.positions[at]);
        report.openTest();
        Counts counts;
        for (const Record& record : test.records) report.record(record, counts);
        std::string why = test.firstErrorText();
        double seconds = test.seconds();
        const bool bodyDied = diedInIt && source.death.running;
        if (diedInIt) {
            report.record(deathRecord(source.death, "TestSet::executeW"), counts);
            if (bodyDied) seconds = source.death.seconds;
            if (why.empty() || bodyDied) why = source.death.reason + source.death.where;
        }
        const bool complete = !test.interrupted || diedInIt;
        const std::vector<std::string>& args = test.interrupted && plan ? plan->args : test.args;
        const std::string title = titleSetByTest(test, plan ? plan->caseName : std::string());
        const std::string time = complete && !bodyDied ? test.time : Rt::SecondsText(seconds).text;
        report.closeTest({args, test.interrupted && plan ? plan->ext : test.ext, time, test.desc, title}, counts);
        groupCounts += counts;

        RunTally::Test told = tallyEntry(plan);
        told.title = title;
        told.args = args;
        told.reportId = report.lastId();
        told.elementFailed = report.testFailed();
        told.elementError = report.testError();
        told.seconds = seconds;
        const bool returnedFalse = at != SIZE_MAX && (source.flags[at] & PieceLog::eReturnedFalse);
        told.returnedFalse = returnedFalse && !diedInIt;
        told.verdict = counts.errors() || counts.extErrors() || told.returnedFalse ? RunTally::Verdict::eFailed
                                                                              : RunTally::Verdict::ePassed;
        told.why = why.empty() && told.returnedFalse ? "its body returned false" : why;
        const auto threw = at == SIZE_MAX ? source.throws.end() : source.throws.find(static_cast<std::int64_t>(at));
        if (threw != source.throws.end()) {
            told.threw = threw->second;
            if (!diedInIt) told.why = threw->second;
        }
        m_told.insert({piece, at});
        m_tally.addTest(std::move(told));
    }

    // A child that died while creating a test left no element for it.
    void writeUnmadeTest(ComposedReport& report, std::size_t piece, Counts& groupCounts) {
        const Death& death = m_pieces[piece].death;
        const PlannedTest* plan = planned(death.scriptIndex, death.position);
        const PlannedTest unknown;
        const PlannedTest& values = plan ? *plan : unknown;
        report.openTest();
        Counts counts;
        report.record(deathRecord(death, "TestSet::executeW"), counts);
        report.closeTest({values.args, values.ext, Rt::SecondsText(0).text, std::string(), values.caseName}, counts);
        groupCounts += counts;

        const std::size_t last = m_pieces[piece].ids.empty() ? SIZE_MAX : m_pieces[piece].ids.size() - 1;
        RunTally::Test told = tallyEntry(plan);
        told.reportId = report.lastId();
        told.elementFailed = report.testFailed();
        told.elementError = report.testError();
        told.verdict = RunTally::Verdict::eFailed;
        told.why = death.reason + death.where;
        m_told.insert({piece, last});
        m_tally.addTest(std::move(told));
    }

    // A destructor's death whose test has no element to hold it: its
    // group's element takes the record, and the test counts as failed.
    void recordOnGroup(ComposedReport& report, std::size_t piece, Counts& groupCounts) {
        const Death& death = m_pieces[piece].death;
        report.record(deathRecord(death, "TestGroup::executeW"), groupCounts);
        RunTally::Test told = tallyEntry(planned(death.scriptIndex, death.position));
        told.verdict = RunTally::Verdict::eFailed;
        told.why = death.reason + death.where;
        m_tally.addTest(std::move(told));
    }

    RunTally::Test tallyEntry(const PlannedTest* plan) const {
        RunTally::Test told;
        if (plan) {
            told.script = plan->script;
            told.position = plan->position;
            told.caseName = plan->caseName;
            told.group = plan->group;
            told.title = plan->caseName;
            told.args = plan->args;
        }
        return told;
    }

    const PlannedTest* planned(int scriptIndex, int position) const {
        const auto found = m_plan.find({scriptIndex, position});
        return found == m_plan.end() ? nullptr : found->second;
    }

    // The group, among all of the run's, that piece k died in a test of; -1 when none.
    int deathGroup(std::size_t k) const {
        const PieceRecord& piece = m_pieces[k];
        if (!piece.died || !piece.death.inTest) return -1;
        const PlannedTest* test = planned(piece.death.scriptIndex, piece.death.position);
        return test ? test->groupIndex : -1;
    }

    bool isDeathTest(std::size_t k, const rtreport::Test& test) const {
        const auto entry = m_entryOf.find({k, test.id});
        if (entry == m_entryOf.end()) return false;
        const PieceRecord& piece = m_pieces[k];
        return piece.scripts[entry->second] == piece.death.scriptIndex &&
               piece.positions[entry->second] == piece.death.position;
    }

public:
    // The tests a child reached but could not make: no element, only a
    // line in the summary, in script order whichever child reached them.
    void tellUnmade() {
        std::vector<std::pair<int, int>> unmade;
        for (std::size_t k = 0; k < m_pieces.size(); ++k) {
            const PieceRecord& piece = m_pieces[k];
            for (std::size_t i = 0; i < piece.ids.size(); ++i)
                if ((piece.flags[i] & PieceLog::eNotRun) && !m_told.count({k, i}))
                    unmade.emplace_back(piece.scripts[i], piece.positions[i]);
        }
        std::sort(unmade.begin(), unmade.end());
        for (const auto& [script, position] : unmade) {
            RunTally::Test told = tallyEntry(planned(script, position));
            told.verdict = RunTally::Verdict::eNotRun;
            told.why = "not made (see above)";
            m_tally.addTest(std::move(told));
        }
    }

private:
    const std::vector<PieceRecord>& m_pieces;
    std::map<std::pair<int, int>, const PlannedTest*> m_plan;  // (script index, position) -> planned test
    std::map<int, std::string> m_groupTitles;                  // group index -> its title in the script
    RunTally& m_tally;
    std::map<std::pair<std::size_t, std::int32_t>, std::size_t> m_entryOf;  // (piece, id) -> log entry
    std::set<std::pair<std::size_t, std::size_t>> m_told;                 // (piece, log entry) in the tally
    Counts m_totals;
    int m_groupIndex = 0;
};

} // namespace

bool mergePieces(const std::vector<PieceRecord>& pieces, const std::vector<PlannedTest>& plan, double runSeconds,
                 RunTally& tally, Rt::ErrorSummary& totals, std::string& problem) {
    Merge merge(pieces, plan, tally);
    if (!merge.write(runSeconds, totals, problem)) return false;
    merge.tellUnmade();
    return true;
}

} // namespace rtrun
