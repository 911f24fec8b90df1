// A supervised child is a copy of rtrun made by fork(): it has the plan,
// the piece and the log already, at the same places.
#include "rtrun/supervise/ChildStart.h"
#include "rtrun/supervise/ChildPieces.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Process.h"
#include <cstdio>

namespace rtrun {

int startPieceChild(const RunPlan& plan, const Piece& piece, int* errorPipe, int* outputPipe) {
    ChildContext context{&plan, &piece};
    return Process::startChild(&childBody, &context, errorPipe, outputPipe);
}

int runHandedPiece(const std::string&) {
    std::fprintf(stderr, "rtrun: %s is for rtrun's own children on systems without fork()\n", kHandedPieceOption);
    return eCannotRun;
}

} // namespace rtrun
