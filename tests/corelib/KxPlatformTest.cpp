#include "corelib/KxPlatform.h"
#include "corelib/KxString.h"
#include <gtest/gtest.h>
#include <cstring>
#include <thread>

namespace {

// Texts of every small size made and dropped over and over: once each size
// has been seen, the system heap is not asked again, and every text still
// holds exactly what was put in (a block too small for its size class would
// be overwritten by its neighbour, or caught by the address sanitizer).
TEST(KxPlatform, DroppedBlocksServeLaterRequestsOfTheirSize) {
    KxPlatform& platform = KxPlatform::instance();
    auto round = [] {
        for (int size = 8; size < 250; size += 3) {
            const std::string bytes(static_cast<std::size_t>(size), static_cast<char>('a' + size % 26));
            KxString a(bytes.c_str());
            KxString b(bytes.c_str());
            ASSERT_EQ(a.toStdString(), bytes);
            ASSERT_EQ(b.toStdString(), bytes);
        }
    };
    round();
    const std::uint64_t heap = platform.allocCount();
    const std::uint64_t recycled = platform.recycledCount();
    for (int i = 0; i < 50; ++i) round();
    EXPECT_EQ(platform.allocCount(), heap);
    EXPECT_GT(platform.recycledCount(), recycled);
}

// A block freed by another thread than the one that took it, and a thread
// that ends holding recycled blocks: both are ordinary, neither may corrupt
// the blocks handed out afterwards.
TEST(KxPlatform, BlocksCrossThreadsAndOutliveTheirThread) {
    KxPlatform& platform = KxPlatform::instance();
    void* block = platform.alloc(100);
    ASSERT_NE(block, nullptr);
    std::thread([&] {
        platform.dealloc(block, 100);
        void* again = platform.alloc(100);
        EXPECT_EQ(again, block);  // recycled within the thread that gave it back
        std::memset(again, 0x5a, 100);
        platform.dealloc(again, 100);
    }).join();
    void* fresh = platform.alloc(100);
    ASSERT_NE(fresh, nullptr);
    std::memset(fresh, 0x33, 100);
    platform.dealloc(fresh, 100);
}

// The failure hook still refuses even when a recycled block is at hand.
TEST(KxPlatform, FailureHookRefusesRecycledBlocksToo) {
    KxPlatform& platform = KxPlatform::instance();
    platform.dealloc(platform.alloc(48), 48);
    platform.failAllocationsAfter(0);
    EXPECT_EQ(platform.alloc(48), nullptr);
    platform.failAllocationsAfter(-1);
    void* block = platform.alloc(48);
    EXPECT_NE(block, nullptr);
    platform.dealloc(block, 48);
}

} // namespace
