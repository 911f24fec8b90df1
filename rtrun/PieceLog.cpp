#include "rtrun/PieceLog.h"
#include "env/Process.h"
#include <new>

namespace rtrun {

static_assert(sizeof(PieceLog) % alignof(PieceLog::Entry) == 0, "the entries that follow a log are aligned");

PieceLog* PieceLog::create(std::int64_t capacity) {
    const std::size_t bytes = sizeof(PieceLog) + static_cast<std::size_t>(capacity) * sizeof(Entry);
    void* memory = Rt::Process::sharedMemory(bytes);
    if (!memory) return nullptr;
    PieceLog* log = new (memory) PieceLog;
    log->m_capacity = capacity;
    log->reset();
    return log;
}

void PieceLog::reset() {
    phase = kIdle;
    scriptIndex = -1;
    position = -1;
    bodyStart = 0;
    finished = 0;
    testsReached = 0;
    scriptProblems = 0;
    librariesRefused = 0;
    count = 0;
}

PieceLog::Entry* PieceBeacon::current() {
    const std::int64_t n = m_log.count.load(std::memory_order_relaxed);
    return n > 0 && n <= m_log.capacity() ? &m_log.entries()[n - 1] : nullptr;
}

void PieceBeacon::libraryLoaded(const KxString&, Rt::LibraryOutcome outcome, const KxString&) {
    if (outcome != Rt::LibraryOutcome::eFactory) ++m_log.librariesRefused;
}

void PieceBeacon::scriptStarted(const KxString&) { ++m_scriptIndex; }

void PieceBeacon::scriptProblem(const KxString&, const KxString&) {
    if (m_scriptIndex >= m_countFrom) ++m_log.scriptProblems;
}

void PieceBeacon::testCreating(const Rt::TestInfo& info) {
    m_log.scriptIndex.store(info.scriptIndex, std::memory_order_relaxed);
    m_log.position.store(info.position, std::memory_order_relaxed);
    m_log.phase.store(PieceLog::kCreating, std::memory_order_release);
    ++m_log.testsReached;
    const std::int64_t n = m_log.count.load(std::memory_order_relaxed);
    if (n < m_log.capacity()) m_log.entries()[n] = PieceLog::Entry{-1, info.scriptIndex, info.position, 0, 0};
    m_log.count.store(n + 1, std::memory_order_release);
}

void PieceBeacon::testNotCreated(const Rt::TestInfo&, Rt::CreationFailure failure, const KxString&) {
    if (PieceLog::Entry* entry = current()) entry->flags |= PieceLog::kNotRun | (static_cast<int>(failure) << 8);
    m_log.phase.store(PieceLog::kIdle, std::memory_order_release);
}

void PieceBeacon::testStarted(const Rt::TestInfo&, const Rt::TestSet&, int reportId) {
    if (PieceLog::Entry* entry = current()) entry->reportId = reportId;
    m_log.bodyStart.store(Rt::Process::monotonicSeconds(), std::memory_order_relaxed);
    m_log.phase.store(PieceLog::kRunning, std::memory_order_release);
}

void PieceBeacon::errorCounted(const KxStdError&, Rt::ErrorCategory category) {
    if (category != Rt::eTestError && category != Rt::eExternalError) return;
    if (m_log.phase.load(std::memory_order_relaxed) == PieceLog::kIdle) return;
    if (PieceLog::Entry* entry = current()) entry->flags |= PieceLog::kErrorRecorded;
}

void PieceBeacon::testEnded(const Rt::TestInfo&, const Rt::TestSet&, bool passed) {
    if (PieceLog::Entry* entry = current()) {
        if (!passed && !(entry->flags & PieceLog::kErrorRecorded)) entry->flags |= PieceLog::kReturnedFalse;
        entry->seconds = Rt::Process::monotonicSeconds() - m_log.bodyStart.load(std::memory_order_relaxed);
    }
    m_log.phase.store(PieceLog::kIdle, std::memory_order_release);
}

} // namespace rtrun
