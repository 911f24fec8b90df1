#pragma once
#include <Rt/Rt.h>
#include "results/RunObserver.h"
#include <set>
#include <string>
#include <vector>

namespace rtrun {

// What rtrun learns of a run from the framework's events: which libraries
// could be used, which tests ran and how they ended, which could not be
// made, script problems and a report that could not be written. Problems
// are shown on standard error as they happen.
class RunTally : public Rt::RunObserver {
public:
    enum class Verdict { kPassed, kFailed, kNotRun };
    struct Test {
        std::string script;
        int position = 0;   // among the Test objects of its script
        std::string caseName;
        std::string group;
        std::string title;  // as the test set it, else the script's case name
        std::vector<std::string> args;
        std::string why;    // the first error's text, or why it did not run
        Verdict verdict = Verdict::kNotRun;
        double seconds = 0;
        int reportId = -1;
        bool returnedFalse = false;
        bool errorRecorded = false;  // its element holds an Error or ExtError record
    };

    // Library events
    void libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) override;
    int librariesUsed() const { return m_librariesUsed; }
    int librariesRefused() const { return m_librariesRefused; }

    // Problems in the scripts before this one were shown by an earlier piece of the run.
    void quietBefore(int scriptIndex) { m_quietBefore = scriptIndex; }

    // Run events
    void scriptStarted(const KxString& script) override;
    void scriptProblem(const KxString& script, const KxString& problem) override;
    void testCreating(const Rt::TestInfo& info) override;
    void testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure failure, const KxString& reason) override;
    void testStarted(const Rt::TestInfo& info, const Rt::TestSet& test, int reportId) override;
    void errorCounted(const KxStdError& error, Rt::ErrorCategory category) override;
    void testEnded(const Rt::TestInfo& info, const Rt::TestSet& test, bool passed) override;
    void reportNotWritten(const KxString& path, int error) override;
    void runAbandoned(const KxString& reason) override;

    // For a run told from its pieces' logs and reports instead of events.
    void addTest(Test test) { m_tests.push_back(std::move(test)); }
    void addProblems(int scriptProblems, int librariesRefused);

    const std::vector<Test>& tests() const { return m_tests; }
    int count(Verdict verdict) const;
    int scriptProblems() const { return m_scriptProblems; }
    bool reportLost() const { return m_reportError != 0; }
    const std::string& abandonReason() const { return m_abandonReason; }
    // Report ids of the tests whose body returned false without an error.
    std::set<int> falseReturns() const;

private:
    Test& current();
    void finish(const Rt::TestSet& test, Verdict verdict);

    int m_librariesUsed = 0;
    int m_librariesRefused = 0;
    std::vector<std::string> m_refusedLibraries;
    std::vector<Test> m_tests;
    bool m_open = false;  // the last test is being created or running
    KxChron m_watch;
    int m_scriptProblems = 0;
    int m_scriptIndex = -1;
    int m_quietBefore = -1;
    int m_reportError = 0;
    std::string m_abandonReason;
};

} // namespace rtrun
