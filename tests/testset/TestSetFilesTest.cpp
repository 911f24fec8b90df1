// File names and model files from the data directories.
#include "support/ReportSession.h"
#include "support/ScriptedTest.h"

using namespace testsupport;

TEST(TestSetFiles, ExtractFileNameAndPathCutAtTheLastSeparatorOfEitherKind) {
    // {path, file name, extractFileName's result, directory part}
    const struct {
        const char* path;
        const char* name;
        bool found;
        const char* dir;
    } cases[] = {{"C:/data\\sub/part.kx", "part.kx", true, "C:/data\\sub/"},
                 {"C:/data/sub\\part.kx", "part.kx", true, "C:/data/sub\\"},
                 {"C:\\data\\part.kx", "part.kx", true, "C:\\data\\"},
                 {"/part.kx", "part.kx", true, "/"},
                 {"dir/", "", true, "dir/"},
                 {"part.kx", "part.kx", false, ""},
                 {"", "", false, ""}};
    ScriptedTest probe("Probe", nullptr);
    for (const auto& c : cases) {
        KxString name(c.path);
        KxString dir(c.path);
        EXPECT_EQ(probe.extractFileName(name), c.found) << c.path;
        EXPECT_TRUE(probe.extractPath(dir)) << c.path;
        EXPECT_EQ(name.toStdString() + " | " + dir.toStdString(), std::string(c.name) + " | " + c.dir) << c.path;
    }
}

TEST(TestSetFiles, ReadPartitionFindsFilesInTheDataDirectoriesAndOnlyKxFiles) {
    TempSuite suite;
    const std::string inDir = suite.goldenData();
    const std::string outDir = suite.goldenData() + "LNXTEST/";
    ASSERT_EQ(Rt::outDataDir().toStdString(), outDir);
    writeBytes(inDir + "cube.kx", "input cube");
    writeBytes(outDir + "cube.kx", "golden output cube");

    RaisedErrors raised;
    ScriptedTest probe("Probe", nullptr);
    Kx::SharedPtr<KxPartition> partition;
    const std::string full = outDir + "cube.kx";  // a full path is used as it is
    const std::pair<const char*, std::string> cases[] = {{"cube.kx", inDir + "cube.kx"},
                                                         {"${IN_DIR}/cube.kx", inDir + "cube.kx"},
                                                         {"${OUT_DIR}/cube.kx", outDir + "cube.kx"},
                                                         {full.c_str(), full}};
    for (const auto& [name, path] : cases) {
        EXPECT_TRUE(probe.readPartition(name, partition)) << name;
        ASSERT_TRUE(partition) << name;
        EXPECT_EQ(partition->path().toStdString(), path);
        EXPECT_EQ(partition->byteSize(), path == full ? 18u : 10u) << name;
        EXPECT_EQ(probe.getErrorString().toStdString(), std::string("KxError: openAllPartitions-() - ") + name);
    }

    testing::internal::CaptureStdout();
    EXPECT_FALSE(probe.readPartition("model.txt", partition));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unknown file type. \nmodel.txt must contain { .kx }\n");
    EXPECT_FALSE(partition) << "what the pointer held before is released";
    EXPECT_TRUE(raised.all.empty());
}

TEST(TestSetFiles, MissingModelFileRaisesATestErrorThatFailsTheTest) {
    ReportSession session;
    std::string seen = "not run";
    auto reader = makeTest("Reader", [&](ScriptedTest& self) {
        Kx::SharedPtr<KxPartition> partition;
        self.readPartition("missing.kx", partition);
        seen = (partition ? "partition; " : "no partition; ") + describe(KxErrorState::s_pError);
        return true;
    });
    EXPECT_FALSE(run(*reader));
    const std::string text = "KxError: openPartition() - " + session.suite().goldenData() + "missing.kx";
    EXPECT_EQ(seen, "no partition; Reader|Rt::TestSet::readPartition||par|-15|" + text);
    ExpectedReport expected;
    expected.openTest(0).record("Error", "Reader::Rt::TestSet::readPartition", "par", {text});
    expected.closeTest({}, "", "Scripted check", "Reader", {0, 1});
    EXPECT_EQ(session.close(), session.whole(expected));
}
