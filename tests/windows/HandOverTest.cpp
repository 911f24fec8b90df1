// What a supervisor on Windows hands a child by name (there is no fork() to
// copy it): the piece log in named shared memory, its scratch files by their
// paths, and the claim board. A child's entries come back in order, those
// written out to the scratch file included, with what its tests threw; a
// second child starts from an emptied log; the board's claims are shared.
#include "HelperProcess.h"
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/PieceLog.h"
#include <Rt/Rt.h>
#include <gtest/gtest.h>

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

TEST(HandOver, ALogAndABoardReachAChildThatIsNoCopy) {
    const std::int64_t capacity = 3;
    std::string problem;
    rtrun::PieceLog* log = rtrun::PieceLog::create(capacity, "", problem);
    ASSERT_NE(log, nullptr) << problem;
    const int units = 5;
    rtrun::ClaimBoard* board = rtrun::ClaimBoard::create({0, 1, 2, 3, 4}, units, 1);
    ASSERT_NE(board, nullptr);
    const rtrun::PieceLog::Handle logHandle = log->handle();
    const rtrun::ClaimBoard::Handle boardHandle = board->handle();
    ASSERT_FALSE(logHandle.memory.empty());
    ASSERT_FALSE(logHandle.scratch.empty());
    ASSERT_FALSE(boardHandle.memory.empty());
    // The first child claims every unit, the second finds none left.
    for (const auto& [tests, claims] : {std::pair<int, int>{11, units}, std::pair<int, int>{4, 0}}) {
        SCOPED_TRACE(tests);
        log->reset();
        Helper child("handover_child.exe",
                     quoted(logHandle.memory) + " " + std::to_string(logHandle.capacity) + " " +
                         quoted(logHandle.scratch) + " " + quoted(logHandle.throws) + " " + std::to_string(tests) +
                         " " + quoted(boardHandle.memory) + " " + std::to_string(boardHandle.units) + " " +
                         std::to_string(boardHandle.scripts));
        ASSERT_TRUE(child.started());
        ASSERT_EQ(child.endsWithin(60), static_cast<DWORD>(10 + claims));
        EXPECT_EQ(log->count.load(), tests);
        EXPECT_EQ(log->testsReached.load(), tests);
        EXPECT_GT(log->spilled.load(), 0);  // the ring was written out to the shared scratch file
        const std::vector<rtrun::PieceLog::Entry> entries = log->allEntries();
        ASSERT_EQ(entries.size(), static_cast<std::size_t>(tests));
        for (int i = 0; i < tests; ++i) {
            const rtrun::PieceLog::Entry& entry = entries[static_cast<std::size_t>(i)];
            EXPECT_EQ(entry.scriptIndex, i / 3) << i;
            EXPECT_EQ(entry.position, i % 3 + tests) << i;
            EXPECT_EQ(entry.flags, i % 2 ? rtrun::PieceLog::eNotRun | (static_cast<int>(Rt::CreationFailure::eNoTest) << 8) : 0)
                << i;
        }
        const std::map<std::int64_t, std::string> throws = log->allThrows();
        ASSERT_EQ(throws.size(), 1u);  // this child's only, not the one before
        EXPECT_EQ(throws.begin()->first, tests - 1);
        EXPECT_EQ(throws.begin()->second, "thrown in test " + std::to_string(tests - 1));
    }
    EXPECT_EQ(board->claimed(), units);
    EXPECT_EQ(rtrun::ClaimBoard::open({boardHandle.memory, units + 1, 1}), nullptr);  // not the board it names
}

} // namespace
