#include "report/TestReporter.h"
#include "analysis/Analysis.h"
#include "env/GlobalStorage.h"
#include "env/Platform.h"
#include "results/RunEvents.h"
#include <cerrno>
#include <cstdio>
#include <cstring>

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

// Writes the value's decimal text, with at least `minDigits` digits, to end
// just before `end`, and returns where it begins: "%.Nd" without printf.
char* signedDecimal(int value, int minDigits, char* end) {
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char* at = end;
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude || end - at < minDigits);
    if (value < 0) *--at = '-';
    return at;
}

bool startsWith(const KxString& text, const char* prefix) {
    const KxString::Unit* unit = text.getConstPtr();
    const int n = text.numChars();
    for (int i = 0; prefix[i]; ++i)
        if (i == n || unit[i] != static_cast<unsigned char>(prefix[i])) return false;
    return true;
}

const KxString& elementName(const Msg* message) {
    static const KxString* const unnamed = new KxString("No_Obj_Spec");  // outlives exit handlers
    return message->textList.isEmpty() ? *unnamed : message->textList[0];
}

} // namespace

TestReporter::TestReporter(bool flag) : TestReporter("", resultDir(), flag) {}

TestReporter::TestReporter(const KxString&, const KxString& dir, bool flag)
    : m_flag(flag), m_reportDir(dir) {
    initializeName();
    initializeDir();
    m_reportFile = m_runName + ".xml";
    initializeReport();
}

// The copy shares the report stream; what the original still holds goes out
// first so that nothing is written twice.
TestReporter::TestReporter(const TestReporter& other) : KxRefCounted(other) { *this = other; }

TestReporter& TestReporter::operator=(const TestReporter& other) {
    if (this == &other) return *this;
    flush();
    const_cast<TestReporter&>(other).flush();
    m_indent = other.m_indent;
    m_nextId = other.m_nextId;
    m_flag = other.m_flag;
    m_runName = other.m_runName;
    m_reportFile = other.m_reportFile;
    m_reportDir = other.m_reportDir;
    m_timeText = other.m_timeText;
    m_dateText = other.m_dateText;
    m_open = other.m_open;
    m_openCount = other.m_openCount;
    m_writeErrorNoted = other.m_writeErrorNoted;
    m_mayListErrors = other.m_mayListErrors;
    m_summaryCounts = other.m_summaryCounts;
    m_summaryJustClosed = other.m_summaryJustClosed;
    m_buffer.noteFailure(other.writeError());
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
    m_indent = 2;
    flush();
}

void TestReporter::closeReport() {
    while (closeInnermost()) {
    }
    outdent();
    m_buffer.beginPiece();
    m_buffer.putSpaces(m_indent);
    m_buffer.put("</KxRegTester>\r\n");
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
    m_buffer.flush();
    if (m_buffer.writeError()) noteWriteError();
}

