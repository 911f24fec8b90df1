#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace rtrun {

// What a supervised child tells its supervisor, through memory they share
// (never through the report, and with no system call per test): where the
// run is, and one entry per test it reached. The entries live in a ring of
// fixed size; a full ring goes to a scratch file the two processes share, in
// one write, so that the memory stays the same however many tests run.
struct PieceLog {
    enum Phase : int { eIdle, eCreating, eRunning };
    enum Flags : int { eReturnedFalse = 1, eNotRun = 2, eErrorRecorded = 4 };
    struct Entry {
        std::int32_t reportId;  // the test's element id in the piece's report; -1 when it has none
        std::int32_t scriptIndex;
        std::int32_t position;
        std::int32_t flags;     // Flags, and for a test not run its CreationFailure << 8
        double seconds;
    };

    // Where the child is.
    std::atomic<int> phase;
    std::atomic<int> scriptIndex;
    std::atomic<int> position;
    std::atomic<double> bodyStart;  // monotonic seconds, while running
    // The run finished and its report is closed.
    std::atomic<int> finished;
    std::atomic<int> testsReached;
    std::atomic<int> scriptProblems;
    std::atomic<int> librariesRefused;
    std::atomic<std::int64_t> count;    // entries made
    std::atomic<std::int64_t> spilled;  // of them, those in the scratch file

    // A log in shared memory with a ring of `capacity` entries; null when
    // no memory or no scratch file can be had.
    static PieceLog* create(std::int64_t capacity);
    std::int64_t capacity() const { return m_capacity; }
    // Empties the log for the next child.
    void reset();

    // The child's side. The entry for the test with this index (0 for the
    // first the child reached), when it is still in the ring.
    Entry* entry(std::int64_t index);
    // Makes room for the entry of the next test: a full ring goes to the
    // scratch file. False when it could not be written: entries from here
    // on are lost, the ones before kept.
    bool makeRoom();

    // The supervisor's side, once the child has ended: every entry kept, in order.
    std::vector<Entry> allEntries() const;

private:
    Entry* ring() { return reinterpret_cast<Entry*>(this + 1); }
    const Entry* ring() const { return reinterpret_cast<const Entry*>(this + 1); }

    std::int64_t m_capacity;
    std::FILE* m_scratch;  // the same file in both processes
    std::atomic<int> m_scratchFailed;
};

} // namespace rtrun
