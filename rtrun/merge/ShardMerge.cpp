#include "rtrun/merge/ShardMerge.h"
#include "rtrun/merge/ShardCheck.h"
#include "rtrun/reports/ComposedReport.h"
#include "rtrun/run/RunSlot.h"
#include "rtrun/run/RunSummary.h"
#include "rtrun/run/RunTally.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "report/SecondsText.h"
#include "report/reader/ReportReader.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <tuple>

namespace rtrun {

namespace {

using rtreport::Counts;

struct Shard : ShardInput {
    std::unique_ptr<rtreport::ReportReader> reader;
    rtreport::Group group;
    bool hasGroup = false;
};

// Where a test stood in its script, for putting a group's tests back in order.
long long positionOf(const Shard& shard, const rtreport::Test& test) {
    if (!shard.indexed) return -1;
    const TestIndex::Entry* entry = shard.index.find(test.id);
    return entry ? entry->position : -1;
}

// A merged test as the closing summary and the merged index need it.
RunTally::Test toldOf(const rtreport::Test& test, const std::string& group, const TestIndex::Entry* entry,
                      int reportId) {
    RunTally::Test told;
    if (entry) {
        told.script = entry->script;
        told.position = entry->position;
        told.caseName = entry->caseName;
    }
    told.group = group;
    told.title = test.title.empty() ? told.caseName : test.title;
    told.args = test.args;
    told.why = test.firstErrorText();
    told.elementFailed = test.failed();
    told.elementError = told.why;
    told.verdict = test.failed() || test.interrupted ? RunTally::Verdict::eFailed : RunTally::Verdict::ePassed;
    told.seconds = test.seconds();
    told.reportId = reportId;
    return told;
}

// What the shards' indexes say did not go well, each once (every shard reads
// every script and loads every library, so their problems repeat); the
// problems are named on standard error, as a run names them.
void tellShardFacts(const std::vector<Shard>& shards, RunTally& tally) {
    std::set<std::tuple<std::string, int, std::string>> notRun;
    std::set<std::pair<std::string, std::string>> scriptProblems, libraries;
    for (const Shard& shard : shards) {
        if (!shard.indexed) continue;
        const TestIndex::Facts& facts = shard.index.facts();
        for (const TestIndex::NotRun& test : facts.notRun) {
            if (!notRun.insert({test.script, test.position, test.caseName}).second) continue;
            RunTally::Test told;
            told.script = test.script;
            told.position = test.position;
            told.caseName = test.caseName;
            told.group = test.group;
            told.title = test.caseName;
            told.args = test.args;
            told.why = test.why;
            tally.addTest(std::move(told));
        }
        for (const TestIndex::Problem& problem : facts.scriptProblems) {
            if (!scriptProblems.insert({problem.where, problem.what}).second) continue;
            std::fprintf(stderr, "rtrun: script problem in %s (%s): %s\n", problem.where.c_str(), shard.report.c_str(),
                         problem.what.c_str());
            tally.addScriptProblem(problem);
        }
        for (const TestIndex::Problem& library : facts.refusedLibraries) {
            if (!libraries.insert({library.where, library.what}).second) continue;
            std::fprintf(stderr, "rtrun: test library %s was not used (%s): %s\n", library.where.c_str(),
                         shard.report.c_str(), library.what.c_str());
            tally.addRefusedLibrary(library);
        }
    }
}

// Writes the merged report, telling the tally each test; `incomplete` when a shard could not be read whole.
void composeReport(std::vector<Shard>& shards, RunTally& tally, Counts& totals, bool& incomplete) {
    ComposedReport report;
    for (;;) {
        bool any = false;
        for (Shard& shard : shards) any |= shard.hasGroup = shard.reader->next(shard.group);
        if (!any) break;
        // Every shard holds every group: a group's tests are those of all shards.
        std::vector<std::pair<const Shard*, const rtreport::Test*>> tests;
        for (std::size_t turn = 0;; ++turn) {  // dealt out in turn, as the shards took them
            bool more = false;
            for (const Shard& shard : shards) {
                if (!shard.hasGroup || turn >= shard.group.tests.size()) continue;
                tests.emplace_back(&shard, &shard.group.tests[turn]);
                more = true;
            }
            if (!more) break;
        }
        std::stable_sort(tests.begin(), tests.end(), [](const auto& a, const auto& b) {
            return positionOf(*a.first, *a.second) < positionOf(*b.first, *b.second);
        });
        const rtreport::Group* values = nullptr;
        for (const Shard& shard : shards)
            if (shard.hasGroup && (!values || (values->interrupted && !shard.group.interrupted))) values = &shard.group;
        report.openGroup();
        Counts counts;
        double seconds = 0;
        for (const auto& [shard, test] : tests) {
            counts += report.test(*test);
            const TestIndex::Entry* entry = shard->indexed ? shard->index.find(test->id) : nullptr;
            tally.addTest(toldOf(*test, values->title, entry, report.lastId()));
        }
        for (const Shard& shard : shards) {
            if (!shard.hasGroup) continue;
            for (const rtreport::Record& record : shard.group.records) report.record(record, counts);
            seconds = std::max(seconds, shard.group.seconds());
        }
        report.closeGroup(Rt::SecondsText(seconds).text, values->desc, values->title, counts);
        totals += counts;
    }
    std::string machines;
    double runTime = 0;
    const rtreport::RunInfo* first = nullptr;
    for (Shard& shard : shards) {
        const rtreport::ReadResult& result = shard.reader->result();
        if (!result.readable() || result.cutOff()) {
            std::fprintf(stderr, "rtrun: %s is %s: merged as far as it goes\n", shard.report.c_str(),
                         result.readable() ? "cut off" : "not a report");
            incomplete = true;
        }
        const rtreport::RunInfo& info = shard.reader->runInfo();
        if (!info.present) continue;
        if (!first) first = &info;
        if (machines.find(info.machine) == std::string::npos) machines += (machines.empty() ? "" : ", ") + info.machine;
        runTime = std::max(runTime, info.runSeconds());
    }
    report.global(first ? *first : rtreport::RunInfo(), runTime, machines);
}  // the merged report closes here, and its e-mail summary is made

int refuse(const std::string& why) {
    std::fprintf(stderr, "rtrun: not merged: %s\n", why.c_str());
    return eCannotRun;
}

} // namespace

int mergeShards(const MergeRequest& request) {
    std::vector<Shard> shards;
    bool incomplete = false;
    for (const std::string& input : request.inputs) {
        Shard shard;
        if (!findShard(input, shard)) {
            std::fprintf(stderr, "rtrun: %s holds no shard report: it is left out\n", input.c_str());
            incomplete = true;
            continue;
        }
        shard.indexed = shard.index.read(TestIndex::pathBeside(shard.report));
        shards.push_back(std::move(shard));
    }
    if (shards.empty()) {
        std::fprintf(stderr, "rtrun: no shard report to merge\n");
        return eCannotRun;
    }
    const std::vector<ShardInput> found(shards.begin(), shards.end());
    if (const std::string why = whyNotOneRun(found); !why.empty()) return refuse(why);
    RunStamp earliest;
    bool stamped = false;
    for (const Shard& shard : shards) {
        RunStamp stamp;
        if (!stampOf(shard.report, stamp)) continue;
        if (!isUsablePlatform(stamp.platform))
            return refuse(shard.report + ": its name holds the platform '" + stamp.platform +
                          "', which holds a path separator or '..'");
        if (!stamped || stamp < earliest) earliest = stamp;
        stamped = true;
    }
    if (!stamped && !isUsablePlatform(Rt::platform().toStdString()))
        return refuse("platform name '" + Rt::platform().toStdString() + "' holds a path separator or '..'");
    const std::string results = withTrailingSlash(request.outDir);
    if (const std::string why = prepareOutputDirectory(results, found); !why.empty()) return refuse(why);
    for (const Shard& shard : shards)
        if (!shard.indexed)
            std::fprintf(stderr, "rtrun: warning: %s has no test index beside it: its run, platform and scripts "
                         "are not checked, and its tests go back in turn\n", shard.report.c_str());

    if (stamped) {  // the merged run takes the earliest shard's name and date
        Rt::month(earliest.month);
        Rt::day(earliest.day);
        Rt::year(earliest.year);
        Rt::hour(earliest.hour);
        Rt::min(earliest.minute);
        Rt::setPlatform(earliest.platform.c_str());
    }
    Rt::setResultDir(results.c_str());
    RunSlot slot;
    if (!slot.claimResultDirectory()) return eCannotRun;
    for (Shard& shard : shards) shard.reader = std::make_unique<rtreport::ReportReader>(shard.report);

    RunPlan plan;
    plan.junit = request.junit;
    plan.durations = request.durations;
    plan.movedTo = slot.movedTo();
    for (const Shard& shard : shards) {  // the run the shards belong to, as far as known
        if (!shard.indexed) continue;
        if (plan.runId.empty()) {
            plan.runId = shard.index.facts().runId;
            plan.runIdSource = shard.index.facts().runIdSource;
        }
        if (plan.scripts.empty()) plan.scripts = shard.index.facts().scripts;
    }
    RunTally tally(request.durations);
    RunSummary summary(plan);
    summary.strictFiles = true;
    const std::string runName = Rt::TestReporter::makeRunName().toStdString();
    const std::string dir = withTrailingSlash(Rt::resultDir().toStdString());
    composeReport(shards, tally, summary.totals, incomplete);
    tellShardFacts(shards, tally);
    if (!incomplete) summary.history = request.history;
    summary.identity = request.identity;
    summary.nameFiles(dir + runName + ".xml", dir + runName + ".htm",
                      dir + Rt::platform().toStdString() + "/" + runName + ".email");
    const int status = summary.finish(tally);
    return incomplete ? eCannotRun : status;
}

} // namespace rtrun
