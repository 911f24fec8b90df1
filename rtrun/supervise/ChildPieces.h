#pragma once
#include "rtrun/merge/PieceMerge.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/RunPlan.h"
#include <string>
#include <vector>

namespace rtrun {

// What a supervisor does with the children it started and the pieces of
// the run they leave.

// The ring of test entries a child fills before it writes them out: 96 KB.
constexpr std::int64_t kPieceLogCapacity = 4096;

// The child's function: notes its deaths in its log, then runs its piece.
struct ChildContext {
    const RunPlan* plan;
    const Piece* piece;
};
int childBody(void* context);

// A child's piece as its log tells it, with its report at `report`.
PieceRecord recordOf(const PieceLog& log, const std::string& report);

// "Group/Case (script, test N)" of the test a child died in or after, and
// the phase of the test it died in when that was not the body.
std::string describeTest(const std::vector<PlannedTest>& plan, const Death& death);

// After a child: nothing it started may outlive it. Its process group goes
// at once; what left the group (and was adopted by rtrun as its parent
// died) is named, then killed. The other children in `spared` still run.
void endWhatTheChildStarted(int pid, const std::vector<int>& spared = {});

// The run's end: merges the pieces into the run's one report at the fixed
// path, counts the `notReached` tests an interruption by `interrupted`
// left as not run, writes the page, e-mail summary, index and closing
// summary, and removes the pieces' directory. Returns the exit status: never
// a clean run when a child died.
int finishPieces(const RunPlan& plan, const std::vector<PieceRecord>& pieces, const std::vector<PlannedTest>& planned,
                 double runSeconds, const std::string& runName, int interrupted, int notReached);

} // namespace rtrun
