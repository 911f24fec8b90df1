#include "support/RaisedErrors.h"
#include "corelib/KxString.h"
#include "corelib/KxVec.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace {

using testsupport::RaisedErrors;

using Ints = std::vector<int>;
using Strings = std::vector<std::string>;

Ints contentOf(const KxVec<int>& v) { return Ints(v.begin(), v.end()); }

KxVec<int> filled(std::uint32_t length) {
    KxVec<int> v;
    EXPECT_TRUE(v.setLength(length));
    for (std::uint32_t i = 0; i < length; ++i) v[i] = static_cast<int>(i);
    return v;
}

TEST(KxVec, AppendGrowsByHalfOrToWhatIsNeeded) {
    KxVec<int> v;
    EXPECT_EQ(v.data(), nullptr);
    std::vector<std::uint32_t> capacities;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(v.append(i));
        capacities.push_back(v.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::uint32_t>{1, 2, 3, 4, 6, 6, 9, 9}));
    EXPECT_EQ(contentOf(v), (Ints{0, 1, 2, 3, 4, 5, 6, 7}));

    // n elements onto a full array of 4: halving gives 6 unless more is needed.
    const int more[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    for (auto [n, capacity] : {std::pair<std::uint32_t, std::uint32_t>{1, 6}, {3, 7}, {10, 14}}) {
        KxVec<int> full = filled(4);
        ASSERT_TRUE(n == 1 ? full.append(more[0]) : full.append(more, n));
        EXPECT_EQ(full.capacity(), capacity) << n;
        EXPECT_EQ(full.size(), 4 + n) << n;
        EXPECT_EQ(full[3], 3) << n;
        EXPECT_EQ(full[3 + n], more[n - 1]) << n;
    }
}

TEST(KxVec, AppendingItsOwnElementsSurvivesTheMove) {
    KxVec<KxString> v;
    v.append("first");
    ASSERT_TRUE(v.append(v[0]));  // full each time, so the block moves
    ASSERT_TRUE(v.append(v[1]));
    ASSERT_EQ(v.size(), v.capacity());
    ASSERT_TRUE(v.append(v.data(), v.size()));
    ASSERT_EQ(v.size(), 6u);
    for (const KxString& s : v) EXPECT_EQ(s.toStdString(), "first");
}

TEST(KxVec, IndexingPastTheEndExtendsWithEmptyEntries) {
    // {length before, index written, content after, capacity after}
    const struct {
        std::uint32_t length, index;
        Ints after;
        std::uint32_t capacity;
    } cases[] = {{0, 5, {0, 0, 0, 0, 0, 42}, 6},
                 {4, 4, {0, 1, 2, 3, 42}, 6},
                 {4, 10, {0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 42}, 11}};
    for (const auto& c : cases) {
        KxVec<int> v = filled(c.length);
        v[c.index] = 42;
        EXPECT_EQ(contentOf(v), c.after) << c.index;
        EXPECT_EQ(v.capacity(), c.capacity) << c.index;
    }
    KxVec<KxString> texts;
    EXPECT_TRUE(texts[2].isEmpty());
    EXPECT_EQ(texts.size(), 3u);
}

TEST(KxVec, SetLengthAssignAndCopy) {
    KxVec<int> v = filled(4);
    ASSERT_TRUE(v.setLength(2));
    ASSERT_TRUE(v.setLength(4));
    EXPECT_EQ(contentOf(v), (Ints{0, 1, 0, 0}));
    EXPECT_EQ(v.capacity(), 4u);
    ASSERT_TRUE(v.setLength(5));
    EXPECT_EQ(v.capacity(), 5u) << "exactly n when n exceeds the capacity";

    KxVec<KxString> texts;
    const KxString five[] = {"1", "2", "3", "4", "5"};
    ASSERT_TRUE(texts.assign(five, 5));
    ASSERT_TRUE(texts.assign(texts.data() + 3, 2));  // a tail of the array itself
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].toStdString() + texts[1].toStdString(), "45");

    KxVec<int> copy(v);
    EXPECT_NE(copy.data(), v.data());
    copy[0] = 100;
    EXPECT_EQ(v[0], 0);
    KxVec<int>& alias = copy;
    copy = alias;
    EXPECT_EQ(contentOf(copy), (Ints{100, 1, 0, 0, 0}));
}

