#include "ErrorCapture.h"
#include "corelib/KxString.h"
#include "corelib/KxVec.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace {

std::vector<int> contentOf(const KxVec<int>& v) { return std::vector<int>(v.begin(), v.end()); }

KxVec<int> filled(std::uint32_t length) {
    KxVec<int> v;
    EXPECT_TRUE(v.setLength(length));
    for (std::uint32_t i = 0; i < length; ++i) v[i] = static_cast<int>(i);
    return v;
}

TEST(KxVec, AppendGrowsByHalfOrToWhatIsNeeded) {
    KxVec<int> v;
    EXPECT_EQ(v.capacity(), 0u);
    EXPECT_EQ(v.data(), nullptr);
    std::vector<std::uint32_t> capacities;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(v.append(i));
        capacities.push_back(v.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::uint32_t>{1, 2, 3, 4, 6, 6, 9, 9}));
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    KxVec<int> full = filled(4);
    ASSERT_EQ(full.capacity(), 4u);
    ASSERT_TRUE(full.append(4));
    EXPECT_EQ(full.capacity(), 6u);
    EXPECT_EQ(full.size(), 5u);

    const int ten[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    KxVec<int> big = filled(4);
    ASSERT_TRUE(big.append(ten, 10));
    EXPECT_EQ(big.capacity(), 14u);
    EXPECT_EQ(big.size(), 14u);
    EXPECT_EQ(big[13], 19);
    EXPECT_EQ(big[3], 3);

    // Three more than a full 4 need 7, more than the 6 that halving gives.
    KxVec<int> three = filled(4);
    ASSERT_TRUE(three.append(ten, 3));
    EXPECT_EQ(three.capacity(), 7u);

    // Appending within the capacity takes no new block.
    KxVec<int> roomy = filled(4);
    roomy.setLength(2);
    const int* block = roomy.data();
    ASSERT_TRUE(roomy.append(ten, 2));
    EXPECT_EQ(roomy.data(), block);
    EXPECT_EQ(roomy.capacity(), 4u);
    EXPECT_TRUE(roomy.append(ten, 0));
    EXPECT_EQ(contentOf(roomy), (std::vector<int>{0, 1, 10, 11}));
}

TEST(KxVec, AppendingItsOwnElementsSurvivesTheMove) {
    KxVec<KxString> v;
    v.append("first");
    ASSERT_EQ(v.size(), v.capacity());
    ASSERT_TRUE(v.append(v[0]));
    ASSERT_TRUE(v.append(v[1]));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[2].toStdString(), "first");

    ASSERT_EQ(v.size(), v.capacity());
    ASSERT_TRUE(v.append(v.data(), v.size()));
    ASSERT_EQ(v.size(), 6u);
    for (std::uint32_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i].toStdString(), "first") << i;
}

TEST(KxVec, IndexingPastTheEndExtendsWithEmptyEntries) {
    KxVec<int> v;
    v[5] = 42;
    EXPECT_EQ(v.size(), 6u);
    EXPECT_EQ(v.capacity(), 6u);
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 0, 0, 0, 0, 42}));

    KxVec<int> full = filled(4);
    full[4] = 7;
    EXPECT_EQ(full.size(), 5u);
    EXPECT_EQ(full.capacity(), 6u);

    KxVec<int> far = filled(4);
    far[10] = 1;
    EXPECT_EQ(far.size(), 11u);
    EXPECT_EQ(far.capacity(), 11u);
    EXPECT_EQ(far[9], 0);

    // Reading through a const array never extends it.
    const KxVec<int>& view = far;
    EXPECT_EQ(view[10], 1);
    EXPECT_EQ(view.size(), 11u);

    KxVec<KxString> texts;
    EXPECT_TRUE(texts[2].isEmpty());
    EXPECT_EQ(texts.size(), 3u);
}

TEST(KxVec, SetLengthShrinksOrFillsToExactlyN) {
    KxVec<int> v = filled(4);
    ASSERT_TRUE(v.setLength(2));
    EXPECT_EQ(v.size(), 2u);
    EXPECT_EQ(v.capacity(), 4u);
    ASSERT_TRUE(v.setLength(4));
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(v.capacity(), 4u);
    ASSERT_TRUE(v.setLength(5));
    EXPECT_EQ(v.capacity(), 5u);
    ASSERT_TRUE(v.setLength(0));
    EXPECT_EQ(v.size(), 0u);
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(v.capacity(), 5u);
}

