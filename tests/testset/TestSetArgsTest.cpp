// Arguments and extension text read by type: good, missing and bad input.
#include "support/ScriptedTest.h"
#include "testset/ArgText.h"
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using testsupport::RaisedErrors;
using testsupport::ScriptedTest;

namespace {

Kx::SharedPtr<ScriptedTest> withArgs(std::initializer_list<const char*> args, const char* ext = "") {
    auto test = testsupport::makeTest("Box", [](ScriptedTest&) { return true; });
    for (const char* arg : args) test->addArg(arg);
    test->setExt(ext);
    return test;
}

TEST(TestSetArgs, WellFormedTextsReadAsTheirTypesWithoutARecord) {
    RaisedErrors raised;
    auto test = withArgs({"12.5", " -3\t", "+9223372036854775807", "1e-09", "Yes", "OFF", "a b", "0"}, "24");
    EXPECT_EQ(test->argCount(), 8);
    EXPECT_EQ(test->arg<double>(0), 12.5);
    EXPECT_EQ(test->arg<int>(1), -3);
    EXPECT_EQ(test->arg<long long>(2), 9223372036854775807LL);
    EXPECT_EQ(test->arg<double>(3), 1e-9);
    EXPECT_TRUE(test->arg<bool>(4));
    EXPECT_FALSE(test->arg<bool>(5));
    EXPECT_EQ(test->arg<std::string>(6), "a b");
    EXPECT_TRUE(test->arg<KxString>(6) == "a b");
    EXPECT_EQ(test->arg<double>(7), 0.0);
    EXPECT_EQ(test->extAs<int>(), 24);
    EXPECT_EQ(test->extAs<double>(), 24.0);
    EXPECT_EQ(withArgs({})->extAs<std::string>(), "");  // an empty extension text is a text
    EXPECT_EQ(test->warningCalls, 0);

    // A decimal-comma locale changes nothing.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(test->arg<double>(0), 12.5);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(raised.all, std::vector<std::string>());
}

TEST(TestSetArgs, AMissingOrBadArgumentRaisesOneErrorSayingWhichWhatAndWhatWasExpected) {
    RaisedErrors raised;
    auto test = withArgs({"12.5", "2147483648", "12abc", "", "maybe", "1,5"}, "abc");
    EXPECT_EQ(test->arg<int>(0), 0);
    EXPECT_EQ(test->arg<int>(1), 0);
    EXPECT_EQ(test->arg<double>(2), 0.0);
    EXPECT_EQ(test->arg<long long>(3), 0);
    EXPECT_FALSE(test->arg<bool>(4));
    EXPECT_EQ(test->arg<double>(5), 0.0);
    EXPECT_EQ(test->arg<double>(6), 0.0);
    EXPECT_EQ(test->arg<std::string>(-1), "");
    EXPECT_EQ(test->extAs<double>(), 0.0);
    EXPECT_EQ(withArgs({})->extAs<bool>(), false);
    EXPECT_EQ(withArgs({})->arg<KxString>(0), KxString());
    EXPECT_EQ(withArgs({"x"})->arg<int>(1), 0);

    const std::string intRange = "expected a whole number from -2147483648 to 2147483647";
    const std::string number = "expected a number such as 12.5, -3 or 1e-09";
    const std::vector<std::string> expected{
        "Box|arg||arg<int>(0): argument 0 is not an int|-15|argument 0 = \"12.5\"|" + intRange,
        "Box|arg||arg<int>(1): argument 1 is out of range for an int|-15|argument 1 = \"2147483648\"|" + intRange,
        "Box|arg||arg<double>(2): argument 2 is not a double|-15|argument 2 = \"12abc\"|" + number,
        "Box|arg||arg<long long>(3): argument 3 is not a long long|-15|argument 3 = \"\"|expected a whole number "
        "from -9223372036854775808 to 9223372036854775807",
        "Box|arg||arg<bool>(4): argument 4 is not a bool|-15|argument 4 = \"maybe\"|expected true, false, yes, no, "
        "on, off, 1 or 0",
        "Box|arg||arg<double>(5): argument 5 is not a double|-15|argument 5 = \"1,5\"|" + number,
        "Box|arg||arg<double>(6): the test has no argument 6|-15|the test has 6 arguments: 0 to 5|" + number,
        "Box|arg||arg<std::string>(-1): the test has no argument -1|-15|the test has 6 arguments: 0 to 5|"
        "expected any text",
        "Box|extAs||extAs<double>(): the extension text is not a double|-15|the extension text = \"abc\"|" + number,
        "Box|extAs||extAs<bool>(): the extension text is empty|-15|expected true, false, yes, no, on, off, 1 or 0",
        "Box|arg||arg<KxString>(0): the test has no argument 0|-15|the test has no arguments|expected any text",
        "Box|arg||arg<int>(1): the test has no argument 1|-15|the test has 1 argument: 0|" + intRange,
    };
    EXPECT_EQ(raised.all, expected);
    // Raised on the test's behalf, each announced to it first.
    EXPECT_EQ(test->warningCalls, 9);
}

// The edges of strict reading, below the test's interface.
TEST(TestSetArgs, ReadingIsStrictAboutSignsRangesAndTrailingText) {
    double d = 7;
    int i = 7;
    long long ll = 7;
    bool b = false;
    EXPECT_EQ(Rt::readArgText("1e999", d), Rt::ArgReading::outOfRange);
    EXPECT_EQ(Rt::readArgText("-1e999", d), Rt::ArgReading::outOfRange);
    EXPECT_EQ(Rt::readArgText("1e-999", d), Rt::ArgReading::outOfRange);
    EXPECT_EQ(d, 7);  // untouched by a failed read
    EXPECT_EQ(Rt::readArgText("inf", d), Rt::ArgReading::ok);
    EXPECT_TRUE(std::isinf(d));
    EXPECT_EQ(Rt::readArgText(".5", d), Rt::ArgReading::ok);
    EXPECT_EQ(d, 0.5);
    for (const char* bad : {"+-1", "++1", "--1", "1 2", "0x10", "1.5.", "", "  ", "+", "-", "1e", "１"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Rt::readArgText(bad, d), Rt::ArgReading::malformed);
        EXPECT_EQ(Rt::readArgText(bad, i), Rt::ArgReading::malformed);
    }
    EXPECT_EQ(Rt::readArgText("-2147483648", i), Rt::ArgReading::ok);
    EXPECT_EQ(i, -2147483647 - 1);
    EXPECT_EQ(Rt::readArgText("-2147483649", i), Rt::ArgReading::outOfRange);
    EXPECT_EQ(Rt::readArgText("1.0", i), Rt::ArgReading::malformed);
    EXPECT_EQ(Rt::readArgText("9223372036854775808", ll), Rt::ArgReading::outOfRange);
    EXPECT_EQ(Rt::readArgText("-9223372036854775808", ll), Rt::ArgReading::ok);
    for (const char* yes : {"true", "TRUE", "yes", "On", "1"}) {
        b = false;
        EXPECT_EQ(Rt::readArgText(yes, b), Rt::ArgReading::ok) << yes;
        EXPECT_TRUE(b) << yes;
    }
    for (const char* bad : {"2", "y", "truee", "t rue", "", "-1"}) EXPECT_EQ(Rt::readArgText(bad, b), Rt::ArgReading::malformed) << bad;
}

} // namespace
