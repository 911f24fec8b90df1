#include "driver/TestGroup.h"
#include "results/MessageChannel.h"
#include "driver/TagCursor.h"
#include "corelib/KxChron.h"
#include "report/SecondsText.h"
#include "results/GlobalResults.h"
#include "results/RunEvents.h"
#include "testset/TestElement.h"
#include "testset/TestSetFactory.h"

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

void TestGroup::raise(const KxString& text) {
    RunEvents::scriptProblem(text);
    raiseMessage(m_message, "TestGroup", "executeD", eCoreError, text);
}

namespace {

int levelNow() { return gResults ? gResults->level() : 0; }

// A Test object being created: should the run end inside its creator or
// initialize(), its element is written from what the script says.
class CreatingTest : public OpenFrame {
public:
    CreatingTest(const TestInfo& test, Kx::SharedPtr<Msg>& field) : m_test(test), m_field(field), m_level(levelNow()) {}
    void complete(const KxString& reason) override {
        if (gResults) gResults->closeLevelsAbove(m_level);
        Rt::sendCommand(m_field, "TestSet", "executeW", "openObj", eCommand, "Test");
        completeTestElement(m_field, reason, m_test.args, m_test.ext, SecondsText(0), KxString(), m_test.caseName);
    }

private:
    const TestInfo& m_test;
    Kx::SharedPtr<Msg>& m_field;
    int m_level;
};

} // namespace

// A running group: should the run end inside it, the group's element is
// completed with its values and summary.
struct TestGroup::Running : OpenFrame {
    explicit Running(TestGroup& group) : group(group), level(levelNow()) { watch.start(); }
    void complete(const KxString& reason) override {
        if (gResults) gResults->closeLevelsAbove(level);
        if (!reason.isEmpty()) {
            group.m_message = new Msg(KxString("TestGroup"), KxString("executeW"), KxString(), reason, eTestError);
            deliverCommand(group.m_message);
        }
        group.finish(watch.getTime());
    }
    TestGroup& group;
    int level;
    KxChron watch;
};

void TestGroup::finish(double seconds) {
    sendValues(SecondsText(seconds));
    sendCommand("closeObj", eSummaryRequest, nullptr);
    sendCommand("closeObj", eCommand, "Group");
}

bool TestGroup::execute(KxString& text) { return run(TagCursor(text)); }

bool TestGroup::execute(const KxString& text, int begin, int end) { return run(TagCursor(text, begin, end)); }

bool TestGroup::run(TagCursor tags) {
    RunEvents::groupStarted();
    sendCommand("openObj", eCommand, "Group");
    Running running(*this);
    FrameScope frame(running);
    bool result;
    try {
        result = scan(tags);
    } catch (...) {
        raiseMessage(m_message, "TestGroup", "executeW", eTestError,
                     KxString("UnKnown Exception Occured in Group ") + getTitle());
        result = false;
    }
    finish(running.watch.getTime());
    return result;
}

// The test a group ran stays held until the next one replaces it; its
// destructor, test code, runs then. The Test objects of the test being made
// and of the one held take turns in two slots, reused from test to test.
struct TestGroup::HeldTest {
    Kx::SharedPtr<TestSet> test;
    TestInfo infos[2];
    int made = 0;  // the slot of the test being made; the other is the held test's

    TestInfo& making() { return infos[made]; }
    void replace(TestSet* next) {
        if (test) {
            const TestInfo& old = infos[made ^ 1];
            RunEvents::testDestroying(old);
            handOverToForeignCode();
            test = next;
            RunEvents::testDestroyed(old);
        } else {
            test = next;
        }
        if (next) made ^= 1;
    }
};

// Asks the factories in order; the first that knows the test creates it.
// False when no test was made.
bool TestGroup::createTest(const KxString& content, HeldTest& held) {
    TestInfo& test = held.making();
    CreatingTest creating(test, m_message);
    FrameScope frame(creating);
    bool registered = false;
    for (std::uint32_t i = 0, n = m_factories.size(); i < n; ++i) {
        TestSetFactory* factory = m_factories[i].get();
        if (!factory) {
            held.replace(nullptr);
            continue;
        }
        registered = registered || factory->registers(test.caseName);
        RunEvents::muteScriptProblems(i > 0);  // each factory reads the same text
        TestSet* made = nullptr;
        try {
            made = factory->create(content);
        } catch (...) {
            RunEvents::muteScriptProblems(false);
            throw;
        }
        RunEvents::muteScriptProblems(false);
        held.replace(made);
        if (made) return true;
    }
    if (registered) RunEvents::testNotCreated(test, CreationFailure::eNoTest, "its creator returned no test");
    else RunEvents::testNotCreated(test, CreationFailure::eUnknownName, "no test library registers it");
    return false;
}

void TestGroup::runTest(const KxString& content, HeldTest& held) {
    TestInfo& test = held.making();
    test.script = RunEvents::currentScript();
    test.scriptIndex = RunEvents::currentScriptIndex();
    test.groupIndex = RunEvents::currentGroupIndex();
    test.position = RunEvents::takePosition();
    test.group = getTitle();
    TestSetFactory::parse(content, test, nullptr);
    if (!RunEvents::selects(test)) return;
    RunEvents::setCurrentTest(&test);
    RunEvents::testCreating(test);
    try {
        if (createTest(content, held)) {
            const bool passed = held.test->execute();
            setExit(getExit() && passed);
        }
    } catch (const TestCreationFailed& failure) {
        RunEvents::testNotCreated(test, failure.failure(), failure.what());
        setExit(false);
    } catch (...) {
        setExit(false);
    }
    RunEvents::setCurrentTest(nullptr);
}

bool TestGroup::executeI(KxString& text) { return scan(TagCursor(text)); }

bool TestGroup::scan(TagCursor tags) {
    auto emptyTagError = [this]() {
        raise(KxString("XML Error: Found ") + "Empty Object Tag" + " in group " + getTitle());
    };
    HeldTest held;
    // Reused from object to object: once grown, they take no more memory.
    KxString tag, close, content;
    for (TagPlace open = tags.next(tag); open.found(); open = tags.next(tag)) {
        if (!open.named()) emptyTagError();
        if (tag == "test" || tag == "Test") {
            const TagPlace end = tags.nextNamed("/test", "/Test", close, emptyTagError);
            // The group text ended before the Test object's closing tag:
            // the incomplete test is not run and the scan is over.
            if (end.close == -1) break;
            tags.textBetween(open, end, content);
            runTest(content, held);
        } else {
            const TagPlace end = tags.next(close);
            if (!end.named()) emptyTagError();
            tag.insert("/", 0);
            if (close != tag)
                raise(KxString("XML Error: Found ") + tag + " != " + close + " in group " + getTitle());
            if (tags.textBetween(open, end, content)) {
                if (tag == "/name" || tag == "/Name") setTitle(content);
                else if (tag == "/desc" || tag == "/Desc") setDesc(content);
                else raise(KxString("XML Error: Found ") + "Unknown Object: " + tag + " in group " + getTitle());
            }
        }
    }
    held.replace(nullptr);
    return getExit();
}

} // namespace Rt
