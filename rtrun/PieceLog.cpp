#include "rtrun/PieceLog.h"
#include "env/Process.h"
#include <algorithm>
#include <new>

namespace rtrun {

static_assert(sizeof(PieceLog) % alignof(PieceLog::Entry) == 0, "the entries that follow a log are aligned");

PieceLog* PieceLog::create(std::int64_t capacity) {
    std::FILE* scratch = std::tmpfile();
    if (!scratch) return nullptr;
    // Unbuffered: each process reads and writes the file itself, with no
    // copy of it in a buffer that the other could have made stale.
    std::setvbuf(scratch, nullptr, _IONBF, 0);
    const std::size_t bytes = sizeof(PieceLog) + static_cast<std::size_t>(capacity) * sizeof(Entry);
    void* memory = Rt::Process::sharedMemory(bytes);
    if (!memory) {
        std::fclose(scratch);
        return nullptr;
    }
    PieceLog* log = new (memory) PieceLog;
    log->m_capacity = capacity;
    log->m_scratch = scratch;
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
    spilled = 0;
    m_scratchFailed = 0;
}

PieceLog::Entry* PieceLog::entry(std::int64_t index) {
    const std::int64_t slot = index - spilled.load(std::memory_order_relaxed);
    return slot >= 0 && slot < m_capacity ? &ring()[slot] : nullptr;
}

bool PieceLog::makeRoom() {
    const std::int64_t n = count.load(std::memory_order_relaxed);
    const std::int64_t done = spilled.load(std::memory_order_relaxed);
    if (n - done < m_capacity) return true;
    if (m_scratchFailed.load(std::memory_order_relaxed)) return false;
    // The whole ring, at its place in the file, in one write.
    const long offset = static_cast<long>(done * static_cast<std::int64_t>(sizeof(Entry)));
    const std::size_t entries = static_cast<std::size_t>(m_capacity);
    if (std::fseek(m_scratch, offset, SEEK_SET) != 0 || std::fwrite(ring(), sizeof(Entry), entries, m_scratch) != entries ||
        std::fflush(m_scratch) != 0) {
        m_scratchFailed.store(1, std::memory_order_relaxed);
        return false;
    }
    spilled.store(done + m_capacity, std::memory_order_release);
    return true;
}

std::vector<PieceLog::Entry> PieceLog::allEntries() const {
    const std::int64_t done = spilled.load();
    std::vector<Entry> all(static_cast<std::size_t>(done));
    if (done > 0 && (std::fseek(m_scratch, 0, SEEK_SET) != 0 ||
                     std::fread(all.data(), sizeof(Entry), all.size(), m_scratch) != all.size()))
        all.assign(all.size(), Entry{-1, -1, -1, 0, 0});  // cannot happen short of a failing disk
    const std::int64_t inRing = std::min(count.load() - done, m_capacity);
    all.insert(all.end(), ring(), ring() + inRing);
    return all;
}

PieceLog::Entry* PieceBeacon::current() { return m_log.entry(m_log.count.load(std::memory_order_relaxed) - 1); }

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
    const bool kept = m_log.makeRoom();
    m_log.count.store(n + 1, std::memory_order_release);
    if (PieceLog::Entry* entry = kept ? m_log.entry(n) : nullptr)
        *entry = PieceLog::Entry{-1, info.scriptIndex, info.position, 0, 0};
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
