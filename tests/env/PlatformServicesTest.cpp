// The platform layer's services on the system the tests run on, through
// real files, libraries and the real host: what the framework relies on
// whichever system it is built for.
#include "corelib/KxBuildInfo.h"
#include "env/Platform.h"
#include "support/TempDir.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <winsock2.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string fileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

TEST(PlatformServices, ListingGivesTheFilesSortedWithOrWithoutTheTrailingSeparator) {
    testsupport::TempDir dir("rtlist");
    for (const char* name : {"b80.dll", "KxRtA80.so", "a.txt", "Z"}) testsupport::writeBytes(dir.path() + name, "x");
    fs::create_directory(dir.path() + "KxRtDir80.so");
    const std::vector<std::string> expected{"KxRtA80.so", "Z", "a.txt", "b80.dll"};
    EXPECT_EQ(Rt::Platform::listDirectory(dir.path()), expected);
    std::string bare = dir.path();
    bare.pop_back();
    EXPECT_EQ(Rt::Platform::listDirectory(bare), expected);
    EXPECT_TRUE(Rt::Platform::listDirectory(dir.path() + "absent/").empty());
    EXPECT_TRUE(Rt::Platform::listDirectory(dir.path() + "a.txt").empty()) << "a file lists nothing";
}

TEST(PlatformServices, DirectoriesAreMadeOneLevelAndKnownWithOrWithoutTheTrailingSeparator) {
    testsupport::TempDir dir("rtdirs");
    EXPECT_EQ(Rt::Platform::makeDirectory((dir.path() + "one").c_str()), 0);
    EXPECT_NE(Rt::Platform::makeDirectory((dir.path() + "one").c_str()), 0) << "exists already";
    EXPECT_NE(Rt::Platform::makeDirectory((dir.path() + "two/three").c_str()), 0) << "no parent";
    EXPECT_FALSE(fs::exists(dir.path() + "two"));
    for (const std::string& path : {dir.path() + "one", dir.path() + "one/"}) {
        EXPECT_TRUE(Rt::Platform::isWritableDirectory(path)) << path;
        EXPECT_TRUE(Rt::Platform::isReadableDirectory(path)) << path;
    }
    testsupport::writeBytes(dir.path() + "file", "x");
    EXPECT_FALSE(Rt::Platform::isWritableDirectory(dir.path() + "file"));
    EXPECT_FALSE(Rt::Platform::isReadableDirectory(dir.path() + "absent/"));
}

TEST(PlatformServices, ModulesAreNamedByTheirFilesAndLoadedLibrariesKnowWhatTheyHold) {
    const std::string program = Rt::Platform::executablePath();
    EXPECT_TRUE(fs::is_regular_file(program)) << program;
    EXPECT_EQ(fs::path(program).stem().string(), "env_test");
    EXPECT_EQ(Rt::Platform::moduleFileOf(reinterpret_cast<const void*>(&fileNameOf)), program);

    const std::string core = Rt::Platform::moduleFileOf(reinterpret_cast<const void*>(&KxLib::init));
    EXPECT_NE(fileNameOf(core).find("Di80"), std::string::npos) << core;
    EXPECT_NE(fileNameOf(core).find(Rt::Platform::librarySuffix()), std::string::npos) << core;
    std::string problem;
    void* library = Rt::Platform::loadLibrary(core, problem);
    ASSERT_NE(library, nullptr) << problem;
    EXPECT_TRUE(Rt::Platform::libraryHolds(library, reinterpret_cast<const void*>(&KxLib::init)));
    EXPECT_FALSE(Rt::Platform::libraryHolds(library, reinterpret_cast<const void*>(&fileNameOf)));
    EXPECT_EQ(Rt::Platform::findSymbol(library, "noSuchFunctionAnywhere"), nullptr);
    Rt::Platform::freeLibrary(library);
    EXPECT_EQ(Rt::Platform::moduleFileOf(reinterpret_cast<const void*>(&KxLib::init)), core) << "still loaded";
}

TEST(PlatformServices, AFileThatIsNoLibraryLoadsAsNothingWithAReason) {
    testsupport::TempDir dir("rtload");
    const std::string path = dir.path() + "libKxRtJunk80" + Rt::Platform::librarySuffix();
    testsupport::writeBytes(path, "not a library at all\n");
    std::string problem;
    EXPECT_EQ(Rt::Platform::loadLibrary(path, problem), nullptr);
    EXPECT_FALSE(problem.empty());
    problem.clear();
    EXPECT_EQ(Rt::Platform::loadLibrary(dir.path() + "absent" + Rt::Platform::librarySuffix(), problem), nullptr);
    EXPECT_FALSE(problem.empty());
}

TEST(PlatformServices, TheHostNameComesWhateverStateTheSocketLibraryIsIn) {
#if defined(_WIN32)
    // Stopped as often as it was started: the lookup must start it itself.
    while (::WSACleanup() == 0) {
    }
#endif
    char name[100] = {};
    ASSERT_TRUE(Rt::Platform::hostName(name, sizeof(name)));
    char again[100] = {};
    ASSERT_TRUE(Rt::Platform::hostName(again, sizeof(again)));
    EXPECT_STREQ(name, again);
    char cut[3] = {'x', 'x', 'x'};
    if (Rt::Platform::hostName(cut, sizeof(cut))) {
        EXPECT_EQ(cut[2], '\0') << "always ended within the buffer";
    }
    EXPECT_FALSE(Rt::Platform::hostName(name, 0));
}

TEST(PlatformServices, EnvironmentVariablesSetHereAreReadBack) {
    ASSERT_TRUE(Rt::Platform::setEnvironment("RT_PLATFORM_SERVICES_PROBE", "a b/c"));
    ASSERT_NE(Rt::Platform::environment("RT_PLATFORM_SERVICES_PROBE"), nullptr);
    EXPECT_STREQ(Rt::Platform::environment("RT_PLATFORM_SERVICES_PROBE"), "a b/c");
    EXPECT_EQ(Rt::Platform::environment("RT_PLATFORM_SERVICES_NEVER_SET"), nullptr);
}

} // namespace
