#include "rtrun/run/ClaimBoard.h"
#include "rtrun/system/Process.h"
#include <new>

namespace rtrun {

static_assert(std::atomic<std::int32_t>::is_always_lock_free && std::atomic<std::int64_t>::is_always_lock_free,
              "the atomics of a shared board are lock-free");

namespace {

std::size_t bytesOf(std::size_t units, int scripts) {
    return sizeof(ClaimBoard) + units * sizeof(std::int32_t) +
           static_cast<std::size_t>(scripts) * sizeof(std::atomic<std::int32_t>);
}

} // namespace

ClaimBoard* ClaimBoard::create(const std::vector<int>& order, int parallelUnits, int scripts) {
    const std::size_t units = order.size();
    void* memory = Process::sharedMemory(bytesOf(units, scripts));
    if (!memory) return nullptr;
    ClaimBoard* board = new (memory) ClaimBoard;
    board->m_units = static_cast<std::int32_t>(units);
    board->m_parallelUnits = parallelUnits;
    board->m_scripts = scripts;
    board->m_next.store(0);
    board->m_limit.store(parallelUnits);
    for (std::size_t i = 0; i < units; ++i) board->order()[i] = order[i];
    for (int i = 0; i < scripts; ++i) new (&board->owners()[i]) std::atomic<std::int32_t>(0);
    return board;
}

ClaimBoard::Handle ClaimBoard::handle() const { return Handle{Process::sharedMemoryName(this), m_units, m_scripts}; }

ClaimBoard* ClaimBoard::open(const Handle& handle) {
    if (handle.memory.empty() || handle.units < 0 || handle.scripts < 0) return nullptr;
    void* memory = Process::openSharedMemory(handle.memory, bytesOf(static_cast<std::size_t>(handle.units), handle.scripts));
    ClaimBoard* board = static_cast<ClaimBoard*>(memory);
    return board && board->m_units == handle.units && board->m_scripts == handle.scripts ? board : nullptr;
}

int ClaimBoard::claim(int at) {
    std::int64_t next = m_next.load(std::memory_order_acquire);
    for (;;) {
        if (next >= m_limit.load(std::memory_order_acquire)) return eNoneLeft;
        const int unit = order()[next];
        if (unit < at) return eBehind;
        if (m_next.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) return unit;
    }
}

bool ClaimBoard::ownsScript(int scriptIndex, int child) {
    if (scriptIndex < 0 || scriptIndex >= m_scripts) return true;
    std::int32_t owner = 0;
    owners()[scriptIndex].compare_exchange_strong(owner, child, std::memory_order_acq_rel);
    return owner == 0 || owner == child;
}

} // namespace rtrun
