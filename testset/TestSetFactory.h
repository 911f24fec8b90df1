#pragma once
#include "corelib/KxVec.h"
#include "driver/Msg.h"
#include "testset/TestSet.h"

namespace Rt {

// Maps test-case names to creator functions. Each test library supplies one
// factory, registers its test cases in it, and hands it out through its
// exported "acquireFactory".
class RT_API TestSetFactory : public KxRefCounted {
public:
    using Creator = TestSet* (*)();

    TestSetFactory();
    TestSetFactory(const TestSetFactory& other);
    TestSetFactory& operator=(const TestSetFactory& other);
    ~TestSetFactory() override;

    void _registerTestCase(const KxString& name, Creator creator);
    const KxVec<KxString>& testCases() const { return m_testCases; }

    // Reads the Title, Arg and Ext objects of one Test object's text and
    // returns the named test, prepared to run; null when it is not registered
    // here. The caller owns the result (reference count 0).
    TestSet* create(const KxString& text);
    virtual TestSet* createTestSet(const KxString& name);
    // The factory's name, for listings.
    virtual const char* name() const = 0;

private:
    void raise(const KxString& text);

    Kx::SharedPtr<Msg> m_message;
    KxVec<KxString> m_testCases;
    KxVec<Creator> m_creators;
};

} // namespace Rt
