// The log a supervised child fills in shared memory: every test it reaches
// gets an entry, whether still in the ring or written out, in order, and the
// log's own fields stay intact.
#include "rtrun/run/PieceLogWriter.h"
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

Rt::TestInfo testAt(int scriptIndex, int position) {
    Rt::TestInfo info;
    info.scriptIndex = scriptIndex;
    info.position = position;
    return info;
}

TEST(PieceLog, KeepsAnEntryPerTestThroughRingsWrittenOutAndAcrossChildren) {
    const std::int64_t capacity = 3;
    std::string problem;
    rtrun::PieceLog* log = rtrun::PieceLog::create(capacity, "", problem);
    ASSERT_NE(log, nullptr);
    // Each round's tests run in a child process, as under a supervisor; the
    // second child starts from an empty log over what the first one left.
    for (const int tests : {11, 4}) {
        SCOPED_TRACE(tests);
        log->reset();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rtrun::PieceLogWriter beacon(*log, nullptr);
            for (int i = 0; i < tests; ++i) {
                beacon.testCreating(testAt(i / 3, i % 3 + tests));
                if (i % 2) beacon.testNotCreated(testAt(i / 3, i % 3), Rt::CreationFailure::eNoTest, "");
            }
            _exit(0);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(log->count.load(), tests);
        EXPECT_EQ(log->testsReached.load(), tests);
        const std::vector<rtrun::PieceLog::Entry> entries = log->allEntries();
        ASSERT_EQ(entries.size(), static_cast<std::size_t>(tests));
        for (int i = 0; i < tests; ++i) {
            const rtrun::PieceLog::Entry& entry = entries[static_cast<std::size_t>(i)];
            EXPECT_EQ(entry.reportId, -1) << i;
            EXPECT_EQ(entry.scriptIndex, i / 3) << i;
            EXPECT_EQ(entry.position, i % 3 + tests) << i;
            EXPECT_EQ(entry.flags, i % 2 ? rtrun::PieceLog::eNotRun | (static_cast<int>(Rt::CreationFailure::eNoTest) << 8) : 0)
                << i;
        }
    }
}

} // namespace
