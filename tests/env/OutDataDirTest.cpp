#include "CleanEnvironment.h"
#include "corelib/TempDir.h"
#include "env/GlobalStorage.h"
#include <gtest/gtest.h>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(OutDataDir, IsMadeWhenItsParentExists) {
    TempDir scratch;
    CleanEnvironment env;
    env.set("KXRT_RELATIVE_PATH", scratch.path() + "/");
    env.set("Uname", "LNX");
    fs::create_directory(scratch.file("GoldenData"));

    Rt::GlobalStorage storage;
    EXPECT_TRUE(fs::is_directory(scratch.file("GoldenData/LNX")));
    // Only the output data directory is made.
    EXPECT_FALSE(fs::exists(scratch.file("Results")));
    EXPECT_FALSE(fs::exists(scratch.file("Scripts")));
    EXPECT_FALSE(fs::exists(scratch.file("Config")));

    // Making it again (it exists now) is no error.
    Rt::GlobalStorage again;
    EXPECT_EQ(again.outDataDir().toStdString(), scratch.path() + "/GoldenData/LNX/");
}

TEST(OutDataDir, ParentsAreNotMade) {
    TempDir scratch;
    CleanEnvironment env;
    env.set("KXRT_RELATIVE_PATH", scratch.path() + "/");
    Rt::GlobalStorage storage;
    EXPECT_EQ(storage.outDataDir().toStdString(), scratch.path() + "/GoldenData/WIN64/");
    EXPECT_FALSE(fs::exists(scratch.file("GoldenData")));
}

TEST(OutDataDir, ASetVariableNamesTheDirectoryToMake) {
    TempDir scratch;
    CleanEnvironment env;
    env.set("KXRT_RELATIVE_PATH", scratch.path() + "/");
    env.set("KXRT_OUTDATA_DIR", scratch.file("written"));
    Rt::GlobalStorage storage;
    EXPECT_EQ(storage.outDataDir().toStdString(), scratch.file("written") + "/");
    EXPECT_TRUE(fs::is_directory(scratch.file("written")));
    EXPECT_FALSE(fs::exists(scratch.file("GoldenData")));
}

} // namespace
