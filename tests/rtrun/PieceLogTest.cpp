// The log a supervised child fills in shared memory: every test it reaches
// gets an entry, up to the log's capacity, and the log's own fields stay intact.
#include "rtrun/PieceLog.h"
#include <gtest/gtest.h>

namespace {

Rt::TestInfo testAt(int scriptIndex, int position) {
    Rt::TestInfo info;
    info.scriptIndex = scriptIndex;
    info.position = position;
    return info;
}

TEST(PieceLog, KeepsAnEntryPerTestUpToItsCapacity) {
    const std::int64_t capacity = 5;
    rtrun::PieceLog* log = rtrun::PieceLog::create(capacity);
    ASSERT_NE(log, nullptr);
    rtrun::PieceBeacon beacon(*log, 0);
    for (int i = 0; i < 7; ++i) {
        beacon.testCreating(testAt(i / 3, i % 3));
        if (i < capacity) beacon.testNotCreated(testAt(i / 3, i % 3), Rt::CreationFailure::eNoTest, "");
    }
    EXPECT_EQ(log->capacity(), capacity);
    EXPECT_EQ(log->count.load(), 7);
    EXPECT_EQ(log->testsReached.load(), 7);
    for (int i = 0; i < capacity; ++i) {
        const rtrun::PieceLog::Entry& entry = log->entries()[i];
        EXPECT_EQ(entry.reportId, -1) << i;
        EXPECT_EQ(entry.scriptIndex, i / 3) << i;
        EXPECT_EQ(entry.position, i % 3) << i;
        EXPECT_EQ(entry.flags, rtrun::PieceLog::kNotRun | (static_cast<int>(Rt::CreationFailure::eNoTest) << 8)) << i;
    }
}

} // namespace
