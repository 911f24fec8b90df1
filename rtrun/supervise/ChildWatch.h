#pragma once
#include "rtrun/merge/PieceMerge.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/supervise/DeathWitness.h"
#include "rtrun/supervise/LastWords.h"
#include "rtrun/supervise/StatusLine.h"
#include "rtrun/system/Process.h"
#include <string>

namespace rtrun {

// Watches a supervised child while it runs: a phase of test code (creator,
// initialize(), body, destructor, unloading the libraries) that runs longer
// than the limit is killed with the child's process group; on a cancel
// signal the group gets SIGTERM, and SIGKILL once the grace period is over.
// The stacks of a child that dies, or is about to be killed, are taken first.
class ChildWatch {
public:
    // `status`, when given, is the status line that output must get past.
    ChildWatch(PieceLog& log, int pid, double limit, double grace, StatusLine* status = nullptr)
        : m_log(log), m_witness(log.crash, pid), m_errors(stderr, status), m_output(stdout, status), m_limit(limit),
          m_grace(grace) {}
    // For Process::waitAnyChild: the signal to send the child's group now, if any.
    static int poll(void* watch);
    // For Process::waitAnyChild: what the child wrote to standard error goes
    // on to rtrun's line by line (children running at once never mix their
    // lines), and is kept for its test's record.
    static void errors(void* watch, const char* bytes, std::size_t size);
    // For Process::waitAnyChild, when the child's standard output is a pipe:
    // on to rtrun's, line by line.
    static void output(void* watch, const char* bytes, std::size_t size);
    // How to watch the child: its poll and its pipes.
    Process::ChildWatching watching(int errorPipe, int outputPipe);
    // Once the child has ended: the end of a last line it left unfinished.
    void flushOutput();

    bool timedOut() const { return m_timedOutPhase >= 0; }
    int cancelledBy() const { return m_cancelSignal; }
    // How the child that ended as `end` died, and in which test.
    Death deathOf(const Process::ChildEnd& end) const;

private:
    int check();

    const PieceLog& m_log;
    DeathWitness m_witness;
    LastWords m_lastWords;
    LineRelay m_errors;
    LineRelay m_output;
    std::int64_t m_testsSeen = 0;  // the log's entries when output last came
    double m_limit;  // seconds; 0: none
    double m_grace;
    int m_timedOutPhase = -1;
    int m_cancelSignal = 0;
    double m_cancelledAt = 0;
    bool m_killSent = false;
};

// Where test code was in a phase, for the texts that name it: "in
// initialize()"; empty for a test body.
const char* phaseWords(int phase);

} // namespace rtrun
