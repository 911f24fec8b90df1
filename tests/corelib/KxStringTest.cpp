#include "corelib/KxString.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

std::string bytesOf(const KxString& s) { return s.toStdString(); }

TEST(KxString, FindStartsAtFromAndFailsOutsideTheText) {
    KxString s("abcabc");
    EXPECT_EQ(s.find("bc"), 1);
    EXPECT_EQ(s.find("bc", 1), 1);
    EXPECT_EQ(s.find("bc", 2), 4);
    EXPECT_EQ(s.find("bc", 5), -1);
    EXPECT_EQ(s.find("x"), -1);
    // A failed search answers -1, and searching on from there keeps failing,
    // even for text that sits at position 0.
    EXPECT_EQ(s.find("a", -1), -1);
    EXPECT_EQ(s.find("a", s.find("x")), -1);
    EXPECT_EQ(s.find("c", 6), -1);
    EXPECT_EQ(s.find("c", 7), -1);
    EXPECT_EQ(s.find("c", 1000), -1);
    EXPECT_EQ(s.find("abcabcd"), -1);
    EXPECT_EQ(KxString().find("a"), -1);
    EXPECT_TRUE(s.contains("ca"));
    EXPECT_FALSE(s.contains("cb"));
}

TEST(KxString, FindLastGivesTheLastOccurrence) {
    KxString s("abcabc");
    EXPECT_EQ(s.findLast("bc"), 4);
    EXPECT_EQ(s.findLast("a"), 3);
    EXPECT_EQ(s.findLast("abcabc"), 0);
    EXPECT_EQ(s.findLast("x"), -1);
    EXPECT_EQ(s.findLast("abcabca"), -1);
    EXPECT_EQ(KxString("aaa").findLast("aa"), 1);
    EXPECT_EQ(KxString("C:\\work\\suite\\bin\\run.exe").findLast("\\"), 17);
}

TEST(KxString, SubStringCutsAtTheEndAndRejectsBadStarts) {
    KxString s("abcdef");
    KxString out("junk");
    EXPECT_TRUE(s.subString(2, out, -1));
    EXPECT_EQ(bytesOf(out), "cdef");
    EXPECT_TRUE(s.subString(2, out, 2));
    EXPECT_EQ(bytesOf(out), "cd");
    EXPECT_TRUE(s.subString(4, out, 100));
    EXPECT_EQ(bytesOf(out), "ef");
    EXPECT_TRUE(s.subString(6, out, -1));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(s.subString(0, out, 0));
    EXPECT_TRUE(out.isEmpty());

    out = "junk";
    EXPECT_FALSE(s.subString(7, out, 1));
    EXPECT_TRUE(out.isEmpty());
    out = "junk";
    EXPECT_FALSE(s.subString(-1, out, 1));
    EXPECT_TRUE(out.isEmpty());

    // The source may be its own output.
    EXPECT_TRUE(s.subString(1, s, 3));
    EXPECT_EQ(bytesOf(s), "bcd");
}

TEST(KxString, RemoveAndInsert) {
    KxString s("abcdef");
    EXPECT_TRUE(s.remove(3, -1));
    EXPECT_EQ(bytesOf(s), "abc");
    s = "abcdef";
    EXPECT_TRUE(s.remove(1, 2));
    EXPECT_EQ(bytesOf(s), "adef");
    EXPECT_TRUE(s.remove(2, 50));
    EXPECT_EQ(bytesOf(s), "ad");
    EXPECT_TRUE(s.remove(2, -1));
    EXPECT_EQ(bytesOf(s), "ad");
    EXPECT_FALSE(s.remove(3, 1));
    EXPECT_FALSE(s.remove(-1, 1));
    EXPECT_EQ(bytesOf(s), "ad");

    EXPECT_TRUE(s.insert("bc", 1));
    EXPECT_EQ(bytesOf(s), "abcd");
    EXPECT_TRUE(s.insert("e", 4));
    EXPECT_TRUE(s.insert(">", 0));
    EXPECT_EQ(bytesOf(s), ">abcde");
    EXPECT_FALSE(s.insert("x", 7));
    EXPECT_FALSE(s.insert("x", -1));
    EXPECT_EQ(bytesOf(s), ">abcde");
}

