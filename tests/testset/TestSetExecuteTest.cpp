// The execution frame of a test: progress line, report element, verdict.
#include "RaisedErrors.h"
#include "ReportText.h"
#include "ScriptedTest.h"
#include <chrono>
#include <regex>
#include <stdexcept>
#include <thread>

using namespace testsettest;
using testsupport::maskTimes;
using testsupport::xmlProblems;

namespace {

void raise(const char* className, const char* method, const char* text2, KxErrorCode code, const char* line) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(className, method, "", text2, code));
    ASSERT_TRUE(message);
    message->textList.append(line);
    KxErrorState::setError(message.get());
}

} // namespace

TEST(TestSetExecute, PassingBodyWritesOneCompleteTestElement) {
    ReportSession session;
    auto test = makeTest("Pass", [](ScriptedTest&) { return true; }, "Passes quietly");
    std::string progress;
    EXPECT_TRUE(session.run(*test, &progress));
    EXPECT_EQ(progress, "Executing Test: Pass\n");
    EXPECT_EQ(test->bodyRuns, 1);
    EXPECT_EQ(test->warningCalls, 0);
    EXPECT_EQ(KxPartition::versionMajor(), 8);
    EXPECT_EQ(KxPartition::versionMinor(), 1);

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    EXPECT_EQ(report.rfind("<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n", 0), 0u);
    const std::string element = nthTestElement(report, 0);
    EXPECT_TRUE(std::regex_search(element, std::regex("<Time>[0-9]+\\.[0-9]{2} Seconds</Time>"))) << element;
    EXPECT_EQ(maskTimes(element), testElement("0000000000", values("", "Passes quietly", "Pass"), Counts{}));
    EXPECT_EQ(nthTestElement(report, 1), "");
}

TEST(TestSetExecute, ReportStateEFailsTheTestWithOneErrorRecord) {
    ReportSession session;
    std::string seenClass, seenMethod, seenText1, seenText2;
    KxErrorCode seenCode = 0;
    auto test = makeTest("Failing", [&](ScriptedTest& self) {
        self.reportStateE("value out of range", "second text", "check", "first text");
        if (const KxStdError* current = KxErrorState::s_pError) {
            seenClass = current->getClassName().toStdString();
            seenMethod = current->getMethodName().toStdString();
            seenText1 = current->getText1().toStdString();
            seenText2 = current->getText2().toStdString();
            seenCode = current->getCode();
        }
        return true;
    });
    EXPECT_FALSE(session.run(*test));
    EXPECT_EQ(seenClass, "Failing");
    EXPECT_EQ(seenMethod, "check");
    EXPECT_EQ(seenText1, "first text");
    EXPECT_EQ(seenText2, "second text");
    EXPECT_EQ(seenCode, -15);
    EXPECT_EQ(test->warningCalls, 1);
    EXPECT_EQ(test->errorsAtWarning, 0) << "the hook must run before the error is counted";

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    Counts counts;
    counts.errors = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("Error", "Failing::check", "second text", "value out of range") +
                              values("", "Scripted check", "Failing"),
                          counts));
}

TEST(TestSetExecute, WarningsAndCoreErrorsAloneDoNotFail) {
    ReportSession session;
    auto warned = makeTest("Warned", [](ScriptedTest&) {
        raise("Checker", "look", "careful", -16, "just so");
        return true;
    });
    auto externallyWarned = makeTest("ExtWarned", [](ScriptedTest&) {
        raise("Tool", "run", "odd output", -18, "see log");
        return true;
    });
    // Core errors and warnings are neither counted nor written.
    auto coreRaised = makeTest("CoreRaised", [](ScriptedTest&) {
        raise("Scanner", "read", "syntax", -13, "ignored");
        raise("Scanner", "read", "style", -14, "ignored too");
        return true;
    });
    EXPECT_TRUE(session.run(*warned));
    EXPECT_TRUE(session.run(*externallyWarned));
    EXPECT_TRUE(session.run(*coreRaised));

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    Counts warnings;
    warnings.warnings = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("Warning", "Checker::look", "careful", "just so") +
                              values("", "Scripted check", "Warned"),
                          warnings));
    Counts extWarnings;
    extWarnings.extWarnings = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 1)),
              testElement("0000000001",
                          record("ExtWarning", "Tool::run", "odd output", "see log") +
                              values("", "Scripted check", "ExtWarned"),
                          extWarnings));
    EXPECT_EQ(maskTimes(nthTestElement(report, 2)),
              testElement("0000000002", values("", "Scripted check", "CoreRaised"), Counts{}));
}

