#pragma once
#include "rtrun/run/PieceLog.h"
#include "results/RunObserver.h"

namespace rtrun {

class ScriptProblemsShown;

// A supervised child's observer of its run: writes where the run is (the
// phase and its test), and an entry per test, into the log it shares with
// its supervisor.
class PieceLogWriter : public Rt::RunObserver {
public:
    // A child that shares a run with others (`resumed` set) counts only the
    // script problems it shows: the others count the rest.
    PieceLogWriter(PieceLog& log, const ScriptProblemsShown* resumed) : m_log(log), m_resumed(resumed) {}
    void libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) override;
    void scriptStarted(const KxString& script) override;
    void scriptProblem(const KxString& script, const KxString& problem) override;
    void testCreating(const Rt::TestInfo& info) override;
    void testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure failure, const KxString& reason) override;
    void testInitializing(const Rt::TestInfo& info) override;
    void testStarted(const Rt::TestInfo& info, const Rt::TestSet& test, int reportId) override;
    void errorCounted(const KxStdError& error, Rt::ErrorCategory category) override;
    void testEnded(const Rt::TestInfo& info, const Rt::TestSet& test, bool passed) override;
    void testDestroying(const Rt::TestInfo& info) override;
    void testDestroyed(const Rt::TestInfo& info) override;
    void testThrew(const Rt::TestInfo& info, const Rt::TestSet& test, const KxString& type, const KxString& what) override;
    // The child is through with its tests: it unloads the test libraries
    // next, and then ends with `status`.
    void unloading(int status);
    void ended();

private:
    PieceLog::Entry* current();

    PieceLog& m_log;
    const ScriptProblemsShown* m_resumed;
    int m_scriptIndex = -1;
    // Where the run was when a destructor began.
    int m_phaseBefore = PieceLog::eIdle;
    int m_scriptBefore = -1;
    int m_positionBefore = -1;
};

} // namespace rtrun
