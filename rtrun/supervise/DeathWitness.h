#pragma once
#include "rtrun/merge/PieceMerge.h"
#include "rtrun/system/CrashNote.h"
#include "rtrun/system/Stacks.h"
#include <string>
#include <vector>

namespace rtrun {

// The supervisor's eye on a child in its last moments: it answers the
// child's crash notice (a fatal signal, exit() from test code) by taking the
// dying thread's stack from outside, or by having the child capture its
// return addresses when it may not be traced; before a timed-out or
// cancelled child is killed, it takes the stacks of all its threads.
class DeathWitness {
public:
    DeathWitness(CrashNote& note, int pid);
    // Called while the child runs; does something only when the child is dying.
    void poll();
    // Before the child is killed; `testThread` runs the tests (0: the
    // process's first thread, whose id is the process's on Linux).
    void takeAllStacks(int testThread);
    // What was seen, into the death's Msg and Trace lines.
    void describe(Death& death) const;
    // Whether the child noticed that test code called exit().
    bool sawExit() const {
        return m_note.state.load(std::memory_order_acquire) != CrashNote::eNone && m_note.cause == CrashNote::eExit;
    }
    // The signal the child noticed it was dying of (Windows: where the process
    // then ends with a status of its own, as after abort()); 0: none.
    int noticedSignal() const {
        return m_note.state.load(std::memory_order_acquire) != CrashNote::eNone && m_note.cause == CrashNote::eSignal
                   ? m_note.signal
                   : 0;
    }
    // When the child began to die (monotonic seconds); 0: not through a notice.
    double noticedAt() const { return m_noticedAt; }

private:
    void takeCrashStack();
    void symboliseCaptured();
    std::string startFunction() const;
    void keep(const std::vector<Stacks::Frame>& frames);

    CrashNote& m_note;
    int m_pid;
    bool m_mayTrace;
    std::string m_traceProblem;
    std::vector<std::string> m_msgs, m_traces;
    std::string m_where;
    double m_noticedAt = 0;
};

} // namespace rtrun
