#pragma once
// Checks for test bodies: executeW() and anything it calls. A check that
// holds does nothing; one that fails raises exactly one test error (code
// -15) through the error state, which the framework counts and reports like
// any other, so the test fails. Every check returns whether it held, so a
// test can stop early (`if (!RT_CHECK(ok)) return false;`), evaluates each
// operand exactly once, and never throws: an exception out of an operand
// fails the check, with the exception's text.
//
//   RT_CHECK(cond)                        cond is true
//   RT_CHECK_EQ(a, b) / NE / LT / LE / GT / GE
//                                         a == b, a != b, a < b, ...; two
//                                         integers compare by their values,
//                                         whatever their signedness
//   RT_CHECK_NEAR(a, b, tol)              |a - b| <= tol
//   RT_CHECK_REL(a, b, rel)               |a - b| <= rel * max(|a|, |b|)
//   RT_CHECK_THROWS(expr, Type)           expr throws a Type (or a class derived from it)
//   RT_CHECK_NO_THROW(expr)               expr throws nothing
//   RT_CHECK_GOLDEN(name, text)           text equals a reference file (see below)
//   RT_CHECK_GOLDEN_NEAR(name, text, tol) the same token by token, numbers within tol
//   RT_CHECK_GOLDEN_FILE(name, path)      a file's bytes equal a reference file
//
// The record of a failed check, in the report:
//   Method  Check::<the function holding the check>
//   Desc    the check as written, each operand's text as the compiler has it:
//           "RT_CHECK_NEAR(area, 12.5, 1e-9)"
//   Msg     one line per value, then "<file>:<line>" (the file as compiled,
//           __FILE__) as the last line. A value's line is
//           "<operand> = <value>", left out for a literal, whose text is its
//           value already (a number, text, true/false). Values print as <Rt/checks/ValueText.h> says:
//           numbers with the fewest digits that read back exactly, texts in
//           double quotes.
//     RT_CHECK            "<cond> is false"
//     RT_CHECK_EQ ... GE  "<a> = <value>", "<b> = <value>"
//     RT_CHECK_NEAR       "<a> = <value>", "expected <b> ± <tol>", "difference <|a - b|>"
//     RT_CHECK_REL        "<a> = <value>", "expected <b> ± <rel> relative (± <rel * max(|a|, |b|)>)",
//                         "difference <|a - b|> (relative <|a - b| / max(|a|, |b|)>)"
//     RT_CHECK_THROWS     "expected <Type>, but nothing was thrown", or
//                         "expected <Type>, but it threw: <what()>"
//     an exception out of an operand or expr: "threw: <what()>" (or "threw
//                         an exception that is not a std::exception")
//   "±" is written as its UTF-8 bytes (C2 B1), which the report carries
//   unchanged and the report page and e-mail summary show as UTF-8.
//   For example:
//     <Method>Check::executeW</Method>
//     <Desc>RT_CHECK_NEAR(area, 12.5, 1e-9)</Desc>
//     <Msg>area = 12.5000002</Msg>
//     <Msg>expected 12.5 ± 1e-09</Msg>
//     <Msg>difference 2.0000000056086265e-07</Msg>
//     <Msg>/src/geom/AreaTests.cpp:42</Msg>
//
// Golden files. A golden check writes its output to the output data
// directory (Rt::outDataDir() + name, GoldenData/<platform>/<name> in a
// suite), then compares it with the reference GoldenData/expected/<platform>/<name>
// when that file exists, else GoldenData/expected/<name> (the input data
// directory, Rt::inDataDir(), + "expected/..."). `name` is a relative path
// ("area/square.txt"), never absolute and never with a ".." part. `text`
// is a std::string, a C string, a std::string_view or a KxString (its
// single-byte form). RT_CHECK_GOLDEN compares bytes; RT_CHECK_GOLDEN_NEAR
// compares tokens (see checks/TokenCompare.h in the sources): whitespace
// separates tokens and its amount does not count, a number matches a number
// when they differ by at most tol * max(1, |reference|, |output|) (so tol
// is absolute for numbers up to 1 and relative above), any other token must
// be equal. RT_CHECK_GOLDEN_FILE copies the file at `path` to the output
// and compares bytes.
//
// The record of a failed golden check, a stable form that tools read from
// the report alone (an accept step copies the output over the reference):
//   Desc    the check as written, beginning with "RT_CHECK_GOLDEN"
//   Msg 1   what differs: "the output differs from the reference", "the
//           output differs from the reference: <first difference>" (tokens),
//           "first difference at byte <offset> ..." (files), or "no
//           reference yet: ..."
//   Msg 2   "reference: <absolute path of the reference compared>" (for a
//           missing reference: of the general reference, where it belongs)
//   Msg 3   "output: <absolute path of the output written>"
//   Msg ... a unified diff of the first differences ("--- reference",
//           "+++ output", "@@ -l,n +l,n @@", " ", "-" and "+" lines), at
//           most 40 lines, for text checks
//   Msg     "<file>:<line>" last.
// A golden check that could not write its output has no "output:" line
// ("cannot write the output ...", then the reference), so that no tool
// takes a stale output.
#include <Rt/checks/CheckFunctions.h>
#include <Rt/checks/GoldenCheck.h>

