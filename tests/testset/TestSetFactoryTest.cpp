// Turning the text of one Test object into a prepared test.
#include "FactoryFixtures.h"
#include "support/RaisedErrors.h"
#include <gtest/gtest.h>

using namespace testsettest;
using testsupport::RaisedErrors;

namespace {

using Strings = std::vector<std::string>;

std::string quoted(const Strings& list) {
    std::string text;
    for (const std::string& entry : list) text += (text.empty() ? "\"" : ",\"") + entry + "\"";
    return "[" + text + "]";
}

// What create made of a text: the names looked up, the texts of the errors
// raised (each checked to be raised as every factory error is) and the test.
struct Outcome {
    Strings requested;
    Strings errors;
    Kx::SharedPtr<Rt::TestSet> test;

    // All of it on one line, with what a Box had been given when it was initialised.
    std::string text() const {
        std::string text = "asked for " + quoted(requested);
        for (const std::string& error : errors) text += "; " + error;
        if (Box* box = dynamic_cast<Box*>(test.get())) {
            text += "; Box " + quoted(box->argsAtInitialize) + " ext \"" + box->extAtInitialize +
                    "\" initialized " + std::to_string(box->initializeCalls);
            const bool changed = toStrings(box->getArg()) != box->argsAtInitialize ||
                                 box->getExt().toStdString() != box->extAtInitialize;
            if (changed) text += " and changed since";
        } else if (test) {
            text += "; another test";
        }
        return text;
    }
};

Outcome create(const char* text) {
    RaisedErrors raised;
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    Rt::TestSet* created = factory->create(text);
    EXPECT_EQ(created ? created->refCount() : 0, 0) << "the caller takes the first reference";
    Outcome outcome{factory->requested, {}, created};
    const std::string prefix = "TestSetFactory|create|||-13|";
    for (const std::string& error : raised.all)
        outcome.errors.push_back(error.rfind(prefix, 0) == 0 ? error.substr(prefix.size()) : "unexpected " + error);
    return outcome;
}

} // namespace

TEST(TestSetFactory, TagsAreReadIntoThePreparedTestAndEveryProblemRaised) {
    const char* const cases[][2] = {
        {"<Title>Box</Title><Arg>1</Arg><Arg>2</Arg><Ext>fine</Ext>",
         "asked for [\"Box\"]; Box [\"1\",\"2\"] ext \"fine\" initialized 1"},
        // Lower-case tags work; text outside tags is ignored.
        {"  lead <title>Box</title>\n <arg>a b</arg> gap <ext></ext><Arg>c</Arg>trail",
         "asked for [\"Box\"]; Box [\"a b\",\"c\"] ext \"\" initialized 1"},
        {"<TITLE>Box</TITLE>",
         "asked for [\"\"]; XML Error: Found Unknown Object: /TITLE in test ; Test:  - Is Not Defined"},
        {"<Title>Box</title>",
         "asked for [\"Box\"]; XML Error: Found /Title != /title in test ; Box [] ext \"\" initialized 1"},
        {"<>x</>", "asked for [\"\"]; XML Error: Found Empty Object Tag in test ; "
                   "XML Error: Found Unknown Object: / in test ; Test:  - Is Not Defined"},
        {"Box > Arg", "asked for [\"\"]; Test:  - Is Not Defined"},
        {"<Arg>1</Arg><Bad>z</Bad><Title>Box</Title><Arg>2</Arg><Oops>q</Oops>",
         "asked for [\"Box\"]; XML Error: Found Unknown Object: /Bad in test ; "
         "XML Error: Found Unknown Object: /Oops in test Box; Box [\"1\",\"2\"] ext \"\" initialized 1"},
        {"<Title>Nothing</Title><Title>Box</Title>", "asked for [\"Box\"]; Box [] ext \"\" initialized 1"},
        {"<Title>Nope</Title><Arg>1</Arg>", "asked for [\"Nope\"]; Test: Nope - Is Not Defined"},
        {"<Title>Crate</Title>", "asked for [\"Crate\"]; another test"}};
    ASSERT_FALSE(Rt::gResults);
    for (const auto& c : cases) EXPECT_EQ(create(c[0]).text(), c[1]) << c[0];
}

TEST(TestSetFactory, CreateTestSetLooksNamesUpExactlyAndTheLastRegistrationWins) {
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    Kx::SharedPtr<Rt::TestSet> exact(factory->createTestSet("Box"));
    EXPECT_NE(dynamic_cast<Box*>(exact.get()), nullptr);
    for (const char* name : {"box", "Box ", "Bo", ""}) EXPECT_EQ(factory->createTestSet(name), nullptr) << name;

    factory->_registerTestCase("Crate", &Chest::create);
    EXPECT_EQ(toStrings(factory->testCases()), (Strings{"Box", "Crate", "Crate"}));
    Kx::SharedPtr<Rt::TestSet> again(factory->createTestSet("Crate"));
    EXPECT_NE(dynamic_cast<Chest*>(again.get()), nullptr);
    // The factory's create goes through the override as well.
    RaisedErrors raised;
    Kx::SharedPtr<Rt::TestSet> created(factory->create("<Title>Crate</Title>"));
    EXPECT_NE(dynamic_cast<Chest*>(created.get()), nullptr);
    EXPECT_EQ(factory->requested.back(), "Crate");
    EXPECT_EQ(raised.all, Strings{});
}
