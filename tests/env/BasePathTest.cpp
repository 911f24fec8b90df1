#include "env/GlobalStorage.h"
#include <gtest/gtest.h>

namespace {

std::string basePath(const char* executable) {
    return Rt::GlobalStorage::basePathOf(executable).toStdString();
}

TEST(BasePath, IsTheParentOfTheExecutablesDirectory) {
    EXPECT_EQ(basePath("C:\\work\\suite\\bin\\run.exe"), "C:/work/suite/");
    EXPECT_EQ(basePath("/work/suite/bin/run"), "/work/suite/");
    EXPECT_EQ(basePath("C:\\work/suite\\bin/run.exe"), "C:/work/suite/");
    EXPECT_EQ(basePath("/bin/run"), "/");
    EXPECT_EQ(basePath("C:\\bin\\run.exe"), "C:/");
    EXPECT_EQ(basePath("suite\\bin\\run.exe"), "suite/");
}

TEST(BasePath, FewerThanTwoSeparatorsGiveTheCurrentDirectory) {
    EXPECT_EQ(basePath("run.exe"), "");
    EXPECT_EQ(basePath("bin\\run.exe"), "");
    EXPECT_EQ(basePath("bin/run"), "");
    EXPECT_EQ(basePath("/run"), "");
    EXPECT_EQ(basePath(""), "");
}

} // namespace
