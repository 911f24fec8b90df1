#pragma once
// A live results object over a real report in a temporary suite, with
// helpers to raise errors, send report commands and read the report back.
#include "corelib/KxErrorState.h"
#include "results/GlobalResults.h"
#include "support/TempSuite.h"
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace resultstest {

// The five counters in the order errors, warnings, extErrors, extWarnings, kxErrors.
inline std::vector<int> counts(const Rt::ErrorSummary& s) {
    return {s.errors(), s.warnings(), s.extErrors(), s.extWarnings(), s.kxErrors()};
}

inline std::vector<std::string> lines(const KxVec<KxString>& list) {
    std::vector<std::string> out;
    for (const KxString& s : list) out.push_back(s.toStdString());
    return out;
}

class ResultsFixture : public ::testing::Test {
protected:
    testsupport::TempSuite suite;
    std::string path;

    void SetUp() override {
        Rt::gResults = new Rt::GlobalResults;
        ASSERT_TRUE(Rt::gResults && Rt::gResults->isTest());
        path = Rt::gResults->testReporter()->reportPath().toStdString();
    }

    // Every report must stay well-formed, whatever the test did to it.
    void TearDown() override {
        Rt::gResults = nullptr;
        KxErrorState::clearError();
        EXPECT_EQ(testsupport::xmlProblems(path), "");
    }

    Rt::GlobalResults& results() { return *Rt::gResults; }

    // The report as it stands in the file, after the two opening lines.
    std::string body() {
        const std::string header = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";
        const std::string bytes = testsupport::readBytes(path);
        if (bytes.compare(0, header.size(), header) != 0) return "<missing header>" + bytes;
        return bytes.substr(header.size());
    }

    static Kx::SharedPtr<Rt::Msg> msg(KxErrorCode code, const char* text2,
                                      std::initializer_list<const char*> texts = {}) {
        Kx::SharedPtr<Rt::Msg> m(new Rt::Msg("Cls", "meth", "", text2, code));
        for (const char* text : texts) m->textList.append(text);
        return m;
    }

    // A report command handed straight to the results object, as test code does.
    Kx::SharedPtr<Rt::Msg> send(const char* word, std::initializer_list<const char*> texts = {}) {
        Kx::SharedPtr<Rt::Msg> m = msg(Rt::eCommand, word, texts);
        results()._handleError(m.get());
        return m;
    }

    // An error raised through the core library's error state.
    static void raise(KxErrorCode code, const char* text2 = "bad") {
        Kx::SharedPtr<Rt::Msg> m = msg(code, text2);
        KxErrorState::setError(m.get());
    }

    static void raiseCoreLibraryError(KxErrorCode code = 7, const char* text = "pNewVec") {
        KxErrorState::throwStdError("KxVecBase", "reallocMem", text, code);
    }
};

} // namespace resultstest
