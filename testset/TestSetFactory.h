#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/driver/Msg.h>
#include <Rt/results/RunObserver.h>
#include <Rt/testset/TestSet.h>
#include <stdexcept>

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
    bool registers(const KxString& name) const;

    // Reads the Title, Arg and Ext objects of one Test object's text and
    // returns the named test, prepared to run; null when it is not registered
    // here. The caller owns the result (reference count 0). When the creator
    // or initialize() throws, the half-made test is freed and
    // TestCreationFailed is thrown in its place.
    TestSet* create(const KxString& text);
    // Reads a Test object's text into the case name, arguments and extension
    // text of `into`; with a raiser, each problem of the text is raised as
    // create() raises it.
    static void parse(const KxString& text, TestInfo& into, TestSetFactory* raiser);
    virtual TestSet* createTestSet(const KxString& name);
    // The factory's name, for listings.
    virtual const char* name() const = 0;

private:
    void raise(const KxString& text);

    Kx::SharedPtr<Msg> m_message;
    KxVec<KxString> m_testCases;
    KxVec<Creator> m_creators;
};

// A test whose creation threw: at which step, and what was thrown.
class RT_API TestCreationFailed : public std::runtime_error {
public:
    TestCreationFailed(CreationFailure failure, const std::string& what)
        : std::runtime_error(what), m_failure(failure) {}
    CreationFailure failure() const { return m_failure; }

private:
    CreationFailure m_failure;
};

} // namespace Rt
