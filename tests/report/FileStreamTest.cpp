// FileStream on real files: whole-file reads in 1000-byte chunks, whole-file
// writes, and the long-lived output stream with its remembered position.
#include "report/FileStream.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::exists;
using testsupport::readBytes;
using testsupport::writeBytes;

// A text whose every position is distinguishable: a chunk read twice or
// skipped shows up as a mismatch.
std::string patterned(std::size_t length) {
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>('A' + (i * 7 + i / 26) % 26);
    return bytes;
}

std::string bytesOf(const KxString& text) {
    std::string bytes;
    for (int i = 0; i < text.numChars(); ++i) bytes += static_cast<char>(text.at(i));
    return bytes;
}

class FileStreamIo : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    std::string dir = suite.base();
    Rt::FileStream stream;
};

TEST_F(FileStreamIo, ReadsFilesEndingOnAndAcrossChunkBoundaries) {
    for (std::size_t length : {0u, 1u, 999u, 1000u, 1001u, 2000u, 2500u}) {
        const std::string path = dir + "in" + std::to_string(length) + ".txt";
        const std::string content = patterned(length);
        writeBytes(path, content);
        KxString text("left over");
        ASSERT_TRUE(stream.readFile(path.c_str(), text)) << length;
        EXPECT_EQ(text.numChars(), static_cast<int>(length));
        EXPECT_EQ(bytesOf(text), content) << length;
    }
}

TEST_F(FileStreamIo, ZeroByteCutsOnlyItsOwnChunk) {
    std::string content = patterned(2500);
    content[1500] = '\0';  // second chunk: 1000..1999
    writeBytes(dir + "zero.bin", content);
    KxString text;
    ASSERT_TRUE(stream.readFile((dir + "zero.bin").c_str(), text));
    EXPECT_EQ(bytesOf(text), content.substr(0, 1500) + content.substr(2000));

    std::string first = patterned(1200);
    first[10] = '\0';
    writeBytes(dir + "zero1.bin", first);
    ASSERT_TRUE(stream.readFile((dir + "zero1.bin").c_str(), text));
    EXPECT_EQ(bytesOf(text), first.substr(0, 10) + first.substr(1000));
}

TEST_F(FileStreamIo, HighBytesPassThroughReadAndWriteUnchanged) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    writeBytes(dir + "high.bin", all);
    KxString text;
    ASSERT_TRUE(stream.readFile((dir + "high.bin").c_str(), text));
    ASSERT_EQ(text.numChars(), 255);
    for (int b = 1; b < 256; ++b) EXPECT_EQ(text.at(b - 1), static_cast<KxString::Unit>(b)) << b;

    ASSERT_TRUE(stream.writeFile((dir + "copy.bin").c_str(), text));
    EXPECT_EQ(readBytes(dir + "copy.bin"), all);

    // A zero byte inside a text is written like any other byte.
    std::string withZero = std::string("a\0b", 3) + all;
    ASSERT_TRUE(stream.writeFile((dir + "zero.bin").c_str(), KxString(withZero.data(), int(withZero.size()))));
    EXPECT_EQ(readBytes(dir + "zero.bin"), withZero);
}

TEST_F(FileStreamIo, ReadOfMissingOrUnreadableFileFailsWithEmptyText) {
    KxString text("previous content");
    EXPECT_FALSE(stream.readFile((dir + "absent.txt").c_str(), text));
    EXPECT_TRUE(text.isEmpty());

    text = "previous content";
    EXPECT_FALSE(stream.readFile(dir.c_str(), text));  // a directory cannot be read as a file
    EXPECT_TRUE(text.isEmpty());

    text = "previous content";
    EXPECT_FALSE(stream.readFile("", text));
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(FileStreamIo, WriteFileReplacesContentAndFailsWithoutDirectory) {
    const std::string path = dir + "out.txt";
    ASSERT_TRUE(stream.writeFile(path.c_str(), "first version, longer"));
    ASSERT_TRUE(stream.writeFile(path.c_str(), "second"));
    EXPECT_EQ(readBytes(path), "second");

    ASSERT_TRUE(stream.writeFile((dir + "empty.txt").c_str(), ""));
    EXPECT_TRUE(exists(dir + "empty.txt"));
    EXPECT_EQ(readBytes(dir + "empty.txt"), "");

    EXPECT_FALSE(stream.writeFile((dir + "no/such/dir.txt").c_str(), "x"));
    EXPECT_FALSE(exists(dir + "no"));
}

TEST_F(FileStreamIo, WriteWithoutOpenStreamFailsAndWritesNothing) {
    EXPECT_FALSE(stream.isOpen());
    EXPECT_FALSE(stream.write("never"));

    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("kept"));
    ASSERT_TRUE(stream.closeFile());
    EXPECT_FALSE(stream.closeFile());
    EXPECT_FALSE(stream.write("lost"));
    EXPECT_EQ(readBytes(path), "kept");
}

