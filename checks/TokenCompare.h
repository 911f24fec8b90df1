#pragma once
// Token-wise comparison of two texts, numbers within a tolerance: what a
// golden check with a tolerance compares. Numbers printed by another
// compiler, platform or format (12.5 / 12.50 / 1.25e+01, padded to other
// widths) match when close enough; everything else must be equal.
#include "env/InternalExport.h"
#include <string>
#include <string_view>
#include <vector>

namespace Rt {
namespace golden {

// A text splits into tokens, whitespace between them counting as a
// separator only (its amount and kind do not matter, line ends included):
// - a number: an optional sign, digits with an optional decimal point (or a
//   point and digits), an optional exponent ("-1.5e-07", "+3", ".5", "7."),
//   not glued to a letter, digit, "_" or "." on either side;
// - a word: a run of letters, digits, "_" and "." that is not a number
//   ("x1", "v2.0", "1.2.3", "12abc");
// - any other character on its own ("(", ",", "=", "-" when no digit follows).
struct Token {
    std::string_view text;
    int line = 1;          // 1-based line of the text it stands on
    bool number = false;
    double value = 0.0;    // when number
};

RT_INTERNAL_API std::vector<Token> tokenize(std::string_view text);

// Two numbers match when they differ by at most tol * max(1, |a|, |b|):
// absolute below magnitude 1, relative above it. Equal infinities match, NaN
// matches nothing.
RT_INTERNAL_API bool numbersMatch(double a, double b, double tolerance);

struct TokenComparison {
    bool equal = true;
    // When not equal: the first difference, for a person to read, e.g.
    // "line 3: reference 12.5, output 12.6 (difference 0.1, allowed 1.26e-08)".
    std::string firstDifference;
};

RT_INTERNAL_API TokenComparison compareTokens(std::string_view reference, std::string_view output, double tolerance);

} // namespace golden
} // namespace Rt
