// Token-wise comparison of a golden output with its reference.
#include "checks/TokenCompare.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using Rt::golden::compareTokens;
using Rt::golden::tokenize;

namespace {

// "n:<text>" for a number, "w:<text>" for anything else.
std::vector<std::string> kinds(const std::string& text) {
    std::vector<std::string> shown;
    for (const Rt::golden::Token& token : tokenize(text))
        shown.push_back((token.number ? "n:" : "w:") + std::string(token.text));
    return shown;
}

TEST(TokenCompare, NumbersStandApartFromWordsAndPunctuation) {
    EXPECT_EQ(kinds("area = -1.25e+01, x1 v2.0 1.2.3 12abc (+.5) 7. 1e 3-4 1e999"),
              (std::vector<std::string>{"w:area", "w:=", "n:-1.25e+01", "w:,", "w:x1", "w:v2.0", "w:1.2.3",
                                        "w:12abc", "w:(", "n:+.5", "w:)", "n:7.", "w:1e", "n:3", "w:-", "n:4",
                                        "w:1e999"}));
    const std::vector<Rt::golden::Token> tokens = tokenize("a\n\n  -2E-3\r\nb");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].line, 3);
    EXPECT_EQ(tokens[1].value, -2e-3);
    EXPECT_EQ(tokens[2].line, 4);
}

TEST(TokenCompare, NumbersMatchInAnyNotationSignAndWidthWithinTheTolerance) {
    struct Case {
        const char* reference;
        const char* output;
        double tolerance;
        bool equal;
    };
    const Case cases[] = {
        {"area 12.5\n", "area   1.25e+01\n", 0.0, true},          // scientific, other spacing
        {"x 1.5 2", "x 1.50\t2.000", 0.0, true},                  // widths
        {"+3 -0 0.0", "3 0 -0", 0.0, true},                        // signs
        {"v 0.3", "v 0.30000000000000004", 1e-12, true},
        {"v 0.3", "v 0.30000000000000004", 0.0, false},
        {"v 1e-10", "v 2e-10", 1e-9, true},                        // absolute below 1
        {"v 1e-10", "v 2e-9", 1e-9, false},
        {"v 1000000", "v 1000000.9", 1e-6, true},                  // relative above 1
        {"v 1000000", "v 1000001.1", 1e-6, false},
        {"v -12.5", "v 12.5", 1.0, false},                         // sign flips are differences
        {"v nan", "v nan", 0.0, true},                             // words, compared as text
        {"v 1e999", "v 1e999", 0.0, true},
        {"v 1e999", "v 1E999", 1.0, false},
        {"a b", "a  b\n", 0.0, true},
        {"a b", "a\nb", 0.0, true},                                // line ends are whitespace
        {"a,b", "a, b", 0.0, true},
        {"x1", "x2", 1.0, false},                                  // a number glued to a word is a word
        {"abc", "abd", 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reference) + " | " + c.output);
        EXPECT_EQ(compareTokens(c.reference, c.output, c.tolerance).equal, c.equal);
        EXPECT_EQ(compareTokens(c.output, c.reference, c.tolerance).equal, c.equal);
    }
}

TEST(TokenCompare, TheFirstDifferenceNamesLinesTokensAndExtraOrMissingOnes) {
    EXPECT_EQ(compareTokens("a 1\nb 12.5\nc 9", "a 1\nb 12.6\nc 0", 1e-3).firstDifference,
              "reference line 2 \"12.5\", output line 2 \"12.6\" (difference 0.09999999999999964, allowed 0.0126)");
    EXPECT_EQ(compareTokens("name box\n", "\nname boxes\n", 0.0).firstDifference,
              "reference line 1 \"box\", output line 2 \"boxes\"");
    EXPECT_EQ(compareTokens("1 2", "1 two", 0.0).firstDifference, "reference line 1 \"2\", output line 1 \"two\"");
    EXPECT_EQ(compareTokens("a 1\nb 2\n", "a 1\n", 0.0).firstDifference,
              "the output ends where the reference goes on: reference line 2 \"b\"");
    EXPECT_EQ(compareTokens("a 1\n", "a 1\n\nextra 3\n", 0.0).firstDifference,
              "the output goes on where the reference ends: output line 3 \"extra\"");
    EXPECT_EQ(compareTokens("", "", 0.0).firstDifference, "");
    EXPECT_TRUE(compareTokens(" \n\t", "", 0.0).equal);
}

} // namespace
