#include "rtrun/run/PieceLogWriter.h"
#include "rtrun/run/RunTally.h"
#include "rtrun/run/ScriptSelection.h"
#include "rtrun/system/Process.h"

namespace rtrun {

PieceLog::Entry* PieceLogWriter::current() { return m_log.entry(m_log.count.load(std::memory_order_relaxed) - 1); }

void PieceLogWriter::libraryLoaded(const KxString&, Rt::LibraryOutcome outcome, const KxString&) {
    if (outcome != Rt::LibraryOutcome::eFactory) ++m_log.librariesRefused;
}

void PieceLogWriter::scriptStarted(const KxString&) { ++m_scriptIndex; }

void PieceLogWriter::scriptProblem(const KxString&, const KxString&) {
    if (!m_resumed || m_resumed->showsProblemsOf(m_scriptIndex)) ++m_log.scriptProblems;
}

void PieceLogWriter::testCreating(const Rt::TestInfo& info) {
    m_log.enter(PieceLog::eCreating, info.scriptIndex, info.position);
    ++m_log.testsReached;
    const std::int64_t n = m_log.count.load(std::memory_order_relaxed);
    const bool kept = m_log.makeRoom();
    m_log.count.store(n + 1, std::memory_order_release);
    if (PieceLog::Entry* entry = kept ? m_log.entry(n) : nullptr)
        *entry = PieceLog::Entry{-1, info.scriptIndex, info.position, 0, 0};
}

void PieceLogWriter::testNotCreated(const Rt::TestInfo&, Rt::CreationFailure failure, const KxString&) {
    if (PieceLog::Entry* entry = current()) entry->flags |= PieceLog::eNotRun | (static_cast<int>(failure) << 8);
    m_log.phase.store(PieceLog::eIdle, std::memory_order_release);
}

void PieceLogWriter::testInitializing(const Rt::TestInfo& info) {
    m_log.enter(PieceLog::eInitializing, info.scriptIndex, info.position);
}

void PieceLogWriter::testStarted(const Rt::TestInfo& info, const Rt::TestSet&, int reportId) {
    if (PieceLog::Entry* entry = current()) entry->reportId = reportId;
    m_log.enter(PieceLog::eRunning, info.scriptIndex, info.position);
    m_log.bodyStart.store(m_log.phaseStart.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void PieceLogWriter::errorCounted(const KxStdError&, Rt::ErrorCategory category) {
    if (category != Rt::eTestError && category != Rt::eExternalError) return;
    if (m_log.phase.load(std::memory_order_relaxed) == PieceLog::eIdle) return;
    if (PieceLog::Entry* entry = current()) entry->flags |= PieceLog::eErrorRecorded;
}

void PieceLogWriter::testEnded(const Rt::TestInfo&, const Rt::TestSet&, bool passed) {
    if (PieceLog::Entry* entry = current()) {
        if (!passed && !(entry->flags & PieceLog::eErrorRecorded)) entry->flags |= PieceLog::eReturnedFalse;
        entry->seconds = Process::monotonicSeconds() - m_log.bodyStart.load(std::memory_order_relaxed);
    }
    m_log.phase.store(PieceLog::eIdle, std::memory_order_release);
}

void PieceLogWriter::testDestroying(const Rt::TestInfo& info) {
    m_phaseBefore = m_log.phase.load(std::memory_order_relaxed);
    m_scriptBefore = m_log.scriptIndex.load(std::memory_order_relaxed);
    m_positionBefore = m_log.position.load(std::memory_order_relaxed);
    m_log.enter(PieceLog::eDestroying, info.scriptIndex, info.position);
}

void PieceLogWriter::testDestroyed(const Rt::TestInfo&) {
    m_log.enter(static_cast<PieceLog::Phase>(m_phaseBefore), m_scriptBefore, m_positionBefore);
}

void PieceLogWriter::testThrew(const Rt::TestInfo&, const Rt::TestSet&, const KxString& type, const KxString& what) {
    m_log.noteThrow(m_log.count.load(std::memory_order_relaxed) - 1, threwText(type.toStdString(), what.toStdString()));
}

void PieceLogWriter::unloading(int status) {
    m_log.exitStatus.store(status, std::memory_order_relaxed);
    m_log.enter(PieceLog::eUnloading, -1, -1);
}

void PieceLogWriter::ended() { m_log.ended.store(1, std::memory_order_release); }

} // namespace rtrun
