#include "rtrun/run/RunTally.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/ScratchFile.h"
#include <algorithm>

namespace rtrun {

namespace {

std::string text(const KxString& value) { return value.toStdString(); }

// Reuses the storage `into` has.
void assign(std::string& into, const KxString& value) {
    const int n = value.numChars();
    const KxString::Unit* units = value.getConstPtr();
    into.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        if (units[i] > 0xFF) {  // as toStdString: no single-byte form, no text
            into.clear();
            return;
        }
        into[static_cast<std::size_t>(i)] = static_cast<char>(units[i]);
    }
}

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

// A slower test comes first; of two equally slow ones, the earlier.
bool slowerThan(const RunTally::Timed& a, const RunTally::Timed& b) {
    return a.seconds > b.seconds || (a.seconds == b.seconds && a.order < b.order);
}

} // namespace

RunTally::RunTally(int slowestKept) : m_slowestKept(slowestKept) {}

RunTally::~RunTally() {
    if (m_index) std::fclose(m_index);
}

void RunTally::libraryLoaded(const KxString& file, Rt::LibraryOutcome outcome, const KxString& reason) {
    if (outcome == Rt::LibraryOutcome::eFactory) {
        ++m_librariesUsed;
        return;
    }
    m_refusedLibraries.push_back({text(file), text(reason)});
    ++m_librariesRefused;
    problem("rtrun: test library %s is not used: %s\n", text(file).c_str(), text(reason).c_str());
}

void RunTally::scriptStarted(const KxString&) { ++m_scriptIndex; }

void RunTally::scriptProblem(const KxString& script, const KxString& problemText) {
    if (m_resumed && !m_resumed->showsProblemsOf(m_scriptIndex)) return;
    ++m_scriptProblems;
    m_scriptProblemList.push_back({text(script), text(problemText)});
    problem("rtrun: script problem in %s: %s\n", text(script).c_str(), text(problemText).c_str());
}

void RunTally::testCreating(const Rt::TestInfo& info) {
    if (m_open) settle(m_current);  // its creation ended without a word: it did not run
    Test& test = m_current;
    assign(test.script, info.script);
    test.position = info.position;
    assign(test.caseName, info.caseName);
    assign(test.group, info.group);
    test.title = test.caseName;
    test.args.resize(info.args.size());
    for (std::uint32_t i = 0; i < info.args.size(); ++i) assign(test.args[i], info.args[i]);
    test.why.clear();
    test.verdict = Verdict::eNotRun;
    test.seconds = 0;
    test.reportId = -1;
    test.returnedFalse = false;
    test.errorRecorded = false;
    test.threw.clear();
    m_open = true;
    m_watch.start();
}

void RunTally::testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure, const KxString& reason) {
    if (!m_open) return;
    m_open = false;
    m_current.why = text(reason);
    problem("rtrun: %s: not run: %s\n", where(info).c_str(), text(reason).c_str());
    settle(m_current);
}

void RunTally::testStarted(const Rt::TestInfo&, const Rt::TestSet& test, int reportId) {
    if (!m_open) return;
    m_current.reportId = reportId;
    if (!test.getTitle().isEmpty()) assign(m_current.title, test.getTitle());
    m_watch.start();
}

void RunTally::errorCounted(const KxStdError& error, Rt::ErrorCategory category) {
    if (!m_open || (category != Rt::eTestError && category != Rt::eExternalError)) return;
    m_current.errorRecorded = true;
    if (!m_current.why.empty()) return;
    // The first line of a message says what went wrong; its Desc is often a short label.
    const auto* message = dynamic_cast<const Rt::Msg*>(&error);
    if (message && !message->textList.isEmpty()) m_current.why = text(message->textList[0]);
    else m_current.why = text(error.getText2());
}

void RunTally::finish(const Rt::TestSet& test, Verdict verdict) {
    if (!m_open) return;
    m_open = false;
    m_current.verdict = verdict;
    m_current.seconds = m_watch.getTime();
    if (!test.getTitle().isEmpty()) assign(m_current.title, test.getTitle());
    settle(m_current);
}

