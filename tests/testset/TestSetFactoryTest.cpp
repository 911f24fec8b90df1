// Turning the text of one Test object into a prepared test.
#include "FactoryFixtures.h"
#include "RaisedErrors.h"
#include "ScriptedTest.h"
#include <gtest/gtest.h>

using namespace testsettest;

namespace {

using Strings = std::vector<std::string>;

// The texts of the errors raised, after checking that each was raised the way
// every factory error is.
Strings factoryErrors(const RaisedErrors& raised) {
    Strings texts;
    for (const RaisedError& error : raised.all()) {
        EXPECT_EQ(error.className, "TestSetFactory");
        EXPECT_EQ(error.method, "create");
        EXPECT_EQ(error.text1, "");
        EXPECT_EQ(error.text2, "");
        EXPECT_EQ(error.code, -13);
        EXPECT_EQ(error.lines.size(), 1u);
        texts.push_back(error.lines.empty() ? std::string("<no text>") : error.lines[0]);
    }
    return texts;
}

struct Created {
    Kx::SharedPtr<Rt::TestSet> test;
    Strings errors;
    Strings requested;
};

Created createFrom(const char* text) {
    RaisedErrors raised;
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    Created result;
    Rt::TestSet* test = factory->create(text);
    if (test) {
        EXPECT_EQ(test->refCount(), 0) << "the caller takes the first reference";
    }
    result.test = test;
    result.errors = factoryErrors(raised);
    result.requested = factory->requested;
    return result;
}

Box* asBox(const Created& created) { return dynamic_cast<Box*>(created.test.get()); }

} // namespace

TEST(TestSetFactory, TitleArgsAndExtPrepareTheTestBeforeInitialize) {
    ASSERT_FALSE(Rt::gResults);
    const Created created = createFrom("<Title>Box</Title><Arg>1</Arg><Arg>2</Arg><Ext>fine</Ext>");
    Box* box = asBox(created);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(created.errors, Strings{});
    EXPECT_EQ(created.requested, Strings{"Box"});
    EXPECT_EQ(toStrings(box->getArg()), (Strings{"1", "2"}));
    EXPECT_EQ(box->getExt().toStdString(), "fine");
    EXPECT_EQ(box->initializeCalls, 1);
    EXPECT_EQ(box->argsAtInitialize, (Strings{"1", "2"}));
    EXPECT_EQ(box->extAtInitialize, "fine");
}

TEST(TestSetFactory, LowerCaseTagsWorkAndTextOutsideTagsIsIgnored) {
    const Created created = createFrom("  lead <title>Box</title>\n <arg>a b</arg> gap <ext></ext><Arg>c</Arg>trail");
    Box* box = asBox(created);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(created.errors, Strings{});
    EXPECT_EQ(box->argsAtInitialize, (Strings{"a b", "c"}));
    EXPECT_EQ(box->extAtInitialize, "");
}

TEST(TestSetFactory, UpperCaseTagIsAnUnknownObject) {
    const Created created = createFrom("<TITLE>Box</TITLE>");
    EXPECT_FALSE(created.test);
    EXPECT_EQ(created.errors, (Strings{"XML Error: Found Unknown Object: /TITLE in test ",
                                       "Test:  - Is Not Defined"}));
    EXPECT_EQ(created.requested, Strings{""});
}

TEST(TestSetFactory, MismatchedClosingTagIsReportedAndTheTitleStillSet) {
    const Created created = createFrom("<Title>Box</title>");
    ASSERT_NE(asBox(created), nullptr);
    EXPECT_EQ(created.errors, Strings{"XML Error: Found /Title != /title in test "});
    EXPECT_EQ(created.requested, Strings{"Box"});
}

TEST(TestSetFactory, EmptyTagIsReportedThenDispatchedAsSlash) {
    const Created created = createFrom("<>x</>");
    EXPECT_FALSE(created.test);
    EXPECT_EQ(created.errors, (Strings{"XML Error: Found Empty Object Tag in test ",
                                       "XML Error: Found Unknown Object: / in test ",
                                       "Test:  - Is Not Defined"}));
}

TEST(TestSetFactory, TextWithoutTagsAsksForTheEmptyTitle) {
    const Created created = createFrom("Box > Arg");
    EXPECT_FALSE(created.test);
    EXPECT_EQ(created.requested, Strings{""});
    EXPECT_EQ(created.errors, Strings{"Test:  - Is Not Defined"});
}