TEST(TestSetExecute, ExternalErrorFailsAndTheNextTestIsJudgedOnItsOwn) {
    ReportSession session;
    auto broken = makeTest("ExtBroken", [](ScriptedTest&) {
        raise("Tool", "run", "crashed", -17, "exit 3");
        return true;
    });
    auto clean = makeTest("Clean", [](ScriptedTest&) { return true; });
    EXPECT_FALSE(session.run(*broken));
    EXPECT_TRUE(session.run(*clean)) << "earlier errors must not count against a later test";

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    Counts extErrors;
    extErrors.extErrors = 1;
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          record("ExtError", "Tool::run", "crashed", "exit 3") +
                              values("", "Scripted check", "ExtBroken"),
                          extErrors));
    EXPECT_EQ(maskTimes(nthTestElement(report, 1)),
              testElement("0000000001", values("", "Scripted check", "Clean"), Counts{}));
}

TEST(TestSetExecute, ThrowingBodyRaisesOneErrorAndStillClosesItsElement) {
    ReportSession session;
    auto throwsStd = makeTest("Thrower", [](ScriptedTest&) -> bool { throw std::runtime_error("boom"); });
    auto throwsInt = makeTest("IntThrower", [](ScriptedTest&) -> bool { throw 42; });
    EXPECT_FALSE(session.run(*throwsStd));
    EXPECT_FALSE(session.run(*throwsInt));
    EXPECT_EQ(throwsStd->warningCalls, 1);
    EXPECT_EQ(throwsStd->errorsAtWarning, 0) << "the hook must run before the error is counted";
    EXPECT_EQ(throwsInt->warningCalls, 1);

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    EXPECT_EQ(report.substr(report.size() - 16), "</KxRegTester>\r\n");
    Counts oneError;
    oneError.errors = 1;
    const std::string first = nthTestElement(report, 0);
    EXPECT_EQ(occurrences(first, "<Error>"), 1);
    EXPECT_EQ(maskTimes(first),
              testElement("0000000000",
                          record("Error", "TestSet::executeW", "", "Unknown Exception Occured in Test Thrower") +
                              values("", "Scripted check", "Thrower"),
                          oneError));
    EXPECT_EQ(maskTimes(nthTestElement(report, 1)),
              testElement("0000000001",
                          record("Error", "TestSet::executeW", "", "Unknown Exception Occured in Test IntThrower") +
                              values("", "Scripted check", "IntThrower"),
                          oneError));
}

