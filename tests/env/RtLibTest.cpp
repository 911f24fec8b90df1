#include "env/GlobalStorage.h"
#include "env/RtLib.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
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

} // namespace
