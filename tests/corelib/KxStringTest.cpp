#include "corelib/KxString.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// An edit's result and the text after it, as "1 text" or "0 text".
std::string outcome(bool ok, const KxString& s) { return (ok ? "1 " : "0 ") + s.toStdString(); }

TEST(KxString, FindAndFindLastAnswerMinusOneOutsideTheText) {
    const KxString s("abcabc");
    const struct {
        const char* what;
        int from, at;
    } finds[] = {{"bc", 1, 1},  {"bc", 2, 4},   {"bc", 5, -1}, {"x", 0, -1},
                 {"a", -1, -1}, {"c", 6, -1}, {"c", 1000, -1}, {"abcabcd", 0, -1}};
    for (const auto& f : finds) EXPECT_EQ(s.find(f.what, f.from), f.at) << f.what << " from " << f.from;
    EXPECT_EQ(KxString().find("a"), -1);

    const struct {
        const char* text;
        const char* what;
        int at;
    } lasts[] = {{"abcabc", "abcabc", 0}, {"abcabc", "abcabca", -1}, {"aaa", "aa", 1},
                 {"C:\\work\\suite\\bin\\run.exe", "\\", 17}};
    for (const auto& l : lasts) EXPECT_EQ(KxString(l.text).findLast(l.what), l.at) << l.text << " " << l.what;
}

TEST(KxString, EditsCutAtTheEndAndRejectBadPositions) {
    const KxString source("abcdef");
    const struct {
        int start, count;
        const char* outcome;
    } subs[] = {{2, -1, "1 cdef"}, {2, 2, "1 cd"}, {4, 100, "1 ef"}, {6, -1, "1 "},
                {0, 0, "1 "},      {7, 1, "0 "},   {-1, 1, "0 "}};
    for (const auto& c : subs) {
        KxString out("junk");
        EXPECT_EQ(outcome(source.subString(c.start, out, c.count), out), c.outcome) << c.start << " " << c.count;
    }
    KxString s("abcdefgh");
    EXPECT_EQ(outcome(s.subString(1, s, 6), s), "1 bcdefg");  // the source may be its own output

    EXPECT_EQ(outcome(s.remove(1, 2), s), "1 befg");
    EXPECT_EQ(outcome(s.remove(2, -1), s), "1 be");
    EXPECT_EQ(outcome(s.remove(1, 50), s), "1 b");
    EXPECT_EQ(outcome(s.remove(2, 1), s), "0 b");
    EXPECT_EQ(outcome(s.remove(-1, 1), s), "0 b");
    EXPECT_EQ(outcome(s.insert("cd", 1), s), "1 bcd");
    EXPECT_EQ(outcome(s.insert("e", 3), s), "1 bcde");
    EXPECT_EQ(outcome(s.insert("x", 5), s), "0 bcde");
    EXPECT_EQ(outcome(s.insert("x", -1), s), "0 bcde");
}

TEST(KxString, ReplaceCountsEveryNonOverlappingOccurrence) {
    const struct {
        const char *text, *oldText, *newText;
        bool all, ok;
        int count;
        const char* after;
    } cases[] = {{"aaaa", "aa", "b", true, true, 2, "bb"},
                 {"aaa", "aa", "b", true, true, 1, "ba"},
                 {"a-a", "a", "aa", true, true, 2, "aa-aa"},  // new text is not searched again
                 {"C:\\work\\suite\\", "\\", "/", true, true, 3, "C:/work/suite/"},
                 {"abc", "x", "y", true, true, 0, "abc"},
                 {"abc", "", "y", true, false, 0, "abc"},
                 {"abab", "ab", "", false, true, 1, "ab"}};
    for (const auto& c : cases) {
        KxString s(c.text);
        int count = 99;
        EXPECT_EQ(s.replace(c.oldText, c.newText, count, c.all), c.ok) << c.text << " " << c.oldText;
        EXPECT_EQ(count, c.count) << c.text << " " << c.oldText;
        EXPECT_EQ(s.toStdString(), c.after);
    }
}

TEST(KxString, SingleByteFormNeedsRoomAndUnitsBelow256) {
    char buffer[8];
    const KxString s("abc");
    EXPECT_FALSE(s.stringToMbs(buffer, 3));
    EXPECT_FALSE(s.stringToMbs(nullptr, 8));
    ASSERT_TRUE(s.stringToMbs(buffer, 4));
    EXPECT_STREQ(buffer, "abc");
    char one = 'x';
    ASSERT_TRUE(KxString().stringToMbs(&one, 1));
    EXPECT_EQ(one, '\0');

    const KxString::Unit units[] = {u'a', u'\x0100', u'\x00FF'};
    EXPECT_FALSE(KxString(units, 3).stringToMbs(buffer, sizeof(buffer)));
    EXPECT_TRUE(KxString(units, 3).toStdString().empty());
    ASSERT_TRUE(KxString(units + 2, 1).stringToMbs(buffer, sizeof(buffer)));
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xFFu);

    // Every byte, UTF-8 included, passes through as one unit; the counted constructor keeps zero bytes.
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const KxString bytes(all.c_str());
    ASSERT_EQ(bytes.numChars(), 255);
    for (int i = 0; i < 255; ++i) EXPECT_EQ(bytes.at(i), static_cast<KxString::Unit>(i + 1)) << i;
    EXPECT_EQ(bytes.toStdString(), all);
    EXPECT_EQ(KxString("a\0b", 3).numChars(), 3);
    EXPECT_EQ(KxString("a\0b", 3).at(1), 0);
    // A null text is an empty one.
    EXPECT_TRUE(KxString(static_cast<const char*>(nullptr)).isEmpty());
    KxString cleared("b");
    EXPECT_TRUE(cleared.setString(nullptr) && cleared.isEmpty());
}

} // namespace
