// FileStream on real files: whole-file reads in 1000-byte chunks, whole-file
// writes, and the long-lived output stream with its remembered position.
#include "report/FileStream.h"
#include "support/RaisedErrors.h"
#include "support/TempSuite.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::exists;
using testsupport::readBytes;
using testsupport::writeBytes;
namespace fs = std::filesystem;

// A text whose every position is distinguishable: a chunk read twice or
// skipped shows up as a mismatch.
std::string patterned(std::size_t length) {
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>('A' + (i * 7 + i / 26) % 26);
    return bytes;
}

// The text's bytes; a unit outside the byte range (a sign-extended high byte) shows as "?".
std::string bytesOf(const KxString& text) {
    std::string bytes;
    for (int i = 0; i < text.numChars(); ++i) bytes += text.at(i) > 0xFF ? '?' : static_cast<char>(text.at(i));
    return bytes;
}

class FileStreamIo : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    std::string dir = suite.base();
    Rt::FileStream stream;
};

TEST_F(FileStreamIo, ReadsWholeFilesAcrossChunkBoundariesAndZeroBytes) {
    std::string zeroInSecond = patterned(2500), zeroInFirst = patterned(1200), allBytes;
    zeroInSecond[1500] = '\0';  // second chunk: 1000..1999
    zeroInFirst[10] = '\0';
    // Files are read many chunks at a time: chunks must still be cut where single reads would cut them.
    std::string zerosAroundBlocks = patterned(200000);
    for (std::size_t at : {63999, 64000, 128500}) zerosAroundBlocks[at] = '\0';
    for (int b = 1; b < 256; ++b) allBytes += static_cast<char>(b);
    struct Case {
        std::string content, expected;
    } cases[] = {
        {"", ""},
        {patterned(999), patterned(999)},
        {patterned(1000), patterned(1000)},
        {patterned(1001), patterned(1001)},
        {patterned(2500), patterned(2500)},
        // A zero byte cuts only the rest of its own chunk.
        {zeroInSecond, zeroInSecond.substr(0, 1500) + zeroInSecond.substr(2000)},
        {zeroInFirst, zeroInFirst.substr(0, 10) + zeroInFirst.substr(1000)},
        {allBytes, allBytes},
        {patterned(64000), patterned(64000)},
        {patterned(128001), patterned(128001)},
        {zerosAroundBlocks, zerosAroundBlocks.substr(0, 63999) + zerosAroundBlocks.substr(65000, 63500) +
                                zerosAroundBlocks.substr(129000)},
    };
    for (const Case& c : cases) {
        writeBytes(dir + "in.bin", c.content);
        KxString text("left over");
        ASSERT_TRUE(stream.readFile((dir + "in.bin").c_str(), text)) << c.content.size();
        EXPECT_EQ(bytesOf(text), c.expected) << c.content.size();
    }
}

TEST_F(FileStreamIo, ReadOfMissingOrUnreadableFileFailsWithEmptyText) {
    for (const std::string& path : {dir + "absent.txt", dir, std::string()}) {
        KxString text("previous content");
        EXPECT_FALSE(stream.readFile(path.c_str(), text)) << path;
        EXPECT_TRUE(text.isEmpty()) << path;
    }
}

TEST_F(FileStreamIo, WriteFileReplacesWholeFiles) {
    const std::string path = dir + "out.txt";
    ASSERT_TRUE(stream.writeFile(path.c_str(), "first version, longer"));
    ASSERT_TRUE(stream.writeFile(path.c_str(), "second"));
    EXPECT_EQ(readBytes(path), "second");
    ASSERT_TRUE(stream.writeFile((dir + "empty.txt").c_str(), ""));
    EXPECT_TRUE(exists(dir + "empty.txt"));
    EXPECT_EQ(readBytes(dir + "empty.txt"), "");
    // High bytes and a zero byte are written like any other byte.
    std::string bytes("a\0b", 3);
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    ASSERT_TRUE(stream.writeFile(path.c_str(), KxString(bytes.data(), int(bytes.size()))));
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_FALSE(stream.writeFile((dir + "no/such/dir.txt").c_str(), "x"));
    EXPECT_FALSE(exists(dir + "no"));
}

TEST_F(FileStreamIo, WriteNeedsAnOpenStreamAndASecondOpenKeepsTheFirstFile) {
    EXPECT_FALSE(stream.write("never"));
    EXPECT_FALSE(stream.openFile((dir + "missing/report.txt").c_str()));
    EXPECT_FALSE(stream.isOpen());
    EXPECT_FALSE(stream.write("x"));

    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("one "));
    EXPECT_TRUE(stream.openFile((dir + "second.txt").c_str()));
    EXPECT_FALSE(exists(dir + "second.txt"));
    // Text without a single-byte form is refused; the stream goes on.
    const KxString::Unit wide[] = {u'a', 0x4E2D, u'b'};
    EXPECT_FALSE(stream.write(KxString(wide, 3)));
    ASSERT_TRUE(stream.write("two"));
    ASSERT_TRUE(stream.closeFile());
    EXPECT_FALSE(stream.closeFile());
    EXPECT_FALSE(stream.write("lost"));
    EXPECT_EQ(readBytes(path), "one two");
}

TEST_F(FileStreamIo, WriteFileCarriesThePositionButAnOpenStreamKeepsItsOwn) {
    const std::string path = dir + "report.txt";
    ASSERT_TRUE(stream.openFile(path.c_str()));
    ASSERT_TRUE(stream.write("abc"));
    EXPECT_EQ(stream.position(), 3u);
    ASSERT_TRUE(stream.writeFile((dir + "other.txt").c_str(), "0123456789"));
    EXPECT_EQ(stream.position(), 10u);
    EXPECT_TRUE(stream.write(""));
    EXPECT_EQ(stream.position(), 3u);  // refreshed from the report stream
    ASSERT_TRUE(stream.writeFile((dir + "other.txt").c_str(), "0123456789"));
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

// The byte stream under FileStream: failures throw but raise nothing, and the
// file stays open exactly as long as a reference does.
TEST_F(FileStreamIo, ByteStreamFailuresThrowWithoutRaisingAndTheLastReferenceCloses) {
    testsupport::RaisedErrors errors;
    KxFileByteStream reader((dir + "absent.txt").c_str(), true, false);
    EXPECT_THROW(reader.open(), KxStreamException);
    EXPECT_THROW(KxFileByteStream((dir + "no/such/dir.txt").c_str(), false, true).open(), KxStreamException);
    EXPECT_THROW(KxFileByteStream(dir.c_str(), true, false).open(), KxStreamException);
    std::uint64_t count = 7;
    char buffer[4];
    EXPECT_THROW(reader.read(buffer, sizeof(buffer), count), KxStreamException);
    EXPECT_FALSE(reader.write("x", 1));
    EXPECT_TRUE(errors.all.empty());

    const std::string path = dir + "held.txt";
    Kx::SharedPtr<KxFileByteStream> stream(new KxFileByteStream(path.c_str(), false, true));
    stream->open();
    Kx::SharedPtr<KxFileByteStream> other = stream;
    stream = nullptr;
#if defined(_WIN32)
    // Windows removes no file that a descriptor holds open.
    auto openDescriptors = [path] { return std::remove(path.c_str()) == 0 ? 0 : 1; };
#else
    auto openDescriptors = [wanted = fs::canonical(path)] {
        int found = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ignored;
            found += fs::read_symlink(entry.path(), ignored) == wanted;
        }
        return found;
    };
#endif
    EXPECT_EQ(openDescriptors(), 1);
    other = nullptr;
    EXPECT_EQ(openDescriptors(), 0);
}

} // namespace
