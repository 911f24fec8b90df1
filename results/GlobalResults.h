#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxChron.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/report/TestReporter.h>
#include <Rt/results/ErrorSummary.h>
#include <cstdint>

namespace Rt {

// Error categories: the code of a raised error or report command selects its handler.
enum ErrorCategory : KxErrorCode {
    eExternalWarning = -18,
    eExternalError = -17,
    eTestWarning = -16,
    eTestError = -15,
    eCoreWarning = -14,
    eCoreError = -13,
    eCommand = -12,
    eSummaryRequest = -11,
};

// The run's results: a stack of counters parallel to the elements open in the
// report, the report writer, the run's timer, and the callback through which
// the core library's error state reports every raised error.
class RT_API GlobalResults : public KxRefCounted {
public:
    GlobalResults();
    GlobalResults(const GlobalResults& other);
    GlobalResults& operator=(const GlobalResults& other);
    ~GlobalResults() override;

    bool initializeErrorHandling();

    static void callback(bool raised);
    // Routes an error or a report command by its code. Called from outside the
    // framework, it also hands the report what it wrote to the file.
    void _handleError(const KxStdError* error);
    // The same routing for the framework's own commands, which flush at the
    // next point where control leaves the framework.
    void route(const KxStdError* error);
    // Hands what the report holds back to the file.
    void flush();
    // Closes every element above `level` that is still open, innermost
    // first, adding each one's counts to the level below it.
    void closeLevelsAbove(int level);

    void handleCoreErr(const KxStdError* error);
    void handleCoreWar(const KxStdError* error);
    void handleTestErr(const KxStdError* error);
    void handleTestWar(const KxStdError* error);
    void handleExtErr(const KxStdError* error);
    void handleExtWar(const KxStdError* error);
    void handleKxError(const KxStdError* error);
    void handleCmd(const KxStdError* error);

    void handleSum();
    void outputGlobal();
    bool reportUnhandleKxErrors(Msg* message, int when);
    bool reportUnhandleKxErrors(Msg* message, const KxString& name);

    using Callback = void (*)(bool);
    Callback getCallback() const { return &GlobalResults::callback; }
    int getTestErrors() const { return m_testErrors; }
    void resetTestErrors() { m_testErrors = 0; }
    void lock() { m_locked = true; }
    void unLock() { m_locked = false; }
    bool isLocked() const { return m_locked; }
    bool isEnabled() const { return m_enabled; }
    int level() const { return m_level; }
    std::uint32_t numSummaries() const { return m_summaries.size(); }
    // -1: the innermost open level; any other index is not checked.
    const ErrorSummary& errorSummary(int index) const;
    bool isCore() const { return static_cast<bool>(m_coreReporter); }
    bool isTest() const { return static_cast<bool>(m_testReporter); }
    TestReporter* testReporter() const { return m_testReporter.get(); }

private:
    ErrorSummary& current();
    void popLevel();
    void dispatch(const KxStdError* error);
    void writeRecord(const char* type, const KxStdError* error);

    bool m_enabled = true;
    bool m_locked = false;
    std::int32_t m_testErrors = 0;
    std::int32_t m_level = 0;
    KxVec<ErrorSummary> m_summaries;
    Kx::SharedPtr<TestReporter> m_coreReporter;
    Kx::SharedPtr<TestReporter> m_testReporter;
    KxChron m_timer;
};

extern RT_API Kx::SharedPtr<GlobalResults> gResults;

} // namespace Rt
