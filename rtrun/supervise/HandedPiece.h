#pragma once
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/ClaimOrder.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/RunPlan.h"
#include <string>

namespace rtrun {

// A supervised child's share of a run, handed to a child that is no copy of
// its supervisor (Windows starts rtrun's program again): the plan, the
// piece, the framework's settled environment (directories, platform,
// machine, the run's time stamp, so that the child writes under the
// supervisor's run name even a minute later) and the log they share.
struct HandedPiece {
    RunPlan plan;
    Piece piece;
    PieceLog::Handle log;
    // At several jobs: the board the children claim units from, and the units.
    ClaimBoard::Handle board;
    RunUnits units;
    // The child's standard output is a pipe the supervisor relays line by line.
    bool outputRelayed = false;
    // The framework's environment, as Rt::gStor holds it.
    std::string inDataDir, outDataDir, resultDir, scriptDir, configDir, platform, machine;
    int month = 0, day = 0, year = 0, hour = 0, min = 0;

    // The supervisor's side: the framework's environment now.
    void takeEnvironment();
    // The child's side: the framework's environment becomes the supervisor's.
    void giveEnvironment() const;
};

// The piece as text, and back; false, with the reason, for text that is not
// a whole piece of this program's making.
std::string handedPieceText(const HandedPiece& handed);
bool readHandedPiece(const std::string& text, HandedPiece& handed, std::string& problem);

} // namespace rtrun
