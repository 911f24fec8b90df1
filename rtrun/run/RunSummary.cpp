#include "rtrun/run/RunSummary.h"
#include "rtrun/run/InProcessRun.h"
#include "rtrun/run/PublishUrl.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/reports/junit/JUnitExport.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "env/Platform.h"
#include "report/SecondsText.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace rtrun {

namespace {

bool fileExists(const std::string& path) { return Process::fileKind(path) == Process::FileKind::eFile; }

// A file the run announces holds something: a template that is missing
// leaves an empty file behind, which was not written.
bool fileWritten(const std::string& path) {
    std::error_code error;
    return fileExists(path) && std::filesystem::file_size(path, error) > 0 && !error;
}

bool useColour() {
    return Process::isTerminal(stdout) && !Rt::Platform::environment("NO_COLOR");
}

void printTest(const RunTally::Test& test, bool colour, const HistoryNotes& notes) {
    const bool failed = test.verdict == RunTally::Verdict::eFailed;
    const char* label = failed ? "FAILED " : "NOT RUN";
    if (colour) std::printf("  %s%s\033[0m  ", failed ? "\033[31m" : "\033[33m", label);
    else std::printf("  %s  ", label);
    if (test.group.empty()) std::printf("%s", test.title.c_str());
    else std::printf("%s / %s", test.group.c_str(), test.title.c_str());
    if (!test.args.empty()) {
        std::printf(" (");
        for (std::size_t i = 0; i < test.args.size(); ++i) std::printf("%s%s", i ? ", " : "", test.args[i].c_str());
        std::printf(")");
    }
    if (!test.why.empty()) std::printf(": %s", test.why.c_str());
    const auto note = failed ? notes.failures.find(test.reportId) : notes.failures.end();
    if (note != notes.failures.end()) std::printf(" %s", note->second.c_str());
    std::printf("\n");
}

void printHistoryNotes(const HistoryNotes& notes) {
    if (!notes.slower.empty()) std::printf("Slower than usual:\n");
    for (const std::string& line : notes.slower) std::printf("  %s\n", line.c_str());
    if (notes.fixed.empty()) return;
    std::printf("Fixed since the last run:");
    for (std::size_t i = 0; i < notes.fixed.size(); ++i) std::printf("%s %s", i ? "," : "", notes.fixed[i].c_str());
    std::printf("\n");
}

void printSlowest(const RunTally& tally, int count) {
    const std::vector<const RunTally::Timed*> slowest = tally.slowest(count);
    if (slowest.empty()) return;
    std::printf("Slowest:\n");
    for (const RunTally::Timed* test : slowest)
        std::printf("  %s %s%s%s\n", Rt::SecondsText(test->seconds).text, test->group.c_str(),
                    test->group.empty() ? "" : " / ", test->title.c_str());
}

} // namespace

RunSummary::RunSummary(const RunPlan& plan)
    : movedTo(plan.movedTo), durations(plan.durations), junit(plan.junit), sharded(plan.shardCount > 1),
      filter(plan.filter) {
    facts.known = true;
    facts.runId = plan.runId;
    facts.runIdSource = plan.runIdSource;
    facts.scripts = plan.scripts;
    facts.scriptProblems = plan.missingScripts;
    history = plan.history;
    identity = plan.runId;
}

void RunSummary::nameFiles(const std::string& reportPath, const std::string& pagePath, const std::string& emailPath) {
    report = forDisplay(reportPath);
    page = forDisplay(pagePath);
    email = forDisplay(emailPath);
}

bool reportIsComplete(const std::string& path) {
    static const char kEnd[] = "</KxRegTester>\r\n";
    const long length = static_cast<long>(sizeof(kEnd) - 1);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char tail[sizeof(kEnd)] = {};
    const bool read = std::fseek(file, -length, SEEK_END) == 0 && std::fread(tail, 1, length, file) == std::size_t(length);
    std::fclose(file);
    return read && std::memcmp(tail, kEnd, length) == 0;
}

// With KXRT_PUBLISH_URL set, the e-mail links to the page where it is published.
void RunSummary::publishPageLink() const {
    const char* base = Rt::Platform::environment("KXRT_PUBLISH_URL");
    if (!base || !*base) return;
    const std::size_t slash = page.find_last_of('/');
    std::string problem;
    if (!rewritePageLink(email, slash == std::string::npos ? page : page.substr(slash + 1), base, problem))
        std::fprintf(stderr, "rtrun: the e-mail summary keeps its relative link to the page: %s\n", problem.c_str());
}

void RunSummary::record(const RunTally& tally, int exitStatus, HistoryNotes& notes) const {
    FinishedRun run;
    run.report = report;
    run.exitStatus = exitStatus;
    run.identity = identity;
    const std::unique_ptr<RecordedTests> tests = tally.recordedTests();
    recordRun(history, run, *tests, notes);
}