TEST(KxVec, RemoveFollowsTheStartAndCountRules) {
    RaisedErrors errors;
    // {length, start, count, content after}
    const struct {
        std::uint32_t length, start, count;
        Ints after;
    } cases[] = {{5, 1, 2, {0, 3, 4}}, {5, 1, 0, {0, 1, 2, 3, 4}}, {5, 4, 1, {0, 1, 2, 3}},
                 {3, 0, 5, {}},        {4, 1, 0xFFFFFFFFu, {0}},    {0, 3, 1, {}}};
    for (const auto& c : cases) {
        KxVec<int> v = filled(c.length);
        EXPECT_TRUE(v.remove(c.start, c.count)) << c.length << " " << c.start << " " << c.count;
        EXPECT_EQ(contentOf(v), c.after) << c.length << " " << c.start << " " << c.count;
    }
    EXPECT_EQ(errors.all, Strings{});

    // A start at or past the end of a non-empty array is an error, even for a count of 0.
    KxVec<int> two = filled(2);
    EXPECT_FALSE(two.remove(2, 0));
    EXPECT_FALSE(two.remove(7, 1));
    EXPECT_EQ(contentOf(two), (Ints{0, 1}));
    const std::string error = "KxVecBase|remove||KxVecBASE<T,S,Alloc>::remove() -- start>=this->len .|1";
    EXPECT_EQ(errors.all, (Strings{error, error}));
}

// Copies, assignments, growth and moves book their blocks and give every
// one of them back.
TEST(KxVec, BookedMemoryComesBackWhenTheArraysGo) {
    KxPlatform& platform = KxPlatform::instance();
    const std::int64_t start = platform.bookedMemory();
    {
        KxVec<std::int64_t> v;
        for (int i = 0; i < 20; ++i) v.append(i);
        KxVec<std::int64_t> copy(v);
        const std::int64_t twoArrays = platform.bookedMemory() - start;
        EXPECT_GE(twoArrays, 2 * 20 * 8);
        v.remove(0, 15);
        copy = v;
        v.setLength(100);
        v[200] = 1;
        KxVec<std::int64_t> moved(std::move(copy));
        EXPECT_GE(platform.bookedMemory() - start, (201 + 5) * 8);
        KxVec<KxString> texts;
        texts[40] = "x";
    }
    EXPECT_EQ(platform.bookedMemory(), start);
}

TEST(KxVec, RefusedGrowthRaisesAndKeepsTheContent) {
    KxVec<int> v = filled(4);
    const int* block = v.data();
    const std::int64_t booked = KxPlatform::instance().bookedMemory();
    const int more[3] = {7, 8, 9};
    RaisedErrors errors;
    KxPlatform::instance().failAllocationsAfter(0);
    EXPECT_FALSE(v.append(4));
    EXPECT_FALSE(v.append(more, 3));
    EXPECT_FALSE(v.setLength(10));
    v[8] = 1;  // lands in a scratch entry
    KxPlatform::instance().failAllocationsAfter(-1);
    EXPECT_EQ(errors.all, Strings(4, "KxVecBase|reallocMem||pNewVec|5"));
    EXPECT_EQ(v.data(), block);
    EXPECT_EQ(v.capacity(), 4u);
    EXPECT_EQ(contentOf(v), (Ints{0, 1, 2, 3}));
    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked);

    // A size whose byte count would wrap is refused the same way.
    errors.all.clear();
    KxVec<std::uint64_t> wide;
    wide.append(1);
    EXPECT_FALSE(wide.setLength(0x20000000u));  // 2^32 bytes
    KxVec<char> bytes;
    bytes.append('a');
    bytes[0xFFFFFFFFu] = 'z';  // would need 2^32 entries
    EXPECT_EQ(errors.all, Strings(2, "KxVecBase|reallocMem||cNewAllocBytes > cOldAllocBytes|5"));
    EXPECT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0], 1u);
    EXPECT_EQ(bytes.size(), 1u);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(KxPlatform::instance().bookedMemory(), booked + 8 + 1);

    // The allocator works again: the array grows as usual.
    EXPECT_TRUE(v.append(4));
    EXPECT_EQ(v.capacity(), 6u);
}

