// The exact text each writer operation puts into the report.
#include "report/TestReporter.h"
#include "support/Messages.h"
#include "support/ReportText.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>

namespace {

using testsupport::ExpectedReport;
using testsupport::message;

class ReportWriter : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    Rt::TestReporter reporter;

    std::string body() {
        reporter.flush();
        return testsupport::reportBody(testsupport::readBytes(reporter.reportPath().toStdString()));
    }
    // Closes the report and checks that the whole file is well-formed XML.
    void expectWellFormedAtEnd() {
        reporter.closeReport();
        EXPECT_EQ(testsupport::xmlProblems(reporter.reportPath().toStdString()), "");
    }
};

TEST_F(ReportWriter, ElementsFromMessagesGetIncreasingTenDigitIds) {
    auto group = message({"Group"});
    auto test = message({"Test"});
    auto unnamed = message({});
    reporter.openObj(group.get());
    reporter.openObj("Summary");  // opening by name takes no id
    reporter.closeObj("Summary");
    for (int i = 0; i < 10; ++i) {
        reporter.openObj(test.get());
        reporter.closeObj(test.get());
    }
    reporter.openObj(unnamed.get());
    reporter.closeObj(unnamed.get());
    reporter.closeObj(group.get());
    ExpectedReport expected(2);
    expected.open("Summary").close("Summary");
    for (int id = 1; id <= 10; ++id) expected.openTest(id).close("Test");
    expected.open("No_Obj_Spec", 11).close("No_Obj_Spec");
    EXPECT_EQ(body(), "  <Group id=\"0000000000\">\r\n" + expected.text() + "  </Group>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, ValuesAreEscapedAndKeepLineBreaks) {
    reporter.writeObject("Title", "a<b & c");
    reporter.writeObject("Q", "say \"hi\" it's > 2");
    reporter.writeObject("Ext", "");
    reporter.writeObject("Desc", "first\r\nsecond");
    EXPECT_EQ(body(),
              "  <Title>a&lt;b &amp; c</Title>\r\n"
              "  <Q>say &quot;hi&quot; it&apos;s &gt; 2</Q>\r\n"
              "  <Ext></Ext>\r\n"
              "  <Desc>first\r\nsecond</Desc>\r\n");
    // Raw text: one escape per character, other bytes as they are.
    reporter.writeEncodedStr("\"&'<>");
    reporter.writeEncodedStr("");
    reporter.writeEncodedStr("\t\x01&");
    EXPECT_EQ(body().substr(body().rfind("\r\n") + 2), "&quot;&amp;&apos;&lt;&gt;\t\x01&amp;");
}

TEST_F(ReportWriter, MessageValuesPairWithNamesAndReuseTheLastName) {
    reporter.writeObject(message({"A", "B"}, {"1", "2", "3"}).get());
    reporter.writeObject(message({"X", "Y", "Z"}, {"<1>"}).get());
    reporter.writeObject(message({"A"}, {}).get());
    reporter.writeObject(message({}, {"orphan"}).get());
    EXPECT_EQ(body(), "  <A>1</A>\r\n  <B>2</B>\r\n  <B>3</B>\r\n  <X>&lt;1&gt;</X>\r\n");
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, MessageAndCoreErrorRecords) {
    reporter.writeMsg("Error", message({}, {}, "", -12, "", "").get());
    reporter.writeMsg("ExtWarning", message({"x < 3", "y"}, {"at a&b"}, "Bad 'value'", -15, "Basic", "check").get());
    KxStdError error("Kx<Vec>", "reallocMem", "first text", "pNewVec & more", 5);
    reporter.writeKxStdErr(&error);
    const std::string expected = ExpectedReport()
                                     .record("Error", "::", "")
                                     .open("ExtWarning")
                                     .value("Method", "Basic::check")
                                     .value("Desc", "Bad &apos;value&apos;")
                                     .value("Msg", "x &lt; 3")
                                     .value("Msg", "y")
                                     .value("Trace", "at a&amp;b")
                                     .close("ExtWarning")
                                     .kxError("Kx&lt;Vec&gt;::reallocMem", "pNewVec &amp; more")
                                     .body();
    EXPECT_EQ(body(), expected);
    expectWellFormedAtEnd();
}

TEST_F(ReportWriter, CharacterWithoutSingleByteFormDropsOnlyItsPiece) {
    const KxString::Unit units[] = {u'a', u'b', 0x4E2D, u'c', u'd', u'<', u'e'};
    reporter.writeObject("V", KxString(units, 7));
    reporter.writeObject("W", "after");
    // The run before the escape holds the wide character; the escape and the
    // run after it are pieces of their own.
    EXPECT_EQ(body(), "  <V>&lt;e</V>\r\n  <W>after</W>\r\n");
    expectWellFormedAtEnd();
}

} // namespace
