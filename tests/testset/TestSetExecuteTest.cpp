// The execution frame of a test: progress line, report element, verdict.
#include "ReportText.h"
#include "ScriptedTest.h"
#include <chrono>
#include <regex>
#include <stdexcept>
#include <thread>

using namespace testsettest;
using testsupport::maskTimes;
using Strings = std::vector<std::string>;

namespace {

void raiseToolMessage(KxErrorCode code) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg("Tool", "run", "", "odd output", code));
    message->textList.append("see log");
    KxErrorState::setError(message.get());
}

} // namespace

TEST(TestSetExecute, PassingBodiesWriteCompleteElementsWithArgumentsBeforeExt) {
    ReportSession session;
    auto pass = makeTest("Pass", [](ScriptedTest&) { return true; }, "Passes quietly");
    std::string progress;
    EXPECT_TRUE(run(*pass, &progress));
    EXPECT_EQ(progress, "Executing Test: Pass\n");
    EXPECT_EQ(pass->bodyRuns, 1);
    EXPECT_EQ(pass->warningCalls, 0);
    EXPECT_EQ(KxPartition::versionMajor(), 8);
    EXPECT_EQ(KxPartition::versionMinor(), 1);

    auto args = makeTest("Args", [](ScriptedTest&) { return true; }, "Three & more");
    for (const char* arg : {"first", "second", "third"}) args->addArg(arg);
    args->setExt("a<b");
    EXPECT_TRUE(run(*args));
    // A title without a single-byte form changes the progress line only.
    const KxString::Unit wide[] = {u'S', u'm', 0x263A, u'e'};
    EXPECT_TRUE(run(*makeTest(KxString(wide, 4), [](ScriptedTest&) { return true; }), &progress));
    EXPECT_EQ(progress, "Executing Test: Unknown\n");

    const std::string report = session.close();
    EXPECT_EQ(report.rfind("<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n", 0), 0u);
    const std::string element = nthTestElement(report, 0);
    EXPECT_TRUE(std::regex_search(element, std::regex("<Time>[0-9]+\\.[0-9]{2} Seconds</Time>"))) << element;
    EXPECT_EQ(maskTimes(element), testElement("0000000000", values("", "Passes quietly", "Pass"), Counts{}));
    EXPECT_EQ(maskTimes(nthTestElement(report, 1)),
              testElement("0000000001",
                          line("    ", "<Arg>first</Arg>") + line("    ", "<Arg>second</Arg>") +
                              line("    ", "<Arg>third</Arg>") + values("a&lt;b", "Three &amp; more", "Args"),
                          Counts{}));
    EXPECT_NE(nthTestElement(report, 2), "");
    EXPECT_EQ(nthTestElement(report, 3), "");
}

TEST(TestSetExecute, ReportStateEOrAThrowingBodyFailsWithExactlyOneErrorRecord) {
    ReportSession session;
    std::string raised;
    auto reporting = makeTest("Failing", [&](ScriptedTest& self) {
        self.reportStateE("value out of range", "second text", "check", "first text");
        raised = describe(KxErrorState::s_pError);
        return true;
    });
    auto throwsStd = makeTest("Thrower", [](ScriptedTest&) -> bool { throw std::runtime_error("boom"); });
    auto throwsInt = makeTest("IntThrower", [](ScriptedTest&) -> bool { throw 42; });
    for (ScriptedTest* test : {reporting.get(), throwsStd.get(), throwsInt.get()}) {
        EXPECT_FALSE(run(*test));
        EXPECT_EQ(test->warningCalls, 1);
        EXPECT_EQ(test->errorsAtWarning, 0) << "the hook must run before the error is counted";
    }
    EXPECT_EQ(raised, "Failing|check|first text|second text|-15|value out of range");

    // The element is completed and closed however the body ended.
    const std::string report = session.close();
    EXPECT_EQ(report.substr(report.size() - 16), "</KxRegTester>\r\n");
    const std::pair<const char*, std::string> expected[] = {
        {"Failing", record("Error", "Failing::check", "second text", "value out of range")},
        {"Thrower", record("Error", "TestSet::executeW", "", "Unknown Exception Occured in Test Thrower")},
        {"IntThrower", record("Error", "TestSet::executeW", "", "Unknown Exception Occured in Test IntThrower")}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(maskTimes(nthTestElement(report, i)),
                  testElement("000000000" + std::to_string(i),
                              expected[i].second + values("", "Scripted check", expected[i].first), Counts{0, 1}));
    }
}

