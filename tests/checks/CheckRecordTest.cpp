// The record each check raises when it fails, and that it raises nothing and
// returns true when it holds.
#include "support/RaisedErrors.h"
#include "support/ReportSession.h"
#include "support/ScriptedTest.h"
#include <Rt/Checks.h>
#include <clocale>
#include <locale>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using testsupport::RaisedErrors;

namespace {

// "Check|<function>||<Desc>|-15|<Msg>|..." ending in this file's "<file>:<line>".
std::string record(const std::string& desc, const std::vector<std::string>& lines, int line,
                   const std::string& function = "TestBody") {
    std::string text = "Check|" + function + "||" + desc + "|-15";
    for (const std::string& msg : lines) text += "|" + msg;
    return text + "|" + __FILE__ + ":" + std::to_string(line);
}

struct Opaque {
    int bits = 3;
    bool operator==(const Opaque& other) const { return bits == other.bits; }
};

struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

double thrower() { throw std::runtime_error("sensor offline"); }

TEST(CheckRecord, HoldingChecksRaiseNothingAndReturnTrue) {
    RaisedErrors raised;
    const double area = 12.5000000001;
    const std::string name = "box";
    EXPECT_TRUE(RT_CHECK(area > 12));
    EXPECT_TRUE(RT_CHECK_EQ(name, "box"));
    EXPECT_TRUE(RT_CHECK_NE(3, 4));
    EXPECT_TRUE(RT_CHECK_LT(2.0, 3));
    EXPECT_TRUE(RT_CHECK_LE(3, 3));
    EXPECT_TRUE(RT_CHECK_GT(4, 3));
    EXPECT_TRUE(RT_CHECK_GE(3, 3));
    EXPECT_TRUE(RT_CHECK_NEAR(area, 12.5, 1e-9));
    EXPECT_TRUE(RT_CHECK_REL(1000.001, 1000.0, 1e-6));
    EXPECT_TRUE(RT_CHECK_THROWS(thrower(), std::exception));  // a derived type is caught
    EXPECT_TRUE(RT_CHECK_NO_THROW(area + 1));
    EXPECT_TRUE(RT_CHECK_EQ(Opaque(), Opaque()));
    EXPECT_TRUE(RT_CHECK_LT(-1, 0u));  // by value, where the language's conversion says otherwise
    EXPECT_TRUE(RT_CHECK_NEAR(HUGE_VAL, HUGE_VAL, 0.0));
    EXPECT_EQ(raised.all, std::vector<std::string>());
}

TEST(CheckRecord, EachFailedCheckRaisesOneErrorWithItsExpressionValuesAndPlace) {
    RaisedErrors raised;
    std::vector<std::string> expected;
    const double area = 12.5000002;
    const int visited = 6, nodes = 7;
    const std::string name = "cube";
    const KxString title("Box");

    // Literal operands (12.5, 6.5f, 0u, "box") show in the Desc: no line of their own.
    int line = __LINE__; EXPECT_FALSE(RT_CHECK_NEAR(area, 12.5, 1e-9));
    expected.push_back(record("RT_CHECK_NEAR(area, 12.5, 1e-9)",
                              {"area = 12.5000002", "expected 12.5 \xC2\xB1 1e-09", "difference 2.0000000056086265e-07"},
                              line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_EQ(visited, nodes));
    expected.push_back(record("RT_CHECK_EQ(visited, nodes)", {"visited = 6", "nodes = 7"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_EQ(0.1 + 0.2, 0.3));
    expected.push_back(record("RT_CHECK_EQ(0.1 + 0.2, 0.3)", {"0.1 + 0.2 = 0.30000000000000004"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_NE(visited, 6));
    expected.push_back(record("RT_CHECK_NE(visited, 6)", {"visited = 6"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_LT(nodes, visited));
    expected.push_back(record("RT_CHECK_LT(nodes, visited)", {"nodes = 7", "visited = 6"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_LE(nodes, 6.5f));
    expected.push_back(record("RT_CHECK_LE(nodes, 6.5f)", {"nodes = 7"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_GT(-1, 0u));
    expected.push_back(record("RT_CHECK_GT(-1, 0u)", {}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_GE(visited, nodes));
    expected.push_back(record("RT_CHECK_GE(visited, nodes)", {"visited = 6", "nodes = 7"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_EQ(name, "box"));
    expected.push_back(record("RT_CHECK_EQ(name, \"box\")", {"name = \"cube\""}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_EQ(title, KxString("Boxes")));
    expected.push_back(record("RT_CHECK_EQ(title, KxString(\"Boxes\"))",
                              {"title = \"Box\"", "KxString(\"Boxes\") = \"Boxes\""}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK(visited == nodes && area > 0));
    expected.push_back(record("RT_CHECK(visited == nodes && area > 0)", {"visited == nodes && area > 0 is false"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_REL(100.5, 100, 1e-3));
    expected.push_back(record("RT_CHECK_REL(100.5, 100, 1e-3)",
                              {"expected 100 \xC2\xB1 0.001 relative (\xC2\xB1 0.1005)",
                               "difference 0.5 (relative 0.004975124378109453)"},
                              line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_EQ(Opaque(), Opaque{4}));
    expected.push_back(record("RT_CHECK_EQ(Opaque(), Opaque{4})",
                              {"Opaque() = (no operator<<)", "Opaque{4} = (no operator<<)"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_THROWS(std::stoi("12"), std::invalid_argument));
    expected.push_back(record("RT_CHECK_THROWS(std::stoi(\"12\"), std::invalid_argument)",
                              {"expected std::invalid_argument, but nothing was thrown"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_THROWS(thrower(), std::logic_error));
    expected.push_back(record("RT_CHECK_THROWS(thrower(), std::logic_error)",
                              {"expected std::logic_error, but it threw: sensor offline"}, line));
    line = __LINE__; EXPECT_FALSE(RT_CHECK_NO_THROW(throw 42));
    expected.push_back(record("RT_CHECK_NO_THROW(throw 42)", {"threw an exception that is not a std::exception"}, line));
    // An operand that throws fails its check instead of leaving it.
    line = __LINE__; EXPECT_FALSE(RT_CHECK_NEAR(thrower(), 1.0, 0.1));
    expected.push_back(record("RT_CHECK_NEAR(thrower(), 1.0, 0.1)", {"threw: sensor offline"}, line));

    ASSERT_EQ(raised.all.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(raised.all[i], expected[i]) << i;
}

TEST(CheckRecord, OperandsAreEvaluatedOnceAndNumbersKeepEveryDigitInAnyLocale) {
    RaisedErrors raised;
    int calls = 0;
    auto next = [&]() { return ++calls; };
    EXPECT_FALSE(RT_CHECK_EQ(next(), 5));
    EXPECT_TRUE(RT_CHECK_NEAR(next(), 2, 0));
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(raised.all.size(), 1u);
    EXPECT_NE(raised.all[0].find("|next() = 1|"), std::string::npos) << raised.all[0];

    // A test that switched to a decimal-comma locale with grouping still gets
    // "." and no grouping (the C locale too, where the machine has one).
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    const long big = 1234567;
    const long double third = 1.0L / 3;
    const float tenth = 0.1f;
    EXPECT_FALSE(RT_CHECK_EQ(big, tenth));
    EXPECT_FALSE(RT_CHECK_EQ(third, 0));
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_EQ(raised.all.size(), 3u);
    EXPECT_NE(raised.all[1].find("|big = 1234567|tenth = 0.1|"), std::string::npos) << raised.all[1];
    // long double: max_digits10 digits, which read back exactly.
    const std::size_t at = raised.all[2].find("|third = 0.333");
    ASSERT_NE(at, std::string::npos) << raised.all[2];
    const std::string digits = raised.all[2].substr(at + 9, raised.all[2].find('|', at + 1) - at - 9);
    EXPECT_EQ(std::strtold(digits.c_str(), nullptr), third) << digits;
}

// In a running test a failed check fails the test with its record in the
// report, and the check's result lets the body stop early.
TEST(CheckRecord, AFailedCheckInABodyFailsTheTestWithItsRecord) {
    testsupport::ReportSession session;
    int line = 0;
    bool afterFailure = false;
    auto test = testsupport::makeTest("Area", [&](testsupport::ScriptedTest&) {
        line = __LINE__; if (!RT_CHECK_GT(2 + 2, 5)) return true;
        afterFailure = true;
        return true;
    });
    EXPECT_FALSE(testsupport::run(*test));
    EXPECT_FALSE(afterFailure);
    auto passing = testsupport::makeTest("Fine", [](testsupport::ScriptedTest&) { return RT_CHECK_EQ(2 + 2, 4); });
    EXPECT_TRUE(testsupport::run(*passing));
    testsupport::ExpectedReport expected;
    expected.openTest(0)
        .record("Error", "Check::operator()", "RT_CHECK_GT(2 + 2, 5)",
                {"2 + 2 = 4", std::string(__FILE__) + ":" + std::to_string(line)})
        .closeTest({}, "", "Scripted check", "Area", {0, 1});
    expected.openTest(1).closeTest({}, "", "Scripted check", "Fine", {});
    EXPECT_EQ(session.close(), session.whole(expected));
}

} // namespace
