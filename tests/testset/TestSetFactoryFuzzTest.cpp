// Random Test objects and every cut-off copy of a well-formed one (texts
// ending inside a tag): the factory must come back from every one,
// raise only its own errors, and stay within a bound set by the tags present.
#include "FactoryFixtures.h"
#include "support/RaisedErrors.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace testsettest;
using testsupport::RaisedErrors;

TEST(TestSetFactoryFuzz, EveryRandomOrCutOffTextReturns) {
    const char* const pieces[] = {"<", ">", "/", "Title", "Arg", "Ext", "title", "Box", "A", "b", " ", "</", "<Title>"};
    std::mt19937 random(20240611u);
    std::vector<std::string> texts;
    const std::string wellFormed = "<Title>Box</Title><Arg>1</Arg><arg>two</arg><Ext>e x</Ext>";
    for (std::size_t cut = 0; cut <= wellFormed.size(); ++cut) texts.push_back(wellFormed.substr(0, cut));
    while (texts.size() < 20000) {
        std::string text;
        for (int n = static_cast<int>(random() % 25); n > 0; --n) text += pieces[random() % 13];
        if (random() % 4 == 0 && !text.empty()) text.resize(random() % text.size());
        texts.push_back(text);
    }

    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    RaisedErrors raised;
    int created = 0;
    for (const std::string& text : texts) {
        raised.all.clear();
        factory->requested.clear();
        Kx::SharedPtr<Rt::TestSet> test(factory->create(text.c_str()));
        ASSERT_EQ(factory->requested.size(), 1u) << text;
        // Every pass of the scan consumes at least one "<" and raises at most
        // four errors (two empty tags, a mismatch, an unknown object); the lookup adds one.
        const auto opens = static_cast<std::size_t>(std::count(text.begin(), text.end(), '<'));
        ASSERT_LE(raised.all.size(), 4 * (opens + 1) + 1) << text;
        for (const std::string& error : raised.all)
            ASSERT_EQ(error.rfind("TestSetFactory|create|||-13|", 0), 0u) << text << ": " << error;
        const std::string& name = factory->requested[0];
        if (test) {
            ++created;
            ASSERT_TRUE(name == "Box" || name == "Crate") << text;
        } else {
            ASSERT_FALSE(raised.all.empty()) << text;
            ASSERT_EQ(raised.all.back(), "TestSetFactory|create|||-13|Test: " + name + " - Is Not Defined") << text;
        }
    }
    // The cut-off copies of the well-formed text include the whole of it.
    EXPECT_GT(created, 0);
}
