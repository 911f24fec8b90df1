// How a run at several jobs shares its tests out: the order of the claims,
// and the board that children claim from at once.
#include "rtrun/run/ClaimBoard.h"
#include "rtrun/run/ClaimOrder.h"
#include "rtrun/system/Process.h"
#include <gtest/gtest.h>
#include <atomic>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using rtrun::ClaimBoard;
using rtrun::ClaimOrder;

std::vector<rtrun::PlannedTest> testsInGroups(const std::vector<int>& groupOfTest) {
    std::vector<rtrun::PlannedTest> tests;
    for (std::size_t i = 0; i < groupOfTest.size(); ++i) {
        rtrun::PlannedTest test;
        test.position = static_cast<int>(i);
        test.groupIndex = groupOfTest[i];
        tests.push_back(test);
    }
    return tests;
}

TEST(ClaimOrder, LongUnitsFirstUnknownBeforeThemShortOnesInScriptOrderSerialLast) {
    // A first night knows no times: script order.
    ClaimOrder first = rtrun::claimOrder({-1, -1, -1, -1}, {}, 4);
    EXPECT_EQ(first.order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(first.parallelUnits, 4);

    // 100 s of work at 4 jobs: units of 0.5 s and more jump ahead, longest first.
    const std::vector<double> times{0.1, 30, -1, 0.2, 60, 0.49, 5, 4.5};
    ClaimOrder second = rtrun::claimOrder(times, {false, false, false, false, false, false, true, false}, 4);
    EXPECT_EQ(second.order, (std::vector<int>{2, 4, 1, 7, 0, 3, 5, 6}));
    EXPECT_EQ(second.parallelUnits, 7);

    // Equal times keep script order; the bar rises with the work per job.
    ClaimOrder ties = rtrun::claimOrder({1, 3, 3, 1, 200}, {}, 2);
    EXPECT_EQ(ties.order, (std::vector<int>{4, 1, 2, 0, 3}));
    ClaimOrder oneJob = rtrun::claimOrder({1, 3, 3, 1, 200}, {}, 1);
    EXPECT_EQ(oneJob.order, (std::vector<int>{4, 0, 1, 2, 3}));  // the bar is 4.16 s: only the 200 s unit jumps
}

TEST(ClaimOrder, UnitsAreSingleTestsOrWholeGroups) {
    const std::vector<rtrun::PlannedTest> tests = testsInGroups({0, 0, 2, 2, 2, 5});
    const rtrun::RunUnits single = rtrun::unitsOf(tests, false);
    EXPECT_EQ(single.unitOfTest, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(single.count(), 6);
    const rtrun::RunUnits grouped = rtrun::unitsOf(tests, true);
    EXPECT_EQ(grouped.unitOfTest, (std::vector<int>{0, 0, 1, 1, 1, 2}));
    EXPECT_EQ(grouped.firstTest, (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(rtrun::unitsOf({}, true).count(), 0);
}

TEST(ClaimBoard, AChildTakesOnlyWhatLiesAheadAndTheSerialPartWaits) {
    ClaimBoard* board = ClaimBoard::create({3, 1, 4, 0, 2}, 4, 2);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->claim(0), 3);
    EXPECT_EQ(board->claim(2), ClaimBoard::eBehind);  // unit 1 lies behind a walk at unit 2: a new child takes it
    EXPECT_EQ(board->claim(1), 1);
    EXPECT_EQ(board->claim(0), 4);
    EXPECT_EQ(board->claim(0), 0);
    EXPECT_TRUE(board->exhausted());
    EXPECT_EQ(board->claim(0), ClaimBoard::eNoneLeft);  // unit 2 must run alone, after the others
    EXPECT_FALSE(board->inSerialPart());
    board->openSerialPart();
    EXPECT_TRUE(board->inSerialPart());
    EXPECT_EQ(board->claim(0), 2);
    EXPECT_EQ(board->claimed(), 5);

    // The first child to ask about a script shows its problems; others never do.
    EXPECT_TRUE(board->ownsScript(1, 7));
    EXPECT_FALSE(board->ownsScript(1, 8));
    EXPECT_TRUE(board->ownsScript(1, 7));
    EXPECT_TRUE(board->ownsScript(0, 8));

    ClaimBoard* stopped = ClaimBoard::create({0, 1}, 2, 0);
    stopped->stop();
    EXPECT_EQ(stopped->claim(0), ClaimBoard::eNoneLeft);
}

// Children that claim at the same time from one board: each unit once.
TEST(ClaimBoard, ChildrenClaimingAtOnceTakeEachUnitOnce) {
    constexpr int kUnits = 20000;
    std::vector<int> order(kUnits);
    for (int i = 0; i < kUnits; ++i) order[i] = i;
    ClaimBoard* board = ClaimBoard::create(order, kUnits, 0);
    auto* taken = static_cast<std::atomic<int>*>(rtrun::Process::sharedMemory(kUnits * sizeof(std::atomic<int>)));
    ASSERT_TRUE(board && taken);
    std::vector<pid_t> children;
    for (int child = 0; child < 3; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int unit; (unit = board->claim(0)) >= 0;) taken[unit].fetch_add(1);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) ::waitpid(pid, nullptr, 0);
    int once = 0;
    for (int i = 0; i < kUnits; ++i) once += taken[i].load() == 1;
    EXPECT_EQ(once, kUnits);
}

} // namespace
