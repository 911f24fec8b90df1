// The bounded unified diff of a failed golden check.
#include "checks/LineDiff.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using Rt::golden::unifiedDiff;
using Lines = std::vector<std::string>;

namespace {

const Rt::golden::SameLine exact = [](std::string_view a, std::string_view b) { return a == b; };

std::string numbered(int from, int to, int changed = -1) {
    std::string text;
    for (int i = from; i <= to; ++i) text += (i == changed ? "changed " : "line ") + std::to_string(i) + "\n";
    return text;
}

TEST(LineDiff, HunksShowChangesWithThreeLinesOfContextAndTheirRanges) {
    EXPECT_EQ(unifiedDiff("a\nb\n", "a\nb\n", exact, 40), Lines());
    EXPECT_EQ(unifiedDiff(numbered(1, 10), numbered(1, 10, 5), exact, 40),
              (Lines{"--- reference", "+++ output", "@@ -2,7 +2,7 @@", " line 2", " line 3", " line 4", "-line 5",
                     "+changed 5", " line 6", " line 7", " line 8"}));
    // Two changes close together share a hunk; far apart, each has its own.
    EXPECT_EQ(unifiedDiff("1\n2\n3\n4\n5\n", "0\n1\n2\n4\n5\n6\n", exact, 40),
              (Lines{"--- reference", "+++ output", "@@ -1,5 +1,6 @@", "+0", " 1", " 2", "-3", " 4", " 5", "+6"}));
    const Lines apart = unifiedDiff(numbered(1, 30, 2), numbered(1, 30, 25), exact, 40);
    EXPECT_EQ(apart, (Lines{"--- reference", "+++ output", "@@ -1,5 +1,5 @@", " line 1", "-changed 2", "+line 2",
                            " line 3", " line 4", " line 5", "@@ -22,7 +22,7 @@", " line 22", " line 23", " line 24",
                            "-line 25", "+changed 25", " line 26", " line 27", " line 28"}));
}

TEST(LineDiff, MissingLineEndsAndExtraLinesAtTheEndShow) {
    EXPECT_EQ(unifiedDiff("a\nb\n", "a\nb", exact, 40),
              (Lines{"--- reference", "+++ output", "@@ -1,2 +1,2 @@", " a", "-b", "+b",
                     "\\ No newline at end of file"}));
    EXPECT_EQ(unifiedDiff("a\n", "a\nb\nc\n", exact, 40), (Lines{"--- reference", "+++ output", "@@ -1,1 +1,3 @@",
                                                                 " a", "+b", "+c"}));
    EXPECT_EQ(unifiedDiff("", "x\n", exact, 40), (Lines{"--- reference", "+++ output", "@@ -0,0 +1,1 @@", "+x"}));
}

TEST(LineDiff, TheDiffIsBoundedAndLongLinesAreCut) {
    std::string many, others;
    for (int i = 0; i < 500; ++i) {
        many += "a" + std::to_string(i) + "\n";
        others += "b" + std::to_string(i) + "\n";
    }
    const Lines bounded = unifiedDiff(many, others, exact, 40);
    ASSERT_EQ(bounded.size(), 40u);
    EXPECT_EQ(bounded[3], "-a0");
    EXPECT_EQ(bounded.back(), "... (the diff goes on)");

    const std::string longLine(300, 'x');
    const Lines cut = unifiedDiff(longLine + "\n", "y\n", exact, 40);
    ASSERT_EQ(cut.size(), 5u);
    EXPECT_EQ(cut[3], "-" + std::string(200, 'x') + "...");
}

TEST(LineDiff, LinesEqualByThePredicateAreContext) {
    const Rt::golden::SameLine ignoringCase = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::tolower(a[i]) != std::tolower(b[i])) return false;
        return true;
    };
    EXPECT_EQ(unifiedDiff("A\nb\nC\n", "a\nB\nd\n", ignoringCase, 40),
              (Lines{"--- reference", "+++ output", "@@ -1,3 +1,3 @@", " A", " b", "-C", "+d"}));
}

} // namespace
