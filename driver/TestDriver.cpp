#include "driver/TestDriver.h"
#include "results/MessageChannel.h"
#include "driver/TagCursor.h"
#include "driver/TestGroup.h"
#include "env/GlobalStorage.h"
#include "report/WholeFileReader.h"
#include "results/GlobalResults.h"
#include "results/RunEvents.h"
#include <cstdio>
#include "testset/TestSetFactory.h"

namespace Rt {

TestDriver::TestDriver(int& argc, char** argv) : m_argc(argc), m_argv(argv) {
    gResults = new GlobalResults;
}

TestDriver::TestDriver(int& argc, char** argv, ScanOnly) : m_argc(argc), m_argv(argv) {}

TestDriver::TestDriver(const TestDriver&) = default;

TestDriver& TestDriver::operator=(const TestDriver&) = default;

TestDriver::~TestDriver() {
    gResults = nullptr;  // the last reference writes the run's record and closes the report (none when scanning only)
    m_message = nullptr;
    m_factories.freeStorage();
}

void TestDriver::setFactories(Kx::SharedPtrVec<TestSetFactory>& list) { m_factories = list; }

TestSetFactory* TestDriver::factory(int i) {
    if (i < 0) return nullptr;
    return m_factories[static_cast<std::uint32_t>(i)].get();
}

void TestDriver::raise(const char* method, const KxString& text) {
    RunEvents::scriptProblem(text);
    raiseMessage(m_message, "TestDriver", method, eCoreError, text);
}

bool TestDriver::execute() {
    KxString text;
    int i = 1;
    try {
        for (; i < m_argc; ++i) {
            const KxString name = Rt::configDir() + m_argv[i];
            RunEvents::scriptStarted(m_argv[i], i - 1);
            if (readFile(name, text)) executeI(text);
            else raise("execute", KxString("Could not open file: ") + m_argv[i]);
        }
    } catch (...) {
        raise("execute", KxString("Unknown Exception Encountered: ") + m_argv[i]);
        return false;
    }
    return true;
}

bool TestDriver::readFile(const KxString& name, KxString& text) {
    const char* problem = nullptr;
    long long zeroByte = -1;
    switch (readWholeFile(name, text, &zeroByte)) {
        case FileReadResult::eOk:
            // Each 1000-byte block of a script ends at its first zero byte:
            // the test objects after one are lost, which the run must say.
            if (zeroByte >= 0) {
                char zeroText[128];
                std::snprintf(zeroText, sizeof(zeroText),
                              "zero byte at offset %lld: the rest of its 1000-byte block is not read", zeroByte);
                RunEvents::scriptProblem(zeroText);
            }
            return true;
        case FileReadResult::eClearFailed: problem = "Could not clear String"; break;
        case FileReadResult::eNoStream: problem = "KxObjectReadStream Creation Failed"; break;
        case FileReadResult::eOpenFailed: problem = "Could not open file"; break;
        case FileReadResult::eLockFailed: problem = "Could not lock the file"; break;
        case FileReadResult::eUnlockFailed: problem = "Could not unlock the file"; break;
        case FileReadResult::eCloseFailed: problem = "Could not close the file"; break;
    }
    raise("readFile", problem);
    return false;
}

bool TestDriver::executeI(const KxString& text) {
    auto emptyTagError = [this]() { raise("executeD", "TestDriver XML Error: Empty Object Tag"); };
    Kx::SharedPtr<TestGroup> group(new TestGroup);
    if (!group) return false;
    group->setFactories(m_factories);

    TagCursor tags(text);
    KxString tag, close;
    for (TagPlace open = tags.next(tag); open.found(); open = tags.next(tag)) {
        if (!open.named()) emptyTagError();
        if (tag == "group" || tag == "Group") {
            const TagPlace end = tags.nextNamed("/group", "/Group", close, emptyTagError);
            if (end.close == -1) {
                raise("executeD", "TestDriver XML Error: Failed to find close tag for group");
                return false;
            }
            if (unitsBetween(open, end) < 1) {
                raise("executeD", "TestDriver XML Error: Empty Group Object");
            } else {
                group->execute(text, open.close + 1, end.open);  // in place: a long script is not held twice
            }
        } else {
            const TagPlace end = tags.next(close);
            if (!end.named()) raise("executeD", "TestDriver: Empty Object Tag");
            tag.insert("/", 0);
            if (close != tag) raise("executeD", KxString("TestDriver:") + tag + " != " + close);
            if (unitsBetween(open, end) >= 1 && tag != "/name" && tag != "/Name" && tag != "/KxFileLoc")
                raise("executeD", "TestDriver: Unknown Object");
        }
    }
    return true;
}

} // namespace Rt