void RunTally::testEnded(const Rt::TestInfo&, const Rt::TestSet& test, bool passed) {
    if (m_open && !passed && m_current.why.empty()) {
        m_current.why = "its body returned false";
        m_current.returnedFalse = true;
    }
    // A leak found after the body still fails the test: its element holds the record.
    finish(test, passed && !(m_open && m_current.errorRecorded) ? Verdict::ePassed : Verdict::eFailed);
}

// The framework's own record of it says only that something was thrown.
void RunTally::testThrew(const Rt::TestInfo&, const Rt::TestSet&, const KxString& type, const KxString& what) {
    if (!m_open) return;
    m_current.threw = threwText(text(type), text(what));
    m_current.why = m_current.threw;
}

void RunTally::reportNotWritten(const KxString& path, int error) {
    m_reportError = error;
    problem("rtrun: the report %s could not be written: %s\n", text(path).c_str(),
            Process::errorText(error).c_str());
}

void RunTally::runAbandoned(const KxString& reason) {
    m_abandonReason = text(reason);
    if (m_open) {  // the test being created or run when the process ended
        m_open = false;
        m_current.verdict = Verdict::eFailed;
        m_current.why = m_abandonReason;
        settle(m_current);
    }
}

void RunTally::addTest(Test test) {
    if (m_open) {
        m_open = false;
        settle(m_current);
    }
    settle(test);
}

void RunTally::settle(Test& test) {
    ++m_total;
    ++m_counts[static_cast<int>(test.verdict)];
    noteTime(test);
    appendIndexLine(test);
    if (test.verdict != Verdict::ePassed) m_unpassed.push_back(test);
}

void RunTally::noteTime(const Test& test) {
    if (test.verdict == Verdict::eNotRun || m_slowestKept == 0) return;
    Timed timed;
    timed.seconds = test.seconds;
    timed.order = m_total - 1;
    if (m_slowestKept < 0) {
        timed.group = test.group;
        timed.title = test.title;
        m_slowest.push_back(std::move(timed));
        return;
    }
    if (static_cast<int>(m_slowest.size()) == m_slowestKept && !slowerThan(timed, m_slowest.back())) return;
    timed.group = test.group;
    timed.title = test.title;
    m_slowest.insert(std::upper_bound(m_slowest.begin(), m_slowest.end(), timed, slowerThan), std::move(timed));
    if (static_cast<int>(m_slowest.size()) > m_slowestKept) m_slowest.pop_back();
}

void RunTally::appendIndexLine(const Test& test) {
    if (test.reportId < 0 || m_indexLost) return;
    TestIndex::formatLine(test.reportId, test.script, test.position, test.caseName, m_line);
    if (!m_index && m_indexInMemory.empty()) {
        // A file of its own keeps the index out of memory however long the run.
        std::string unused;
        m_index = openScratchFile(Rt::resultDir().toStdString(), unused, ScratchUse::eOwn);
    }
    if (!m_index) m_indexInMemory += m_line;
    else if (std::fwrite(m_line.data(), 1, m_line.size(), m_index) != m_line.size()) m_indexLost = true;
}

void RunTally::addFacts(TestIndex::Facts& facts) const {
    for (const Test* test : unpassed()) {
        if (test->verdict != Verdict::eNotRun || test->reportId >= 0) continue;
        facts.notRun.push_back({test->script, test->position, test->caseName, test->group, test->why, test->args});
    }
    facts.scriptProblems.insert(facts.scriptProblems.end(), m_scriptProblemList.begin(), m_scriptProblemList.end());
    // Problems told only as a count (by the pieces of a run) have no text.
    for (int i = static_cast<int>(m_scriptProblemList.size()); i < m_scriptProblems; ++i)
        facts.scriptProblems.push_back({"", "shown on standard error during the run"});
    facts.refusedLibraries.insert(facts.refusedLibraries.end(), m_refusedLibraries.begin(), m_refusedLibraries.end());
    for (int i = static_cast<int>(m_refusedLibraries.size()); i < m_librariesRefused; ++i)
        facts.refusedLibraries.push_back({"", "shown on standard error during the run"});
}