TEST(TestSetExecute, WithoutResultsNoCommandIsRaisedAndTheBodyDecides) {
    RaisedErrors raised;
    ASSERT_FALSE(Rt::gResults);

    auto quiet = makeTest("Quiet", [](ScriptedTest&) { return true; });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(quiet->execute());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Executing Test: Quiet\n");
    EXPECT_EQ(raised.count(), 0u) << "report commands must never go through the error state";

    auto refuses = makeTest("Refuses", [](ScriptedTest&) { return false; });
    testing::internal::CaptureStdout();
    EXPECT_FALSE(refuses->execute());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(raised.count(), 0u);

    // With nobody counting, a raised error cannot fail the test.
    auto complains = makeTest("Complains", [](ScriptedTest& self) {
        self.reportStateE("why", "second", "method", "first");
        return true;
    });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(complains->execute());
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(raised.count(), 1u);
    EXPECT_EQ(raised.at(0).className, "Complains");
    EXPECT_EQ(raised.at(0).method, "method");
    EXPECT_EQ(raised.at(0).text1, "first");
    EXPECT_EQ(raised.at(0).text2, "second");
    EXPECT_EQ(raised.at(0).code, -15);
    EXPECT_EQ(raised.at(0).lines, std::vector<std::string>{"why"});

    raised.reset();
    KxErrorState::clearError();
    auto lonely = makeTest("Lonely", [](ScriptedTest&) -> bool { throw std::logic_error("x"); });
    testing::internal::CaptureStdout();
    EXPECT_FALSE(lonely->execute());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(lonely->warningCalls, 1);
    EXPECT_EQ(lonely->currentErrorAtWarning, nullptr) << "the hook must run before the error is raised";
    ASSERT_EQ(raised.count(), 1u);
    EXPECT_EQ(raised.at(0).className, "TestSet");
    EXPECT_EQ(raised.at(0).method, "executeW");
    EXPECT_EQ(raised.at(0).text1, "");
    EXPECT_EQ(raised.at(0).text2, "");
    EXPECT_EQ(raised.at(0).code, -15);
    EXPECT_EQ(raised.at(0).lines, std::vector<std::string>{"Unknown Exception Occured in Test Lonely"});
}

TEST(TestSetExecute, ArgumentsAreWrittenInScriptOrderBeforeExt) {
    ReportSession session;
    auto test = makeTest("Args", [](ScriptedTest&) { return true; }, "Three & more");
    test->addArg("first");
    test->addArg("second");
    test->addArg("third");
    test->setExt("a<b");
    EXPECT_TRUE(session.run(*test));

    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    EXPECT_EQ(maskTimes(nthTestElement(report, 0)),
              testElement("0000000000",
                          line("    ", "<Arg>first</Arg>") + line("    ", "<Arg>second</Arg>") +
                              line("    ", "<Arg>third</Arg>") + values("a&lt;b", "Three &amp; more", "Args"),
                          Counts{}));
}

TEST(TestSetExecute, ProgressLineShowsSingleByteTitlesAndUnknownOtherwise) {
    auto latin = makeTest("Caf\xe9", [](ScriptedTest&) { return true; });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(latin->execute());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Executing Test: Caf\xe9\n");

    ReportSession session;
    const KxString::Unit wide[] = {u'S', u'm', 0x263A, u'e'};
    auto unicode = makeTest(KxString(wide, 4), [](ScriptedTest&) { return true; });
    std::string progress;
    EXPECT_TRUE(session.run(*unicode, &progress));
    EXPECT_EQ(progress, "Executing Test: Unknown\n");

    // The element of a test with such a title is still opened and closed.
    const std::string report = session.close();
    EXPECT_EQ(xmlProblems(session.reportPath()), "");
    EXPECT_NE(nthTestElement(report, 0), "");
    EXPECT_EQ(occurrences(report, "</Test>"), 1);
}

TEST(TestSetExecute, TimeIsTheBodysDurationInSecondsWithTwoDecimals) {
    ReportSession session;
    auto slow = makeTest("Slow", [](ScriptedTest&) {
        std::this_thread::sleep_for(std::chrono::microseconds(1231000));
        return true;
    });
    EXPECT_TRUE(session.run(*slow));
    const std::string element = nthTestElement(session.close(), 0);

    std::smatch time;
    ASSERT_TRUE(std::regex_search(element, time, std::regex("<Time>([0-9]+\\.[0-9]{2}) Seconds</Time>")))
        << element;
    const double seconds = std::stod(time[1].str());
    // At least the slept time; the margin above only absorbs a busy machine.
    EXPECT_GE(seconds, 1.23);
    EXPECT_LT(seconds, 1.5);
}
