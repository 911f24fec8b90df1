#include "env/GlobalStorage.h"
#include "env/RtLib.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

TEST(RtLib, InitAndFiniAreCountedAndARestartReadsTheEnvironmentAnew) {
    testsupport::TempSuite suite("FIRST");  // started once
    ASSERT_EQ(RtLib::_refCount, 1);
    const int coreStarts = KxLib::initCount();
    const Kx::SharedPtr<Rt::GlobalStorage> first = Rt::gStor;
    ASSERT_TRUE(first);
    RtLib::init();
    RtLib::fini();
    EXPECT_EQ(Rt::gStor.get(), first.get());
    EXPECT_EQ(KxLib::initCount(), coreStarts);

    RtLib::fini();
    EXPECT_EQ(RtLib::_refCount, 0);
    EXPECT_FALSE(Rt::gStor);
    EXPECT_EQ(first->refCount(), 1) << "the storage was let go";
    EXPECT_EQ(KxLib::initCount(), coreStarts - 1);

    // Not started: the accessors say so and answer empty instead of reaching through a null storage.
    testing::internal::CaptureStderr();
    Rt::setResultDir("lost/");
    Rt::min(5);
    const std::string unstarted = Rt::resultDir().toStdString();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Rt::setResultDir: the framework is not started (RtLib::init() was not called)\n"
              "Rt::min: the framework is not started (RtLib::init() was not called)\n"
              "Rt::resultDir: the framework is not started (RtLib::init() was not called)\n");
    EXPECT_EQ(unstarted, "");

    ::setenv("KXRT_PLAT_TARG", "SECOND", 1);
    RtLib::init();  // started again for the suite to stop
    EXPECT_EQ(KxLib::initCount(), coreStarts);
    EXPECT_EQ(Rt::platform().toStdString(), "SECOND");
    EXPECT_EQ(Rt::outDataDir().toStdString(), suite.goldenData() + "SECOND/");

    // The free functions act on the stored object (the stamp setters show in the
    // report's run name, which the report tests check).
    Rt::setResultDir("c/");
    EXPECT_EQ(&Rt::resultDir(), &Rt::gStor->resultDir());
    EXPECT_EQ(Rt::resultDir().toStdString(), "c/");
}

TEST(RtLibBuildInfo, VersionBuildAndStatusComeFromAMarkedZeroPaddedRecord) {
    EXPECT_STREQ(RtLib::version(), "8.0.7.3");
    EXPECT_STREQ(RtLib::build(), "140421");
    EXPECT_EQ(static_cast<int>(RtLib::status()), 78);

    const char* record = reinterpret_cast<const char*>(&RtLib::_tBuildInfo);
    auto field = [record](std::size_t from, std::size_t to) { return std::string(record + from, record + to); };
    auto padded = [](const char* text, std::size_t width) {
        return text + std::string(width - std::strlen(text), '\0');
    };
    EXPECT_EQ(offsetof(KxBuildInfo, status), 312u);
    EXPECT_EQ(field(0, 32), "_______QOR_VERSION_MARKER_______");
    EXPECT_EQ(field(32, 144), padded("8.0.7.3", 112));
    EXPECT_EQ(field(144, 176), "________QOR_BUILD_MARKER________");
    EXPECT_EQ(field(176, 280), padded("140421", 104));
    EXPECT_EQ(field(280, 312), "_______QOR_STATUS_MARKER________");
    EXPECT_EQ(record[312], 'N');
}

} // namespace
