#pragma once
#include "corelib/KxRefCounted.h"

// A shared object that counts its release-hook calls and its destruction
// into counters owned by the test.
struct TrackedCounts {
    int releases = 0;
    int destroyed = 0;
};

class Tracked : public KxRefCounted {
public:
    explicit Tracked(TrackedCounts& counts, int id = 0) : m_counts(&counts), m_id(id) {}
    ~Tracked() override { ++m_counts->destroyed; }
    void releaseHook() override { ++m_counts->releases; }
    int id() const { return m_id; }

private:
    TrackedCounts* m_counts;
    int m_id;
};
