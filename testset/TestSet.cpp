#include "testset/TestSet.h"
#include "driver/MessageChannel.h"
#include "corelib/KxChron.h"
#include "corelib/KxErrorState.h"
#include "results/GlobalResults.h"
#include <cstdio>

namespace Rt {

namespace {

ErrorSummary currentCounts() {
    return gResults ? gResults->errorSummary(-1) : ErrorSummary();
}

// Hands the report what it holds before control passes to test code, so that
// a test that never returns still leaves its report complete up to here.
void flushBeforeTestCode() {
    if (gResults) gResults->flush();
    std::fflush(stdout);
}

} // namespace

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

void TestSet::sendCommand(const char* command, KxErrorCode code, const char* element) {
    Rt::sendCommand(m_message, "TestSet", "executeW", command, code, element);
}

void TestSet::sendValues(const KxString& time) {
    if (Msg* message = beginMessage(m_message, "TestSet", "executeW", "writeObj", eCommand)) {
        for (const KxString& arg : m_args) message->setAtr("Arg", arg);
        message->setAtr("Ext", m_ext);
        message->setAtr("Time", time);
        message->setAtr("Desc", getDesc());
        message->setAtr("Title", getTitle());
    }
    deliverCommand(m_message);
}

bool TestSet::execute() {
    KxChron watch;
    const KxString title = getTitle();

    KxVec<char> name;
    name.setLength(static_cast<std::uint32_t>(title.numChars()) + 2);
    if (title.stringToMbs(name.data(), static_cast<int>(name.size())))
        std::printf("Executing Test: %s\n", name.data());
    else
        std::printf("Executing Test: Unknown\n");

    sendCommand("openObj", eCommand, "Test");
    sendCommand("verifyB", eCommand, nullptr);
    KxPartition::setVersion(8, 1);
    const ErrorSummary before = currentCounts();

    flushBeforeTestCode();
    watch.start();
    bool passed = false;
    try {
        passed = executeW();
    } catch (...) {
        if (Msg* message = beginMessage(m_message, "TestSet", "executeW", "", eTestError)) {
            message->textList.append(KxString("Unknown Exception Occured in Test ") + title);
            try {
                warningState();
            } catch (...) {
            }
            KxErrorState::setError(message);
        }
        m_message = nullptr;
        passed = false;
    }

    if (gResults) {
        const ErrorSummary after = currentCounts();
        passed = passed && before.errors() == after.errors() && before.extErrors() == after.extErrors();
    }

    char time[64];
    std::snprintf(time, sizeof(time), "%.2f Seconds", watch.getTime());

    sendCommand("verifyA", eCommand, nullptr);
    sendValues(time);
    sendCommand("closeObj", eSummaryRequest, nullptr);
    sendCommand("closeObj", eCommand, "Test");
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
