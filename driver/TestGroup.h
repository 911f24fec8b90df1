#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/driver/Info.h>
#include <Rt/driver/Msg.h>
#include <Rt/results/RunObserver.h>

namespace Rt {

class TestSetFactory;
class TagCursor;
class TestSet;

// Runs one Group object of a test script: opens its report element, scans
// its text, has each Test object created by the factories and runs it, then
// writes the group's values and summary. Title, description and exit flag
// carry over between the groups run on one object.
class RT_API TestGroup : public KxRefCounted, public Info {
public:
    TestGroup();
    TestGroup(const TestGroup& other);
    TestGroup& operator=(const TestGroup& other);
    ~TestGroup() override;

    void setFactories(Kx::SharedPtrVec<TestSetFactory>& list);
    // Runs the group in its report element; true when all its tests passed.
    bool execute(KxString& text);
    // The same for the group text that is text[begin, end), read in place.
    bool execute(const KxString& text, int begin, int end);
    // Scans the group text and runs its tests; returns the exit flag.
    bool executeI(KxString& text);
    bool fatalStateW() { return true; }
    bool warningStateW() { return true; }

private:
    struct Running;
    bool run(TagCursor tags);
    bool scan(TagCursor tags);
    void sendCommand(const char* command, KxErrorCode code, const char* element);
    void sendValues(const KxString& time);
    // Writes the group's values and summary and closes its element.
    void finish(double seconds);
    struct HeldTest;
    bool createTest(const KxString& content, HeldTest& held);
    void raise(const KxString& text);
    void runTest(const KxString& content, HeldTest& held);

    Kx::SharedPtrVec<TestSetFactory> m_factories;
    Kx::SharedPtr<Msg> m_message;
};

} // namespace Rt
