#include "ErrorCapture.h"
#include "TempDir.h"
#include "corelib/KxByteStream.h"
#include <gtest/gtest.h>
#include <climits>
#include <dirent.h>
#include <unistd.h>

namespace {

// How many descriptors of this process refer to `file`.
int openDescriptorsOf(const std::string& file) {
    char wanted[PATH_MAX];
    if (!::realpath(file.c_str(), wanted)) return 0;
    int found = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[PATH_MAX];
        ssize_t n = ::readlink(link.c_str(), target, sizeof(target) - 1);
        if (n <= 0) continue;
        if (std::string(target, static_cast<std::size_t>(n)) == wanted) ++found;
    }
    ::closedir(dir);
    return found;
}

KxString nameOf(const std::string& path) { return KxString(path.c_str()); }

TEST(KxFileByteStream, OpeningAMissingFileThrowsAndRaisesNothing) {
    TempDir dir;
    ErrorCapture errors;
    KxFileByteStream reader(nameOf(dir.file("absent.txt")), true, false);
    EXPECT_THROW(reader.open(), KxStreamException);
    EXPECT_FALSE(reader.isOpen());

    KxFileByteStream writer(nameOf(dir.file("no/such/dir.txt")), false, true);
    EXPECT_THROW(writer.open(), KxStreamException);
    EXPECT_FALSE(writer.isOpen());

    KxFileByteStream directory(nameOf(dir.path()), true, false);
    EXPECT_THROW(directory.open(), KxStreamException);

    KxFileByteStream unnamed("", true, false);
    EXPECT_THROW(unnamed.open(), KxStreamException);

    std::uint64_t count = 7;
    char buffer[4];
    EXPECT_THROW(reader.read(buffer, sizeof(buffer), count), KxStreamException);
    EXPECT_FALSE(writer.write("x", 1));
    EXPECT_EQ(errors.count(), 0u);
}

TEST(KxFileByteStream, FirstOpenTruncatesLaterOpensKeep) {
    TempDir dir;
    const std::string path = dir.file("report.xml");
    TempDir::writeFile(path, "old content");

    KxFileByteStream out(nameOf(path), false, true);
    out.open();
    EXPECT_TRUE(out.isOpen());
    EXPECT_EQ(TempDir::contentOf(path), "");
    ASSERT_TRUE(out.write("abc", 3));
    // Visible to any reader at once, without a close.
    EXPECT_EQ(TempDir::contentOf(path), "abc");
    std::uint64_t at = 0;
    ASSERT_TRUE(out.tell(at));
    EXPECT_EQ(at, 3u);
    out.close();
    EXPECT_FALSE(out.isOpen());

    out.open();
    EXPECT_EQ(TempDir::contentOf(path), "abc");
    ASSERT_TRUE(out.seek(3));
    ASSERT_TRUE(out.write("def", 3));
    EXPECT_EQ(TempDir::contentOf(path), "abcdef");
    std::uint64_t bytes = 0;
    ASSERT_TRUE(out.size(bytes));
    EXPECT_EQ(bytes, 6u);
    out.close();

    // A new object starts afresh.
    KxFileByteStream again(nameOf(path), false, true);
    again.open();
    EXPECT_EQ(TempDir::contentOf(path), "");
}

TEST(KxFileByteStream, ReadCountsUpToTheCapacity) {
    TempDir dir;
    const std::string path = dir.file("data.bin");
    std::string content;
    for (int i = 0; i < 2500; ++i) content += static_cast<char>(i % 256);
    TempDir::writeFile(path, content);

    KxFileByteStream in(nameOf(path), true, false);
    in.open();
    std::string got;
    std::vector<std::uint64_t> counts;
    char buffer[1000];
    std::uint64_t count = 0;
    do {
        in.read(buffer, sizeof(buffer), count);
        counts.push_back(count);
        got.append(buffer, static_cast<std::size_t>(count));
    } while (count == sizeof(buffer));
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{1000, 1000, 500}));
    EXPECT_EQ(got, content);
    count = 99;
    in.read(buffer, sizeof(buffer), count);
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(in.seek(2499));
    in.read(buffer, sizeof(buffer), count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(buffer[0], content[2499]);
    // A reader does not write.
    EXPECT_FALSE(in.write("x", 1));
}

TEST(KxFileByteStream, LosingTheLastReferenceClosesTheFile) {
    TempDir dir;
    const std::string path = dir.file("held.txt");
    Kx::SharedPtr<KxFileByteStream> stream(new KxFileByteStream(nameOf(path), false, true));
    stream->open();
    stream->write("line\n", 5);
    EXPECT_EQ(openDescriptorsOf(path), 1);
    Kx::SharedPtr<KxFileByteStream> other = stream;
    stream = nullptr;
    EXPECT_EQ(openDescriptorsOf(path), 1);
    other = nullptr;
    EXPECT_EQ(openDescriptorsOf(path), 0);
    EXPECT_EQ(TempDir::contentOf(path), "line\n");
}

TEST(KxFileByteStream, TheLockIsNotRecursive) {
    KxFileByteStream stream("unused", true, false);
    EXPECT_FALSE(stream.isLocked());
    EXPECT_FALSE(stream.unlock());
    EXPECT_TRUE(stream.lock());
    EXPECT_TRUE(stream.isLocked());
    EXPECT_FALSE(stream.lock());
    EXPECT_TRUE(stream.unlock());
    EXPECT_FALSE(stream.unlock());
    EXPECT_TRUE(stream.lock());
}

} // namespace
