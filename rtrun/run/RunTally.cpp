#include "rtrun/run/RunTally.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/ScratchFile.h"
#include "report/SecondsText.h"
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

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

// What the tally keeps of each test with a report element: the index's
// facts (report id, script, position, case name, in the index's single
// bytes) and the history's (its key texts, verdict, time and first error,
// as a reader of the report would find them, in UTF-8). One record each:
//   u32 length of the rest, i32 report id, i32 position, u8 verdict,
//   f64 seconds, u32 argument count, then the texts script, case name,
//   group, title, error and the arguments, each a u32 length and its bytes.
struct SpilledTest {
    int reportId = -1;
    int position = 0;
    rtrun::Verdict verdict = rtrun::Verdict::ePassed;
    double seconds = 0;
    std::string_view script, caseName, group, title, error;
    std::vector<std::string_view> args;
};

constexpr std::size_t kLength = sizeof(std::uint32_t);
constexpr std::size_t kVerdictAt = kLength + 2 * sizeof(std::int32_t);
constexpr std::size_t kTextsAt = kVerdictAt + 1 + sizeof(double) + sizeof(std::uint32_t);

template <class T>
void put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

template <class T>
T take(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

// Appends a text that `make` appends, its length before it.
template <class Make>
void putMade(std::string& out, Make make) {
    const std::size_t at = out.size();
    out.append(kLength, '\0');
    make(out);
    const auto length = static_cast<std::uint32_t>(out.size() - at - kLength);
    std::memcpy(&out[at], &length, kLength);
}

void putText(std::string& out, std::string_view text) {
    put(out, static_cast<std::uint32_t>(text.size()));
    out.append(text.data(), text.size());
}

bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) continue;
        const std::size_t more = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (more == 0 || more >= text.size() - i) return false;
        for (std::size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += more;
    }
    return true;
}

// A text of the test's element as the report's reader hands it out. A test
// told from a report read back has the reader's texts already, except those
// its teller took from the script instead.
void appendAsRead(std::string& to, const std::string& text, bool fromReport) {
    if (!fromReport) appendAsReadBack(to, text);
    else if (isUtf8(text)) to += text;
    else appendUtf8(to, text);
}

// A time as the report writes it (to the hundredth) and its reader reads it.
double asReported(double seconds) {
    char text[48];
    const int length = Rt::twoDecimals(seconds, text, static_cast<int>(sizeof(text)));
    double value = 0;
    std::from_chars(text, text + length, value);
    return value;
}

// The record of a test with a report element. Its verdict and error are
// what its element says (a test whose body threw is known by what it threw,
// one whose body returned false without an error by that), its title the
// one its element closed with, else its case name.
void spilledRecord(const RunTally::Test& test, bool fromReport, std::string& out) {
    out.clear();
    put(out, std::uint32_t(0));
    put(out, static_cast<std::int32_t>(test.reportId));
    put(out, static_cast<std::int32_t>(test.position));
    put(out, std::uint8_t(0));
    put(out, asReported(test.seconds));
    put(out, static_cast<std::uint32_t>(test.args.size()));
    putText(out, test.script);
    putText(out, test.caseName);
    putMade(out, [&](std::string& to) { appendAsRead(to, test.group, fromReport); });
    putMade(out, [&](std::string& to) {
        if (test.title == test.caseName) appendUtf8(to, test.caseName);
        else appendAsRead(to, test.title, fromReport);
    });
    const std::size_t errorAt = out.size();
    putMade(out, [&](std::string& to) {
        if (!test.threw.empty()) appendUtf8(to, test.threw);
        else if (test.elementFailed) appendAsRead(to, test.elementError, fromReport);
    });
    Verdict verdict = test.elementFailed ? verdictOfError(std::string_view(out).substr(errorAt + kLength)) : Verdict::ePassed;
    if (verdict == Verdict::ePassed && test.returnedFalse) {
        verdict = Verdict::eFailed;
        out.resize(errorAt);
        putText(out, "its body returned false");
    }
    out[kVerdictAt] = static_cast<char>(verdict);
    for (const std::string& arg : test.args) putMade(out, [&](std::string& to) { appendAsRead(to, arg, fromReport); });
    const auto length = static_cast<std::uint32_t>(out.size() - kLength);
    std::memcpy(&out[0], &length, kLength);
}

// Reads one record's body (what follows its length); false when it is not whole.
bool readRecord(std::string_view body, SpilledTest& test) {
    if (body.size() < kTextsAt - kLength) return false;
    const char* at = body.data();
    test.reportId = take<std::int32_t>(at);
    test.position = take<std::int32_t>(at + 4);
    test.verdict = static_cast<rtrun::Verdict>(take<std::uint8_t>(at + 8));
    test.seconds = take<double>(at + 9);
    const std::uint32_t args = take<std::uint32_t>(at + 17);
    std::size_t offset = kTextsAt - kLength;
    const auto text = [&](std::string_view& into) {
        if (body.size() - offset < kLength) return false;
        const std::uint32_t length = take<std::uint32_t>(at + offset);
        offset += kLength;
        if (body.size() - offset < length) return false;
        into = body.substr(offset, length);
        offset += length;
        return true;
    };
    if (!text(test.script) || !text(test.caseName) || !text(test.group) || !text(test.title) || !text(test.error))
        return false;
    test.args.resize(args);
    for (std::string_view& arg : test.args)
        if (!text(arg)) return false;
    return offset == body.size();
}

