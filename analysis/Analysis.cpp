#include "analysis/Analysis.h"
#include "analysis/ErrorLister.h"
#include "analysis/ReportGroups.h"
#include "corelib/KxBuildInfo.h"
#include "env/GlobalStorage.h"
#include "env/Platform.h"
#include <cstring>
#include <string>
#include <string_view>

namespace Rt {

struct Analysis::LineStyle {
    const char* background;
    const char* marginLeft;
    const char* tableWidth;
    const char* fontSizeLeft;
    const char* fontSizeRight;
};

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
    const std::u16string_view units(text.getConstPtr(), static_cast<std::size_t>(text.numChars()));
    const TextWindow<char16_t> window(units);
    if (tag.isEmpty()) {  // found wherever the search may start, but without a closing form
        pos = static_cast<int>(window.find(std::u16string_view(), pos));
        return false;
    }
    const ElementTag<char16_t> element(std::u16string(tag.getConstPtr(), static_cast<std::size_t>(tag.numChars())));
    std::u16string_view content;
    TextPos from = pos;
    TextPos to = end;
    const bool found = extractElement(window, element, content, from, to);
    pos = static_cast<int>(from);
    end = static_cast<int>(to);
    if (found) out = toText(content);
    return found;
}

// Walks the groups of a text in memory and cuts the text down to what
// follows the last complete group.
bool Analysis::findErrors(KxString& report) {
    const std::u16string_view groupOpen = u"<Group", groupClose = u"</Group";
    ErrorLister<char16_t> lister(*this, m_body);
    TextWindow<char16_t> rest(std::u16string_view(report.getConstPtr(), static_cast<std::size_t>(report.numChars())));
    for (;;) {
        const TextPos groupAt = rest.find(groupOpen, 0);
        if (groupAt < 0) break;
        const TextPos groupCloseAt = rest.find(groupClose, groupAt);
        if (groupCloseAt < 0) break;
        lister.listGroup(rest.window(groupAt + static_cast<TextPos>(groupOpen.size()), groupCloseAt));
        rest.cutFront(groupCloseAt + static_cast<TextPos>(groupClose.size()));
    }
    report.remove(0, report.numChars() - static_cast<int>(rest.length()));
    return lister.found();
}

namespace {

// Lists the groups of a report file as it is read: a group is given to the
// lister again whenever enough more of it is known, and the tests it is done
// with are dropped, so that only the test at hand is held.
void listReport(const KxString& reportFile, ErrorLister<char>& lister) {
    ReportGroups groups(reportFile);
    while (groups.nextGroup()) {
        // What the lister could not decide at its last try: it tries again
        // once the known text has doubled, so a long test is searched a few
        // times, not once per read.
        std::size_t undecided = 0;
        for (;;) {
            bool complete = false;
            const std::string_view text = groups.known(complete);
            if (complete || text.size() >= 2 * undecided) {
                const TextPos done = lister.listGroup(TextWindow<char>(text, complete));
                if (complete) break;
                groups.consume(static_cast<std::size_t>(done));
                undecided = text.size() - static_cast<std::size_t>(done);
            }
            if (!groups.readMore()) {
                lister.abandonGroup();
                return;
            }
        }
    }
}

} // namespace

bool Analysis::executeI(const KxString& reportFile, const KxString& outFile) {
    ErrorLister<char> lister(*this, m_body);
    try {
        listReport(reportFile, lister);
    } catch (...) {
        // out of memory: the report counts as ending where it was read up to
        lister.abandonGroup();
    }
    if (lister.found()) {
        m_body.insert(m_openTemplate, 0);
        m_body.insert(m_headTemplate, 0);
        m_body += m_closeTemplate;
        m_stream.writeFile(outFile, m_body);
    }
    return true;
}

} // namespace Rt
