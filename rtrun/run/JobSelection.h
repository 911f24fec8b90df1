#pragma once
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/ClaimOrder.h"
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/ScriptSelection.h"

namespace rtrun {

// A child's choice of tests in a run at several jobs: of the tests the
// filter and shard select, those of the units it claims from the board as
// its walk through the scripts reaches them. A child that replaces one
// that died in a unit first runs the rest of that unit.
class JobSelection : public Rt::TestSelection, public ScriptProblemsShown {
public:
    JobSelection(const TestFilter& filter, int shardIndex, int shardCount, ClaimBoard& board, const RunUnits& units,
                 int child, PieceLog& log);
    // Starts with the tests of `unit` after (script, position).
    void finishUnit(int unit, int script, int position);
    bool selects(const Rt::TestInfo& test) override;
    bool showsProblemsOf(int scriptIndex) const override { return m_board.ownsScript(scriptIndex, m_child); }

private:
    ScriptSelection m_scripts;
    ClaimBoard& m_board;
    const RunUnits& m_units;
    int m_child;
    PieceLog& m_log;
    std::size_t m_ordinal = 0;  // among the selected tests
    int m_current = -1;         // the unit claimed
    int m_afterScript = -1;     // in it, only the tests after this one
    int m_afterPosition = -1;
    bool m_done = false;  // no more claims: none left, or the next lies behind
};

} // namespace rtrun
