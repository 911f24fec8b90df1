#include "Tracked.h"
#include "corelib/KxVec.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

// Objects held by the test, so that their counts can be read at any time.
struct Pool {
    TrackedCounts counts;
    std::vector<Kx::SharedPtr<Tracked>> held;
    explicit Pool(int n) {
        for (int i = 0; i < n; ++i) held.emplace_back(new Tracked(counts, i));
    }
    std::vector<int> refCounts() const {
        std::vector<int> result;
        for (const auto& p : held) result.push_back(p->refCount());
        return result;
    }
};

TEST(KxSharedPtrVec, GrowthMovesReferencesWithoutRecounting) {
    Pool pool(9);
    Kx::SharedPtrVec<Tracked> v;
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(v.append(pool.held[i]));  // grows at 1, 2, 3, 4, 6, 9
    EXPECT_EQ(pool.refCounts(), std::vector<int>(9, 2));
    // A growth that copied and released would have called the release hooks.
    EXPECT_EQ(pool.counts.releases, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i]->id(), i);

    v.setLength(20);
    EXPECT_EQ(pool.counts.releases, 0);
    EXPECT_FALSE(v[19]);
    EXPECT_EQ(pool.refCounts(), std::vector<int>(9, 2));
}

TEST(KxSharedPtrVec, IndexingAnEmptyArrayGivesNullEntries) {
    Kx::SharedPtrVec<Tracked> v;
    EXPECT_FALSE(v[5]);
    EXPECT_EQ(v.size(), 6u);
    for (std::uint32_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i].get(), nullptr);
}

TEST(KxSharedPtrVec, CopiesTakeReferencesAndDestructionReleasesThem) {
    Pool pool(3);
    {
        Kx::SharedPtrVec<Tracked> v;
        for (auto& p : pool.held) v.append(p);
        {
            Kx::SharedPtrVec<Tracked> copy(v);
            EXPECT_EQ(pool.refCounts(), std::vector<int>(3, 3));
            Kx::SharedPtrVec<Tracked> assigned;
            assigned = copy;
            EXPECT_EQ(pool.refCounts(), std::vector<int>(3, 4));
            Kx::SharedPtrVec<Tracked> moved(std::move(assigned));
            EXPECT_EQ(pool.refCounts(), std::vector<int>(3, 4));
        }
        EXPECT_EQ(pool.refCounts(), std::vector<int>(3, 2));
    }
    EXPECT_EQ(pool.refCounts(), std::vector<int>(3, 1));
    EXPECT_EQ(pool.counts.destroyed, 0);
}

TEST(KxSharedPtrVec, RemovingAndShorteningReleaseTheRemovedEntriesOnly) {
    Pool pool(5);
    Kx::SharedPtrVec<Tracked> v;
    for (auto& p : pool.held) v.append(p);

    ASSERT_TRUE(v.remove(1, 2));
    EXPECT_EQ(pool.refCounts(), (std::vector<int>{2, 1, 1, 2, 2}));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0]->id(), 0);
    EXPECT_EQ(v[1]->id(), 3);
    EXPECT_EQ(v[2]->id(), 4);

    ASSERT_TRUE(v.setLength(1));
    EXPECT_EQ(pool.refCounts(), (std::vector<int>{2, 1, 1, 1, 1}));

    {
        const Kx::SharedPtr<Tracked> replacement[] = {pool.held[4]};
        ASSERT_TRUE(v.assign(replacement, 1));
    }
    EXPECT_EQ(pool.refCounts(), (std::vector<int>{1, 1, 1, 1, 2}));
    EXPECT_EQ(v[0]->id(), 4);
}

TEST(KxSharedPtrVec, TheArrayAloneKeepsAnObjectAlive) {
    TrackedCounts counts;
    {
        Kx::SharedPtrVec<Tracked> v;
        v.append(Kx::SharedPtr<Tracked>(new Tracked(counts, 1)));
        v.append(Kx::SharedPtr<Tracked>(new Tracked(counts, 2)));
        EXPECT_EQ(v[0]->refCount(), 1);
        v.remove(0, 1);
        EXPECT_EQ(counts.destroyed, 1);
        EXPECT_EQ(v[0]->id(), 2);
    }
    EXPECT_EQ(counts.destroyed, 2);
}

} // namespace
