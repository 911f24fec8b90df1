// Once its buffers have grown, writing the report takes no allocation per line.
#include "ReportText.h"
#include "corelib/KxPlatform.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using reporttest::message;

class ReportAllocation : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    Rt::TestReporter reporter;
    Kx::SharedPtr<Rt::Msg> values = message({"Arg", "Title"}, {"model_0001.kx", "A <long> & quoted 'title'"});
    Kx::SharedPtr<Rt::Msg> warning =
        message({"value 17 out of range [0, 10]"}, {}, "GeometryChecks", "checkBounds", "Bad \"value\"", -16);
    KxStdError coreError{"KxVecBase", "reallocMem", "", "cNewAllocBytes > cOldAllocBytes", 5};

    // Ten report lines of every kind the run writes.
    void writeTenLines() {
        reporter.openObj("Record");                  // 1
        reporter.writeObject(values.get());          // 2
        reporter.writeMsg("Warning", warning.get()); // 5
        reporter.writeObject("Count", "12");         // 1
        reporter.closeObj("Record");                 // 1
    }

    // Allocations made while writing `lines` further lines, flushing every 500.
    std::uint64_t allocationsFor(int lines) {
        KxPlatform& platform = KxPlatform::instance();
        const std::uint64_t before = platform.allocCount();
        for (int i = 0; i < lines / 10; ++i) {
            writeTenLines();
            if (i % 50 == 49) reporter.flush();
        }
        reporter.flush();
        return platform.allocCount() - before;
    }
};

TEST_F(ReportAllocation, LinesCostNoAllocationAfterWarmUp) {
    allocationsFor(1000);  // warm-up: buffers reach their working size
    const std::uint64_t few = allocationsFor(1000);
    const std::uint64_t many = allocationsFor(100000);
    EXPECT_EQ(few, many);
    EXPECT_EQ(many, 0u);
    const std::string body = reporttest::bodyOf(reporter);
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 102000);
}

TEST_F(ReportAllocation, CoreErrorRecordsCostNoAllocationAfterWarmUp) {
    KxPlatform& platform = KxPlatform::instance();
    for (int i = 0; i < 100; ++i) reporter.writeKxStdErr(&coreError);
    reporter.flush();
    const std::uint64_t before = platform.allocCount();
    for (int i = 0; i < 5000; ++i) {
        reporter.writeKxStdErr(&coreError);
        if (i % 100 == 99) reporter.flush();
    }
    reporter.flush();
    EXPECT_EQ(platform.allocCount() - before, 0u);
}

} // namespace