// Shared objects counting their release-hook calls and destructions.
struct Pool {
    class Tracked : public KxRefCounted {
    public:
        Tracked(Pool& pool, int id) : pool(&pool), id(id) {}
        ~Tracked() override { ++pool->destroyed; }
        void releaseHook() override { ++pool->releases; }
        Pool* pool;
        int id;
    };
    explicit Pool(int n) {
        for (int i = 0; i < n; ++i) held.emplace_back(new Tracked(*this, i));
    }
    Ints refCounts() const {
        Ints counts;
        for (const auto& p : held) counts.push_back(p->refCount());
        return counts;
    }
    int releases = 0;
    int destroyed = 0;
    std::vector<Kx::SharedPtr<Tracked>> held;
};
using Tracked = Pool::Tracked;

TEST(KxSharedPtr, SelfAssignmentKeepsTheObjectAndCopiesOfTheObjectStartUncounted) {
    Pool pool(1);
    Kx::SharedPtr<Tracked>& first = pool.held[0];
    {
        Kx::SharedPtr<Tracked> second = first, third;
        third = second;
        EXPECT_EQ(first->refCount(), 3);
    }
    EXPECT_EQ(pool.releases, 2) << "every release calls the hook";
    Kx::SharedPtr<Tracked>& alias = first;
    first = alias;
    first = first.get();
    first = std::move(alias);
    EXPECT_EQ(pool.destroyed, 0);
    EXPECT_EQ(first->refCount(), 1);

    Kx::SharedPtr<Tracked> copy(new Tracked(*first));
    *copy = *first;
    EXPECT_EQ(copy->refCount(), 1) << "neither copying nor assigning an object copies its count";
    Kx::SharedPtr<KxRefCounted> base(copy);
    Kx::SharedPtr<Tracked> moved(std::move(copy));
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved->refCount(), 2) << "a move hands the reference over";
}

TEST(KxSharedPtrVec, CopiesTakeReferencesGrowthMovesThemAndRemovalReleasesOnlyTheRemoved) {
    Pool pool(9);
    {
        Kx::SharedPtrVec<Tracked> v;
        for (auto& p : pool.held) ASSERT_TRUE(v.append(p));  // grows at 1, 2, 3, 4, 6, 9
        EXPECT_EQ(pool.releases, 0) << "a growth that copied and released would call the hooks";
        EXPECT_FALSE(v[12]) << "entries past the end are empty";
        {
            Kx::SharedPtrVec<Tracked> copy(v);
            Kx::SharedPtrVec<Tracked> assigned;
            assigned = copy;
            Kx::SharedPtrVec<Tracked> moved(std::move(assigned));
            EXPECT_EQ(pool.refCounts(), Ints(9, 4));
        }
        ASSERT_TRUE(v.remove(1, 2));
        EXPECT_EQ(pool.refCounts(), (Ints{2, 1, 1, 2, 2, 2, 2, 2, 2}));
        EXPECT_EQ(v[1]->id, 3);
        ASSERT_TRUE(v.setLength(1));
        const Kx::SharedPtr<Tracked> replacement[] = {pool.held[4]};
        ASSERT_TRUE(v.assign(replacement, 1));
        EXPECT_EQ(pool.refCounts(), (Ints{1, 1, 1, 1, 3, 1, 1, 1, 1}));
    }
    EXPECT_EQ(pool.refCounts(), Ints(9, 1));

    // The array alone keeps an object alive.
    Kx::SharedPtrVec<Tracked> owner;
    owner.append(Kx::SharedPtr<Tracked>(new Tracked(pool, 9)));
    owner.append(Kx::SharedPtr<Tracked>(new Tracked(pool, 10)));
    owner.remove(0, 1);
    EXPECT_EQ(pool.destroyed, 1);
    EXPECT_EQ(owner[0]->id, 10);
}

} // namespace
