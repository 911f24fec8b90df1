#include "report/TestReporter.h"
#include "analysis/Analysis.h"
#include "env/GlobalStorage.h"
#include "env/Platform.h"
#include "results/RunEvents.h"
#include <cerrno>
#include <cstdio>

namespace Rt {

namespace {

const char* const kStyleFiles[] = {"style.css", "scripts.js", "detail.xsl", "menu.xsl", "top.xsl",
                                   "detail.htm", "menu.htm", "top.htm", "title.htm"};

const char* monthName(int month) {
    static const char* const names[] = {"January", "Febuary", "March",     "April",   "May",      "June",
                                        "July",    "August",  "September", "October", "November", "December"};
    return month >= 1 && month <= 12 ? names[month - 1] : "Unknown";
}

KxString formatted(const char* format, int a, int b) {
    char text[64];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

// Flushing earlier than the next boundary keeps the buffer bounded when a
// single record is very large.
constexpr std::uint32_t kFlushThreshold = 1u << 20;

const KxString& elementName(const Msg* message) {
    static const KxString* const unnamed = new KxString("No_Obj_Spec");  // outlives exit handlers
    return message->textList.isEmpty() ? *unnamed : message->textList[0];
}

} // namespace

TestReporter::TestReporter(bool flag) : TestReporter("", resultDir(), flag) {}

TestReporter::TestReporter(const KxString&, const KxString& dir, bool flag)
    : m_lineEnd("\r\n"), m_flag(flag), m_reportDir(dir) {
    initializeName();
    initializeDir();
    m_reportFile = m_runName + ".xml";
    initializeReport();
}

TestReporter::TestReporter(const TestReporter& other)
    : KxRefCounted(other),
      m_indent(other.m_indent),
      m_lineEnd(other.m_lineEnd),
      m_nextId(other.m_nextId),
      m_flag(other.m_flag),
      m_runName(other.m_runName),
      m_reportFile(other.m_reportFile),
      m_reportDir(other.m_reportDir),
      m_timeText(other.m_timeText),
      m_dateText(other.m_dateText),
      m_open(other.m_open),
      m_openCount(other.m_openCount),
      m_writeError(other.m_writeError) {
    // The copy shares the report stream; what the original still holds goes
    // out first so that nothing is written twice.
    const_cast<TestReporter&>(other).flush();
    m_file = other.m_file;
}

TestReporter& TestReporter::operator=(const TestReporter& other) {
    if (this == &other) return *this;
    flush();
    const_cast<TestReporter&>(other).flush();
    m_indent = other.m_indent;
    m_lineEnd = other.m_lineEnd;
    m_nextId = other.m_nextId;
    m_flag = other.m_flag;
    m_runName = other.m_runName;
    m_reportFile = other.m_reportFile;
    m_reportDir = other.m_reportDir;
    m_timeText = other.m_timeText;
    m_dateText = other.m_dateText;
    m_open = other.m_open;
    m_openCount = other.m_openCount;
    m_writeError = other.m_writeError;
    m_file = other.m_file;
    return *this;
}

TestReporter::~TestReporter() {
    try {
        closeReport();
    } catch (...) {
        // a destructor must not throw; what was written stays written
    }
}

void TestReporter::setDate(int month, int day, int year) {
    m_dateText = KxString(monthName(month)) + formatted(" %.2d, %.4d", day, year);
}

void TestReporter::setTime(int hour, int minute) { m_timeText = formatted("%.2d%.2d", hour, minute); }

KxString TestReporter::makeRunName() {
    char date[32];
    std::snprintf(date, sizeof(date), "%.2d%.2d%2.2d", Rt::month(), Rt::day(), Rt::year() % 100);
    return KxString(date) + Rt::platform() + formatted("%.2d%.2d", Rt::hour(), Rt::min());
}

void TestReporter::initializeName() {
    m_runName = makeRunName();
    m_timeText = formatted("%.2d%.2d", Rt::hour(), Rt::min());
    setDate(Rt::month(), Rt::day(), Rt::year());
}

void TestReporter::initializeDir() {
    const KxString made[] = {m_reportDir, m_reportDir + "Style", m_reportDir + Rt::platform()};
    for (const KxString& dir : made) Platform::makeDirectory(dir.toStdString().c_str());
}

KxString TestReporter::reportPath() const { return m_reportDir + "/" + m_reportFile; }
KxString TestReporter::pagePath() const { return m_reportDir + m_runName + ".htm"; }
KxString TestReporter::emailPath() const { return m_reportDir + Rt::platform() + "/" + m_runName + ".email"; }

void TestReporter::initializeReport() {
    KxString text;
    for (const char* style : kStyleFiles) {
        if (m_file.readFile(Rt::scriptDir() + style, text))
            m_file.writeFile(m_reportDir + "/Style/" + style, text);
    }
    if (m_file.readFile(Rt::scriptDir() + "default.htm", text)) {
        int replaced = 0;
        text.replace("STYLE_LOCATION", "Style", replaced, true);
        text.replace("XML_LOCATION", m_reportFile, replaced, true);
        m_file.writeFile(pagePath(), text);
    }
    openReport();
}

void TestReporter::openReport() {
    errno = 0;
    if (!m_file.openFile(reportPath())) noteWriteError();
    writeLine("", "<?xml version=\"1.0\"?>", "");
    writeLine("", "<KxRegTester>", "");
    m_indent.insert("  ", 0);
    flush();
}

void TestReporter::closeReport() {
    while (closeInnermost()) {
    }
    m_indent.remove(0, 2);
    beginPiece();
    put(m_indent);
    put("</KxRegTester>\r\n");
    endPiece();
    flush();
    try {
        m_file.closeFile();
    } catch (...) {
        // a report that cannot be closed cleanly still gets its summary
    }
    try {
        buildEmailSummary();
    } catch (...) {
        // closing runs from a destructor: a summary that fails is left out
    }
}

void TestReporter::flush() {
    if (m_pending.isEmpty()) return;
    errno = 0;
    if (!m_file.writeBytes(m_pending.data(), m_pending.size())) noteWriteError();
    m_pending.setLength(0);
}

void TestReporter::noteWriteError() {
    if (m_writeError != 0) return;
    m_writeError = errno ? errno : EIO;
    RunEvents::reportNotWritten(reportPath(), m_writeError);
}

bool TestReporter::closeInnermost() {
    if (m_openCount == 0) return false;
    closeObj(m_open[m_openCount - 1]);
    return true;
}

void TestReporter::pushOpen(const KxString& name) {
    if (m_openCount < m_open.size() || m_open.setLength(m_openCount + 1)) m_open[m_openCount++] = name;
}

void TestReporter::popOpen() {
    if (m_openCount > 0) --m_openCount;
}

void TestReporter::beginPiece() {
    m_pieceStart = m_pending.size();
    m_pieceValid = true;
}

void TestReporter::put(const KxString& text) { put(text.getConstPtr(), text.numChars()); }

void TestReporter::put(const KxString::Unit* unit, int n) {
    if (!m_pieceValid) return;
    char stage[256];
    int staged = 0;
    for (int i = 0; i < n; ++i) {
        if (unit[i] > 0xFF) {
            m_pieceValid = false;
            return;
        }
        stage[staged++] = static_cast<char>(unit[i]);
        if (staged == sizeof(stage)) {
            appendPending(stage, staged);
            staged = 0;
        }
    }
    if (staged) appendPending(stage, staged);
}

void TestReporter::put(const char* text) {
    std::uint32_t n = 0;
    while (text[n]) ++n;
    if (m_pieceValid) appendPending(text, n);
}

void TestReporter::put(char c) {
    if (m_pieceValid) appendPending(&c, 1);
}

// When the pending bytes cannot grow, what is pending goes to the file at
// once to make room: a line may then take more than one write, but it loses
// no byte (and the part of a piece already written can no longer be dropped).
void TestReporter::appendPending(const char* bytes, std::uint32_t count) {
    if (m_pending.append(bytes, count)) return;
    flush();
    m_pieceStart = 0;
    if (m_pending.append(bytes, count)) return;
    errno = 0;
    if (!m_file.writeBytes(bytes, count)) noteWriteError();
}

void TestReporter::endPiece() {
    if (!m_pieceValid) m_pending.setLength(m_pieceStart);
    if (m_pending.size() >= kFlushThreshold) flush();
}

void TestReporter::writeLine(const char* open, const KxString& name, const char* close) {
    beginPiece();
    put(m_indent);
    put(open);
    put(name);
    put(close);
    put(m_lineEnd);
    endPiece();
}

void TestReporter::openObj(const KxString& name) {
    writeLine("<", name, ">");
    indent();
    pushOpen(name);
}

// The indent is spaces only: two more at its end are two more at its start.
void TestReporter::indent() {
    m_indent += u' ';
    m_indent += u' ';
}

void TestReporter::closeObj(const KxString& name) {
    popOpen();
    m_indent.remove(0, 2);
    writeLine("</", name, ">");
}

void TestReporter::openObj(const Msg* message) {
    char attribute[32];
    std::snprintf(attribute, sizeof(attribute), " id=\"%.10d\">", m_nextId);
    writeLine("<", elementName(message), attribute);
    ++m_nextId;
    indent();
    pushOpen(elementName(message));
}

void TestReporter::closeObj(const Msg* message) { closeObj(elementName(message)); }

void TestReporter::writeObject(const KxString& name, const KxString& value) {
    beginPiece();
    put(m_indent);
    put('<');
    put(name);
    put('>');
    endPiece();
    writeEncodedStr(value);
    beginPiece();
    put("</");
    put(name);
    put('>');
    put(m_lineEnd);
    endPiece();
}

void TestReporter::writeCount(const KxString& name, int value) {
    char digits[12];
    int n = 0;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) digits[n++] = '-';
    beginPiece();
    put(m_indent);
    put('<');
    put(name);
    put('>');
    while (n > 0) put(digits[--n]);
    put("</");
    put(name);
    put('>');
    put(m_lineEnd);
    endPiece();
}

void TestReporter::writeObject(const Msg* message) {
    const KxVec<KxString>& names = message->textList;
    const KxVec<KxString>& values = message->traceList;
    // A value without a name of its own is written under the last name; with
    // no names at all there is nothing to write it under, so it is left out.
    if (names.isEmpty()) return;
    for (std::uint32_t j = 0; j < values.size(); ++j)
        writeObject(j < names.size() ? names[j] : names.last(), values[j]);
}

void TestReporter::writeRecordLine(const char* tag, const KxString& content) {
    beginPiece();
    put(m_indent);
    put("  <");
    put(tag);
    put('>');
    endPiece();
    writeEncodedStr(content);
    beginPiece();
    put("</");
    put(tag);
    put('>');
    put(m_lineEnd);
    endPiece();
}

// The method text is assembled before the first line is written: should
// assembling it fail, no half-written record is left in the report.
const KxString& TestReporter::methodText(const KxStdError* error) {
    m_methodText = error->getClassName();
    m_methodText += "::";
    m_methodText += error->getMethodName();
    return m_methodText;
}

void TestReporter::writeMsg(const KxString& type, const Msg* message) {
    const KxString& method = methodText(message);
    writeLine("<", type, ">");
    writeRecordLine("Method", method);
    writeRecordLine("Desc", message->getText2());
    for (const KxString& line : message->textList) writeRecordLine("Msg", line);
    for (const KxString& line : message->traceList) writeRecordLine("Trace", line);
    writeLine("</", type, ">");
}

void TestReporter::writeKxStdErr(const KxStdError* error) {
    static const KxString* const record = new KxString("KxError");  // outlives exit handlers
    const KxString& method = methodText(error);
    writeLine("<", *record, ">");
    writeRecordLine("Method", method);
    writeRecordLine("Desc", error->getText2());
    writeLine("</", *record, ">");
}

void TestReporter::writeEncodedStr(const KxString& text) {
    const KxString::Unit* unit = text.getConstPtr();
    const int n = text.numChars();
    int runStart = 0;
    auto writeRun = [&](int end) {
        if (end <= runStart) return;
        beginPiece();
        put(unit + runStart, end - runStart);
        endPiece();
    };
    for (int i = 0; i < n; ++i) {
        const char* escape = nullptr;
        switch (unit[i]) {
            case u'"': escape = "&quot;"; break;
            case u'&': escape = "&amp;"; break;
            case u'\'': escape = "&apos;"; break;
            case u'<': escape = "&lt;"; break;
            case u'>': escape = "&gt;"; break;
            default: continue;
        }
        writeRun(i);
        beginPiece();
        put(escape);
        endPiece();
        runStart = i + 1;
    }
    writeRun(n);
}

// The e-mail summary is built from the closed report; the analysis writes a
// file only when the report holds errors.
void TestReporter::buildEmailSummary() {
    Analysis analysis;
    analysis.formatOpen(Rt::platform(), Rt::machine(), m_dateText, m_timeText);
    analysis.formatClose(m_runName + ".htm");
    analysis.executeI(m_reportDir + m_reportFile, emailPath());
}

} // namespace Rt
