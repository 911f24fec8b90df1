#include "analysis/Analysis.h"
#include "corelib/KxBuildInfo.h"
#include "env/GlobalStorage.h"
#include "env/Platform.h"
#include <cstring>
#include <string_view>

namespace Rt {

namespace {

// A window [begin, limit) of a text, searched with positions relative to its
// begin. Walking a report through windows gives the same answers as cutting
// the text down from the front, without copying it again and again.
class TextWindow {
public:
    TextWindow(const KxString& text, int begin, int limit) : m_text(&text), m_begin(begin), m_limit(limit) {}

    int begin() const { return m_begin; }
    int length() const { return m_limit - m_begin; }
    // The part [from, to) of this window, in this window's positions.
    TextWindow window(int from, int to) const { return TextWindow(*m_text, m_begin + from, m_begin + to); }
    // -1 when absent, or when `from` lies outside the window.
    int find(const KxString& s, int from) const {
        if (from < 0 || from > length()) return -1;
        std::u16string_view window(m_text->getConstPtr() + m_begin, static_cast<std::size_t>(length()));
        std::u16string_view needle(s.getConstPtr(), static_cast<std::size_t>(s.numChars()));
        std::size_t at = window.find(needle, static_cast<std::size_t>(from));
        return at == std::u16string_view::npos ? -1 : static_cast<int>(at);
    }
    bool subString(int start, KxString& out, int count) const {
        if (start < 0 || start > length() || count < 0) return false;
        if (count > length() - start) count = length() - start;
        out = KxString(m_text->getConstPtr() + m_begin + start, count);
        return true;
    }
    // Drops the first `count` characters, as cutting the text from the front would.
    void cutFront(int count) { m_begin += count; }

private:
    const KxString* m_text;
    int m_begin;
    int m_limit;
};

// The content of the element opened by `tag`, searched in the window from
// pos; on success pos is the first character of the content and end the
// first character after the closing tag.
bool extract(const TextWindow& text, const KxString& tag, KxString& out, int& pos, int& end) {
    const int at = text.find(tag, pos);
    pos = at + tag.numChars();
    if (at < 0) return false;
    KxString closing(tag);
    if (!closing.insert("/", 1)) return false;
    end = text.find(closing, pos);
    if (end < 0) return false;
    if (!text.subString(pos, out, end - pos)) return false;
    end += closing.numChars();
    return true;
}

// The title and the five counts of one test or group, read in the order the
// report writes them. A missing element leaves its previous value in place.
struct Record {
    KxString title, kx, e, w, ee, ew;

