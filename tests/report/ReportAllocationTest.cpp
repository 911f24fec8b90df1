// Once its buffers have grown, writing the report takes no allocation per line.
#include "corelib/KxPlatform.h"
#include "report/TestReporter.h"
#include "support/Messages.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using testsupport::message;

class ReportAllocation : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    Rt::TestReporter reporter;
    Kx::SharedPtr<Rt::Msg> values = message({"Arg", "Title"}, {"model_0001.kx", "A <long> & quoted 'title'"});
    Kx::SharedPtr<Rt::Msg> warning =
        message({"value 17 out of range [0, 10]"}, {}, "Bad \"value\"", -16, "GeometryChecks", "checkBounds");
    KxStdError coreError{"KxVecBase", "reallocMem", "", "cNewAllocBytes > cOldAllocBytes", 5};

    // Fourteen report lines of every kind the run writes.
    void writeFourteenLines() {
        reporter.openObj("Record");                  // 1
        reporter.writeObject(values.get());          // 2
        reporter.writeMsg("Warning", warning.get()); // 5
        reporter.writeKxStdErr(&coreError);          // 4
        reporter.writeObject("Count", "12");         // 1
        reporter.closeObj("Record");                 // 1
    }

    // Allocations made while writing `rounds` times fourteen lines, flushing every 50 rounds.
    std::uint64_t allocationsFor(int rounds) {
        KxPlatform& platform = KxPlatform::instance();
        const std::uint64_t before = platform.allocCount();
        for (int i = 0; i < rounds; ++i) {
            writeFourteenLines();
            if (i % 50 == 49) reporter.flush();
        }
        reporter.flush();
        return platform.allocCount() - before;
    }
};

TEST_F(ReportAllocation, LinesCostNoAllocationAfterWarmUp) {
    EXPECT_GT(allocationsFor(100), 0u);  // warm-up: buffers reach their working size, counted
    EXPECT_EQ(allocationsFor(100), 0u);
    EXPECT_EQ(allocationsFor(7200), 0u);  // over 100,000 lines
    reporter.flush();
    const std::string body = testsupport::reportBody(testsupport::readBytes(reporter.reportPath().toStdString()));
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 14 * 7400);
}

} // namespace
