// A whole report, produced through the results object the way a run drives
// it, compared byte for byte with the expected document.
#include "env/GlobalStorage.h"
#include "support/Messages.h"
#include "support/ReportSession.h"
#include <gtest/gtest.h>

namespace {

using testsupport::message;

Kx::SharedPtr<Rt::Msg> command(const char* word, std::initializer_list<const char*> texts = {}) {
    return message(texts, {}, word, Rt::eCommand, "TestSet", "execute");
}

// A writeObj command carrying name/value pairs.
Kx::SharedPtr<Rt::Msg> values(std::initializer_list<std::pair<const char*, const char*>> pairs) {
    Kx::SharedPtr<Rt::Msg> msg = command("writeObj");
    for (const auto& [name, value] : pairs) msg->setAtr(name, value);
    return msg;
}

TEST(ReportExample, OneGroupOneTestOneError) {
    testsupport::ReportSession session("WIN64");
    Rt::setMachine("HOST1");
    Rt::GlobalResults& results = session.results();
    auto summary = message({}, {}, "", Rt::eSummaryRequest, "TestSet", "execute");

    // The framework's own commands go through route(), test code's through _handleError().
    results.route(command("openObj", {"Group"}).get());
    results.route(command("openObj", {"Test"}).get());
    KxErrorState::setError(message({"x < 3"}, {}, "Bad value", Rt::eTestError, "Basic", "check").get());
    results.route(values({{"Arg", "m1.kx"}, {"Ext", ""}, {"Time", "0.01 Seconds"}, {"Desc", "Checks the basics"},
                          {"Title", "Basic"}}).get());
    results.route(summary.get());
    results.route(command("closeObj", {"Test"}).get());
    results._handleError(values({{"Time", "0.02 Seconds"}, {"Desc", "Quick checks"}, {"Title", "Smoke"}}).get());
    results._handleError(summary.get());
    results._handleError(command("closeObj", {"Group"}).get());
    EXPECT_EQ(results.level(), 0);

    testsupport::ExpectedReport expected;
    expected.openGroup(0).openTest(1).record("Error", "Basic::check", "Bad value", {"x &lt; 3"});
    expected.closeTest({"m1.kx"}, "", "Checks the basics", "Basic", {0, 1}).closeGroup("Quick checks", "Smoke", {0, 1});
    EXPECT_EQ(session.close(), expected.finish("HOST1", "WIN64", testsupport::coreVersion()));
}

} // namespace
