#include "results/GlobalResults.h"
#include "corelib/KxBuildInfo.h"
#include "corelib/KxErrorState.h"
#include "env/GlobalStorage.h"
#include "report/SecondsText.h"
#include "results/RunEvents.h"
#include <cstdio>

namespace Rt {

namespace {

// A report command or record needs a Msg; an error raised as a plain core
// error with one of the framework's codes gets an equivalent message.
Kx::SharedPtr<Msg> asMsg(const KxStdError* error) {
    if (auto* message = dynamic_cast<Msg*>(const_cast<KxStdError*>(error))) return message;
    return new Msg(error->getClassName(), error->getMethodName(), error->getText1(), error->getText2(),
                   error->getCode());
}

enum class Command { eOpen, eClose, eWrite, eCatch, eVerify, eVerifyAfter, eVerifyBefore, eDisable, eEnable, eOther };

// The command words, whole and case-sensitive. The texts are made once, so
// a command costs no allocation, and never destroyed: a run that test code
// ends with exit() is completed by an exit handler, after the destructors
// of statics made during the run.
Command commandOf(const KxString& word) {
    struct Entry {
        KxString word;
        Command command;
    };
    static const Entry* const table = new Entry[9]{{"openObj", Command::eOpen},        {"closeObj", Command::eClose},
                 {"writeObj", Command::eWrite},      {"catch", Command::eCatch},
                 {"verify", Command::eVerify},       {"verifyA", Command::eVerifyAfter},
                 {"verifyB", Command::eVerifyBefore}, {"disable", Command::eDisable},
                 {"enable", Command::eEnable}};
    for (const Entry* entry = table; entry != table + 9; ++entry)
        if (entry->word == word) return entry->command;
    return Command::eOther;
}

KxString formatInt(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

} // namespace

GlobalResults::GlobalResults() {
    std::printf("** Initializing GlobalResults\n");
    m_testReporter = new TestReporter("outTest", Rt::resultDir(), true);
    m_summaries.append(ErrorSummary());
    m_level = 0;
    initializeErrorHandling();
}

GlobalResults::GlobalResults(const GlobalResults&) = default;

GlobalResults& GlobalResults::operator=(const GlobalResults&) = default;

GlobalResults::~GlobalResults() {
    m_locked = false;
    try {
        closeLevelsAbove(0);  // the run's record belongs to the root, whatever was left open
        outputGlobal();
    } catch (...) {
        // No memory left for the record's texts: it stays as far as it got,
        // and the report closes below all the same.
    }
    m_coreReporter = nullptr;
    m_testReporter = nullptr;  // the last reference closes the report
    m_summaries.freeStorage();
}

bool GlobalResults::initializeErrorHandling() {
    KxErrorState::setErrorCallback(&GlobalResults::callback);
    m_testErrors = 0;
    m_enabled = true;
    m_locked = false;
    return true;
}

void GlobalResults::callback(bool raised) {
    GlobalResults* results = gResults.get();
    if (!results || !raised || results->m_locked || !results->m_testReporter) return;
    results->m_locked = true;
    try {
        // Held for the dispatch: a handler that raises makes its error the
        // current one, and the error state's reference to this one goes.
        const Kx::SharedPtr<KxStdError> error(KxErrorState::s_pError);
        if (error) results->dispatch(error.get());
    } catch (...) {
        // a failing handler must not unwind into the code that raised the error
    }
    results->m_locked = false;
    handOverToForeignCode();
}

void GlobalResults::_handleError(const KxStdError* error) {
    route(error);
    handOverToForeignCode();
}

// Locked like the callback: an error raised while a command is handled (a
// refused allocation, say) must not write into the middle of its lines.
void GlobalResults::route(const KxStdError* error) {
    const bool wasLocked = m_locked;
    m_locked = true;
    try {
        dispatch(error);
    } catch (...) {
    }
    m_locked = wasLocked;
}

void GlobalResults::flush() {
    if (m_testReporter) m_testReporter->flush();
}

void GlobalResults::dispatch(const KxStdError* error) {
    switch (error->getCode()) {
        case eExternalWarning: handleExtWar(error); break;
        case eExternalError: handleExtErr(error); break;
        case eTestWarning: handleTestWar(error); break;
        case eTestError: handleTestErr(error); break;
        case eCoreWarning: handleCoreWar(error); break;
        case eCoreError: handleCoreErr(error); break;
        case eCommand: handleCmd(error); break;
        case eSummaryRequest: handleSum(); break;
        default: handleKxError(error); break;
    }
}

ErrorSummary& GlobalResults::current() {
    while (m_summaries.size() <= static_cast<std::uint32_t>(m_level)) {
        if (!m_summaries.append(ErrorSummary())) {
            // No room for this level's counters: they go to a spare set, and
            // are lost at its close, rather than asking for room for ever.
            static ErrorSummary* spare = new ErrorSummary;
            return *spare;
        }
    }
    return m_summaries[static_cast<std::uint32_t>(m_level)];
}

const ErrorSummary& GlobalResults::errorSummary(int index) const {
    static const ErrorSummary none;
    if (index == -1) return m_summaries.isEmpty() ? none : m_summaries.last();
    if (index < 0 || static_cast<std::uint32_t>(index) >= m_summaries.size()) return none;
    return m_summaries[static_cast<std::uint32_t>(index)];
}

void GlobalResults::writeRecord(const char* type, const KxStdError* error) {
    if (!m_testReporter) return;
    // A plain error whose message cannot be made for lack of memory keeps its
    // count but leaves no record.
    Kx::SharedPtr<Msg> message = asMsg(error);
    if (message) m_testReporter->writeMsg(type, message.get());
}

void GlobalResults::handleTestErr(const KxStdError* error) {
    current().incErr();
    RunEvents::errorCounted(*error, eTestError);
    writeRecord("Error", error);
}

void GlobalResults::handleTestWar(const KxStdError* error) {
    current().incWar();
    RunEvents::errorCounted(*error, eTestWarning);
    writeRecord("Warning", error);
}

void GlobalResults::handleExtErr(const KxStdError* error) {
    current().incExtErr();
    RunEvents::errorCounted(*error, eExternalError);
    writeRecord("ExtError", error);
}

void GlobalResults::handleExtWar(const KxStdError* error) {
    current().incExtWar();
    RunEvents::errorCounted(*error, eExternalWarning);
    writeRecord("ExtWarning", error);
}

void GlobalResults::handleCoreErr(const KxStdError* error) {
    if (m_coreReporter) m_coreReporter->writeMsg("Error", asMsg(error).get());
}

void GlobalResults::handleCoreWar(const KxStdError* error) {
    if (m_coreReporter) m_coreReporter->writeMsg("Warning", asMsg(error).get());
}

void GlobalResults::handleKxError(const KxStdError* error) {
    if (!m_enabled) return;
    ++m_testErrors;
    current().incKxErr();
    if (m_testReporter) m_testReporter->writeKxStdErr(error);
}

void GlobalResults::handleCmd(const KxStdError* error) {
    const Command command = commandOf(error->getText2());
    switch (command) {
        case Command::eDisable: m_enabled = false; return;
        case Command::eEnable: m_enabled = true; return;
        case Command::eOther: handleKxError(error); return;
        default: break;
    }
    // The other commands act on a message. A plain error carrying one gets a
    // message made for it; when that fails for lack of memory the command is
    // dropped whole, so that opened levels and elements stay paired.
    Kx::SharedPtr<Msg> message = asMsg(error);
    if (!message) return;
    switch (command) {
        case Command::eOpen:
            if (m_testReporter) m_testReporter->openObj(message.get());
            m_summaries.append(ErrorSummary());
            ++m_level;
            break;
        case Command::eClose:
            // With no object open there is nothing to close: writing a closing
            // tag here would break the report's nesting.
            if (m_level < 1) return;
            if (m_testReporter) m_testReporter->closeObj(message.get());
            popLevel();
            break;
        case Command::eWrite:
            if (m_testReporter) m_testReporter->writeObject(message.get());
            break;
        case Command::eCatch: {
            const KxString name = message->textList.isEmpty() ? KxString() : message->textList[0];
            reportUnhandleKxErrors(message.get(), name);
            break;
        }
        case Command::eVerify: reportUnhandleKxErrors(message.get(), 0); break;
        case Command::eVerifyAfter: reportUnhandleKxErrors(message.get(), 1); break;
        case Command::eVerifyBefore: reportUnhandleKxErrors(message.get(), -1); break;
        default: break;
    }
}

void GlobalResults::popLevel() {
    const std::uint32_t level = static_cast<std::uint32_t>(m_level);
    if (level < m_summaries.size()) {
        const ErrorSummary closed = m_summaries[level];
        m_summaries[level - 1] += closed;
        m_summaries.remove(level, 1);
    }
    --m_level;
}

void GlobalResults::closeLevelsAbove(int level) {
    while (m_level > level && m_level > 0) {
        if (m_testReporter) m_testReporter->closeInnermost();
        popLevel();
    }
}

void GlobalResults::handleSum() {
    if (!m_testReporter) return;
    // Made once and never destroyed, like the command words.
    static const KxString* const names =
        new KxString[6]{"Summary", "KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"};
    const ErrorSummary& counts = current();
    TestReporter& report = *m_testReporter;
    report.openObj(names[0]);
    report.writeCount(names[1], counts.kxErrors());
    report.writeCount(names[2], counts.errors());
    report.writeCount(names[3], counts.warnings());
    report.writeCount(names[4], counts.extErrors());
    report.writeCount(names[5], counts.extWarnings());
    report.closeObj(names[0]);
}

void GlobalResults::outputGlobal() {
    if (!m_testReporter) return;
    const KxString runTime = SecondsText(m_timer.getTime());
    TestReporter& report = *m_testReporter;
    report.openObj("Global");
    report.writeObject("Machine", Rt::machine());
    report.writeObject("Platform", Rt::platform());
    report.writeObject("RunTime", runTime);
    report.writeObject("Version", KxVersion::whatString + 4);
    report.closeObj("Global");
}

bool GlobalResults::reportUnhandleKxErrors(Msg* message, int when) {
    const int leaks = m_testErrors;
    if (leaks < 1) {
        KxErrorState::clearError();
        return true;
    }
    KxString line = formatInt("%d KxError Leak(s) detected ", leaks);
    switch (when) {
        case -1: line += " before test"; break;
        case 0: line += " in test"; break;
        case 1: line += " after test"; break;
        default: break;
    }
    message->textList.append(line);
    current().incErr();
    RunEvents::errorCounted(*message, eTestError);
    if (m_testReporter) m_testReporter->writeMsg("Error", message);
    m_testErrors = 0;
    return false;
}

bool GlobalResults::reportUnhandleKxErrors(Msg* message, const KxString& name) {
    const int leaks = m_testErrors;
    if (leaks < 1) {
        KxErrorState::clearError();
        return true;
    }
    KxString line = formatInt("%d KxErrors Encountered in ", leaks) + " test : " + name;
    if (message->textList.isEmpty()) message->textList.append(KxString());
    message->textList[0] = line;
    current().incErr();
    RunEvents::errorCounted(*message, eTestError);
    if (m_testReporter) m_testReporter->writeMsg("Error", message);
    m_testErrors = 0;
    return false;
}

} // namespace Rt