#define RT_CHECK_SITE_(text) (::Rt::check::Site{text, __FILE__, __LINE__, __func__})
#define RT_CHECK_VALUE_(expr) [&]() -> decltype(auto) { return (expr); }
#define RT_CHECK_RELATION_(relation, name, a, b)                                                                 \
    ::Rt::check::compare<::Rt::check::Relation::relation>(RT_CHECK_SITE_(name "(" #a ", " #b ")"), #a, #b,       \
                                                           RT_CHECK_VALUE_(a), RT_CHECK_VALUE_(b))

#define RT_CHECK(cond) ::Rt::check::isTrue(RT_CHECK_SITE_("RT_CHECK(" #cond ")"), #cond, [&]() { return (cond); })
#define RT_CHECK_EQ(a, b) RT_CHECK_RELATION_(eq, "RT_CHECK_EQ", a, b)
#define RT_CHECK_NE(a, b) RT_CHECK_RELATION_(ne, "RT_CHECK_NE", a, b)
#define RT_CHECK_LT(a, b) RT_CHECK_RELATION_(lt, "RT_CHECK_LT", a, b)
#define RT_CHECK_LE(a, b) RT_CHECK_RELATION_(le, "RT_CHECK_LE", a, b)
#define RT_CHECK_GT(a, b) RT_CHECK_RELATION_(gt, "RT_CHECK_GT", a, b)
#define RT_CHECK_GE(a, b) RT_CHECK_RELATION_(ge, "RT_CHECK_GE", a, b)
#define RT_CHECK_NEAR(a, b, tol)                                                                                 \
    ::Rt::check::nearAbsolute(RT_CHECK_SITE_("RT_CHECK_NEAR(" #a ", " #b ", " #tol ")"), #a, RT_CHECK_VALUE_(a), \
                              RT_CHECK_VALUE_(b), RT_CHECK_VALUE_(tol))
#define RT_CHECK_REL(a, b, rel)                                                                                  \
    ::Rt::check::nearRelative(RT_CHECK_SITE_("RT_CHECK_REL(" #a ", " #b ", " #rel ")"), #a, RT_CHECK_VALUE_(a), \
                              RT_CHECK_VALUE_(b), RT_CHECK_VALUE_(rel))
#define RT_CHECK_THROWS(expr, Type)                                                                              \
    ::Rt::check::throws<Type>(RT_CHECK_SITE_("RT_CHECK_THROWS(" #expr ", " #Type ")"), #Type,                    \
                              [&]() { (void)(expr); })
#define RT_CHECK_NO_THROW(expr)                                                                                  \
    ::Rt::check::noThrow(RT_CHECK_SITE_("RT_CHECK_NO_THROW(" #expr ")"), [&]() { (void)(expr); })
#define RT_CHECK_GOLDEN(name, text)                                                                              \
    ::Rt::check::golden(RT_CHECK_SITE_("RT_CHECK_GOLDEN(" #name ", " #text ")"), RT_CHECK_VALUE_(name),         \
                        RT_CHECK_VALUE_(text))
#define RT_CHECK_GOLDEN_NEAR(name, text, tol)                                                                    \
    ::Rt::check::goldenNear(RT_CHECK_SITE_("RT_CHECK_GOLDEN_NEAR(" #name ", " #text ", " #tol ")"),             \
                            RT_CHECK_VALUE_(name), RT_CHECK_VALUE_(text), RT_CHECK_VALUE_(tol))
#define RT_CHECK_GOLDEN_FILE(name, path)                                                                         \
    ::Rt::check::goldenFile(RT_CHECK_SITE_("RT_CHECK_GOLDEN_FILE(" #name ", " #path ")"), RT_CHECK_VALUE_(name), \
                            RT_CHECK_VALUE_(path))
