#pragma once
#include "rtrun/run/PieceLog.h"
#include "results/RunObserver.h"

namespace rtrun {

// A supervised child's observer of its run: writes where the run is, and an
// entry per test, into the log it shares with its supervisor.
class PieceLogWriter : public Rt::RunObserver {
public:
    // Problems in scripts before `countFrom` were counted by an earlier piece.
    PieceLogWriter(PieceLog& log, int countFrom) : m_log(log), m_countFrom(countFrom) {}
    void scriptStarted(const KxString& script) override;
    void libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) override;
    void scriptProblem(const KxString& script, const KxString& problem) override;
    void testCreating(const Rt::TestInfo& info) override;
    void testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure failure, const KxString& reason) override;
    void testStarted(const Rt::TestInfo& info, const Rt::TestSet& test, int reportId) override;
    void errorCounted(const KxStdError& error, Rt::ErrorCategory category) override;
    void testEnded(const Rt::TestInfo& info, const Rt::TestSet& test, bool passed) override;

private:
    PieceLog::Entry* current();

    PieceLog& m_log;
    int m_countFrom;
    int m_scriptIndex = -1;
};

} // namespace rtrun
