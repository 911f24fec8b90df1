#include "testset/TestSetFactory.h"
#include "driver/TagCursor.h"
#include "results/MessageChannel.h"
#include "results/GlobalResults.h"
#include "results/RunEvents.h"
#include <exception>

namespace Rt {

TestSetFactory::TestSetFactory() = default;

TestSetFactory::TestSetFactory(const TestSetFactory&) = default;

TestSetFactory& TestSetFactory::operator=(const TestSetFactory&) = default;

TestSetFactory::~TestSetFactory() {
    m_creators.freeStorage();
    m_testCases.freeStorage();
    m_message = nullptr;
}

void TestSetFactory::_registerTestCase(const KxString& name, Creator creator) {
    m_testCases.append(name);
    m_creators.append(creator);
}

namespace {

// What an exception says, for the line that names a test that could not be made.
std::string describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception that is not a std::exception";
    }
}

// Whether `closeTag` is "/" followed by `openTag`.
bool closes(const KxString& closeTag, const KxString& openTag) {
    const int n = openTag.numChars();
    if (closeTag.numChars() != n + 1 || closeTag.at(0) != u'/') return false;
    const KxString::Unit* close = closeTag.getConstPtr() + 1;
    const KxString::Unit* open = openTag.getConstPtr();
    for (int i = 0; i < n; ++i)
        if (close[i] != open[i]) return false;
    return true;
}

} // namespace

bool TestSetFactory::registers(const KxString& name) const {
    for (const KxString& registered : m_testCases)
        if (registered == name) return true;
    return false;
}

void TestSetFactory::raise(const KxString& text) {
    RunEvents::scriptProblem(text);
    raiseMessage(m_message, "TestSetFactory", "create", eCoreError, text);
}

// The scan walks tag pairs: an opening tag, the value up to the next "<",
// and the tag that follows as its closing tag. After every pair, matched or
// not, it resumes after that closing tag, as the group scanner does.
void TestSetFactory::parse(const KxString& text, TestInfo& into, TestSetFactory* raiser) {
    KxString& title = into.caseName;
    title.clear();
    into.ext.clear();
    into.args.setLength(0);
    auto raise = [raiser](const KxString& problem) {
        if (raiser) raiser->raise(problem);
    };

    // Reused from pair to pair: once grown, they take no more memory.
    KxString openTag;
    KxString closeTag;
    KxString value;
    TagCursor tags(text);
    for (TagPlace open = tags.next(openTag); open.close != -1; open = tags.next(openTag)) {
        const TagPlace close = tags.next(closeTag);

        if (!open.named()) raise(KxString("XML Error: Found ") + "Empty Object Tag" + " in test " + title);
        if (!close.named()) raise(KxString("XML Error: Found ") + "Empty Object Tag" + " in test " + title);
        if (!closes(closeTag, openTag))
            raise(KxString("XML Error: Found ") + "/" + openTag + " != " + closeTag + " in test " + title);

        tags.textBetween(open, close, value);
        if (openTag == "title" || openTag == "Title") title = value;
        else if (openTag == "arg" || openTag == "Arg") into.args.append(value);
        else if (openTag == "ext" || openTag == "Ext") into.ext = value;
        else raise(KxString("XML Error: Found ") + "Unknown Object: " + "/" + openTag + " in test " + title);
    }
}

TestSet* TestSetFactory::create(const KxString& text) {
    TestInfo request;
    parse(text, request, this);

    handOverToForeignCode();
    TestSet* test = nullptr;
    try {
        test = createTestSet(request.caseName);
    } catch (...) {
        throw TestCreationFailed(CreationFailure::eCreatorThrew, "the creator threw: " + describeCurrentException());
    }
    if (!test) {
        raiseMessage(m_message, "TestSetFactory", "create", eCoreError,
                     KxString("Test: ") + request.caseName + " - Is Not Defined");
        return nullptr;
    }
    test->setExt(request.ext);
    for (const KxString& arg : request.args) test->addArg(arg);
    RunEvents::testInitializing();
    try {
        test->initialize();
    } catch (...) {
        const std::string what = describeCurrentException();
        Kx::SharedPtr<TestSet> release(test);  // frees the half-made test
        throw TestCreationFailed(CreationFailure::eInitializeThrew, "initialize() threw: " + what);
    }
    return test;
}

TestSet* TestSetFactory::createTestSet(const KxString& name) {
    for (std::uint32_t i = m_testCases.size(); i-- > 0;) {
        if (m_testCases[i] == name) return m_creators[i]();
    }
    return nullptr;
}

} // namespace Rt
