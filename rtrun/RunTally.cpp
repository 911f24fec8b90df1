#include "rtrun/RunTally.h"
#include "env/Process.h"
#include <cstdio>

namespace rtrun {

namespace {

std::string text(const KxString& value) { return value.toStdString(); }

// Problems go to standard error after whatever progress lines came before.
template <class... Args>
void problem(const char* format, Args... args) {
    std::fflush(stdout);
    std::fprintf(stderr, format, args...);
}

std::string where(const Rt::TestInfo& info) {
    std::string place = text(info.group) + "/" + text(info.caseName);
    if (!info.script.isEmpty()) place += " (" + text(info.script) + ", test " + std::to_string(info.position + 1) + ")";
    return place;
}

} // namespace

void RunTally::libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) {
    if (outcome == Rt::LibraryOutcome::eFactory) {
        ++m_librariesUsed;
        return;
    }
    m_refusedLibraries.push_back(text(file));
    ++m_librariesRefused;
    problem("rtrun: test library %s is not used: %s\n", text(file).c_str(), text(reason).c_str());
}

void RunTally::scriptStarted(const KxString&) { ++m_scriptIndex; }

void RunTally::scriptProblem(const KxString& script, const KxString& problemText) {
    if (m_scriptIndex < m_quietBefore) return;
    ++m_scriptProblems;
    problem("rtrun: script problem in %s: %s\n", text(script).c_str(), text(problemText).c_str());
}

RunTally::Test& RunTally::current() { return m_tests.back(); }

void RunTally::testCreating(const Rt::TestInfo& info) {
    Test test;
    test.script = text(info.script);
    test.position = info.position;
    test.caseName = text(info.caseName);
    test.group = text(info.group);
    test.title = test.caseName;
    for (const KxString& arg : info.args) test.args.push_back(text(arg));
    m_tests.push_back(std::move(test));
    m_open = true;
    m_watch.start();
}

void RunTally::testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure, const KxString& reason) {
    if (!m_open) return;
    m_open = false;
    current().why = text(reason);
    problem("rtrun: %s: not run: %s\n", where(info).c_str(), text(reason).c_str());
}

void RunTally::testStarted(const Rt::TestInfo&, const Rt::TestSet& test, int reportId) {
    if (!m_open) return;
    current().reportId = reportId;
    if (!test.getTitle().isEmpty()) current().title = text(test.getTitle());
    m_watch.start();
}

void RunTally::errorCounted(const KxStdError& error, Rt::ErrorCategory category) {
    if (!m_open || (category != Rt::eTestError && category != Rt::eExternalError)) return;
    current().errorRecorded = true;
    if (!current().why.empty()) return;
    // The first line of a message says what went wrong; its Desc is often a short label.
    const auto* message = dynamic_cast<const Rt::Msg*>(&error);
    if (message && !message->textList.isEmpty()) current().why = text(message->textList[0]);
    else current().why = text(error.getText2());
}

void RunTally::finish(const Rt::TestSet& test, Verdict verdict) {
    if (!m_open) return;
    m_open = false;
    Test& last = current();
    last.verdict = verdict;
    last.seconds = m_watch.getTime();
    if (!test.getTitle().isEmpty()) last.title = text(test.getTitle());
}

void RunTally::testEnded(const Rt::TestInfo&, const Rt::TestSet& test, bool passed) {
    if (m_open && !passed && current().why.empty()) {
        current().why = "its body returned false";
        current().returnedFalse = true;
    }
    // A leak found after the body still fails the test: its element holds the record.
    finish(test, passed && !(m_open && current().errorRecorded) ? Verdict::kPassed : Verdict::kFailed);
}

void RunTally::reportNotWritten(const KxString& path, int error) {
    m_reportError = error;
    problem("rtrun: the report %s could not be written: %s\n", text(path).c_str(),
            Rt::Process::errorText(error).c_str());
}

void RunTally::runAbandoned(const KxString& reason) {
    m_abandonReason = text(reason);
    if (m_open) {  // the test being created or run when the process ended
        m_open = false;
        current().verdict = Verdict::kFailed;
        current().why = m_abandonReason;
    }
}

void RunTally::addProblems(int scriptProblems, int librariesRefused) {
    m_scriptProblems += scriptProblems;
    m_librariesRefused += librariesRefused;
}

int RunTally::count(Verdict verdict) const {
    int n = 0;
    for (const Test& test : m_tests) n += test.verdict == verdict;
    return n;
}

std::set<int> RunTally::falseReturns() const {
    std::set<int> ids;
    for (const Test& test : m_tests)
        if (test.returnedFalse) ids.insert(test.reportId);
    return ids;
}

} // namespace rtrun