// A filter that matched nothing is most often a typo: the groups the
// scripts hold show what "group/case" could have been.
void RunSummary::explainEmptyFilter() const {
    if (filter.empty() || facts.scripts.empty()) return;
    std::vector<std::string> groups;
    for (const PlannedTest& test : planTests(facts.scripts)) {
        if (filter.selects(test.group, test.caseName)) return;  // only this shard took none
        if (std::find(groups.begin(), groups.end(), test.group) == groups.end()) groups.push_back(test.group);
    }
    std::string seen;
    const std::size_t shown = std::min<std::size_t>(groups.size(), 20);
    for (std::size_t i = 0; i < shown; ++i) seen += (i ? ", " : "") + groups[i];
    if (groups.size() > shown) seen += ", ... (" + std::to_string(groups.size()) + " in all)";
    std::fprintf(stderr, "rtrun: the filter %s matched no test; %s\n", filter.patterns().c_str(),
                 groups.empty() ? "the scripts hold no test" : ("the scripts' groups: " + seen).c_str());
}

int RunSummary::finish(const RunTally& tally) const {
    std::fflush(stdout);
    const Rt::ErrorSummary& t = totals;
    std::printf("rtrun: %d error(s), %d warning(s), %d external error(s), %d external warning(s), "
                "%d core-library error(s)\n",
                t.errors(), t.warnings(), t.extErrors(), t.extWarnings(), t.kxErrors());
    const int passed = tally.count(RunTally::Verdict::ePassed);
    const int failed = tally.count(RunTally::Verdict::eFailed);
    const int notRun = tally.count(RunTally::Verdict::eNotRun);
    const bool colour = useColour();
    const bool reportOk = !tally.reportLost() && !report.empty() && reportIsComplete(report);
    const int scriptProblems = tally.scriptProblems() + static_cast<int>(facts.scriptProblems.size());
    const bool clean = failed == 0 && notRun == 0 && (sharded || tally.total() != 0) && scriptProblems == 0 &&
                       tally.librariesRefused() == 0 && tally.abandonReason().empty() && t.errors() == 0 &&
                       t.extErrors() == 0;
    TestIndex::Facts runFacts = facts;
    runFacts.platform = Rt::platform().toStdString();
    tally.addFacts(runFacts);
    const std::string index = TestIndex::pathBeside(report);
    const bool indexWritten = reportOk && tally.writeIndex(index, runFacts);
    HistoryNotes notes;
    // A run whose files must all be written is not recorded without its index.
    if (reportOk && !sharded && (indexWritten || !strictFiles)) record(tally, clean ? ePassed : eFailed, notes);
    std::printf("%d tests: %d passed, %d failed, %d not run\n", passed + failed + notRun, passed, failed, notRun);
    for (const RunTally::Test* test : tally.unpassed()) printTest(*test, colour, notes);
    if (tally.interruptSignal()) std::printf("%d tests not run (interrupted)\n", tally.interruptedTests());
    printHistoryNotes(notes);
    printSlowest(tally, durations);

    if (!movedTo.empty()) std::printf("Results: %s (the run's names were held by a run still going)\n", movedTo.c_str());
    bool fileLost = false;
    if (reportOk) {
        std::printf("Report: %s\n", report.c_str());
        if (!indexWritten) {
            std::fprintf(stderr, "rtrun: the test index %s could not be written\n", index.c_str());
            fileLost = strictFiles;
        }
        if (!junit.empty()) {
            JUnitExtras extras = junitExtrasOf(runFacts);
            extras.falseReturnIds = tally.falseReturns();
            for (const auto& [id, threw] : tally.throws()) extras.throws[id] = utf8Of(threw);
            const JUnitOutcome converted = writeJUnit(report, junit, extras);
            if (converted.written) std::printf("JUnit: %s\n", junit.c_str());
            else std::fprintf(stderr, "rtrun: %s\n", converted.problem.c_str());
            fileLost |= !converted.written;
        }
    }
    if (fileWritten(page)) std::printf("Page: %s\n", page.c_str());
    else if (!fileExists(Rt::scriptDir().toStdString() + "default.htm"))
        std::fprintf(stderr, "rtrun: no page was written: the page template %sdefault.htm does not exist\n",
                     Rt::scriptDir().toStdString().c_str());
    if (fileWritten(email)) {
        publishPageLink();
        std::printf("E-mail summary: %s\n", email.c_str());
    }
    std::fflush(stdout);

    if (!tally.abandonReason().empty())
        std::fprintf(stderr, "rtrun: test code ended the process (%s); the tests after it did not run\n",
                     tally.abandonReason().c_str());
    if (scriptProblems > 0)
        std::fprintf(stderr, "rtrun: %d script problem(s), shown above; the report leaves them out\n", scriptProblems);
    if (tally.total() == 0) {
        std::fprintf(stderr, sharded ? "rtrun: no test selected\n" : "rtrun: no test ran\n");
        explainEmptyFilter();
    }

    if (!reportOk && !tally.reportLost()) std::fprintf(stderr, "rtrun: the report %s is incomplete\n", report.c_str());
    if (tally.interruptSignal()) {
        std::fprintf(stderr, "rtrun: interrupted by signal %s\n", Process::signalText(tally.interruptSignal()).c_str());
        return 128 + tally.interruptSignal();
    }
    if (!reportOk || fileLost) return eCannotRun;
    return clean ? ePassed : eFailed;
}

} // namespace rtrun