TEST(TestSetExecute, OnlyErrorsAndExternalErrorsFailEachTestOnItsOwn) {
    // {title, code raised by the body (0: none), verdict, record type written, counts}
    const struct {
        const char* title;
        KxErrorCode code;
        bool passes;
        const char* type;
        Counts counts;
    } cases[] = {{"Warned", -16, true, "Warning", Counts{0, 0, 1}},
                 {"ExtBroken", -17, false, "ExtError", Counts{0, 0, 0, 1}},
                 {"Clean", 0, true, nullptr, Counts{}},
                 {"ExtWarned", -18, true, "ExtWarning", Counts{0, 0, 0, 0, 1}},
                 {"CoreError", -13, true, nullptr, Counts{}},  // neither counted nor written
                 {"CoreWarning", -14, true, nullptr, Counts{}}};
    ReportSession session;
    for (const auto& c : cases) {
        auto test = makeTest(c.title, [&c](ScriptedTest&) {
            if (c.code) raiseToolMessage(c.code);
            return true;
        });
        EXPECT_EQ(run(*test), c.passes) << c.title;
    }
    const std::string report = session.close();
    for (int i = 0; i < 6; ++i) {
        const auto& c = cases[i];
        const std::string content = c.type ? record(c.type, "Tool::run", "odd output", "see log") : "";
        EXPECT_EQ(maskTimes(nthTestElement(report, i)),
                  testElement("000000000" + std::to_string(i), content + values("", "Scripted check", c.title),
                              c.counts));
    }
}

TEST(TestSetExecute, WithoutResultsNoCommandIsRaisedAndTheBodyDecides) {
    ASSERT_FALSE(Rt::gResults);
    RaisedErrors raised;
    std::string progress;
    EXPECT_TRUE(run(*makeTest("Caf\xe9", [](ScriptedTest&) { return true; }), &progress));
    EXPECT_EQ(progress, "Executing Test: Caf\xe9\n");
    EXPECT_FALSE(run(*makeTest("Refuses", [](ScriptedTest&) { return false; })));
    EXPECT_EQ(raised.all, Strings{}) << "report commands must never go through the error state";

    // With nobody counting, a raised error cannot fail the test.
    auto complains = makeTest("Complains", [](ScriptedTest& self) {
        self.reportStateE("why", "second", "method", "first");
        return true;
    });
    EXPECT_TRUE(run(*complains));
    KxErrorState::clearError();
    auto lonely = makeTest("Lonely", [](ScriptedTest&) -> bool { throw std::logic_error("x"); });
    EXPECT_FALSE(run(*lonely));
    EXPECT_EQ(lonely->currentAtWarning, "(none)") << "the hook must run before the error is raised";
    EXPECT_EQ(raised.all, (Strings{"Complains|method|first|second|-15|why",
                                   "TestSet|executeW|||-15|Unknown Exception Occured in Test Lonely"}));
}

TEST(TestSetExecute, TimeIsTheBodysDurationInSecondsWithTwoDecimals) {
    ReportSession session;
    auto slow = makeTest("Slow", [](ScriptedTest&) {
        std::this_thread::sleep_for(std::chrono::microseconds(1231000));
        return true;
    });
    EXPECT_TRUE(run(*slow));
    const std::string element = nthTestElement(session.close(), 0);
    std::smatch time;
    ASSERT_TRUE(std::regex_search(element, time, std::regex("<Time>([0-9]+\\.[0-9]{2}) Seconds</Time>")))
        << element;
    // At least the slept time; the margin above only absorbs a busy machine.
    EXPECT_GE(std::stod(time[1].str()), 1.23);
    EXPECT_LT(std::stod(time[1].str()), 1.5);
}
