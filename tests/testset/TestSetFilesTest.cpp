// File names and model files from the data directories.
#include "RaisedErrors.h"
#include "ReportText.h"
#include "ScriptedTest.h"

using namespace testsettest;
using testsupport::writeBytes;

namespace {

class Probe : public Rt::TestSet {
public:
    bool executeW() override { return true; }
};

std::string fileNameOf(const char* path, bool* result = nullptr) {
    Probe probe;
    KxString text(path);
    const bool ok = probe.extractFileName(text);
    if (result) *result = ok;
    return text.toStdString();
}

std::string pathOf(const char* path) {
    Probe probe;
    KxString text(path);
    EXPECT_TRUE(probe.extractPath(text));
    return text.toStdString();
}

} // namespace

TEST(TestSetFiles, ExtractFileNameCutsAfterTheLastSeparatorOfEitherKind) {
    bool result = false;
    EXPECT_EQ(fileNameOf("C:/data\\sub/part.kx", &result), "part.kx");
    EXPECT_TRUE(result);
    EXPECT_EQ(fileNameOf("C:/data/sub\\part.kx", &result), "part.kx");
    EXPECT_TRUE(result);
    EXPECT_EQ(fileNameOf("part.kx", &result), "part.kx");
    EXPECT_FALSE(result);
    EXPECT_EQ(fileNameOf("dir/", &result), "");
    EXPECT_TRUE(result);
    EXPECT_EQ(fileNameOf("", &result), "");
    EXPECT_FALSE(result);
}

TEST(TestSetFiles, ExtractPathKeepsTheFinalSeparator) {
    EXPECT_EQ(pathOf("C:\\data\\part.kx"), "C:\\data\\");
    EXPECT_EQ(pathOf("C:/data\\sub/part.kx"), "C:/data\\sub/");
    EXPECT_EQ(pathOf("C:/data/sub\\part.kx"), "C:/data/sub\\");
    EXPECT_EQ(pathOf("part.kx"), "");
    EXPECT_EQ(pathOf("/part.kx"), "/");
}

TEST(TestSetFiles, ReadPartitionFindsFilesInTheDataDirectories) {
    testsupport::TempSuite suite;
    const std::string inDir = Rt::inDataDir().toStdString();
    const std::string outDir = Rt::outDataDir().toStdString();
    ASSERT_EQ(inDir, suite.goldenData());
    ASSERT_EQ(outDir, suite.goldenData() + "LNXTEST/");
    writeBytes(inDir + "cube.kx", "input cube");
    writeBytes(outDir + "cube.kx", "golden output cube");

    RaisedErrors raised;
    Probe probe;
    Kx::SharedPtr<KxPartition> partition;
    struct Case {
        const char* name;
        std::string path;
        std::uint64_t size;
    };
    const Case cases[] = {{"cube.kx", inDir + "cube.kx", 10},
                          {"${IN_DIR}/cube.kx", inDir + "cube.kx", 10},
                          {"${OUT_DIR}/cube.kx", outDir + "cube.kx", 18}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(probe.readPartition(c.name, partition));
        ASSERT_TRUE(partition);
        EXPECT_EQ(partition->path().toStdString(), c.path);
        EXPECT_EQ(partition->byteSize(), c.size);
        EXPECT_EQ(probe.getErrorString().toStdString(), std::string("KxError: openAllPartitions-() - ") + c.name);
    }
    // A full path is used as it is.
    const std::string full = outDir + "cube.kx";
    EXPECT_TRUE(probe.readPartition(full.c_str(), partition));
    ASSERT_TRUE(partition);
    EXPECT_EQ(partition->path().toStdString(), full);
    EXPECT_EQ(raised.count(), 0u);
}

TEST(TestSetFiles, ReadPartitionOfAnotherFileTypePrintsAndReturnsFalse) {
    testsupport::TempSuite suite;
    writeBytes(suite.goldenData() + "cube.kx", "input cube");
    RaisedErrors raised;
    Probe probe;
    Kx::SharedPtr<KxPartition> partition;
    ASSERT_TRUE(probe.readPartition("cube.kx", partition));
    ASSERT_TRUE(partition);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(probe.readPartition("model.txt", partition));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unknown file type. \nmodel.txt must contain { .kx }\n");
    EXPECT_FALSE(partition) << "what the pointer held before is released";
    EXPECT_EQ(raised.count(), 0u);
}

TEST(TestSetFiles, MissingModelFileRaisesATestErrorThatFailsTheTest) {
    ReportSession session;
    const std::string inDir = Rt::inDataDir().toStdString();
    bool emptied = false;
    std::string firstText = "unset";
    auto reader = makeTest("Reader", [&](ScriptedTest& self) {
        Kx::SharedPtr<KxPartition> partition;
        self.readPartition("missing.kx", partition);
        emptied = !partition;
        if (const KxStdError* current = KxErrorState::s_pError) firstText = current->getText1().toStdString();
        return true;
    });
    EXPECT_FALSE(session.run(*reader));
    EXPECT_TRUE(emptied);
    EXPECT_EQ(firstText, "");

    const std::string report = session.close();
    EXPECT_EQ(testsupport::xmlProblems(session.reportPath()), "");
    Counts counts;
    counts.errors = 1;
    EXPECT_EQ(testsupport::maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("Error", "Reader::Rt::TestSet::readPartition", "par",
                                 "KxError: openPartition() - " + inDir + "missing.kx") +
                              values("", "Scripted check", "Reader"),
                          counts));
}
