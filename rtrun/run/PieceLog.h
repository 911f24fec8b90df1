#pragma once
#include "rtrun/system/CrashNote.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace rtrun {

// What a supervised child tells its supervisor, through memory they share
// (never through the report, and with no system call per test): where the
// run is, and one entry per test it reached. The entries live in a ring of
// fixed size; a full ring goes to a scratch file the two processes share, in
// one write, so that the memory stays the same however many tests run.
struct PieceLog {
    // What the child is doing, and for a test which of its phases runs.
    enum Phase : int { eIdle, eCreating, eInitializing, eRunning, eDestroying, eUnloading };
    enum Flags : int { eReturnedFalse = 1, eNotRun = 2, eErrorRecorded = 4 };
    struct Entry {
        std::int32_t reportId;  // the test's element id in the piece's report; -1 when it has none
        std::int32_t scriptIndex;
        std::int32_t position;
        std::int32_t flags;     // Flags, and for a test not run its CreationFailure << 8
        double seconds;
    };

    // Where the child is: the phase, and the test it belongs to (while
    // destroying, the test destroyed, not the one being made).
    std::atomic<int> phase;
    std::atomic<int> scriptIndex;
    std::atomic<int> position;
    std::atomic<double> phaseStart;  // monotonic seconds
    std::atomic<double> bodyStart;   // monotonic seconds, while running
    // The run finished and its report is closed.
    std::atomic<int> finished;
    // The child is through, libraries unloaded: it ends with exitStatus next.
    std::atomic<int> ended;
    std::atomic<int> exitStatus;
    std::atomic<int> testsReached;
    std::atomic<int> scriptProblems;
    std::atomic<int> librariesRefused;
    std::atomic<int> unit;  // the unit of a run at several jobs the child claimed last; -1: none
    std::atomic<int> testThread;  // the id of the child's thread that runs the tests; 0: not known yet
    std::atomic<std::int64_t> count;    // entries made
    std::atomic<std::int64_t> spilled;  // of them, those in the scratch file
    // How the child is dying, while it waits for its stack to be taken.
    CrashNote crash;

    // A log in shared memory with a ring of `capacity` entries, its scratch
    // file in memory or else in `scratchDir`; null, with the reason, when no
    // shared memory or no scratch file can be had.
    static PieceLog* create(std::int64_t capacity, const std::string& scratchDir, std::string& problem);
    // What a child that is no copy of its supervisor (Windows) needs to open
    // the same log: the names of its memory and of its scratch files.
    struct Handle {
        std::string memory;
        std::int64_t capacity = 0;
        std::string scratch;
        std::string throws;
    };
    Handle handle() const;
    // The log a supervisor handed over; null, with the reason, when it cannot be opened.
    static PieceLog* open(const Handle& handle, std::string& problem);

    // Enters a phase of the test at (scriptIndex, position); the child's side.
    void enter(Phase next, int script, int at);
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

    // The body of the test with this entry index threw `text`: kept in a
    // second scratch file of records (index, length, text), in one write (a test that passes pays nothing).
    void noteThrow(std::int64_t index, const std::string& text);

    // The supervisor's side, once the child has ended: every entry kept, in order.
    std::vector<Entry> allEntries() const;
    // What the bodies threw, by entry index.
    std::map<std::int64_t, std::string> allThrows() const;

private:
    Entry* ring() { return reinterpret_cast<Entry*>(this + 1); }
    const Entry* ring() const { return reinterpret_cast<const Entry*>(this + 1); }

    // The scratch files, as this process has them open (the log's memory is
    // the same in both processes, their streams are not).
    std::FILE* scratchFile() const;
    std::FILE* throwsFile() const;

    std::int64_t m_capacity;
    long m_throwsFrom;  // where this child's records start in the throws file
    std::atomic<int> m_scratchFailed;
};

} // namespace rtrun