TEST_F(FileStreamIo, SecondOpenKeepsTheFirstFile) {
    const std::string first = dir + "first.txt";
    const std::string second = dir + "second.txt";
    ASSERT_TRUE(stream.openFile(first.c_str()));
    ASSERT_TRUE(stream.write("one "));
    EXPECT_TRUE(stream.openFile(second.c_str()));
    EXPECT_FALSE(exists(second));
    ASSERT_TRUE(stream.write("two"));
    EXPECT_EQ(readBytes(first), "one two");
    EXPECT_FALSE(exists(second));
}

TEST_F(FileStreamIo, OpenOfUnwritablePathHoldsNoStream) {
    EXPECT_FALSE(stream.openFile((dir + "missing/report.txt").c_str()));
    EXPECT_FALSE(stream.isOpen());
    EXPECT_FALSE(stream.write("x"));
    // The failed open leaves the object usable for a good name.
    ASSERT_TRUE(stream.openFile((dir + "good.txt").c_str()));
    ASSERT_TRUE(stream.write("x"));
    EXPECT_EQ(readBytes(dir + "good.txt"), "x");
}

TEST_F(FileStreamIo, EmptyWriteSucceedsAndRefreshesPosition) {
    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("abc"));
    EXPECT_EQ(stream.position(), 3u);
    ASSERT_TRUE(stream.writeFile((dir + "other.txt").c_str(), "0123456789"));
    EXPECT_EQ(stream.position(), 10u);
    EXPECT_TRUE(stream.write(""));
    EXPECT_EQ(stream.position(), 3u);  // refreshed from the report stream
    EXPECT_EQ(readBytes(path), "abc");
}

TEST_F(FileStreamIo, WriteFileCarriesPositionButOpenStreamKeepsItsOwn) {
    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("abc"));
    ASSERT_TRUE(stream.writeFile((dir + "other.txt").c_str(), "0123456789"));
    EXPECT_EQ(stream.position(), 10u);
    ASSERT_TRUE(stream.write("def"));
    EXPECT_EQ(readBytes(path), "abcdef");
    EXPECT_EQ(stream.position(), 6u);
}

TEST_F(FileStreamIo, ClosedTargetIsReopenedAtThePosition) {
    const std::string path = dir + "target.txt";
    KxFileByteStream target(path.c_str(), false, true);
    target.open();
    ASSERT_TRUE(stream.write("hello world", &target));
    EXPECT_EQ(stream.position(), 11u);
    // A whole-file write in between moves the remembered position to 3.
    ASSERT_TRUE(stream.writeFile((dir + "other.txt").c_str(), "abc"));
    target.close();
    ASSERT_TRUE(stream.write("XY", &target));
    EXPECT_TRUE(target.isOpen());
    EXPECT_EQ(readBytes(path), "helXY world");
    EXPECT_EQ(stream.position(), 5u);
    EXPECT_FALSE(target.isLocked());
}

TEST_F(FileStreamIo, SharedReportStreamClosedByACopyIsReopenedWhereItStopped) {
    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("first line\n"));
    {
        Rt::FileStream copy(stream);
        EXPECT_EQ(copy.position(), 11u);
        ASSERT_TRUE(copy.closeFile());
    }
    ASSERT_TRUE(stream.write("second line\n"));
    EXPECT_EQ(readBytes(path), "first line\nsecond line\n");
}

TEST_F(FileStreamIo, TextWithoutSingleByteFormIsNotWritten) {
    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("ok"));
    const KxString::Unit wide[] = {u'a', 0x4E2D, u'b'};
    EXPECT_FALSE(stream.write(KxString(wide, 3)));
    ASSERT_TRUE(stream.write("!"));
    EXPECT_EQ(readBytes(path), "ok!");
}

TEST_F(FileStreamIo, WritesAllocateNothingOnceTheBufferIsLargeEnough) {
    ASSERT_TRUE(stream.openFile((dir + "report.txt").c_str()));
    const KxString longest(patterned(300).c_str());
    const KxString shorter(patterned(40).c_str());
    ASSERT_TRUE(stream.write(longest));
    KxPlatform& platform = KxPlatform::instance();
    const std::uint64_t before = platform.allocCount();
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(stream.write(shorter));
        ASSERT_TRUE(stream.write(longest));
    }
    EXPECT_EQ(platform.allocCount(), before);
    EXPECT_EQ(stream.position(), 300u + 200u * 340u);
}

} // namespace
