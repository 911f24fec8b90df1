#pragma once
#include <Rt/corelib/KxExport.h>
#include <cstddef>
#include <cstdint>

// The core library's allocator. Every block the framework takes for its
// arrays, texts and shared objects comes from here, and the arrays book the
// size of each block they hold, so tests can read back how much is in use and
// how many allocations a piece of code made. Small blocks given back are
// recycled for the next request of their size: dealloc() must be told the
// size the block was asked for.
class KX_API KxPlatform {
public:
    static KxPlatform& instance();

    // Returns null when the allocation fails (or the failure hook says so).
    void* alloc(std::size_t bytes);
    void dealloc(void* block, std::size_t bytes);
    // For raised errors: counted, but never refused by a failure hook, so that
    // a refused allocation can still be reported.
    void* allocUnchecked(std::size_t bytes);
    // For text storage: counted, refused only by its own failure hook (text
    // storage then throws std::bad_alloc, as any standard allocator does).
    void* allocText(std::size_t bytes);

    void addToMemory(std::size_t bytes);
    void removeFromMemory(std::size_t bytes);

    std::int64_t bookedMemory() const { return m_booked; }
    // Blocks taken from the system heap.
    std::uint64_t allocCount() const { return m_allocs; }
    // Requests served with a recycled block instead.
    std::uint64_t recycledCount() const { return m_recycled; }

    // Test hook: after `successes` more calls of alloc() succeed, alloc()
    // returns null until the hook is reset with a negative value.
    void failAllocationsAfter(std::int64_t successes) { m_failAfter = successes; }
    // The same for allocText().
    void failTextAllocationsAfter(std::int64_t successes) { m_failTextAfter = successes; }

private:
    KxPlatform() = default;
    std::int64_t m_booked = 0;
    std::uint64_t m_allocs = 0;
    std::uint64_t m_recycled = 0;
    std::int64_t m_failAfter = -1;
    std::int64_t m_failTextAfter = -1;

    static bool refuse(std::int64_t& failAfter);
    void* take(std::size_t bytes);
};

// Base of every object allocated through the core library's allocator.
// `new` yields null instead of throwing when the allocator refuses.
class KX_API KxAllocHooked {
public:
    static void* operator new(std::size_t bytes) noexcept;
    static void operator delete(void* block, std::size_t bytes) noexcept;
};
