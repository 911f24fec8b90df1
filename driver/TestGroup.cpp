#include "driver/TestGroup.h"
#include "driver/MessageChannel.h"
#include "corelib/KxChron.h"
#include "results/GlobalResults.h"
#include "testset/TestSetFactory.h"
#include <cstdio>

namespace Rt {

TestGroup::TestGroup() { setExit(true); }

TestGroup::TestGroup(const TestGroup&) = default;

TestGroup& TestGroup::operator=(const TestGroup&) = default;

TestGroup::~TestGroup() {
    m_message = nullptr;
    m_factories.freeStorage();
}

void TestGroup::setFactories(Kx::SharedPtrVec<TestSetFactory>& list) { m_factories = list; }

void TestGroup::sendCommand(const char* command, KxErrorCode code, const char* element) {
    Rt::sendCommand(m_message, "TestGroup", "executeW", command, code, element);
}

void TestGroup::sendValues(const KxString& time) {
    if (Msg* message = beginMessage(m_message, "TestGroup", "executeW", "writeObj", eCommand)) {
        message->setAtr("Time", time);
        message->setAtr("Desc", getDesc());
        message->setAtr("Title", getTitle());
    }
    deliverCommand(m_message);
}

void TestGroup::raise(const KxString& text) { raiseMessage(m_message, "TestGroup", "executeD", eCoreError, text); }

bool TestGroup::execute(KxString& text) {
    KxChron watch;
    sendCommand("openObj", eCommand, "Group");
    watch.start();
    bool result;
    try {
        result = executeI(text);
    } catch (...) {
        raiseMessage(m_message, "TestGroup", "executeW", eTestError,
                     KxString("UnKnown Exception Occured in Group ") + getTitle());
        result = false;
    }
    char time[64];
    std::snprintf(time, sizeof(time), "%.2f Seconds", watch.getTime());
    sendValues(time);
    sendCommand("closeObj", eSummaryRequest, nullptr);
    sendCommand("closeObj", eCommand, "Group");
    return result;
}

// Asks the factories in order; the first that knows the test creates it. The
// test that ran stays held until the next one replaces it.
void TestGroup::runTest(const KxString& content, Kx::SharedPtr<TestSet>& held) {
    try {
        for (std::uint32_t i = 0, n = m_factories.size(); i < n; ++i) {
            TestSetFactory* factory = m_factories[i].get();
            held = factory ? factory->create(content) : nullptr;
            if (held) break;
        }
        if (!held) return;
        const bool passed = held->execute();
        setExit(getExit() && passed);
    } catch (...) {
        setExit(false);
    }
}

bool TestGroup::executeI(KxString& text) {
    auto emptyTagError = [this]() {
        raise(KxString("XML Error: Found ") + "Empty Object Tag" + " in group " + getTitle());
    };
    Kx::SharedPtr<TestSet> held;
    int start = text.find("<", 0) + 1;
    while (start != 0) {
        KxString tag, close, content;
        int lt = -1;
        int last = -1;
        const int gt = text.find(">", start);
        if (gt - start > 0) text.subString(start, tag, gt - start);
        else emptyTagError();

        if (tag == "test" || tag == "Test") {
            bool closed = true;
            for (int q = gt; close != "/test" && close != "/Test"; q = last) {
                lt = text.find("<", q);
                last = text.find(">", lt);
                if (last - lt - 1 > 0) text.subString(lt + 1, close, last - lt - 1);
                else emptyTagError();
                // The group text ended before the Test object's closing tag:
                // the incomplete test is not run and the scan is over.
                if (last == -1) {
                    closed = false;
                    break;
                }
            }
            if (!closed) break;
            if (lt - gt - 1 > 0) text.subString(gt + 1, content, lt - gt - 1);
            runTest(content, held);
        } else {
            lt = text.find("<", gt);
            last = text.find(">", lt);
            if (last - lt - 1 < 1) emptyTagError();
            else text.subString(lt + 1, close, last - lt - 1);
            tag.insert("/", 0);
            if (close != tag)
                raise(KxString("XML Error: Found ") + tag + " != " + close + " in group " + getTitle());
            if (lt - gt - 1 >= 1) {
                text.subString(gt + 1, content, lt - gt - 1);
                if (tag == "/name" || tag == "/Name") setTitle(content);
                else if (tag == "/desc" || tag == "/Desc") setDesc(content);
                else raise(KxString("XML Error: Found ") + "Unknown Object: " + tag + " in group " + getTitle());
            }
        }
        start = text.find("<", last) + 1;
    }
    // Releasing the last test runs its destructor, which is test code.
    if (held && gResults) gResults->flush();
    held = nullptr;
    return getExit();
}

} // namespace Rt
