#pragma once
#include <string>

namespace rtrun {

// Claims the run's file names in the result directory before the run
// writes them, so that no run truncates or interleaves another's files:
// - a live run holding the names (its lock) sends this run into
//   "<result dir><run name>-N/", the first such directory free;
// - a finished run's report, page, e-mail summary and test index under the
//   same names are moved aside in their directory, as "<run name>-earlierN";
// - lock files that no live run holds (left by a killed run) are removed.
// The lock is held until release() or the end of the process.
class RunSlot {
public:
    ~RunSlot() { release(); }

    // Claims the names of the run the framework is set up for in its result
    // directory (made when missing), and sets the result directory where the
    // run is to write; says on standard error what it moved aside or why it
    // could not. False when the run cannot happen.
    bool claimResultDirectory();
    // `resultDir` ends in a separator and may be changed. False, with the
    // reason, when no directory could be claimed.
    bool claim(std::string& resultDir, const std::string& runName, const std::string& platform,
               std::string& problem);
    void release();
    // Releases the slot this process claimed, for a run that ends through
    // exit() from test code, past every destructor. Never call it in a
    // supervised child: the lock it inherited is its supervisor's.
    static void releaseClaimed();

    // Where the run went instead of the result directory; empty when it did not move.
    const std::string& movedTo() const { return m_movedTo; }
    // Where an earlier run's files went; empty when there were none.
    const std::string& earlierMovedTo() const { return m_earlierMovedTo; }

private:
    bool lockIn(const std::string& dir, const std::string& runName);
    void moveEarlierRun(const std::string& dir, const std::string& runName, const std::string& platform);
    void removeStaleLocks(const std::string& dir);

    std::string m_lockPath;
    int m_lock = -1;
    std::string m_movedTo;
    std::string m_earlierMovedTo;
    static RunSlot* s_claimed;  // the slot holding this process's lock, if any
};

} // namespace rtrun
