// Scripts run in-process by a real driver: the exact errors raised (core
// errors, which the report never shows), the tests created, and the groups
// and tests that reach the report.
#include "support/RaisedErrors.h"
#include "support/ReportText.h"
#include "support/ScriptedTest.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <regex>

using namespace testsupport;
using Strings = std::vector<std::string>;

namespace {

// Knows the given names and creates for each a passing test that logs
// "<factory>:<title>[arg,arg]{ext}" when it runs; counts how often it is asked.
class ProbeFactory : public Rt::TestSetFactory {
public:
    ProbeFactory(const char* name, Strings known, Strings& log) : m_name(name), m_known(std::move(known)), m_log(log) {}
    Rt::TestSet* createTestSet(const KxString& title) override {
        ++asked;
        for (const std::string& known : m_known)
            if (title == KxString(known.c_str())) return new ScriptedTest(title, logRun, KxString("from ") + m_name);
        return nullptr;
    }
    const char* name() const override { return m_name; }
    int asked = 0;

private:
    const ScriptedTest::Body logRun = [this](ScriptedTest& self) {
        std::string entry = std::string(m_name) + ":" + self.getTitle().toStdString() + "[";
        for (std::uint32_t i = 0; i < self.getArg().size(); ++i) entry += (i ? "," : "") + self.getArg()[i].toStdString();
        m_log.push_back(entry + "]{" + self.getExt().toStdString() + "}");
        return true;
    };
    const char* m_name;
    Strings m_known;
    Strings& m_log;
};

// The groups of a report in order, each as "Title/Desc[test titles]", separated by blanks.
std::string outline(const std::string& report) {
    // Test values sit six blanks in, group values four; a group's Desc comes before its Title.
    static const std::regex value("\\r\\n( {4}| {6})<(Title|Desc)>([\\s\\S]*?)</\\2>");
    std::string text, desc, tests;
    for (std::sregex_iterator it(report.begin(), report.end(), value), end; it != end; ++it) {
        const std::string name = (*it)[2], content = (*it)[3];
        if ((*it)[1].length() == 6) {
            if (name == "Title") tests += (tests.empty() ? "" : ",") + content;
        } else if (name == "Desc") {
            desc = content;
        } else {
            text += (text.empty() ? "" : " ") + content + "/" + desc + "[" + tests + "]";
            tests.clear();
        }
    }
    return text;
}

class E2eInProcess : public ::testing::Test {
protected:
    // The driver rtrun makes, with its scanner opened to the tests.
    struct Driver : Rt::TestDriver {
        using Rt::TestDriver::executeI;
        using Rt::TestDriver::TestDriver;
    };

    // Runs the scripts named (files in Config/) with the given factories, or
    // with `text` scans that text directly; the driver is gone before the
    // report is read. Returns what execute() or the scan returned.
    bool run(Strings names, std::vector<ProbeFactory*> factories, const char* text = nullptr) {
        names.insert(names.begin(), "rtrun");
        std::vector<char*> argv;
        for (std::string& name : names) argv.push_back(&name[0]);
        int argc = static_cast<int>(argv.size());
        argv.push_back(nullptr);
        Kx::SharedPtrVec<Rt::TestSetFactory> list;
        for (ProbeFactory* factory : factories) list.append(Kx::SharedPtr<Rt::TestSetFactory>(factory));
        ran.clear();
        bool result;
        {
            Driver driver(argc, argv.data());
            driver.setFactories(list);
            RaisedErrors errors(true);
            result = text ? driver.executeI(text) : driver.execute();
            raised = errors.all;
        }
        report = readBytes(onlyFileEndingIn(suite.results(), ".xml"));
        return result;
    }
    bool scan(const char* text) { return run({}, {new ProbeFactory("P", {"A", "B", "C"}, ran)}, text); }

