#include "ErrorCapture.h"
#include "corelib/KxVec.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace {

// Makes the core library's allocator refuse from the next call on, for the
// lifetime of the object.
class RefusedAllocations {
public:
    RefusedAllocations() { KxPlatform::instance().failAllocationsAfter(0); }
    ~RefusedAllocations() { KxPlatform::instance().failAllocationsAfter(-1); }
};

void expectReallocError(const RaisedError& e, const char* text) {
    EXPECT_TRUE(e.flag);
    EXPECT_EQ(e.className, "KxVecBase");
    EXPECT_EQ(e.method, "reallocMem");
    EXPECT_EQ(e.text1, "");
    EXPECT_EQ(e.text2, text);
    EXPECT_EQ(e.code, 5);
}

TEST(KxVecFailure, RefusedBlockKeepsTheOldContent) {
    KxVec<int> v;
    for (int i = 0; i < 4; ++i) v.append(i);
    const int* block = v.data();
    const std::int64_t booked = KxPlatform::instance().bookedMemory();
    const int more[3] = {7, 8, 9};

    ErrorCapture errors;
    {
        RefusedAllocations refused;
        EXPECT_FALSE(v.append(4));
        EXPECT_FALSE(v.append(more, 3));
        EXPECT_FALSE(v.setLength(10));
        v[8] = 1;  // lands in a scratch entry
    }
    ASSERT_EQ(errors.count(), 4u);
    for (const RaisedError& e : errors.raised()) expectReallocError(e, "pNewVec");

    EXPECT_EQ(v.data(), block);
    EXPECT_EQ(v.size(), 4u);
    EXPECT_EQ(v.capacity(), 4u);
    EXPECT_EQ(std::vector<int>(v.begin(), v.end()), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked);

    // The allocator works again: the array grows as usual.
    EXPECT_TRUE(v.append(4));
    EXPECT_EQ(v.capacity(), 6u);
}

TEST(KxVecFailure, ASizeThatWouldWrapIsRefused) {
    ErrorCapture errors;
    const std::int64_t booked = KxPlatform::instance().bookedMemory();

    KxVec<std::uint64_t> wide;
    wide.append(1);
    EXPECT_FALSE(wide.setLength(0x20000000u));  // 2^32 bytes
    ASSERT_EQ(errors.count(), 1u);
    expectReallocError(errors.last(), "cNewAllocBytes > cOldAllocBytes");
    EXPECT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide.capacity(), 1u);
    EXPECT_EQ(wide[0], 1u);

    KxVec<char> bytes;
    bytes.append('a');
    bytes[0xFFFFFFFFu] = 'z';  // would need 2^32 entries
    ASSERT_EQ(errors.count(), 2u);
    expectReallocError(errors.last(), "cNewAllocBytes > cOldAllocBytes");
    EXPECT_EQ(bytes.size(), 1u);
    EXPECT_EQ(bytes[0], 'a');

    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked + 8 + 1);
}

} // namespace
