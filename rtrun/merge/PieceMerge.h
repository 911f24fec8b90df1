#pragma once
#include "rtrun/run/RunTally.h"
#include <cstdint>
#include "rtrun/run/ScriptSelection.h"
#include <map>
#include <string>
#include <vector>

namespace rtrun {

struct PieceLog;

// How a supervised child ended before its run was finished.
struct Death {
    int scriptIndex = -1;   // the test it died in (or after, when idle)
    int position = -1;
    int phase = 0;          // PieceLog::Phase
    bool inTest = false;    // in a phase of that test: its creator, initialize(), body or destructor
    bool running = false;   // its body was running
    std::string reason;     // "crashed: signal 11 (Segmentation fault)", "timed out after 30 s", ...
    double seconds = 0;     // how long the body ran, when it was running
    // What the supervisor saw of it: details in words, then stacks (its
    // record's Msg and Trace lines), and " at Mesh::area() mesh.cpp:42", the
    // innermost frame of test code, for the closing summary.
    std::vector<std::string> msgs, traces;
    std::string where;
};

// One child's share of the run: its report and what its log told.
struct PieceRecord {
    std::string report;
    std::vector<std::int32_t> ids, scripts, positions, flags;  // the log's entries, in order
    std::vector<double> seconds;
    std::map<std::int64_t, std::string> throws;  // log entry index -> what its body threw
    int scriptProblems = 0;    // in the scripts this piece was the first to reach
    int librariesRefused = 0;
    bool died = false;
    Death death;
};

// Writes the pieces as the run's one report, at the run's fixed path, with
// its page and e-mail summary: every test once, in script order, ids
// consecutive, each dead child's test completed with an Error record of its
// death, counts recomputed, a split group's Time the sum of its pieces.
// `tally` receives every test the run reached, under its new id.
// False, with the reason, when a piece cannot be read.
bool mergePieces(const std::vector<PieceRecord>& pieces, const std::vector<PlannedTest>& plan, double runSeconds,
                 RunTally& tally, Rt::ErrorSummary& totals, std::string& problem);

} // namespace rtrun
