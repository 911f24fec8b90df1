#include "CleanEnvironment.h"
#include "corelib/TempDir.h"
#include "env/GlobalStorage.h"
#include <gtest/gtest.h>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace {

std::string text(const KxString& s) { return s.toStdString(); }

// Each case runs with none of the framework's variables set and with the
// base directory in a scratch directory, so that nothing is made elsewhere.
class GlobalStorageTest : public ::testing::Test {
protected:
    void SetUp() override { env.set("KXRT_RELATIVE_PATH", scratch.path() + "/"); }
    std::string base() const { return scratch.path() + "/"; }

    TempDir scratch;
    CleanEnvironment env;
};

TEST_F(GlobalStorageTest, PlatformComesFromPlatTargThenUnameThenDefault) {
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "WIN64");

    env.set("Uname", "LNX");
    Rt::GlobalStorage fromUname;
    EXPECT_EQ(text(fromUname.platform()), "LNX");
    EXPECT_EQ(text(fromUname.outDataDir()), base() + "GoldenData/LNX/");

    env.set("KXRT_PLAT_TARG", "LNX64");
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "LNX64");

    // Set but empty still wins, and is used as it is.
    env.set("KXRT_PLAT_TARG", "");
    Rt::GlobalStorage empty;
    EXPECT_EQ(text(empty.platform()), "");
    EXPECT_EQ(text(empty.outDataDir()), base() + "GoldenData//");

    env.unset("KXRT_PLAT_TARG");
    env.set("Uname", "");
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "");

    // Running initPlatform again reads the environment anew.
    env.unset("Uname");
    fromUname.initPlatform();
    EXPECT_EQ(text(fromUname.platform()), "WIN64");
}

TEST_F(GlobalStorageTest, RelativePathIsUsedVerbatimAsTheBase) {
    env.set("KXRT_RELATIVE_PATH", "D:/suite");
    Rt::GlobalStorage storage;
    EXPECT_EQ(text(storage.inDataDir()), "D:/suiteGoldenData/");
    EXPECT_EQ(text(storage.outDataDir()), "D:/suiteGoldenData/WIN64/");
    EXPECT_EQ(text(storage.resultDir()), "D:/suiteResults/");
    EXPECT_EQ(text(storage.scriptDir()), "D:/suiteScripts/");
    EXPECT_EQ(text(storage.configDir()), "D:/suiteConfig/");

    env.set("KXRT_RELATIVE_PATH", "C:\\suite\\");
    EXPECT_EQ(text(Rt::GlobalStorage().resultDir()), "C:\\suite\\Results/");
}

TEST_F(GlobalStorageTest, DirectoryVariablesGetASlashAppendedAlways) {
    env.set("KXRT_INDATA_DIR", "/in");
    env.set("KXRT_OUTDATA_DIR", "E:/data");
    env.set("KXRT_RESULT_DIR", "E:/out/");
    env.set("KXRT_SCRIPT_DIR", "E:\\scripts");
    env.set("KXRT_CONFIG_DIR", "");
    env.set("KXRT_PLAT_TARG", "LNX");
    Rt::GlobalStorage storage;
    EXPECT_EQ(text(storage.inDataDir()), "/in/");
    EXPECT_EQ(text(storage.outDataDir()), "E:/data/");  // no platform
    EXPECT_EQ(text(storage.resultDir()), "E:/out//");
    EXPECT_EQ(text(storage.scriptDir()), "E:\\scripts/");
    EXPECT_EQ(text(storage.configDir()), "/");

    env.set("KXRT_RESULT_DIR", "E:\\out");
    env.unset("KXRT_CONFIG_DIR");
    Rt::GlobalStorage again;
    EXPECT_EQ(text(again.resultDir()), "E:\\out/");
    EXPECT_EQ(text(again.configDir()), base() + "Config/");
}

