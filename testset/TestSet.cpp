#include "testset/TestSet.h"
#include "results/MessageChannel.h"
#include "corelib/KxChron.h"
#include "corelib/KxErrorState.h"
#include "report/SecondsText.h"
#include "results/GlobalResults.h"
#include "results/RunEvents.h"
#include "testset/TestElement.h"
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>
#if defined(__GNUG__)
#include <cxxabi.h>
#endif

namespace Rt {

namespace {

ErrorSummary currentCounts() {
    return gResults ? gResults->errorSummary(-1) : ErrorSummary();
}

int levelNow() { return gResults ? gResults->level() : 0; }

// A running test, as far as the run must know it to complete the test's
// element should the process end inside its body.
class RunningTest : public OpenFrame {
public:
    RunningTest(TestSet& test, Kx::SharedPtr<Msg>& field) : m_test(test), m_field(field), m_level(levelNow()) {
        m_watch.start();
    }
    void restartClock() { m_watch.start(); }
    double seconds() { return m_watch.getTime(); }

    void complete(const KxString& reason) override {
        if (gResults) gResults->closeLevelsAbove(m_level);
        const KxString title = m_test.getTitle().isEmpty() ? RunEvents::currentTest().caseName : m_test.getTitle();
        const double time = seconds();
        completeTestElement(m_field, reason, m_test.getArg(), m_test.getExt(), SecondsText(time), m_test.getDesc(),
                            title);
        RunEvents::testTimed(time);
        RunEvents::testEnded(m_test, false);
    }

private:
    TestSet& m_test;
    Kx::SharedPtr<Msg>& m_field;
    int m_level;
    KxChron m_watch;
};

void sendTestValues(Kx::SharedPtr<Msg>& field, const KxVec<KxString>& args, const KxString& ext,
                    const KxString& time, const KxString& desc, const KxString& title) {
    const CommandTexts& words = commandTexts();
    if (Msg* message = beginMessage(field, words.testSet, words.executeW, words.writeObj, eCommand)) {
        const std::uint32_t values = args.size() + 4;
        message->textList.reserve(values);
        message->traceList.reserve(values);
        for (const KxString& arg : args) message->setAtr(words.arg, arg);
        message->setAtr(words.ext, ext);
        message->setAtr(words.time, time);
        message->setAtr(words.desc, desc);
        message->setAtr(words.title, title);
    }
    deliverCommand(field);
}

// A type's name as written in the source where the compiler tells it.
std::string typeName(const std::type_info& type) {
#if defined(__GNUG__)
    int status = 0;
    char* plain = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const std::string name = status == 0 && plain ? plain : type.name();
    std::free(plain);
    return name;
#else
    return type.name();
#endif
}

// The type of the exception being handled, in a catch (...) block.
std::string caughtTypeName() {
#if defined(__GNUG__)
    if (const std::type_info* type = abi::__cxa_current_exception_type()) return typeName(*type);
#endif
    return "an exception of unknown type";
}

} // namespace

void completeTestElement(Kx::SharedPtr<Msg>& field, const KxString& reason, const KxVec<KxString>& args,
                         const KxString& ext, const KxString& time, const KxString& desc, const KxString& title) {
    const CommandTexts& words = commandTexts();
    if (!reason.isEmpty()) {
        field = new Msg(words.testSet, words.executeW, words.none, reason, eTestError);
        deliverCommand(field);
    }
    sendTestValues(field, args, ext, time, desc, title);
    Rt::sendCommand(field, words.testSet, words.executeW, words.closeObj, eSummaryRequest, nullptr);
    Rt::sendCommand(field, words.testSet, words.executeW, words.closeObj, eCommand, &words.test);
}

TestSet::TestSet() { setSeed(100); }

TestSet::TestSet(const TestSet&) = default;

TestSet& TestSet::operator=(const TestSet&) = default;

TestSet::~TestSet() = default;

void TestSet::initialize() {
    setTitle("TestSet");
    setDesc("Base Class of all TestSets");
    setType(eTestRegression);
}

bool TestSet::fatalState() { return true; }
bool TestSet::warningState() { return true; }

void TestSet::addArg(const KxString& arg) { m_args.append(arg); }

void TestSet::_getData(Kx::SharedPtr<KxBase>& out) {
    if (out.get() != m_data.get()) out = m_data;
}

void TestSet::sendCommand(const KxString& command, KxErrorCode code, const KxString* element) {
    Rt::sendCommand(m_message, commandTexts().testSet, commandTexts().executeW, command, code, element);
}

bool TestSet::execute() {
    const KxString title = getTitle();

    // Short titles, nearly all of them, need no buffer from the heap.
    char shortName[128];
    KxVec<char> longName;
    char* name = shortName;
    const int size = title.numChars() + 2;
    if (size > static_cast<int>(sizeof(shortName))) {
        longName.setLength(static_cast<std::uint32_t>(size));
        name = longName.data();
    }
    if (name && title.stringToMbs(name, size))
        std::printf("Executing Test: %s\n", name);
    else
        std::printf("Executing Test: Unknown\n");

    const CommandTexts& words = commandTexts();
    sendCommand(words.openObj, eCommand, &words.test);
    RunningTest running(*this, m_message);
    FrameScope frame(running);
    RunEvents::testStarted(*this, gResults && gResults->testReporter() ? gResults->testReporter()->lastId() : -1);
    sendCommand(words.verifyB, eCommand, nullptr);
    KxPartition::setVersion(8, 1);
    const ErrorSummary before = currentCounts();

    handOverToForeignCode();
    running.restartClock();
    bool passed = false;
    // The fixed record of a body that threw; observers learn more.
    const auto recordException = [&] {
        if (Msg* message = beginMessage(m_message, "TestSet", "executeW", "", eTestError)) {
            message->textList.append(KxString("Unknown Exception Occured in Test ") + title);
            try {
                warningState();
            } catch (...) {
            }
            KxErrorState::setError(message);
        }
        m_message = nullptr;
    };
    try {
        passed = executeW();
    } catch (const std::exception& error) {
        recordException();
        RunEvents::testThrew(*this, typeName(typeid(error)).c_str(), error.what());
        passed = false;
    } catch (...) {
        recordException();
        RunEvents::testThrew(*this, caughtTypeName().c_str(), nullptr);
        passed = false;
    }

    if (gResults) {
        const ErrorSummary after = currentCounts();
        passed = passed && before.errors() == after.errors() && before.extErrors() == after.extErrors();
    }

    const double seconds = running.seconds();

    sendCommand(words.verifyA, eCommand, nullptr);
    completeTestElement(m_message, words.none, m_args, m_ext, SecondsText(seconds), getDesc(), getTitle());
    RunEvents::testTimed(seconds);
    RunEvents::testEnded(*this, passed);
    return passed;
}

void TestSet::reportStateE(const KxString& text, const char* a, const char* b, const char* c) {
    Kx::SharedPtr<Msg> message(new Msg(getTitle(), KxString(b), KxString(c), KxString(a), eTestError));
    if (!message) return;
    message->textList.append(text);
    warningState();
    KxErrorState::setError(message.get());
}

} // namespace Rt
