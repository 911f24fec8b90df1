#include "Tracked.h"
#include <gtest/gtest.h>
#include <utility>

namespace {

TEST(KxRefCounted, EachReleaseCallsTheHookAndTheLastOneDeletes) {
    TrackedCounts counts;
    Tracked* object = new Tracked(counts);
    EXPECT_EQ(object->refCount(), 0);
    {
        Kx::SharedPtr<Tracked> first(object);
        EXPECT_EQ(object->refCount(), 1);
        {
            Kx::SharedPtr<Tracked> second = first;
            Kx::SharedPtr<Tracked> third;
            third = second;
            EXPECT_EQ(object->refCount(), 3);
        }
        EXPECT_EQ(counts.releases, 2);
        EXPECT_EQ(counts.destroyed, 0);
        EXPECT_EQ(object->refCount(), 1);
    }
    EXPECT_EQ(counts.releases, 3);
    EXPECT_EQ(counts.destroyed, 1);
}

TEST(KxRefCounted, SelfAssignmentKeepsTheObject) {
    TrackedCounts counts;
    Kx::SharedPtr<Tracked> p(new Tracked(counts));
    Kx::SharedPtr<Tracked>& alias = p;
    p = alias;
    EXPECT_EQ(counts.destroyed, 0);
    p = p.get();
    EXPECT_EQ(counts.destroyed, 0);
    p = std::move(alias);
    EXPECT_EQ(counts.destroyed, 0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->refCount(), 1);

    p = nullptr;
    EXPECT_FALSE(p);
    EXPECT_EQ(counts.destroyed, 1);
}

TEST(KxRefCounted, ReassignmentAndMovesHandOverReferences) {
    TrackedCounts counts;
    Kx::SharedPtr<Tracked> a(new Tracked(counts, 1));
    Kx::SharedPtr<Tracked> b(new Tracked(counts, 2));
    a = b;
    EXPECT_EQ(counts.destroyed, 1);
    EXPECT_EQ(a->id(), 2);
    EXPECT_EQ(b->refCount(), 2);

    Kx::SharedPtr<Tracked> c(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(c->refCount(), 2);
    EXPECT_EQ(counts.releases, 1);  // only object 1 was ever released

    Kx::SharedPtr<KxRefCounted> base(c);
    EXPECT_EQ(c->refCount(), 3);
    EXPECT_TRUE(c == b);

    c.reset();
    b = nullptr;
    EXPECT_EQ(counts.destroyed, 1);
    base = nullptr;
    EXPECT_EQ(counts.destroyed, 2);
}

TEST(KxRefCounted, ACopiedObjectStartsUncounted) {
    TrackedCounts counts;
    Kx::SharedPtr<Tracked> original(new Tracked(counts, 1));
    Kx::SharedPtr<Tracked> copy(new Tracked(*original));
    EXPECT_EQ(copy->refCount(), 1);
    Tracked other(counts, 3);
    *copy = other;  // assignment leaves the count alone
    EXPECT_EQ(copy->refCount(), 1);
    EXPECT_EQ(original->refCount(), 1);
}

} // namespace