TEST(KxString, ReplaceCountsEveryNonOverlappingOccurrence) {
    int count = 99;
    KxString s("aaaa");
    EXPECT_TRUE(s.replace("aa", "b", count, true));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(bytesOf(s), "bb");

    s = "aaa";
    EXPECT_TRUE(s.replace("aa", "b", count, true));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(bytesOf(s), "ba");

    // New text that contains the old one is not searched again.
    s = "a-a";
    EXPECT_TRUE(s.replace("a", "aa", count, true));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(bytesOf(s), "aa-aa");

    s = "C:\\work\\suite\\";
    EXPECT_TRUE(s.replace("\\", "/", count, true));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(bytesOf(s), "C:/work/suite/");

    s = "x&y&z";
    EXPECT_TRUE(s.replace("&", "&amp;", count, true));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(bytesOf(s), "x&amp;y&amp;z");

    s = "abc";
    count = 99;
    EXPECT_TRUE(s.replace("x", "y", count, true));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(bytesOf(s), "abc");

    count = 99;
    EXPECT_FALSE(s.replace("", "y", count, true));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(bytesOf(s), "abc");

    s = "abab";
    EXPECT_TRUE(s.replace("ab", "", count, false));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(bytesOf(s), "ab");
}

TEST(KxString, StringToMbsNeedsRoomForTheTerminatorAndSingleByteUnits) {
    KxString s("abc");
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_FALSE(s.stringToMbs(buffer, 3));
    EXPECT_FALSE(s.stringToMbs(buffer, 0));
    EXPECT_FALSE(s.stringToMbs(nullptr, 8));
    ASSERT_TRUE(s.stringToMbs(buffer, 4));
    EXPECT_STREQ(buffer, "abc");

    KxString empty;
    char one = 'x';
    ASSERT_TRUE(empty.stringToMbs(&one, 1));
    EXPECT_EQ(one, '\0');

    const KxString::Unit units[] = {u'a', u'\x0100', u'b'};
    KxString wide(units, 3);
    EXPECT_EQ(wide.numChars(), 3);
    EXPECT_FALSE(wide.stringToMbs(buffer, sizeof(buffer)));
    EXPECT_TRUE(wide.toStdString().empty());
    const KxString::Unit top[] = {u'\x00FF'};
    ASSERT_TRUE(KxString(top, 1).stringToMbs(buffer, sizeof(buffer)));
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xFFu);
}

TEST(KxString, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    KxString s(all.c_str());
    ASSERT_EQ(s.numChars(), 255);
    for (int i = 0; i < 255; ++i) EXPECT_EQ(s.at(i), static_cast<KxString::Unit>(i + 1)) << i;
    std::string back(257, '\0');
    ASSERT_TRUE(s.stringToMbs(&back[0], 256));
    back.resize(255);
    EXPECT_EQ(back, all);

    // UTF-8 passes through as its bytes, one unit each.
    KxString utf8("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(utf8.numChars(), 5);
    EXPECT_EQ(utf8.toStdString(), "\xC3\xA9t\xC3\xA9");

    // The counted constructor keeps zero bytes.
    KxString counted("a\0b", 3);
    EXPECT_EQ(counted.numChars(), 3);
    EXPECT_EQ(counted.at(1), 0);
}

TEST(KxString, ConstructionComparisonAndConcatenation) {
    KxString a("ab");
    KxString b = a;
    EXPECT_TRUE(a == b);
    b += "c";
    EXPECT_TRUE(a != b);
    EXPECT_EQ(bytesOf(a), "ab");
    EXPECT_EQ(bytesOf(a + b), "ababc");
    b += u'd';
    EXPECT_EQ(bytesOf(b), "abcd");

    KxString moved(std::move(b));
    EXPECT_EQ(bytesOf(moved), "abcd");

    KxString none(static_cast<const char*>(nullptr));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(moved.setString(nullptr));
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_TRUE(a.clear());
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a.getConstPtr()[0], 0);
    KxString c("xy");
    EXPECT_EQ(c.getConstPtr()[1], u'y');
    EXPECT_EQ(c.getConstPtr()[2], 0);
}

} // namespace