TEST(TestSetFactory, TitleAfterArgStillNamesTheTest) {
    const Created created = createFrom("<Arg>1</Arg><Bad>z</Bad><Title>Box</Title><Arg>2</Arg><Oops>q</Oops>");
    Box* box = asBox(created);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(created.errors, (Strings{"XML Error: Found Unknown Object: /Bad in test ",
                                       "XML Error: Found Unknown Object: /Oops in test Box"}));
    EXPECT_EQ(box->argsAtInitialize, (Strings{"1", "2"}));
}

TEST(TestSetFactory, LaterTitleReplacesAnEarlierOne) {
    const Created created = createFrom("<Title>Nothing</Title><Title>Box</Title>");
    EXPECT_NE(asBox(created), nullptr);
    EXPECT_EQ(created.requested, Strings{"Box"});
    EXPECT_EQ(created.errors, Strings{});
}

TEST(TestSetFactory, UnregisteredTitleGivesNullAfterExactlyOneError) {
    const Created created = createFrom("<Title>Nope</Title><Arg>1</Arg>");
    EXPECT_FALSE(created.test);
    EXPECT_EQ(created.requested, Strings{"Nope"});
    EXPECT_EQ(created.errors, Strings{"Test: Nope - Is Not Defined"});
}

TEST(TestSetFactory, TextsEndingInsideATagReturn) {
    for (const char* text : {"<Title>Bo", "<Title", "<Title>Box</Ti", "<Title>Box</Title", "<Title>Box<",
                             "<", ">", "<<>>", "<>", "</>", "<Arg>1</Arg><Ext>e"}) {
        SCOPED_TRACE(text);
        const Created created = createFrom(text);
        // Whatever was read, the one lookup happens and its outcome is reported.
        EXPECT_EQ(created.requested.size(), 1u);
        if (!created.test) {
            ASSERT_FALSE(created.errors.empty());
            EXPECT_EQ(created.errors.back(), "Test: " + created.requested[0] + " - Is Not Defined");
        }
    }
}

TEST(TestSetFactory, ItsErrorsNeitherCountNorShowInTheReport) {
    ReportSession session;
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    EXPECT_EQ(factory->create("<Bad>x</Bad><Title>Missing</Title>"), nullptr);
    const Rt::ErrorSummary& counts = Rt::gResults->errorSummary(-1);
    EXPECT_EQ(counts.errors(), 0);
    EXPECT_EQ(counts.kxErrors(), 0);
    EXPECT_EQ(Rt::gResults->getTestErrors(), 0);

    const std::string report = session.close();
    EXPECT_EQ(testsupport::xmlProblems(session.reportPath()), "");
    EXPECT_EQ(report.find("<Error>"), std::string::npos) << report;
    EXPECT_EQ(report.find("<KxError>"), std::string::npos) << report;
}

TEST(TestSetFactory, CreateTestSetLooksNamesUpExactlyAndTheLastRegistrationWins) {
    Kx::SharedPtr<RecordingFactory> factory(new RecordingFactory);
    Kx::SharedPtr<Rt::TestSet> exact(factory->createTestSet("Box"));
    EXPECT_NE(dynamic_cast<Box*>(exact.get()), nullptr);
    EXPECT_EQ(factory->createTestSet("box"), nullptr);
    EXPECT_EQ(factory->createTestSet("Box "), nullptr);
    EXPECT_EQ(factory->createTestSet("Bo"), nullptr);
    EXPECT_EQ(factory->createTestSet(""), nullptr);

    factory->_registerTestCase("Crate", &Chest::create);
    EXPECT_EQ(toStrings(factory->testCases()), (Strings{"Box", "Crate", "Crate"}));
    Kx::SharedPtr<Rt::TestSet> again(factory->createTestSet("Crate"));
    EXPECT_NE(dynamic_cast<Chest*>(again.get()), nullptr);

    // The factory's create goes through the override as well.
    RaisedErrors raised;
    Kx::SharedPtr<Rt::TestSet> created(factory->create("<Title>Crate</Title>"));
    EXPECT_NE(dynamic_cast<Chest*>(created.get()), nullptr);
    EXPECT_EQ(factory->requested.back(), "Crate");
    EXPECT_EQ(raised.count(), 0u);
}
