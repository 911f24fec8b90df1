#include "rtrun/run/JobSelection.h"

namespace rtrun {

JobSelection::JobSelection(const TestFilter& filter, int shardIndex, int shardCount, ClaimBoard& board,
                           const RunUnits& units, int child, PieceLog& log)
    : m_scripts(filter, false), m_board(board), m_units(units), m_child(child), m_log(log) {
    m_scripts.shard(shardIndex, shardCount);
}

void JobSelection::finishUnit(int unit, int script, int position) {
    m_current = unit;
    m_afterScript = script;
    m_afterPosition = position;
    m_log.unit.store(unit, std::memory_order_relaxed);
}

bool JobSelection::selects(const Rt::TestInfo& test) {
    if (!m_scripts.selects(test) || m_ordinal >= m_units.unitOfTest.size()) return false;
    const int unit = m_units.unitOfTest[m_ordinal++];
    if (unit < m_current) return false;
    if (unit == m_current)
        return test.scriptIndex > m_afterScript || (test.scriptIndex == m_afterScript && test.position > m_afterPosition);
    if (m_done) return false;
    const int claimed = m_board.claim(unit);
    if (claimed < 0) {
        m_done = true;
        m_log.unit.store(-1, std::memory_order_relaxed);
        return false;
    }
    finishUnit(claimed, -1, -1);
    return unit == claimed;
}

} // namespace rtrun
