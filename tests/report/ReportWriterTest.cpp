// The exact text each writer operation puts into the report.
#include "ReportText.h"
#include <gtest/gtest.h>

namespace {

using reporttest::bodyOf;
using reporttest::message;
using testsupport::xmlProblems;

class ReportWriter : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    Rt::TestReporter reporter;

    // Closes the report and checks that the whole file is well-formed XML.
    void expectWellFormedAtEnd() {
        reporter.closeReport();
        EXPECT_EQ(xmlProblems(reporter.reportPath().toStdString()), "");
    }
};

TEST_F(ReportWriter, ElementsFromMessagesGetIncreasingTenDigitIds) {
    auto group = message({"Group"});
    auto test = message({"Test"});
    reporter.openObj(group.get());
    reporter.openObj("Summary");  // opening by name takes no id
    reporter.closeObj("Summary");
    reporter.openObj(test.get());
    reporter.closeObj(test.get());
    reporter.openObj(test.get());
    reporter.closeObj(test.get());
    reporter.closeObj(group.get());
    EXPECT_EQ(bodyOf(reporter),
              "  <Group id=\"0000000000\">\r\n"
              "    <Summary>\r\n"
              "    </Summary>\r\n"
              "    <Test id=\"0000000001\">\r\n"
              "    </Test>\r\n"
              "    <Test id=\"0000000002\">\r\n"
              "    </Test>\r\n"
              "  </Group>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, IdsKeepTenDigitsPastNine) {
    auto test = message({"T"});
    for (int i = 0; i < 11; ++i) {
        reporter.openObj(test.get());
        reporter.closeObj(test.get());
    }
    const std::string body = bodyOf(reporter);
    EXPECT_NE(body.find("  <T id=\"0000000009\">\r\n"), std::string::npos);
    EXPECT_NE(body.find("  <T id=\"0000000010\">\r\n"), std::string::npos);
}

TEST_F(ReportWriter, MessageWithoutTextOpensNoObjSpec) {
    auto unnamed = message({});
    reporter.openObj(unnamed.get());
    reporter.writeObject("Title", "x");
    reporter.closeObj(unnamed.get());
    EXPECT_EQ(bodyOf(reporter),
              "  <No_Obj_Spec id=\"0000000000\">\r\n"
              "    <Title>x</Title>\r\n"
              "  </No_Obj_Spec>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, ValuesAreEscapedAndKeepLineBreaks) {
    reporter.writeObject("Title", "a<b & c");
    reporter.writeObject("Q", "say \"hi\" it's > 2");
    reporter.writeObject("Ext", "");
    reporter.writeObject("Desc", "first\r\nsecond");
    EXPECT_EQ(bodyOf(reporter),
              "  <Title>a&lt;b &amp; c</Title>\r\n"
              "  <Q>say &quot;hi&quot; it&apos;s &gt; 2</Q>\r\n"
              "  <Ext></Ext>\r\n"
              "  <Desc>first\r\nsecond</Desc>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, EncodedStringOfOnlyEscapesAndControlCharacters) {
    reporter.writeEncodedStr("\"&'<>");
    reporter.writeEncodedStr("");
    reporter.writeEncodedStr("\t\x01&");
    EXPECT_EQ(bodyOf(reporter), "&quot;&amp;&apos;&lt;&gt;\t\x01&amp;");
}

TEST_F(ReportWriter, MessageValuesPairWithNamesAndReuseTheLastName) {
    auto pairs = message({"A", "B"}, {"1", "2", "3"});
    reporter.writeObject(pairs.get());
    auto moreNames = message({"X", "Y", "Z"}, {"<1>"});
    reporter.writeObject(moreNames.get());
    auto noValues = message({"A"}, {});
    reporter.writeObject(noValues.get());
    auto noNames = message({}, {"orphan"});
    reporter.writeObject(noNames.get());
    EXPECT_EQ(bodyOf(reporter),
              "  <A>1</A>\r\n"
              "  <B>2</B>\r\n"
              "  <B>3</B>\r\n"
              "  <X>&lt;1&gt;</X>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, MessageRecordWithEmptyListsIsFourLines) {
    auto bare = message({}, {}, "", "");
    reporter.writeMsg("Error", bare.get());
    EXPECT_EQ(bodyOf(reporter),
              "  <Error>\r\n"
              "    <Method>::</Method>\r\n"
              "    <Desc></Desc>\r\n"
              "  </Error>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, MessageRecordListsTextThenTraceLines) {
    auto group = message({"Group"});
    reporter.openObj(group.get());
    auto full = message({"x < 3", "y"}, {"at a&b"}, "Basic", "check", "Bad 'value'", -15);
    reporter.writeMsg("ExtWarning", full.get());
    reporter.closeObj(group.get());
    EXPECT_EQ(bodyOf(reporter),
              "  <Group id=\"0000000000\">\r\n"
              "    <ExtWarning>\r\n"
              "      <Method>Basic::check</Method>\r\n"
              "      <Desc>Bad &apos;value&apos;</Desc>\r\n"
              "      <Msg>x &lt; 3</Msg>\r\n"
              "      <Msg>y</Msg>\r\n"
              "      <Trace>at a&amp;b</Trace>\r\n"
              "    </ExtWarning>\r\n"
              "  </Group>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, CoreErrorRecordIsFourLinesWithTheSecondText) {
    KxStdError error("Kx<Vec>", "reallocMem", "first text", "pNewVec & more", 5);
    reporter.writeKxStdErr(&error);
    EXPECT_EQ(bodyOf(reporter),
              "  <KxError>\r\n"
              "    <Method>Kx&lt;Vec&gt;::reallocMem</Method>\r\n"
              "    <Desc>pNewVec &amp; more</Desc>\r\n"
              "  </KxError>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, CharacterWithoutSingleByteFormDropsOnlyItsPiece) {
    const KxString::Unit units[] = {u'a', u'b', 0x4E2D, u'c', u'd', u'<', u'e'};
    reporter.writeObject("V", KxString(units, 7));
    reporter.writeObject("W", "after");
    // The run before the escape holds the wide character; the escape and the
    // run after it are pieces of their own.
    EXPECT_EQ(bodyOf(reporter),
              "  <V>&lt;e</V>\r\n"
              "  <W>after</W>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, NothingIsWrittenAfterTheReportIsClosed) {
    reporter.writeObject("Before", "1");
    reporter.closeReport();
    reporter.writeObject("After", "2");
    reporter.flush();
    const std::string bytes = testsupport::readBytes(reporter.reportPath().toStdString());
    EXPECT_EQ(bytes, reporttest::kHeader + "  <Before>1</Before>\r\n</KxRegTester>\r\n");
}

TEST(ReportWriterLifetime, DestructionClosesTheReportOnce) {
    testsupport::TempSuite suite;
    std::string path;
    {
        Rt::TestReporter reporter;
        path = reporter.reportPath().toStdString();
        reporter.openObj("Open");
        reporter.closeObj("Open");
        reporter.closeReport();
    }
    EXPECT_EQ(testsupport::readBytes(path), reporttest::kHeader + "  <Open>\r\n  </Open>\r\n</KxRegTester>\r\n");
}

} // namespace