TEST_F(GlobalStorageTest, WithoutVariablesTheBaseIsTheParentOfTheProgramsDirectory) {
    env.unset("KXRT_RELATIVE_PATH");
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    const std::string expected = program.parent_path().parent_path().string() + "/";
    Rt::GlobalStorage storage;
    EXPECT_EQ(text(storage.inDataDir()), expected + "GoldenData/");
    EXPECT_EQ(text(storage.outDataDir()), expected + "GoldenData/WIN64/");
    EXPECT_EQ(text(storage.resultDir()), expected + "Results/");
    EXPECT_EQ(text(storage.scriptDir()), expected + "Scripts/");
    EXPECT_EQ(text(storage.configDir()), expected + "Config/");
}

TEST_F(GlobalStorageTest, StampIsTheLocalTimeOfConstruction) {
    auto localNow = [] {
        std::time_t now = std::time(nullptr);
        std::tm broken{};
        ::localtime_r(&now, &broken);
        return broken;
    };
    std::tm before = localNow();
    Rt::GlobalStorage storage;
    std::tm after = localNow();
    if (before.tm_min != after.tm_min) GTEST_SKIP() << "the minute changed during construction";
    EXPECT_EQ(storage.month(), before.tm_mon + 1);
    EXPECT_EQ(storage.day(), before.tm_mday);
    EXPECT_EQ(storage.year(), before.tm_year + 1900);
    EXPECT_EQ(storage.hour(), before.tm_hour);
    EXPECT_EQ(storage.min(), before.tm_min);

    storage.setMonth(13);
    storage.initStamp();
    EXPECT_EQ(storage.month(), localNow().tm_mon + 1);
}

TEST_F(GlobalStorageTest, MachineIsTheHostName) {
    char host[256] = {};
    const bool named = ::gethostname(host, sizeof(host)) == 0 && host[0] != '\0';
    Rt::GlobalStorage storage;
    EXPECT_EQ(text(storage.machine()), named ? std::string(host) : std::string("Unknown"));

    char buffer[100] = {};
    ASSERT_EQ(storage.getSystemName(buffer, sizeof(buffer)), named);
    if (named) {
        EXPECT_STREQ(buffer, host);
    }
    EXPECT_FALSE(storage.getSystemName(nullptr, 100));
}

TEST_F(GlobalStorageTest, CopiesCarryEveryFieldButNotTheCount) {
    Kx::SharedPtr<Rt::GlobalStorage> original(new Rt::GlobalStorage);
    original->setInDataDir("in/");
    original->setOutdataDir("out/");
    original->setResultDir("res/");
    original->setScriptDir("scr/");
    original->setConfigDir("cfg/");
    original->setPlatform("P");
    original->setMachine("M");
    original->setMonth(4);
    original->setDay(21);
    original->setYear(2014);
    original->setHour(9);
    original->setMin(5);

    auto expectSameFields = [](const Rt::GlobalStorage& a, const Rt::GlobalStorage& b) {
        EXPECT_TRUE(a.inDataDir() == b.inDataDir());
        EXPECT_TRUE(a.outDataDir() == b.outDataDir());
        EXPECT_TRUE(a.resultDir() == b.resultDir());
        EXPECT_TRUE(a.scriptDir() == b.scriptDir());
        EXPECT_TRUE(a.configDir() == b.configDir());
        EXPECT_TRUE(a.platform() == b.platform());
        EXPECT_TRUE(a.machine() == b.machine());
        EXPECT_EQ(a.month(), b.month());
        EXPECT_EQ(a.day(), b.day());
        EXPECT_EQ(a.year(), b.year());
        EXPECT_EQ(a.hour(), b.hour());
        EXPECT_EQ(a.min(), b.min());
    };
    Rt::GlobalStorage copy(*original);
    expectSameFields(copy, *original);
    EXPECT_EQ(copy.refCount(), 0);

    Kx::SharedPtr<Rt::GlobalStorage> assigned(new Rt::GlobalStorage);
    Kx::SharedPtr<Rt::GlobalStorage> second = assigned;
    *assigned = *original;
    expectSameFields(*assigned, *original);
    EXPECT_EQ(assigned->refCount(), 2);
    EXPECT_EQ(text(assigned->machine()), "M");
    EXPECT_EQ(assigned->year(), 2014);
}

} // namespace
