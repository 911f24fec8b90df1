#include "corelib/KxVec.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// Shared objects held by the test, counting their release-hook calls and
// destructions, so that their counts can be read at any time.
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
    std::vector<int> refCounts() const {
        std::vector<int> counts;
        for (const auto& p : held) counts.push_back(p ? p->refCount() : -1);
        return counts;
    }

    int releases = 0;
    int destroyed = 0;
    std::vector<Kx::SharedPtr<Tracked>> held;
};
using Tracked = Pool::Tracked;

TEST(KxSharedPtr, EachReleaseCallsTheHookAndTheLastOneDeletes) {
    Pool pool(0);
    Tracked* object = new Tracked(pool, 1);
    EXPECT_EQ(object->refCount(), 0);
    {
        Kx::SharedPtr<Tracked> first(object);
        {
            Kx::SharedPtr<Tracked> second = first;
            Kx::SharedPtr<Tracked> third;
            third = second;
            EXPECT_EQ(object->refCount(), 3);
        }
        EXPECT_EQ(pool.releases, 2);
        EXPECT_EQ(object->refCount(), 1);
        // Self-assignment in every form keeps the object.
        Kx::SharedPtr<Tracked>& alias = first;
        first = alias;
        first = first.get();
        first = std::move(alias);
        EXPECT_EQ(pool.destroyed, 0);
        EXPECT_EQ(first->refCount(), 1);

        // A copied object starts uncounted; assignment leaves the count alone.
        Kx::SharedPtr<Tracked> copy(new Tracked(*object));
        *copy = *object;
        EXPECT_EQ(copy->refCount(), 1);
        Kx::SharedPtr<KxRefCounted> base(copy);
        Kx::SharedPtr<Tracked> moved(std::move(copy));
        EXPECT_FALSE(copy);
        EXPECT_EQ(moved->refCount(), 2) << "a move hands the reference over";
    }
    EXPECT_EQ(pool.destroyed, 2);
}

TEST(KxSharedPtrVec, GrowthMovesReferencesWithoutRecounting) {
    Pool pool(9);
    Kx::SharedPtrVec<Tracked> v;
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(v.append(pool.held[i]));  // grows at 1, 2, 3, 4, 6, 9
    v.setLength(20);
    EXPECT_EQ(pool.refCounts(), std::vector<int>(9, 2));
    // A growth that copied and released would have called the release hooks.
    EXPECT_EQ(pool.releases, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i]->id, i);
    EXPECT_FALSE(v[19]);

    Kx::SharedPtrVec<Tracked> empty;
    EXPECT_FALSE(empty[5]);
    EXPECT_EQ(empty.size(), 6u);
    for (std::uint32_t i = 0; i < 5; ++i) EXPECT_FALSE(empty[i]);
}

TEST(KxSharedPtrVec, CopiesTakeReferencesAndRemovalReleasesOnlyTheRemoved) {
    Pool pool(5);
    {
        Kx::SharedPtrVec<Tracked> v;
        for (auto& p : pool.held) v.append(p);
        {
            Kx::SharedPtrVec<Tracked> copy(v);
            Kx::SharedPtrVec<Tracked> assigned;
            assigned = copy;
            Kx::SharedPtrVec<Tracked> moved(std::move(assigned));
            EXPECT_EQ(pool.refCounts(), std::vector<int>(5, 4));
        }
        ASSERT_TRUE(v.remove(1, 2));
        EXPECT_EQ(pool.refCounts(), (std::vector<int>{2, 1, 1, 2, 2}));
        EXPECT_EQ(v[1]->id, 3);
        ASSERT_TRUE(v.setLength(1));
        EXPECT_EQ(pool.refCounts(), (std::vector<int>{2, 1, 1, 1, 1}));
        const Kx::SharedPtr<Tracked> replacement[] = {pool.held[4]};
        ASSERT_TRUE(v.assign(replacement, 1));
        EXPECT_EQ(pool.refCounts(), (std::vector<int>{1, 1, 1, 1, 3}));
    }
    EXPECT_EQ(pool.refCounts(), std::vector<int>(5, 1));

    // The array alone keeps an object alive.
    Kx::SharedPtrVec<Tracked> owner;
    owner.append(Kx::SharedPtr<Tracked>(new Tracked(pool, 5)));
    owner.append(Kx::SharedPtr<Tracked>(new Tracked(pool, 6)));
    owner.remove(0, 1);
    EXPECT_EQ(pool.destroyed, 1);
    EXPECT_EQ(owner[0]->id, 6);
}

} // namespace
