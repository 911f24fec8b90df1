#include "CleanEnvironment.h"
#include "corelib/TempDir.h"
#include "env/GlobalStorage.h"
#include "env/RtLib.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <cstring>

namespace {

// Every case starts and ends with the library stopped, in a clean
// environment whose base directory is a scratch directory.
class RtLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RtLib::_refCount, 0);
        ASSERT_FALSE(Rt::gStor);
        env.set("KXRT_RELATIVE_PATH", scratch.path() + "/");
    }
    void TearDown() override {
        while (RtLib::_refCount > 0) RtLib::fini();
    }

    TempDir scratch;
    CleanEnvironment env;
};

TEST_F(RtLibTest, InitAndFiniAreCounted) {
    const int coreStarts = KxLib::initCount();
    RtLib::init();
    ASSERT_TRUE(Rt::gStor);
    Rt::GlobalStorage* first = Rt::gStor.get();
    EXPECT_EQ(first->refCount(), 1);
    EXPECT_EQ(KxLib::initCount(), coreStarts + 1);

    RtLib::init();
    EXPECT_EQ(Rt::gStor.get(), first);
    EXPECT_EQ(KxLib::initCount(), coreStarts + 1);
    EXPECT_EQ(RtLib::_refCount, 2);

    RtLib::fini();
    EXPECT_EQ(Rt::gStor.get(), first);
    EXPECT_EQ(KxLib::initCount(), coreStarts + 1);

    // Keep the storage alive past the last fini to see it was let go.
    Kx::SharedPtr<Rt::GlobalStorage> kept = Rt::gStor;
    RtLib::fini();
    EXPECT_FALSE(Rt::gStor);
    EXPECT_EQ(kept->refCount(), 1);
    EXPECT_EQ(KxLib::initCount(), coreStarts);
    EXPECT_EQ(RtLib::_refCount, 0);
}

TEST_F(RtLibTest, ARestartReadsTheEnvironmentAnew) {
    env.set("KXRT_PLAT_TARG", "FIRST");
    RtLib::init();
    EXPECT_EQ(Rt::platform().toStdString(), "FIRST");
    RtLib::fini();

    env.set("KXRT_PLAT_TARG", "SECOND");
    RtLib::init();
    EXPECT_EQ(Rt::platform().toStdString(), "SECOND");
    EXPECT_EQ(Rt::outDataDir().toStdString(), scratch.path() + "/GoldenData/SECOND/");
    RtLib::fini();
    EXPECT_FALSE(Rt::gStor);
}

TEST_F(RtLibTest, FreeFunctionsChangeTheStorage) {
    RtLib::init();
    Rt::month(7);
    Rt::day(21);
    Rt::year(2014);
    Rt::hour(9);
    Rt::min(5);
    EXPECT_EQ(Rt::gStor->month(), 7);
    EXPECT_EQ(Rt::gStor->day(), 21);
    EXPECT_EQ(Rt::gStor->year(), 2014);
    EXPECT_EQ(Rt::gStor->hour(), 9);
    EXPECT_EQ(Rt::gStor->min(), 5);

    Rt::setInDataDir("a/");
    Rt::setOutdataDir("b/");
    Rt::setResultDir("c/");
    Rt::setScriptDir("d/");
    Rt::setConfigDir("e/");
    Rt::setPlatform("f");
    Rt::setMachine("g");
    EXPECT_EQ(Rt::inDataDir().toStdString(), "a/");
    EXPECT_EQ(Rt::outDataDir().toStdString(), "b/");
    EXPECT_EQ(Rt::resultDir().toStdString(), "c/");
    EXPECT_EQ(Rt::scriptDir().toStdString(), "d/");
    EXPECT_EQ(Rt::configDir().toStdString(), "e/");
    EXPECT_EQ(Rt::platform().toStdString(), "f");
    EXPECT_EQ(Rt::machine().toStdString(), "g");
    EXPECT_EQ(&Rt::resultDir(), &Rt::gStor->resultDir());
    RtLib::fini();
}

TEST(RtLibBuildInfo, VersionBuildAndStatus) {
    EXPECT_STREQ(RtLib::version(), "8.0.7.3");
    EXPECT_STREQ(RtLib::build(), "140421");
    EXPECT_EQ(static_cast<int>(RtLib::status()), 78);
    EXPECT_EQ(RtLib::status(), KxBuildInfo::eNightly);
}

TEST(RtLibBuildInfo, RecordLayoutIsMarkedAndZeroPadded) {
    EXPECT_EQ(offsetof(KxBuildInfo, versionMarker), 0u);
    EXPECT_EQ(offsetof(KxBuildInfo, version), 32u);
    EXPECT_EQ(offsetof(KxBuildInfo, buildMarker), 144u);
    EXPECT_EQ(offsetof(KxBuildInfo, build), 176u);
    EXPECT_EQ(offsetof(KxBuildInfo, statusMarker), 280u);
    EXPECT_EQ(offsetof(KxBuildInfo, status), 312u);

    const char* record = reinterpret_cast<const char*>(&RtLib::_tBuildInfo);
    auto isZero = [record](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            if (record[i] != 0) return false;
        return true;
    };
    EXPECT_EQ(std::memcmp(record + 0, "_______QOR_VERSION_MARKER_______", 32), 0);
    EXPECT_EQ(std::memcmp(record + 32, "8.0.7.3", 7), 0);
    EXPECT_TRUE(isZero(32 + 7, 144));
    EXPECT_EQ(std::memcmp(record + 144, "________QOR_BUILD_MARKER________", 32), 0);
    EXPECT_EQ(std::memcmp(record + 176, "140421", 6), 0);
    EXPECT_TRUE(isZero(176 + 6, 280));
    EXPECT_EQ(std::memcmp(record + 280, "_______QOR_STATUS_MARKER________", 32), 0);
    EXPECT_EQ(record[312], 'N');
}

TEST(RtLibBuildInfo, FieldsAreReadAtEachCall) {
    const KxBuildInfo saved = RtLib::_tBuildInfo;
    RtLib::_tBuildInfo.status = 'R';
    EXPECT_EQ(RtLib::status(), KxBuildInfo::eRelease);
    // The status byte is sign-extended.
    RtLib::_tBuildInfo.status = static_cast<char>(0xC8);
    EXPECT_EQ(static_cast<int>(RtLib::status()), -56);
    std::memcpy(RtLib::_tBuildInfo.version, "9.9", 4);
    EXPECT_STREQ(RtLib::version(), "9.9");
    RtLib::_tBuildInfo = saved;
    EXPECT_STREQ(RtLib::version(), "8.0.7.3");
}

} // namespace