    void readFrom(const TextWindow& text) {
        int pos = 0;
        int end = 0;
        extract(text, "<Title>", title, pos, end);
        KxString* counts[] = {&kx, &e, &w, &ee, &ew};
        const char* tags[] = {"<KxErrors>", "<Errors>", "<Warnings>", "<ExtErrors>", "<ExtWarnings>"};
        for (int i = 0; i < 5; ++i) {
            pos = end;
            extract(text, tags[i], *counts[i], pos, end);
        }
    }
    KxString counts() const {
        return KxString("( ") + kx + " / " + e + " / " + w + " / " + ee + " / " + ew + " )";
    }
};

} // namespace

struct Analysis::LineStyle {
    const char* background;
    const char* marginLeft;
    const char* tableWidth;
    const char* fontSizeLeft;
    const char* fontSizeRight;
};

namespace {
const char* kGroupLegend = "( KxE / E / W / EE / EW )";
}

Analysis::Analysis() {
    const char* debug = Platform::environment("DEBUG");
    const char* head = debug && std::strcmp(debug, "TRUE") == 0 ? "head_d.em" : "head.em";
    const KxString& dir = Rt::scriptDir();
    m_stream.readFile(dir + head, m_headTemplate);
    m_stream.readFile(dir + "open.em", m_openTemplate);
    m_stream.readFile(dir + "close.em", m_closeTemplate);
    m_stream.readFile(dir + "object.em", m_objectTemplate);
}

bool Analysis::formatOpen(const KxString& platform, const KxString& machine, const KxString& date,
                          const KxString& time) {
    int count = 0;
    m_openTemplate.replace("OBJ_PLATFORM", platform, count, true);
    m_openTemplate.replace("OBJ_MACHINE", machine, count, true);
    m_openTemplate.replace("OBJ_DATE", date, count, true);
    m_openTemplate.replace("OBJ_TIME", time, count, true);
    m_openTemplate.replace("OBJ_VERSION", KxVersion::whatString + 4, count, true);
    return true;
}

void Analysis::setStamp(const KxString& platform, const KxString& machine, const KxString& date,
                        const KxString& time) {
    formatOpen(platform, machine, date, time);
}

bool Analysis::formatClose(const KxString& link) {
    int count = 0;
    m_closeTemplate.replace("OBJ_LINKREPORT", link, count, true);
    return true;
}

void Analysis::setLink(const KxString& link) { formatClose(link); }

bool Analysis::formatLine(KxString& out, const LineStyle& style, const KxString& left, const KxString& right) {
    out = m_objectTemplate;
    int count = 0;
    out.replace("OBJ_BACKGROUNDCOLOR", style.background, count, true);
    out.replace("OBJ_PADDINGTOP", "0", count, true);
    out.replace("OBJ_PADDINGBOTTOM", "0", count, true);
    out.replace("OBJ_MARGINLEFT", style.marginLeft, count, true);
    out.replace("OBJ_TABLEWIDTH", style.tableWidth, count, true);
    out.replace("OBJ_ID", "Table", count, true);
    out.replace("OBJ_FONTCOLOR", "white", count, true);
    out.replace("OBJ_FONTSIZELEFT", style.fontSizeLeft, count, true);
    out.replace("OBJ_FONTSIZERIGHT", style.fontSizeRight, count, true);
    out.replace("OBJ_TEXTLEFT", left, count, true);
    out.replace("OBJ_TEXTRIGHT", right, count, true);
    return true;
}

bool Analysis::formatGroup(KxString& out, const KxString& left, const KxString& right) {
    static const LineStyle group{"black", "0", "600", "20", "16"};
    return formatLine(out, group, left, right);
}

bool Analysis::formatTestE(KxString& out, const KxString& left, const KxString& right) {
    static const LineStyle failed{"firebrick", "10", "580", "12", "12"};
    return formatLine(out, failed, left, right);
}

bool Analysis::formatTestEE(KxString& out, const KxString& left, const KxString& right) {
    static const LineStyle external{"teal", "10", "580", "12", "12"};
    return formatLine(out, external, left, right);
}

bool Analysis::getObject(const KxString& text, KxString tag, KxString& out, int& pos, int& end) {
    return extract(TextWindow(text, 0, text.numChars()), tag, out, pos, end);
}

// Walks the groups of the report and, inside each, its tests, in the order
// the report holds them. Test lines wait in the group buffer until their
// group turns out to have errors of its own.
bool Analysis::findErrors(KxString& report) {
    const KxString groupTag("<Group");
    const KxString groupClose("</Group");
    const KxString testTag("<Test");
    const KxString testClose("</Test");
    const KxString zero("0");

    bool found = false;
    KxString groupBuffer;
    KxString line;
    Record record;
    TextWindow rest(report, 0, report.numChars());
    for (;;) {
        const int groupAt = rest.find(groupTag, 0);
        if (groupAt < 0) break;
        const int groupCloseAt = rest.find(groupClose, groupAt);
        if (groupCloseAt < 0) break;
        TextWindow group = rest.window(groupAt + groupTag.numChars(), groupCloseAt);

        for (;;) {
            const int testAt = group.find(testTag, 0);
            if (testAt < 0) break;
            const int testCloseAt = group.find(testClose, testAt);
            if (testCloseAt < 0) break;
            record.readFrom(group);
            if (record.ee != zero) {
                formatTestEE(line, record.title, record.counts());
                groupBuffer += line;
                found = true;
            } else if (record.e != zero) {
                formatTestE(line, record.title, record.counts());
                groupBuffer += line;
            }
            group.cutFront(testCloseAt + testClose.numChars());
        }

        record.readFrom(group);
        if (record.e != zero || record.ee != zero) {
            formatGroup(line, record.title, kGroupLegend);
            groupBuffer.insert(line, 0);
            m_body += groupBuffer;
            groupBuffer.clear();
            found = true;
        }
        rest.cutFront(groupCloseAt + groupClose.numChars());
    }
    report.remove(0, rest.begin());
    return found;
}

bool Analysis::executeI(const KxString& reportFile, const KxString& outFile) {
    KxString report;
    m_stream.readFile(reportFile, report);
    if (findErrors(report)) {
        m_body.insert(m_openTemplate, 0);
        m_body.insert(m_headTemplate, 0);
        m_body += m_closeTemplate;
        m_stream.writeFile(outFile, m_body);
    }
    return true;
}

} // namespace Rt