// Reads the records back, from the file (which is left at its end, for
// records after them) or from memory.
class SpillReader {
public:
    SpillReader(std::FILE* file, const std::string& inMemory) : m_file(file), m_memory(inMemory) {
        m_ok = !m_file || (std::fflush(m_file) == 0 && std::fseek(m_file, 0, SEEK_SET) == 0);
    }
    ~SpillReader() {
        if (m_file) std::fseek(m_file, 0, SEEK_END);
    }
    SpillReader(const SpillReader&) = delete;
    SpillReader& operator=(const SpillReader&) = delete;

    // The next record; false at the end, or when the rest cannot be read (then !ok()).
    bool next(SpilledTest& test) {
        if (!m_ok) return false;
        std::string_view body;
        if (m_file) {
            char length[kLength];
            const std::size_t got = std::fread(length, 1, kLength, m_file);
            if (got == 0) return m_ok = !std::ferror(m_file), false;
            m_body.resize(take<std::uint32_t>(length));
            if (got != kLength || std::fread(&m_body[0], 1, m_body.size(), m_file) != m_body.size())
                return m_ok = false;
            body = m_body;
        } else {
            if (m_at == m_memory.size()) return false;
            if (m_memory.size() - m_at < kLength) return m_ok = false;
            const std::uint32_t length = take<std::uint32_t>(m_memory.data() + m_at);
            if (m_memory.size() - m_at - kLength < length) return m_ok = false;
            body = std::string_view(m_memory).substr(m_at + kLength, length);
            m_at += kLength + length;
        }
        return m_ok = readRecord(body, test);
    }
    bool ok() const { return m_ok; }

private:
    std::FILE* m_file;
    const std::string& m_memory;
    std::size_t m_at = 0;
    std::string m_body;
    bool m_ok = true;
};

} // namespace

RunTally::RunTally(int slowestKept) : m_slowestKept(slowestKept) {}

RunTally::~RunTally() {
    if (m_spill) std::fclose(m_spill);
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
    if (m_open) settle(m_current, false);  // its creation ended without a word: it did not run
    m_running = nullptr;
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
    test.elementFailed = false;
    test.elementError.clear();
    m_open = true;
}

void RunTally::testNotCreated(const Rt::TestInfo& info, Rt::CreationFailure, const KxString& reason) {
    if (!m_open) return;
    m_open = false;
    m_current.why = text(reason);
    problem("rtrun: %s: not run: %s\n", where(info).c_str(), text(reason).c_str());
    settle(m_current, false);
}

void RunTally::testStarted(const Rt::TestInfo&, const Rt::TestSet& test, int reportId) {
    if (!m_open) return;
    m_current.reportId = reportId;
    m_running = &test;
    if (!test.getTitle().isEmpty()) assign(m_current.title, test.getTitle());
}

void RunTally::testTimed(const Rt::TestInfo&, double seconds) {
    if (m_open) m_current.seconds = seconds;
}

void RunTally::errorCounted(const KxStdError& error, Rt::ErrorCategory category) {
    if (!m_open || (category != Rt::eTestError && category != Rt::eExternalError)) return;
    m_current.errorRecorded = true;
    const bool firstInElement = m_running && !m_current.elementFailed;
    if (!m_current.why.empty() && !firstInElement) return;
    // The first line of a message says what went wrong; its Desc is often a short label.
    const auto* message = dynamic_cast<const Rt::Msg*>(&error);
    const KxString& first = message && !message->textList.isEmpty() ? message->textList[0] : error.getText2();
    if (m_current.why.empty()) m_current.why = text(first);
    if (firstInElement) {  // the report's reader takes the Desc for an empty first line too
        m_current.elementFailed = true;
        assign(m_current.elementError, first.isEmpty() ? error.getText2() : first);
    }
}

// A test's element closes with the title and arguments the test has then:
// those the script gave it, unless the test changed them.
void RunTally::takeClosingValues(const Rt::TestSet& test) {
    if (test.getTitle().isEmpty()) m_current.title = m_current.caseName;
    else assign(m_current.title, test.getTitle());
    const KxVec<KxString>& args = test.getArg();
    m_current.args.resize(args.size());
    for (std::uint32_t i = 0; i < args.size(); ++i) assign(m_current.args[i], args[i]);
}

