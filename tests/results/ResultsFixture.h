#pragma once
// A live results object over a real report in a temporary suite, with
// helpers to raise errors, send report commands and read the report back.
#include "corelib/KxErrorState.h"
#include "support/Messages.h"
#include "support/ReportSession.h"
#include <string>
#include <vector>

namespace resultstest {

using testsupport::ExpectedReport;
using testsupport::message;
using V = std::vector<int>;
using S = std::vector<std::string>;

// The five counters in the Summary element's order: kxErrors, errors, warnings, extErrors, extWarnings.
inline V counts(const Rt::ErrorSummary& s) {
    return {s.kxErrors(), s.errors(), s.warnings(), s.extErrors(), s.extWarnings()};
}

inline S lines(const KxVec<KxString>& list) {
    S out;
    for (const KxString& s : list) out.push_back(s.toStdString());
    return out;
}

class ResultsFixture : public ::testing::Test {
protected:
    testsupport::ReportSession session;

    // Every report must stay well-formed, whatever the test did to it.
    void TearDown() override {
        session.close();
        KxErrorState::clearError();
    }

    Rt::GlobalResults& results() { return *Rt::gResults; }
    V runCounts() { return counts(results().errorSummary(0)); }
    V openCounts() { return counts(results().errorSummary(-1)); }

    // The report as it stands in the file, after the two opening lines.
    std::string body() { return testsupport::reportBody(testsupport::readBytes(session.path())); }

    // A report command handed straight to the results object, as test code does.
    Kx::SharedPtr<Rt::Msg> send(const char* word, std::initializer_list<const char*> texts = {}) {
        Kx::SharedPtr<Rt::Msg> m = message(texts, {}, word);
        results()._handleError(m.get());
        return m;
    }

    // An error raised through the core library's error state.
    static void raise(KxErrorCode code) { KxErrorState::setError(message({}, {}, "bad", code).get()); }

    static void raiseCoreLibraryError(KxErrorCode code = 7, const char* text = "pNewVec", int times = 1) {
        for (int i = 0; i < times; ++i) KxErrorState::throwStdError("KxVecBase", "reallocMem", text, code);
    }
};

} // namespace resultstest
