#include "rtrun/run/PieceLog.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/ScratchFile.h"
#include <algorithm>
#include <new>

namespace rtrun {

static_assert(sizeof(PieceLog) % alignof(PieceLog::Entry) == 0, "the entries that follow a log are aligned");
// Two processes share these: an atomic that takes a lock would take one
// private to each of them.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<double>::is_always_lock_free &&
                  std::atomic<std::int64_t>::is_always_lock_free,
              "the atomics of a shared log are lock-free");

namespace {

// The streams of each log this process has open, by the log's address here.
struct LogFiles {
    const PieceLog* log;
    std::FILE* scratch;
    std::FILE* throws;
};
std::vector<LogFiles>& openLogs() {
    static std::vector<LogFiles> logs;
    return logs;
}

const LogFiles& filesOf(const PieceLog* log) {
    static const LogFiles none{nullptr, nullptr, nullptr};
    for (const LogFiles& files : openLogs())
        if (files.log == log) return files;
    return none;
}

std::size_t bytesOf(std::int64_t capacity) {
    return sizeof(PieceLog) + static_cast<std::size_t>(capacity) * sizeof(PieceLog::Entry);
}

} // namespace

std::FILE* PieceLog::scratchFile() const { return filesOf(this).scratch; }
std::FILE* PieceLog::throwsFile() const { return filesOf(this).throws; }

PieceLog* PieceLog::create(std::int64_t capacity, const std::string& scratchDir, std::string& problem) {
    // Unbuffered: each process reads and writes the file itself, with no
    // copy of it in a buffer that the other could have made stale.
    std::FILE* scratch = openScratchFile(scratchDir, problem, ScratchUse::eShared);
    std::FILE* throws = scratch ? openScratchFile(scratchDir, problem, ScratchUse::eShared) : nullptr;
    if (!throws) {
        if (scratch) std::fclose(scratch);
        problem = "no scratch file (" + problem + ")";
        return nullptr;
    }
    void* memory = Process::sharedMemory(bytesOf(capacity));
    if (!memory) {
        std::fclose(scratch);
        std::fclose(throws);
        problem = "no shared memory";
        return nullptr;
    }
    PieceLog* log = new (memory) PieceLog;
    log->m_capacity = capacity;
    openLogs().push_back({log, scratch, throws});
    log->reset();
    return log;
}

PieceLog::Handle PieceLog::handle() const {
    return Handle{Process::sharedMemoryName(this), m_capacity, scratchFileToken(scratchFile()),
                  scratchFileToken(throwsFile())};
}

PieceLog* PieceLog::open(const Handle& handle, std::string& problem) {
    void* memory = handle.capacity > 0 ? Process::openSharedMemory(handle.memory, bytesOf(handle.capacity)) : nullptr;
    if (!memory) {
        problem = "the supervisor's log '" + handle.memory + "' cannot be opened";
        return nullptr;
    }
    std::FILE* scratch = openScratchFileByToken(handle.scratch);
    std::FILE* throws = scratch ? openScratchFileByToken(handle.throws) : nullptr;
    if (!throws) {
        if (scratch) std::fclose(scratch);
        problem = "the scratch files of the supervisor's log cannot be opened";
        return nullptr;
    }
    PieceLog* log = static_cast<PieceLog*>(memory);
    openLogs().push_back({log, scratch, throws});
    return log;
}

void PieceLog::reset() {
    phase = eIdle;
    scriptIndex = -1;
    position = -1;
    phaseStart = 0;
    bodyStart = 0;
    finished = 0;
    ended = 0;
    exitStatus = 0;
    testsReached = 0;
    scriptProblems = 0;
    librariesRefused = 0;
    unit = -1;
    testThread = 0;
    count = 0;
    spilled = 0;
    m_scratchFailed = 0;
    crash.reset();
    std::FILE* throws = throwsFile();
    m_throwsFrom = std::fseek(throws, 0, SEEK_END) == 0 ? std::ftell(throws) : 0;
}

void PieceLog::enter(Phase next, int script, int at) {
    scriptIndex.store(script, std::memory_order_relaxed);
    position.store(at, std::memory_order_relaxed);
    phaseStart.store(Process::monotonicSeconds(), std::memory_order_relaxed);
    phase.store(next, std::memory_order_release);
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
    std::FILE* scratch = scratchFile();
    if (std::fseek(scratch, offset, SEEK_SET) != 0 || std::fwrite(ring(), sizeof(Entry), entries, scratch) != entries ||
        std::fflush(scratch) != 0) {
        m_scratchFailed.store(1, std::memory_order_relaxed);
        return false;
    }
    spilled.store(done + m_capacity, std::memory_order_release);
    return true;
}

void PieceLog::noteThrow(std::int64_t index, const std::string& text) {
    const std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), 4096));
    std::string record(reinterpret_cast<const char*>(&index), sizeof(index));
    record.append(reinterpret_cast<const char*>(&length), sizeof(length));
    record.append(text, 0, length);
    std::FILE* throws = throwsFile();
    if (std::fseek(throws, 0, SEEK_END) == 0) std::fwrite(record.data(), 1, record.size(), throws);
}

std::map<std::int64_t, std::string> PieceLog::allThrows() const {
    std::map<std::int64_t, std::string> throws;
    std::FILE* file = throwsFile();
    if (std::fseek(file, m_throwsFrom, SEEK_SET) != 0) return throws;
    std::int64_t index = 0;
    std::uint32_t length = 0;
    while (std::fread(&index, sizeof(index), 1, file) == 1 && std::fread(&length, sizeof(length), 1, file) == 1 &&
           length <= 4096) {
        std::string text(length, '\0');
        if (length > 0 && std::fread(&text[0], 1, length, file) != length) break;
        throws[index] = std::move(text);
    }
    return throws;
}

std::vector<PieceLog::Entry> PieceLog::allEntries() const {
    const std::int64_t done = spilled.load();
    std::vector<Entry> all(static_cast<std::size_t>(done));
    std::FILE* scratch = scratchFile();
    if (done > 0 && (std::fseek(scratch, 0, SEEK_SET) != 0 ||
                     std::fread(all.data(), sizeof(Entry), all.size(), scratch) != all.size()))
        all.assign(all.size(), Entry{-1, -1, -1, 0, 0});  // cannot happen short of a failing disk
    const std::int64_t inRing = std::min(count.load() - done, m_capacity);
    all.insert(all.end(), ring(), ring() + inRing);
    return all;
}

} // namespace rtrun