void RunTally::finish(const Rt::TestSet& test, Verdict verdict) {
    if (!m_open) return;
    m_open = false;
    m_current.verdict = verdict;
    if (m_running) takeClosingValues(test);
    m_running = nullptr;
    settle(m_current, false);
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

// The element of the test being made was completed with an Error record of `reason`.
void RunTally::runAbandoned(const KxString& reason) {
    m_abandonReason = text(reason);
    if (m_open) {  // the test being created or run when the process ended
        m_open = false;
        m_current.verdict = Verdict::eFailed;
        m_current.why = m_abandonReason;
        // (A running test was completed as it ended.) One still being made
        // gets an element of its own, the last one written.
        if (Rt::gResults && Rt::gResults->testReporter()) {
            m_current.reportId = Rt::gResults->testReporter()->lastId();
            m_current.elementFailed = !reason.isEmpty();
            assign(m_current.elementError, reason);
        }
        settle(m_current, false);
    }
}

void RunTally::addTest(Test test) {
    if (m_open) {
        m_open = false;
        m_running = nullptr;
        settle(m_current, false);
    }
    settle(test, true);
}

void RunTally::settle(Test& test, bool fromReport) {
    ++m_total;
    ++m_counts[static_cast<int>(test.verdict)];
    noteTime(test);
    spill(test, fromReport);
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

void RunTally::spill(const Test& test, bool fromReport) {
    if (test.reportId < 0 || m_spillLost) return;
    spilledRecord(test, fromReport, m_record);
    if (!m_spill && m_spillInMemory.empty()) {
        // A file of its own keeps the facts out of memory however long the run.
        std::string unused;
        m_spill = openScratchFile(Rt::resultDir().toStdString(), unused, ScratchUse::eOwn);
    }
    if (!m_spill) m_spillInMemory += m_record;
    else if (std::fwrite(m_record.data(), 1, m_record.size(), m_spill) != m_record.size()) m_spillLost = true;
}

template <class Use>
bool RunTally::forEachSpilled(Use use) const {
    if (m_spillLost) return false;
    SpilledTest test;
    {
        SpillReader reader(m_spill, m_spillInMemory);
        while (reader.next(test)) use(test);
        if (!reader.ok()) return false;
    }
    if (m_open && m_current.reportId >= 0) {  // a test still open when the run was summed up
        std::string record;
        spilledRecord(m_current, false, record);
        if (!readRecord(std::string_view(record).substr(kLength), test)) return false;
        use(test);
    }
    return true;
}

// The spilled tests, then those never made (as the index's facts hold them).
class RunTally::Recorded : public RecordedTests {
public:
    explicit Recorded(const RunTally& tally) : m_reader(tally.m_spill, tally.m_spillInMemory) {
        if (tally.m_spillLost) m_problem = "the facts of its tests could not all be kept";
        if (tally.m_open && tally.m_current.reportId >= 0) spilledRecord(tally.m_current, false, m_open);
        m_unmade = tally.unpassed();
    }

    bool next(RecordedTest& test) override {
        if (!m_problem.empty()) return false;
        if (!m_spilledDone) {
            if (m_reader.next(m_spilled)) return fill(test);
            m_spilledDone = true;
            if (!m_reader.ok()) m_problem = "the facts of its tests could not be read back";
            if (!m_problem.empty()) return false;
        }
        if (!m_open.empty()) {
            const bool read = readRecord(std::string_view(m_open).substr(kLength), m_spilled);
            m_open.clear();
            if (read) return fill(test);
        }
        for (; m_nextUnmade < m_unmade.size(); ++m_nextUnmade) {
            const Test& unmade = *m_unmade[m_nextUnmade];
            if (unmade.verdict != Verdict::eNotRun || unmade.reportId >= 0) continue;
            ++m_nextUnmade;
            test.group = utf8Of(unmade.group);
            test.title = utf8Of(unmade.title);
            test.args.resize(unmade.args.size());
            for (std::size_t i = 0; i < unmade.args.size(); ++i) test.args[i] = utf8Of(unmade.args[i]);
            test.script.clear();
            test.caseName = test.title;
            test.verdict = rtrun::Verdict::eNotRun;
            test.seconds = 0;
            test.error = utf8Of(unmade.why);
            test.reportId = -1;
            return true;
        }
        return false;
    }

    std::string problem() const override { return m_problem; }

private:
    bool fill(RecordedTest& test) {
        const SpilledTest& from = m_spilled;
        test.script.clear();
        appendUtf8(test.script, from.script);
        test.caseName.clear();
        appendUtf8(test.caseName, from.caseName);
        test.group.assign(from.group);
        test.title.assign(from.title);
        test.args.resize(from.args.size());
        for (std::size_t i = 0; i < from.args.size(); ++i) test.args[i].assign(from.args[i]);
        test.verdict = from.verdict;
        test.seconds = from.seconds;
        test.error.assign(from.error);
        test.reportId = from.reportId;
        return true;
    }

    SpillReader m_reader;
    SpilledTest m_spilled;
    bool m_spilledDone = false;
    std::string m_open;  // the record of a test still open, when it has an element
    std::vector<const Test*> m_unmade;
    std::size_t m_nextUnmade = 0;
    std::string m_problem;
};

std::unique_ptr<RecordedTests> RunTally::recordedTests() const { return std::make_unique<Recorded>(*this); }

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
    std::string line;
    bool written = true;
    const bool kept = forEachSpilled([&](const SpilledTest& test) {
        TestIndex::formatLine(test.reportId, test.script, test.position, test.caseName, line);
        written = written && std::fwrite(line.data(), 1, line.size(), file) == line.size();
    });
    return std::fclose(file) == 0 && kept && written;
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