    TempSuite suite;
    Strings raised, ran;
    std::string report;
};

std::string d(const std::string& text) { return "TestDriver|executeD|||-13|" + text; }
std::string g(const std::string& text) { return "TestGroup|executeD|||-13|XML Error: Found " + text; }
std::string f(const std::string& text) { return "TestSetFactory|create|||-13|" + text; }

TEST_F(E2eInProcess, ScriptsScanToTheirErrorsAndGroups) {
    const std::string unclosed = "TestDriver XML Error: Failed to find close tag for group";
    struct Case {
        const char* script;
        bool result;
        Strings raised;
        std::string outline;
    } cases[] = {
        {"", true, {}, ""},
        {"a > b but never an opening bracket\n", true, {}, ""},
        {"<Group></Group><Group><Test><Title>A</Title></Test></Group>", true,
         {d("TestDriver XML Error: Empty Group Object")}, "/[A]"},
        // <Foo> after the unclosed group would be an unknown object if it were scanned.
        {"<Group><Name>G</Name><Test><Title>A</Title></Test><Foo>x</Foo>", false,
         {d("TestDriver XML Error: Empty Object Tag"), d(unclosed)}, ""},
        {"<group><Name>g1</Name><Test><Title>A</Title></Test></Group>\n"
         "<Group><Name>g2</Name><test><Title>B</Title></Test></group>\n"
         "<group><Name>g3</Name><Test><Title>C</Title></test></group>",
         true, {}, "g1/[A] g2/[B] g3/[C]"},
        // Objects at the script level are matched exactly.
        {"<GROUP>x</GROUP>", true, {d("TestDriver: Unknown Object")}, ""},
        {"<GROUP></GROUP>", true, {}, ""},
        {"<Name>x</name>", true, {d("TestDriver:/Name != /name")}, ""},
        {"<name>x</name><Name>y</Name>", true, {}, ""},
        {"<KXFILELOC>c:</KXFILELOC>", true, {d("TestDriver: Unknown Object")}, ""},
        {"<KxFileLoc>c:</KxFileLoc>", true, {}, ""},
        {"<Foo>x</Bar>", true, {d("TestDriver:/Foo != /Bar"), d("TestDriver: Unknown Object")}, ""},
        {"<>x</>", true, {d("TestDriver XML Error: Empty Object Tag"), d("TestDriver: Unknown Object")}, ""},
        {"<Name>x<>", true, {d("TestDriver: Empty Object Tag"), d("TestDriver:/Name != ")}, ""},
        // Errors inside a group name it, and its scan goes on.
        {"<Group><Name>G</Name><Desc>d</Desc><Foo>x</Foo><Test><Title>A</Title></Test><Name>a</Nam>"
         "<Test><Title>B</Title></Test></Group>",
         true, {g("Unknown Object: /Foo in group G"), g("/Name != /Nam in group G")}, "a/d[A,B]"},
        {"<Group><Name>G</Name><Name><b>x</b></Name><Test><Title>A</Title></Test></Group>", true,
         {g("/Name != b in group G"), g("//b != /Name in group G")}, "G/[A]"},
        // The script scanner meets the empty tag first, while it looks for the group's end.
        {"<Group><Name>G</Name><>x</><Test><Title>A</Title></Test></Group>", true,
         {d("TestDriver XML Error: Empty Object Tag"), g("Empty Object Tag in group G"),
          g("Unknown Object: / in group G")},
         "G/[A]"},
        {"<Group><Name>first</Name><Name>second</Name></Group>", true, {}, "second/[]"},
        // A group without Name carries the previous title and description.
        {"<Group><Name>G1</Name><Desc>D1</Desc><Test><Title>A</Title></Test></Group>"
         "<Group><Test><Title>B</Title></Test></Group>",
         true, {}, "G1/D1[A] G1/D1[B]"},
        // A Name after the tests titles the group only from there on.
        {"<Group><Name>A</Name></Group><Group><Test><Title>B</Title></Test><Foo>x</Foo><Name>N</Name></Group>", true,
         {g("Unknown Object: /Foo in group A")}, "A/[] N/[B]"},
        {"<Group><Name>G</Name><Test><Title>A</Title><Arg>1</Arg></Group>"
         "<Group><Name>H</Name><Test><Title>B</Title></Test></Group>",
         true, {g("Empty Object Tag in group G")}, "G/[] H/[B]"},
        // A Test object's content may hold any tags; only its closing tag ends it.
        {"<Group><Name>G</Name><Test><Title>A</Title><Foo>y</Foo></test></Group>", true,
         {f("XML Error: Found Unknown Object: /Foo in test A")}, "G/[A]"},
        {"<Group><Name>G</Name><Test></Test><Test><Title>Nope</Title></Test></Group>", true,
         {f("Test:  - Is Not Defined"), f("Test: Nope - Is Not Defined")}, "G/[]"},
        {"\r\n<Group>\r\n  <Name>two\r\nlines</Name>\n  <Test>\n    <Title>A</Title>\n  </Test>\n</Group>\n", true,
         {}, "two\r\nlines/[A]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scan(c.script), c.result) << c.script;
        EXPECT_EQ(raised, c.raised) << c.script;
        EXPECT_EQ(outline(report), c.outline) << c.script;
        // Script problems are core errors: neither counted nor written.
        EXPECT_EQ(occurrences(report, "Error>\r\n"), 0) << c.script;
        EXPECT_EQ(xmlProblems(onlyFileEndingIn(suite.results(), ".xml")), "") << c.script;
    }
}

TEST_F(E2eInProcess, FirstFactoryThatKnowsTheTestCreatesItAndLaterOnesAreNotAsked) {
    writeBytes(suite.config() + "s.rt", "<Group><Name>G</Name><Test><Title>Target</Title><Arg>1</Arg></Test></Group>");
    auto* first = new ProbeFactory("first", {"Other"}, ran);
    auto* second = new ProbeFactory("second", {"Target"}, ran);
    auto* third = new ProbeFactory("third", {"Target"}, ran);
    Kx::SharedPtr<Rt::TestSetFactory> keep[] = {first, second, third};
    EXPECT_TRUE(run({"s.rt"}, {first, second, third}));
    EXPECT_EQ(raised, Strings{f("Test: Target - Is Not Defined")});
    EXPECT_EQ((std::vector<int>{first->asked, second->asked, third->asked}), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(ran, Strings{"second:Target[1]{}"});
}

TEST_F(E2eInProcess, SecondDriverReplacesTheResultsAndDestroyingTheFirstEmptiesThem) {
    int argc = 1;
    char program[] = "rtrun";
    char* argv[] = {program, nullptr};
    auto* first = new Rt::TestDriver(argc, argv);
    Rt::GlobalResults* firstResults = Rt::gResults.get();
    ASSERT_NE(firstResults, nullptr);
    auto* second = new Rt::TestDriver(argc, argv);
    ASSERT_NE(Rt::gResults.get(), nullptr);
    EXPECT_NE(Rt::gResults.get(), firstResults);
    delete first;
    EXPECT_EQ(Rt::gResults.get(), nullptr);
    // The second driver still runs, with nowhere to report to.
    EXPECT_TRUE(second->execute());
    delete second;
    EXPECT_EQ(Rt::gResults.get(), nullptr);
}

} // namespace