bool RunTally::writeIndex(const std::string& path, const TestIndex::Facts& facts) const {
    std::FILE* file = openForWriting(path);
    if (!file) return false;
    const std::string head = std::string(TestIndex::header()) + "\n" + TestIndex::factLines(facts);
    std::fwrite(head.data(), 1, head.size(), file);
    const bool copied = copyIndexLines(file);
    return std::fclose(file) == 0 && copied;
}

bool RunTally::copyIndexLines(std::FILE* to) const {
    if (m_indexLost) return false;
    if (m_index) {
        if (std::fflush(m_index) != 0 || std::fseek(m_index, 0, SEEK_SET) != 0) return false;
        char chunk[1 << 16];
        bool copied = true;
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof(chunk), m_index)) > 0)
            if (std::fwrite(chunk, 1, n, to) != n) copied = false;
        copied = copied && !std::ferror(m_index);
        std::fseek(m_index, 0, SEEK_END);  // later lines go after these
        if (!copied) return false;
    } else if (std::fwrite(m_indexInMemory.data(), 1, m_indexInMemory.size(), to) != m_indexInMemory.size()) {
        return false;
    }
    if (m_open && m_current.reportId >= 0) {  // a test still open when the run was summed up
        std::string line;
        TestIndex::formatLine(m_current.reportId, m_current.script, m_current.position, m_current.caseName, line);
        if (std::fwrite(line.data(), 1, line.size(), to) != line.size()) return false;
    }
    return true;
}

void RunTally::skipInterrupted(int tests) {
    m_interruptedTests += tests;
    m_total += tests;
    m_counts[static_cast<int>(Verdict::eNotRun)] += tests;
}

void RunTally::addProblems(int scriptProblems, int librariesRefused) {
    m_scriptProblems += scriptProblems;
    m_librariesRefused += librariesRefused;
}

void RunTally::addScriptProblem(const TestIndex::Problem& problem) {
    ++m_scriptProblems;
    m_scriptProblemList.push_back(problem);
}

void RunTally::addRefusedLibrary(const TestIndex::Problem& library) {
    ++m_librariesRefused;
    m_refusedLibraries.push_back(library);
}

std::vector<const RunTally::Test*> RunTally::unpassed() const {
    std::vector<const Test*> tests;
    tests.reserve(m_unpassed.size() + 1);
    for (const Test& test : m_unpassed) tests.push_back(&test);
    if (m_open) tests.push_back(&m_current);  // still open: it did not run to its end
    return tests;
}

std::vector<const RunTally::Timed*> RunTally::slowest(int count) const {
    std::vector<const Timed*> timed;
    if (count <= 0) return timed;
    for (const Timed& test : m_slowest) timed.push_back(&test);
    const std::size_t shown = std::min(timed.size(), static_cast<std::size_t>(count));
    std::partial_sort(timed.begin(), timed.begin() + shown, timed.end(),
                      [](const Timed* a, const Timed* b) { return slowerThan(*a, *b); });
    timed.resize(shown);
    return timed;
}

int RunTally::count(Verdict verdict) const {
    return m_counts[static_cast<int>(verdict)] + (m_open && verdict == Verdict::eNotRun ? 1 : 0);
}

std::map<int, std::string> RunTally::throws() const {
    std::map<int, std::string> texts;
    for (const Test& test : m_unpassed)
        if (!test.threw.empty()) texts[test.reportId] = test.threw;
    return texts;
}

std::string threwText(const std::string& type, const std::string& what) {
    return "threw " + type + (what.empty() ? "" : ": " + what);
}

std::set<int> RunTally::falseReturns() const {
    std::set<int> ids;
    for (const Test& test : m_unpassed)
        if (test.returnedFalse) ids.insert(test.reportId);
    return ids;
}

} // namespace rtrun