void TestReporter::noteWriteError() {
    m_buffer.noteFailure(errno ? errno : EIO);
    if (m_writeErrorNoted) return;
    m_writeErrorNoted = true;
    RunEvents::reportNotWritten(reportPath(), m_buffer.writeError());
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

void TestReporter::endPiece() {
    m_buffer.endPiece();
    if (m_buffer.writeError()) noteWriteError();
}

// The e-mail summary lists a test or group when its error or external error
// count, as the text between the tags, is not "0", a count it has not found
// yet counting as not "0". The writer knows the counts it wrote itself; an
// element whose name could form or spoil such a tag, or a test or group that
// closes without a summary of its own, sends closing to read the report back.
void TestReporter::noteElementName(const KxString& name) {
    static const char* const countNames[] = {"KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"};
    if (m_mayListErrors) return;
    const KxString::Unit* unit = name.getConstPtr();
    const int n = name.numChars();
    bool tagInside = false;
    for (int i = 0; i < n; ++i) tagInside |= unit[i] == u'<';
    if (tagInside) m_mayListErrors = true;
    if (n > 0 && (unit[0] == u'K' || unit[0] == u'E' || unit[0] == u'W')) {
        for (const char* count : countNames)
            if (startsWith(name, count)) m_mayListErrors = true;
    }
}

void TestReporter::noteClose(const KxString& name) {
    if (name == "Summary") {
        m_summaryJustClosed = m_summaryCounts == eErrorsCounted + eExtErrorsCounted;
        m_summaryCounts = 0;
        return;
    }
    if (!m_summaryJustClosed && (startsWith(name, "Test") || startsWith(name, "Group"))) m_mayListErrors = true;
    m_summaryJustClosed = false;
}

void TestReporter::writeLine(const char* open, const KxString& name, const char* close) {
    m_buffer.beginPiece();
    m_buffer.putTag(m_indent, open, name, close, true);
    endPiece();
}

void TestReporter::openObj(const KxString& name) {
    noteElementName(name);
    writeLine("<", name, ">");
    indent();
    pushOpen(name);
}

void TestReporter::indent() { m_indent += 2; }
void TestReporter::outdent() { m_indent = m_indent > 2 ? m_indent - 2 : 0; }

void TestReporter::closeObj(const KxString& name) {
    noteElementName(name);
    noteClose(name);
    popOpen();
    outdent();
    writeLine("</", name, ">");
}

void TestReporter::openObj(const Msg* message) {
    noteElementName(elementName(message));
    // " id=" and the id in ten digits at least, as "%.10d" writes it.
    char digits[12];
    const char* first = signedDecimal(m_nextId, 10, digits + sizeof(digits));
    char attribute[32] = " id=\"";
    const std::size_t length = static_cast<std::size_t>(digits + sizeof(digits) - first);
    std::memcpy(attribute + 5, first, length);
    std::memcpy(attribute + 5 + length, "\">", 3);
    writeLine("<", elementName(message), attribute);
    ++m_nextId;
    indent();
    pushOpen(elementName(message));
}

void TestReporter::closeObj(const Msg* message) { closeObj(elementName(message)); }

void TestReporter::writeObject(const KxString& name, const KxString& value) {
    noteElementName(name);
    m_buffer.beginPiece();
    m_buffer.putTag(m_indent, "<", name, ">", false);
    endPiece();
    writeEncodedStr(value);
    m_buffer.beginPiece();
    m_buffer.putTag(0, "</", name, ">", true);
    endPiece();
}

void TestReporter::writeCount(const KxString& name, int value) {
    if (value != 0) m_mayListErrors = true;
    if (name.numChars() > 0 && name.getConstPtr()[0] == u'E') {
        if (name == "Errors") m_summaryCounts |= eErrorsCounted;
        else if (name == "ExtErrors") m_summaryCounts |= eExtErrorsCounted;
    }
    char digits[12];
    const char* first = signedDecimal(value, 1, digits + sizeof(digits));
    m_buffer.beginPiece();
    m_buffer.putElement(m_indent, name, first, static_cast<std::uint32_t>(digits + sizeof(digits) - first));
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
    m_buffer.beginPiece();
    m_buffer.putSpaces(m_indent);
    m_buffer.put("  <");
    m_buffer.put(tag);
    m_buffer.put('>');
    endPiece();
    writeEncodedStr(content);
    m_buffer.beginPiece();
    m_buffer.put("</");
    m_buffer.put(tag);
    m_buffer.put('>');
    m_buffer.putLineEnd();
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
        m_buffer.beginPiece();
        m_buffer.put(unit + runStart, end - runStart);
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
        m_buffer.beginPiece();
        m_buffer.put(escape);
        endPiece();
        runStart = i + 1;
    }
    writeRun(n);
}

// The e-mail summary is built from the closed report; the analysis writes a
// file only when the report holds errors.
void TestReporter::buildEmailSummary() {
    if (!m_mayListErrors) return;
    Analysis analysis;
    analysis.formatOpen(Rt::platform(), Rt::machine(), m_dateText, m_timeText);
    analysis.formatClose(m_runName + ".htm");
    analysis.executeI(m_reportDir + m_reportFile, emailPath());
}

} // namespace Rt
