// Golden-file checks on a real suite: where the output goes, which
// reference is compared, and the record of each kind of failure.
#include "support/RaisedErrors.h"
#include "support/TempSuite.h"
#include <Rt/Checks.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using testsupport::RaisedErrors;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

// The Msg lines of the one error raised, split; "" when not exactly one.
std::vector<std::string> onlyRecord(const RaisedErrors& raised) {
    if (raised.all.size() != 1) return {"raised " + std::to_string(raised.all.size())};
    std::vector<std::string> fields;
    std::string field;
    for (char c : raised.all[0] + "|") {
        if (c != '|') {
            field += c;
            continue;
        }
        fields.push_back(field);
        field.clear();
    }
    return fields;
}

std::string here(int line) { return std::string(__FILE__) + ":" + std::to_string(line); }

// A path as a record shows it: normalised, with the system's separators.
std::string shown(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

class GoldenCheck : public testing::Test {
protected:
    testsupport::TempSuite suite{"LNXTEST"};
    std::string expected() const { return suite.goldenData() + "expected/"; }
    std::string output(const std::string& name) const { return suite.goldenData() + "LNXTEST/" + name; }
    void reference(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeBytes(path, bytes);
    }
};

TEST_F(GoldenCheck, AMatchingReferencePassesAndTheOutputIsWrittenAnyway) {
    reference(expected() + "area.txt", "area 12.5\n");
    RaisedErrors raised;
    const std::string table = "area 12.5\n";
    EXPECT_TRUE(RT_CHECK_GOLDEN("area.txt", table));
    EXPECT_EQ(readBytes(output("area.txt")), table);
    // A name with folders keeps them under the output directory; a KxString's bytes are compared.
    reference(expected() + "sub/k.txt", "k\xE9");
    EXPECT_TRUE(RT_CHECK_GOLDEN("sub/k.txt", KxString("k\xE9")));
    EXPECT_EQ(readBytes(output("sub/k.txt")), "k\xE9");
    EXPECT_EQ(raised.all, std::vector<std::string>());
}

TEST_F(GoldenCheck, AMissingReferenceFailsSayingWhereItBelongs) {
    RaisedErrors raised;
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_GOLDEN("new.txt", std::string("fresh\n")));
    EXPECT_EQ(onlyRecord(raised),
              (std::vector<std::string>{"Check", "TestBody", "", "RT_CHECK_GOLDEN(\"new.txt\", std::string(\"fresh\\n\"))",
                                        "-15", "no reference yet: if the output is right, take it with rtrun --accept (or copy it to the reference path below)",
                                        "reference: " + shown(expected() + "new.txt"), "output: " + shown(output("new.txt")),
                                        here(line)}));
    EXPECT_EQ(readBytes(output("new.txt")), "fresh\n");
}

TEST_F(GoldenCheck, APlatformReferenceWinsOverTheGeneralOne) {
    reference(expected() + "p.txt", "general\n");
    reference(expected() + "LNXTEST/p.txt", "platform\n");
    RaisedErrors raised;
    EXPECT_TRUE(RT_CHECK_GOLDEN("p.txt", "platform\n"));
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_GOLDEN("p.txt", "general\n"));
    EXPECT_EQ(onlyRecord(raised),
              (std::vector<std::string>{"Check", "TestBody", "", "RT_CHECK_GOLDEN(\"p.txt\", \"general\\n\")", "-15",
                                        "the output differs from the reference",
                                        "reference: " + shown(expected() + "LNXTEST/p.txt"), "output: " + shown(output("p.txt")), "--- reference", "+++ output",
                                        "@@ -1,1 +1,1 @@", "-platform", "+general", here(line)}));
}

TEST_F(GoldenCheck, WithATolerenceNumbersMayMoveAndTheRecordNamesTheFirstDifference) {
    reference(expected() + "t.txt", "x 1.0 y 2.0\nz 3.0\nw 4\n");
    RaisedErrors raised;
    const double tol = 1e-6;
    EXPECT_TRUE(RT_CHECK_GOLDEN_NEAR("t.txt", "x 1.0000001  y 2\nz 3.0000000\nw 4.0\n", tol));
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_GOLDEN_NEAR("t.txt", "x 1 y 2\nz 3.1\nw 4\n", tol));
    EXPECT_EQ(onlyRecord(raised),
              (std::vector<std::string>{
                  "Check", "TestBody", "",
                  "RT_CHECK_GOLDEN_NEAR(\"t.txt\", \"x 1 y 2\\nz 3.1\\nw 4\\n\", tol)", "-15",
                  "the output differs from the reference: reference line 2 \"3.0\", output line 2 \"3.1\" "
                  "(difference 0.10000000000000009, allowed 3.1e-06)",
                  "reference: " + shown(expected() + "t.txt"), "output: " + shown(output("t.txt")),
                  // Lines equal within the tolerance are context.
                  "--- reference", "+++ output", "@@ -1,3 +1,3 @@", " x 1.0 y 2.0", "-z 3.0", "+z 3.1", " w 4",
                  here(line)}));
}

TEST_F(GoldenCheck, AFileComparesBytesAndNamesTheFirstDifferingOffset) {
    const std::string made = suite.base() + "made.bin";
    writeBytes(made, std::string("\x00\x01\x02\x03", 4));
    reference(expected() + "m.bin", std::string("\x00\x01\x02\x03", 4));
    RaisedErrors raised;
    EXPECT_TRUE(RT_CHECK_GOLDEN_FILE("m.bin", made));
    EXPECT_EQ(readBytes(output("m.bin")), std::string("\x00\x01\x02\x03", 4));
    reference(expected() + "m.bin", std::string("\x00\x01\xFF\x03\x04", 5));
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_GOLDEN_FILE("m.bin", made));
    EXPECT_EQ(onlyRecord(raised),
              (std::vector<std::string>{"Check", "TestBody", "", "RT_CHECK_GOLDEN_FILE(\"m.bin\", made)", "-15",
                                        "first difference at byte 2 (reference 0xFF, output 0x02); the reference "
                                        "has 5 bytes, the output 4",
                                        "reference: " + shown(expected() + "m.bin"), "output: " + shown(output("m.bin")),
                                        here(line)}));
}

TEST_F(GoldenCheck, NamesLeavingTheGoldenDirectoriesAndUnreadableFilesFailWithoutWriting) {
    RaisedErrors raised;
    EXPECT_FALSE(RT_CHECK_GOLDEN("../escape.txt", "x"));
    EXPECT_FALSE(RT_CHECK_GOLDEN("/tmp/abs.txt", "x"));
    EXPECT_FALSE(RT_CHECK_GOLDEN("", "x"));
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_GOLDEN_FILE("f.bin", suite.base() + "none.bin"));
    ASSERT_EQ(raised.all.size(), 4u);
    EXPECT_NE(raised.all[0].find("|the golden name \"../escape.txt\" must be a relative path without \"..\"|"),
              std::string::npos)
        << raised.all[0];
    EXPECT_FALSE(testsupport::exists(suite.goldenData() + "escape.txt"));
    EXPECT_EQ(raised.all[3], "Check|TestBody||RT_CHECK_GOLDEN_FILE(\"f.bin\", suite.base() + \"none.bin\")|-15|"
                             "cannot read the file " + shown(suite.base() + "none.bin") + ": it does not exist|" + here(line));
    EXPECT_FALSE(testsupport::exists(output("f.bin")));
}

} // namespace
