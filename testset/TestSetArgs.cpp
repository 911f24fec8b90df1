// Typed reading of a test's arguments and extension text.
#include "testset/TestSet.h"
#include "checks/ValueText.h"
#include "results/GlobalResults.h"
#include "testset/ArgText.h"

namespace Rt {

namespace {

// The type as a record names it, with its article, and what its text looks like.
struct TypeWords {
    const char* name;     // "double"
    const char* withArticle; // "a double"
    const char* expected;
};

const TypeWords kDouble{"double", "a double", expectedDouble()};
const TypeWords kInt{"int", "an int", expectedInt()};
const TypeWords kLongLong{"long long", "a long long", expectedLongLong()};
const TypeWords kBool{"bool", "a bool", expectedBool()};
const TypeWords kString{"std::string", "a std::string", "any text"};
const TypeWords kKxString{"KxString", "a KxString", "any text"};

KxString bytes(const std::string& text) { return KxString(text.data(), static_cast<int>(text.size())); }

std::string countText(int count) {
    if (count == 0) return "the test has no arguments";
    if (count == 1) return "the test has 1 argument: 0";
    return "the test has " + std::to_string(count) + " arguments: 0 to " + std::to_string(count - 1);
}

// Reads a text as the type; `problem` tells why not.
template <class T>
bool readAs(const KxString& text, T& value, ArgReading& problem) {
    const std::string single = text.toStdString();
    // A character above 255 has no single byte: no number or bool holds one.
    problem = single.size() == static_cast<std::size_t>(text.numChars()) ? readArgText(single, value)
                                                                         : ArgReading::malformed;
    return problem == ArgReading::ok;
}

bool readAs(const KxString& text, std::string& value, ArgReading& problem) {
    value = text.toStdString();
    problem = ArgReading::ok;
    return true;
}

bool readAs(const KxString& text, KxString& value, ArgReading& problem) {
    value = text;
    problem = ArgReading::ok;
    return true;
}

class ValueReader {
public:
    ValueReader(TestSet& test, bool extension, int index, const TypeWords& type)
        : m_test(test), m_extension(extension), m_index(index), m_type(type) {}

    template <class T>
    void read(T& value) {
        const KxVec<KxString>& args = m_test.getArg();
        if (!m_extension && (m_index < 0 || m_index >= static_cast<int>(args.size()))) {
            raise("the test has no argument " + std::to_string(m_index), countText(static_cast<int>(args.size())));
            return;
        }
        const KxString& text = m_extension ? m_test.getExt() : args[static_cast<std::uint32_t>(m_index)];
        ArgReading problem = ArgReading::ok;
        if (readAs(text, value, problem)) return;
        value = T{};
        const std::string what = m_extension ? "the extension text" : "argument " + std::to_string(m_index);
        if (m_extension && text.isEmpty()) {
            raise("the extension text is empty", "");
        } else if (problem == ArgReading::outOfRange) {
            raise(what + " is out of range for " + m_type.withArticle, what + " = " + check::quotedText(text));
        } else {
            raise(what + " is not " + m_type.withArticle, what + " = " + check::quotedText(text));
        }
    }

private:
    // Desc "arg<double>(3): <problem>" or "extAs<double>(): <problem>";
    // Msg lines: what was there, and what the type looks like.
    void raise(const std::string& problem, const std::string& found) {
        const std::string call = m_extension ? std::string("extAs<") + m_type.name + ">()"
                                             : std::string("arg<") + m_type.name + ">(" + std::to_string(m_index) + ")";
        Kx::SharedPtr<Msg> message(new Msg(m_test.getTitle(), KxString(m_extension ? "extAs" : "arg"), KxString(),
                                           bytes(call + ": " + problem), eTestError));
        if (!message) return;
        if (!found.empty()) message->textList.append(bytes(found));
        message->textList.append(bytes(std::string("expected ") + m_type.expected));
        m_test.warningState();
        KxErrorState::setError(message.get());
    }

    TestSet& m_test;
    bool m_extension;
    int m_index;
    const TypeWords& m_type;
};

} // namespace

void TestSet::readValue(bool extension, int index, double& value) {
    ValueReader(*this, extension, index, kDouble).read(value);
}
void TestSet::readValue(bool extension, int index, int& value) {
    ValueReader(*this, extension, index, kInt).read(value);
}
void TestSet::readValue(bool extension, int index, long long& value) {
    ValueReader(*this, extension, index, kLongLong).read(value);
}
void TestSet::readValue(bool extension, int index, bool& value) {
    ValueReader(*this, extension, index, kBool).read(value);
}
void TestSet::readValue(bool extension, int index, std::string& value) {
    ValueReader(*this, extension, index, kString).read(value);
}
void TestSet::readValue(bool extension, int index, KxString& value) {
    ValueReader(*this, extension, index, kKxString).read(value);
}

} // namespace Rt
