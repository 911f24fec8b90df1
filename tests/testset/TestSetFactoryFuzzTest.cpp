// Random and cut-off Test objects: the factory must come back from every one,
// raise only its own errors, and stay within a bound set by the tags present.
#include "FactoryFixtures.h"
#include "RaisedErrors.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace testsettest;

namespace {

const char* const kPieces[] = {"<", ">", "/", "Title", "Arg", "Ext", "title", "Box", "A", "b", " ", "</", "<Title>"};

std::string randomText(std::mt19937& random) {
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> piece(0, static_cast<int>(sizeof(kPieces) / sizeof(kPieces[0])) - 1);
    std::string text;
    for (int n = length(random); n > 0; --n) text += kPieces[piece(random)];
    return text;
}

// Every pass of the scan consumes at least one "<", and raises at most four
// errors (two empty tags, a mismatch, an unknown object); the lookup adds one.
std::size_t errorBound(const std::string& text) {
    return 4 * (static_cast<std::size_t>(std::count(text.begin(), text.end(), '<')) + 1) + 1;
}

} // namespace

TEST(TestSetFactoryFuzz, EveryRandomOrCutOffTextReturns) {
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    RaisedErrors raised;
    std::mt19937 random(20240611u);

    std::vector<std::string> texts;
    const std::string wellFormed = "<Title>Box</Title><Arg>1</Arg><arg>two</arg><Ext>e x</Ext>";
    for (std::size_t cut = 0; cut <= wellFormed.size(); ++cut) texts.push_back(wellFormed.substr(0, cut));
    while (texts.size() < 20000) {
        std::string text = randomText(random);
        if (random() % 4 == 0 && !text.empty()) text.resize(random() % text.size());
        texts.push_back(text);
    }

    int created = 0;
    for (const std::string& text : texts) {
        raised.reset();
        factory->requested.clear();
        Kx::SharedPtr<Rt::TestSet> test(factory->create(text.c_str()));
        ASSERT_EQ(factory->requested.size(), 1u) << text;
        ASSERT_LE(raised.count(), errorBound(text)) << text;
        for (const RaisedError& error : raised.all()) {
            ASSERT_EQ(error.code, -13) << text;
            ASSERT_EQ(error.className, "TestSetFactory") << text;
        }
        if (test) {
            ++created;
            const std::string& name = factory->requested[0];
            ASSERT_TRUE(name == "Box" || name == "Crate") << text;
        } else {
            ASSERT_FALSE(raised.all().empty()) << text;
            ASSERT_EQ(raised.all().back().lines.at(0), "Test: " + factory->requested[0] + " - Is Not Defined")
                << text;
        }
    }
    // The cut-off copies of the well-formed text include the whole of it.
    EXPECT_GT(created, 0);
}
