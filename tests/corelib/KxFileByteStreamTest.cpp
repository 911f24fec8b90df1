#include "support/RaisedErrors.h"
#include "corelib/KxByteStream.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <filesystem>

namespace {

using testsupport::RaisedErrors;

using testsupport::readBytes;
namespace fs = std::filesystem;

// How many descriptors of this process refer to `file`.
int openDescriptorsOf(const std::string& file) {
    const fs::path wanted = fs::canonical(file);
    int found = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (fs::read_symlink(entry.path(), ignored) == wanted) ++found;
    }
    return found;
}

TEST(KxFileByteStream, FailedOpensThrowAndRaiseNothing) {
    testsupport::TempSuite dir;
    RaisedErrors errors;
    KxFileByteStream reader((dir.base() + "absent.txt").c_str(), true, false);
    EXPECT_THROW(reader.open(), KxStreamException);
    EXPECT_FALSE(reader.isOpen());
    KxFileByteStream writer((dir.base() + "no/such/dir.txt").c_str(), false, true);
    EXPECT_THROW(writer.open(), KxStreamException);
    EXPECT_THROW(KxFileByteStream(dir.base().c_str(), true, false).open(), KxStreamException);
    std::uint64_t count = 7;
    char buffer[4];
    EXPECT_THROW(reader.read(buffer, sizeof(buffer), count), KxStreamException);
    EXPECT_FALSE(writer.write("x", 1));
    EXPECT_TRUE(errors.all.empty());
}

TEST(KxFileByteStream, LosingTheLastReferenceClosesTheFile) {
    testsupport::TempSuite dir;
    const std::string path = dir.base() + "held.txt";
    Kx::SharedPtr<KxFileByteStream> stream(new KxFileByteStream(path.c_str(), false, true));
    stream->open();
    stream->write("line\n", 5);
    Kx::SharedPtr<KxFileByteStream> other = stream;
    stream = nullptr;
    EXPECT_EQ(openDescriptorsOf(path), 1);
    other = nullptr;
    EXPECT_EQ(openDescriptorsOf(path), 0);
    EXPECT_EQ(readBytes(path), "line\n");
}

} // namespace
