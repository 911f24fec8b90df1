#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace rtrun {

// The units of a run (single tests, or whole groups) shared out among the
// children that run them at once. A child takes the next unit in the
// board's order when it is ready for one: one atomic step in memory all of
// them share, no system call. A child walks the scripts forward only, so it
// can take a unit only if the unit lies at or after where its walk is; when
// the next unit lies behind, the child ends and a new one takes it.
class ClaimBoard {
public:
    enum : int { eNoneLeft = -1, eBehind = -2 };

    // A board in memory that children started later share; null when none
    // can be had. `order` lists the units in the order they are to be
    // claimed; only the first `parallelUnits` can be claimed until the
    // serial part opens. `scripts` is how many scripts the run reads.
    static ClaimBoard* create(const std::vector<int>& order, int parallelUnits, int scripts);

    // What a child that is no copy of its supervisor (Windows) needs to open
    // the same board, and the opening; null when it cannot be opened.
    struct Handle {
        std::string memory;  // empty: no board
        int units = 0;
        int scripts = 0;
    };
    Handle handle() const;
    static ClaimBoard* open(const Handle& handle);

    // The child's side: the unit to run next, for a child whose walk has
    // reached unit `at`; eBehind when the next unit lies before it, eNoneLeft
    // when every claimable unit is taken.
    int claim(int at);
    // Whether child `child` (from 1) shows the problems of this script: the
    // first child that asks owns them, so each is shown once.
    bool ownsScript(int scriptIndex, int child);

    // The supervisor's side.
    bool exhausted() const { return m_next.load() >= m_limit.load(); }
    // The units after the parallel part can be claimed from now on.
    void openSerialPart() { m_limit.store(m_units); }
    bool inSerialPart() const { return m_limit.load() == m_units && m_parallelUnits < m_units; }
    bool hasSerialPart() const { return m_parallelUnits < m_units; }
    // Nothing more is claimed (a cancelled run).
    void stop() { m_limit.store(0); }
    // How many units were claimed.
    std::int64_t claimed() const { return m_next.load(); }
    int units() const { return m_units; }

private:
    std::int32_t* order() { return reinterpret_cast<std::int32_t*>(this + 1); }
    std::atomic<std::int32_t>* owners() { return reinterpret_cast<std::atomic<std::int32_t>*>(order() + m_units); }

    std::atomic<std::int64_t> m_next;
    std::atomic<std::int64_t> m_limit;
    std::int32_t m_units;
    std::int32_t m_parallelUnits;
    std::int32_t m_scripts;
    std::int32_t m_padding;
};

} // namespace rtrun
