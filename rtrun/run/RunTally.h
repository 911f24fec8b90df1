#pragma once
#include <Rt/Rt.h>
#include "results/RunObserver.h"
#include "rtrun/history/RunRecord.h"
#include "rtrun/run/ScriptSelection.h"
#include "rtrun/reports/TestIndex.h"
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace rtrun {

// What rtrun learns of a run from the framework's events: which libraries
// could be used, which tests ran and how they ended, which could not be
// made, script problems and a report that could not be written. Problems
// are shown on standard error as they happen.
//
// A passing test leaves only its counts, its facts for the test index and
// the history (kept in a temporary file, not in memory) and, if it is among
// the slowest, its times: however many tests pass, the tally stays the same
// size.
//
// Texts are the report's single bytes for a test told by the framework's
// events, and the report reader's for one told by addTest (except the
// script and case name, which are the index's, and what it threw).
class RunTally : public Rt::RunObserver {
public:
    enum class Verdict { ePassed, eFailed, eNotRun };
    struct Test {
        std::string script;
        int position = 0;   // among the Test objects of its script
        std::string caseName;
        std::string group;
        std::string title;  // as the test set it, else the script's case name
        std::vector<std::string> args;
        std::string why;    // the first error's text, or why it did not run
        Verdict verdict = Verdict::eNotRun;
        double seconds = 0;
        int reportId = -1;
        bool returnedFalse = false;
        bool errorRecorded = false;  // an error was counted while it was made or ran
        std::string threw;  // "threw std::runtime_error: degenerate edge" when its body threw
        // Its element as the report holds it: whether the element holds an
        // Error or ExtError record, and the first one's text (its first
        // message line, else its Desc).
        bool elementFailed = false;
        std::string elementError;
    };
    // A test that ran, as the list of the slowest names it.
    struct Timed {
        double seconds = 0;
        long order = 0;  // among the tests told, from 0
        std::string group;
        std::string title;
    };

    // Keeps the times of the `slowestKept` slowest tests; all of them when negative.
    explicit RunTally(int slowestKept = -1);
    ~RunTally() override;
    RunTally(const RunTally&) = delete;
    RunTally& operator=(const RunTally&) = delete;

    // Library events
    void libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) override;
    int librariesUsed() const { return m_librariesUsed; }
    int librariesRefused() const { return m_librariesRefused; }

    // A run that resumes another shows the script problems met after the
    // point it resumes from: the earlier piece of the run showed those before.
    void resumes(const ScriptProblemsShown* selection) { m_resumed = selection; }

    // Run events
    void scriptStarted(const KxString& script) override;
    void scriptProblem(const KxString& script, const KxString& problem) override;
    void testCreating(const Rt::TestInfo& info) override;
    void testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure failure, const KxString& reason) override;
    void testStarted(const Rt::TestInfo& info, const Rt::TestSet& test, int reportId) override;
    void testTimed(const Rt::TestInfo& info, double seconds) override;
    void errorCounted(const KxStdError& error, Rt::ErrorCategory category) override;
    void testEnded(const Rt::TestInfo& info, const Rt::TestSet& test, bool passed) override;
    void reportNotWritten(const KxString& path, int error) override;
    void runAbandoned(const KxString& reason) override;
    void testThrew(const Rt::TestInfo& info, const Rt::TestSet& test, const KxString& type, const KxString& what) override;

    // A run stopped by a cancel `signal`; the tests it would still have run
    // count as not run.
    void interrupt(int signal) { m_interruptSignal = signal; }
    void skipInterrupted(int tests);
    int interruptSignal() const { return m_interruptSignal; }
    int interruptedTests() const { return m_interruptedTests; }

    // For a run told from its pieces' logs and reports instead of events.
    void addTest(Test test);
    void addProblems(int scriptProblems, int librariesRefused);
    // For a run told from its shards' indexes: one problem, with its text.
    void addScriptProblem(const TestIndex::Problem& problem);
    void addRefusedLibrary(const TestIndex::Problem& library);

    // The tests that failed or did not run, in the order told.
    std::vector<const Test*> unpassed() const;
    // The slowest of the tests that ran, slowest first (the earlier of two
    // equally slow ones first), at most `count`.
    std::vector<const Timed*> slowest(int count) const;
    int count(Verdict verdict) const;
    int total() const { return m_total + (m_open ? 1 : 0); }
    int scriptProblems() const { return m_scriptProblems; }
    bool reportLost() const { return m_reportError != 0; }
    const std::string& abandonReason() const { return m_abandonReason; }
    // Report ids of the tests whose body returned false without an error.
    std::set<int> falseReturns() const;
    // The report ids of tests whose body threw, with what it threw.
    std::map<int, std::string> throws() const;
    // What the index records of the run beyond its tests: the tests that did
    // not run, script problems and refused libraries, added to `facts`.
    void addFacts(TestIndex::Facts& facts) const;
    // Writes the test index: `facts` (see addFacts), then the tests that
    // have a report element, in the order told; false when it could not be
    // written whole.
    bool writeIndex(const std::string& path, const TestIndex::Facts& facts) const;
    // The tests as the history records them, from what the tally kept of
    // them (see RecordedTests); the tally must outlive it and tell no more
    // tests meanwhile.
    std::unique_ptr<RecordedTests> recordedTests() const;

private:
    class Recorded;

    void finish(const Rt::TestSet& test, Verdict verdict);
    // The test's title and arguments as its element closes with them.
    void takeClosingValues(const Rt::TestSet& test);
    // Counts the test and keeps what the end of the run needs of it;
    // `fromReport` for one told by addTest.
    void settle(Test& test, bool fromReport);
    void noteTime(const Test& test);
    void spill(const Test& test, bool fromReport);
    // Hands `use` each kept test's facts in the order told, then those of
    // the test still open; false when they were not all kept.
    template <class Use>
    bool forEachSpilled(Use use) const;

    int m_librariesUsed = 0;
    int m_librariesRefused = 0;
    std::vector<TestIndex::Problem> m_refusedLibraries;
    std::vector<TestIndex::Problem> m_scriptProblemList;
    int m_total = 0;
    int m_counts[3] = {};
    std::vector<Test> m_unpassed;
    std::vector<Timed> m_slowest;  // sorted slowest first when m_slowestKept >= 0
    int m_slowestKept = -1;
    Test m_current;
    bool m_open = false;  // m_current is being created or running
    const Rt::TestSet* m_running = nullptr;  // m_current's test while its element is open
    // The facts of each test with a report element (see spill): null until
    // the first, or when no file could be had.
    std::FILE* m_spill = nullptr;
    std::string m_spillInMemory;  // where they go without a file
    std::string m_record;         // the record being written, reused
    bool m_spillLost = false;
    int m_scriptProblems = 0;
    int m_scriptIndex = -1;
    const ScriptProblemsShown* m_resumed = nullptr;
    int m_reportError = 0;
    std::string m_abandonReason;
    int m_interruptSignal = 0;
    int m_interruptedTests = 0;
};

// "threw std::runtime_error: degenerate edge", what a body's exception is called.
std::string threwText(const std::string& type, const std::string& what);

} // namespace rtrun
