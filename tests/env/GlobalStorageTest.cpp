#include "env/GlobalStorage.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string text(const KxString& s) { return s.toStdString(); }

// The five directories: input, output, results, scripts, config.
std::string dirsOf(const Rt::GlobalStorage& g) {
    return text(g.inDataDir()) + " " + text(g.outDataDir()) + " " + text(g.resultDir()) + " " +
           text(g.scriptDir()) + " " + text(g.configDir());
}

void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

// Each case runs in a scratch suite with none of the framework's variables
// set but KXRT_RELATIVE_PATH, so that nothing is made elsewhere.
class GlobalStorageTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("KXRT_PLAT_TARG"); }
    testsupport::TempSuite suite;
};

TEST(BasePath, IsTheParentOfTheExecutablesDirectoryWithForwardSlashes) {
    const char* const cases[][2] = {
        {"C:\\work\\suite\\bin\\run.exe", "C:/work/suite/"}, {"/work/suite/bin/run", "/work/suite/"},
        {"C:\\work/suite\\bin/run.exe", "C:/work/suite/"},   {"/bin/run", "/"},
        {"C:\\bin\\run.exe", "C:/"},                         {"suite\\bin\\run.exe", "suite/"},
        // Fewer than two separators: the current directory.
        {"run.exe", ""}, {"bin\\run.exe", ""}, {"bin/run", ""}, {"/run", ""}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(text(Rt::GlobalStorage::basePathOf(c[0])), c[1]) << c[0];
}

TEST_F(GlobalStorageTest, PlatformComesFromPlatTargThenUnameThenDefault) {
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "WIN64");
    set("Uname", "LNX");
    Rt::GlobalStorage fromUname;
    EXPECT_EQ(text(fromUname.platform()), "LNX");
    EXPECT_EQ(text(fromUname.outDataDir()), suite.base() + "GoldenData/LNX/");
    set("KXRT_PLAT_TARG", "LNX64");
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "LNX64");
#if !defined(_WIN32)  // Windows holds no variable that is set but empty: setting "" removes it
    // Set but empty still wins, and is used as it is.
    set("KXRT_PLAT_TARG", "");
    EXPECT_EQ(text(Rt::GlobalStorage().outDataDir()), suite.base() + "GoldenData//");
    ::unsetenv("KXRT_PLAT_TARG");
    set("Uname", "");
    EXPECT_EQ(text(Rt::GlobalStorage().platform()), "");
#endif
    ::unsetenv("KXRT_PLAT_TARG");
    // Running initPlatform again reads the environment anew.
    ::unsetenv("Uname");
    fromUname.initPlatform();
    EXPECT_EQ(text(fromUname.platform()), "WIN64");
}

TEST_F(GlobalStorageTest, RelativePathIsVerbatimAndSetVariablesGetASlashAppended) {
    set("KXRT_RELATIVE_PATH", "D:/suite");
    EXPECT_EQ(dirsOf(Rt::GlobalStorage()),
              "D:/suiteGoldenData/ D:/suiteGoldenData/WIN64/ D:/suiteResults/ D:/suiteScripts/ D:/suiteConfig/");
    set("KXRT_RELATIVE_PATH", "C:\\suite\\");
    EXPECT_EQ(text(Rt::GlobalStorage().resultDir()), "C:\\suite\\Results/");

    set("KXRT_INDATA_DIR", "/in");
    set("KXRT_OUTDATA_DIR", "E:/data");  // no platform
    set("KXRT_RESULT_DIR", "E:/out/");
    set("KXRT_SCRIPT_DIR", "E:\\scripts");
#if defined(_WIN32)  // "" removes the variable: the default stands
    set("KXRT_CONFIG_DIR", "C:/config");
    set("KXRT_PLAT_TARG", "LNX");
    EXPECT_EQ(dirsOf(Rt::GlobalStorage()), "/in/ E:/data/ E:/out// E:\\scripts/ C:/config/");
#else
    set("KXRT_CONFIG_DIR", "");
    set("KXRT_PLAT_TARG", "LNX");
    EXPECT_EQ(dirsOf(Rt::GlobalStorage()), "/in/ E:/data/ E:/out// E:\\scripts/ /");
#endif
    set("KXRT_RESULT_DIR", "E:\\out");
    EXPECT_EQ(text(Rt::GlobalStorage().resultDir()), "E:\\out/");
}

TEST_F(GlobalStorageTest, WithoutVariablesTheBaseIsTheParentOfTheProgramsDirectory) {
    ::unsetenv("KXRT_RELATIVE_PATH");
#if defined(_WIN32)
    // The C run time's own record of the program's path.
    const std::string base = fs::path(_pgmptr).parent_path().parent_path().generic_string() + "/";
#else
    const std::string base = fs::read_symlink("/proc/self/exe").parent_path().parent_path().string() + "/";
#endif
    EXPECT_EQ(dirsOf(Rt::GlobalStorage()), base + "GoldenData/ " + base + "GoldenData/WIN64/ " + base +
                                               "Results/ " + base + "Scripts/ " + base + "Config/");
}

TEST_F(GlobalStorageTest, OnlyTheOutputDirectoryIsMadeAndOnlyWhenItsParentExists) {
    const std::string withParent = suite.base() + "with/";
    fs::create_directories(withParent + "GoldenData");
    set("KXRT_RELATIVE_PATH", withParent);
    set("Uname", "LNX");
    Rt::GlobalStorage made;
    Rt::GlobalStorage again;  // making it once more is no error
    EXPECT_EQ(testsupport::listing(withParent), "GoldenData");
    EXPECT_EQ(testsupport::listing(withParent + "GoldenData"), "LNX");

    set("KXRT_RELATIVE_PATH", suite.base() + "without/");
    Rt::GlobalStorage notMade;
    EXPECT_FALSE(testsupport::exists(suite.base() + "without"));

    set("KXRT_OUTDATA_DIR", suite.base() + "written");
    Rt::GlobalStorage named;
    EXPECT_TRUE(fs::is_directory(suite.base() + "written"));
}

} // namespace
