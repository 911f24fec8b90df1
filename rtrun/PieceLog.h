#pragma once
#include "results/RunObserver.h"
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
    enum Phase : int { kIdle, kCreating, kRunning };
    enum Flags : int { kReturnedFalse = 1, kNotRun = 2, kErrorRecorded = 4 };
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

// Writes a child's run into its log as it happens.
class PieceBeacon : public Rt::RunObserver {
public:
    // Problems in scripts before `countFrom` were counted by an earlier piece.
    PieceBeacon(PieceLog& log, int countFrom) : m_log(log), m_countFrom(countFrom) {}
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