TEST(KxVec, AssignReplacesTheContent) {
    KxVec<KxString> v;
    v.append("a");
    v.append("b");
    v.append("c");
    const KxString two[] = {"x", "y"};
    ASSERT_TRUE(v.assign(two, 2));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].toStdString(), "x");
    EXPECT_EQ(v[1].toStdString(), "y");

    const KxString five[] = {"1", "2", "3", "4", "5"};
    ASSERT_TRUE(v.assign(five, 5));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[4].toStdString(), "5");

    // A tail of the array itself.
    ASSERT_TRUE(v.assign(v.data() + 3, 2));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].toStdString(), "4");
    EXPECT_EQ(v[1].toStdString(), "5");

    ASSERT_TRUE(v.assign(nullptr, 0));
    EXPECT_EQ(v.size(), 0u);
}

TEST(KxVec, CopiesOwnTheirBlockAndMovesTakeIt) {
    KxVec<int> v = filled(3);
    KxVec<int> copy(v);
    EXPECT_NE(copy.data(), v.data());
    copy[0] = 100;
    EXPECT_EQ(v[0], 0);
    EXPECT_EQ(contentOf(copy), (std::vector<int>{100, 1, 2}));

    KxVec<int> assigned;
    assigned = v;
    EXPECT_EQ(contentOf(assigned), contentOf(v));
    KxVec<int>& alias = assigned;
    assigned = alias;
    EXPECT_EQ(contentOf(assigned), contentOf(v));

    const int* block = v.data();
    KxVec<int> moved(std::move(v));
    EXPECT_EQ(moved.data(), block);
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(v.capacity(), 0u);
    EXPECT_EQ(v.data(), nullptr);
}

TEST(KxVec, RemoveFollowsTheStartAndCountRules) {
    ErrorCapture errors;

    KxVec<int> v = filled(5);
    ASSERT_TRUE(v.remove(1, 2));
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(v.remove(1, 0));
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 3, 4}));
    ASSERT_TRUE(v.remove(2, 1));
    EXPECT_EQ(contentOf(v), (std::vector<int>{0, 3}));

    KxVec<int> three = filled(3);
    ASSERT_TRUE(three.remove(0, 5));
    EXPECT_EQ(three.size(), 0u);
    KxVec<int> tail = filled(4);
    ASSERT_TRUE(tail.remove(1, 0xFFFFFFFFu));
    EXPECT_EQ(contentOf(tail), (std::vector<int>{0}));
    ASSERT_TRUE(tail.remove(0, 1));
    EXPECT_TRUE(tail.isEmpty());
    // An empty array has nothing to complain about.
    EXPECT_TRUE(tail.remove(3, 1));
    EXPECT_EQ(errors.count(), 0u);

    // A start at or past the end is an error even for a count of 0.
    KxVec<int> two = filled(2);
    EXPECT_FALSE(two.remove(2, 0));
    EXPECT_FALSE(two.remove(7, 1));
    EXPECT_EQ(contentOf(two), (std::vector<int>{0, 1}));
    ASSERT_EQ(errors.count(), 2u);
    for (const RaisedError& e : errors.raised()) {
        EXPECT_TRUE(e.flag);
        EXPECT_EQ(e.className, "KxVecBase");
        EXPECT_EQ(e.method, "remove");
        EXPECT_EQ(e.text1, "");
        EXPECT_EQ(e.text2, "KxVecBASE<T,S,Alloc>::remove() -- start>=this->len .");
        EXPECT_EQ(e.code, 1);
    }
}

TEST(KxVec, BookedMemoryFollowsTheBlocksHeld) {
    KxPlatform& platform = KxPlatform::instance();
    const std::int64_t start = platform.bookedMemory();
    {
        KxVec<std::int64_t> v;
        EXPECT_EQ(platform.bookedMemory(), start);
        for (int i = 0; i < 20; ++i) v.append(i);
        EXPECT_EQ(platform.bookedMemory() - start, std::int64_t(v.capacity()) * 8);
        KxVec<std::int64_t> copy(v);
        EXPECT_EQ(platform.bookedMemory() - start, std::int64_t(v.capacity() + copy.capacity()) * 8);
        v.remove(0, 15);
        copy = v;
        v.setLength(100);
        v[200] = 1;
        KxVec<std::int64_t> moved(std::move(copy));
        EXPECT_EQ(platform.bookedMemory() - start, std::int64_t(v.capacity() + moved.capacity()) * 8);
        KxVec<KxString> texts;
        texts[40] = "x";
    }
    EXPECT_EQ(platform.bookedMemory(), start);
}

} // namespace
