#pragma once
#include "rtrun/run/RunPlan.h"
#include <string>

namespace rtrun {

// Starts a supervised child that runs `piece` of `plan` (childBody): a copy
// of this process where fork() exists; else rtrun's own program started
// again with kHandedPieceOption and the name of the memory that holds the
// piece handed over. Pipes as with Process::startChild(). -1 when no child
// could start.
int startPieceChild(const RunPlan& plan, const Piece& piece, int* errorPipe, int* outputPipe);

// The option, and the one argument after it, that make rtrun such a child.
constexpr const char* kHandedPieceOption = "--piece-of-run";

// In such a child: runs the piece its supervisor handed over in the memory
// of that name and ends the process with the piece's status. Says why and
// returns when there is no such piece.
int runHandedPiece(const std::string& name);

} // namespace rtrun
