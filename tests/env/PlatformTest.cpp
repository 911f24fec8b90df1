#include "env/Platform.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

namespace {

#if !defined(_WIN32)  // no symbolic links to follow on Windows
TEST(Platform, LinkTargetsAreReadWholeAroundTheBufferSizes) {
    testsupport::TempSuite suite;
    const std::string link = suite.base() + "link";
    // 255..257 straddle the first buffer; 4095 is the longest target the system stores.
    for (std::size_t length : {1u, 255u, 256u, 257u, 511u, 512u, 4095u}) {
        const std::string target(length, 'x');
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << length;
        EXPECT_EQ(Rt::Platform::linkTarget(link.c_str()), target) << length;
    }
    EXPECT_EQ(Rt::Platform::linkTarget((suite.base() + "absent").c_str()), "");
    EXPECT_EQ(Rt::Platform::linkTarget(suite.base().c_str()), "") << "a directory is no link";
}
#endif

TEST(Platform, ATimeTheCalendarCannotHoldBecomesTheStartOf1970) {
    for (std::time_t when : {std::numeric_limits<std::time_t>::max(), static_cast<std::time_t>(-1)}) {
        const std::tm broken = Rt::Platform::localTimeOf(when);
        EXPECT_EQ(broken.tm_year, 70) << when;
        EXPECT_EQ(broken.tm_mon, 0) << when;
        EXPECT_EQ(broken.tm_mday, 1) << when;
        EXPECT_EQ(broken.tm_hour * 60 + broken.tm_min, 0) << when;
    }
    std::tm known = Rt::Platform::localTimeOf(1700000000);
    EXPECT_EQ(std::mktime(&known), 1700000000);
}

} // namespace
