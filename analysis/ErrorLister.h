#pragma once
// The listing of groups and tests with errors, over text of single bytes
// (a report streamed from its file) or of 16-bit units (a text in memory).
#include "analysis/Analysis.h"
#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace Rt {

// Positions may run past any int: a group is as long as its file lets it be.
using TextPos = std::ptrdiff_t;

// A window of a text, searched with positions relative to its begin.
// Cutting it from the front gives the same answers as cutting the text itself.
template <class Char>
class TextWindow {
public:
    using View = std::basic_string_view<Char>;

    explicit TextWindow(View text) : m_text(text) {}

    TextPos length() const { return static_cast<TextPos>(m_text.size()); }
    // The part [from, to) of this window, in this window's positions.
    TextWindow window(TextPos from, TextPos to) const {
        return TextWindow(m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
    }
    // -1 when absent, or when `from` lies outside the window (so a failed
    // search carries on failing).
    TextPos find(View needle, TextPos from) const {
        if (from < 0 || from > length()) return -1;
        const std::size_t at = m_text.find(needle, static_cast<std::size_t>(from));
        return at == View::npos ? -1 : static_cast<TextPos>(at);
    }
    // [from, to) with 0 <= from <= to <= length().
    View part(TextPos from, TextPos to) const {
        return m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    }
    void cutFront(TextPos count) { m_text.remove_prefix(static_cast<std::size_t>(count)); }
    View text() const { return m_text; }

private:
    View m_text;
};

// An element's opening tag and its closing form ("/" after the first character).
template <class Char>
struct ElementTag {
    std::basic_string<Char> open;
    std::basic_string<Char> close;

    explicit ElementTag(const char* ascii)
        : ElementTag(std::basic_string<Char>(ascii, ascii + std::char_traits<char>::length(ascii))) {}
    // `opening` is not empty.
    explicit ElementTag(std::basic_string<Char> opening) : open(std::move(opening)), close(open) {
        close.insert(close.begin() + 1, Char('/'));
    }
};

// The content of the element `tag`, searched in `text` from pos; on success
// pos is the first character of the content and end the first character
// after the closing tag. When the opening tag is absent, end keeps its value;
// when the closing tag is absent, end becomes -1.
template <class Char>
bool extractElement(const TextWindow<Char>& text, const ElementTag<Char>& tag, std::basic_string<Char>& out,
                    TextPos& pos, TextPos& end) {
    const TextPos at = text.find(tag.open, pos);
    pos = at + static_cast<TextPos>(tag.open.size());
    if (at < 0) return false;
    end = text.find(tag.close, pos);
    if (end < 0) return false;
    out.assign(text.part(pos, end));
    end += static_cast<TextPos>(tag.close.size());
    return true;
}

inline KxString toText(std::string_view bytes) {
    return KxString(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
}
inline KxString toText(std::u16string_view units) {
    return KxString(units.data(), static_cast<int>(std::min<std::size_t>(units.size(), INT_MAX)));
}

// Walks the tests of each group it is given and then the group's own record,
// in the order the report holds them, and appends the lines to the body.
// Test lines wait in the group buffer until their group turns out to have
// errors of its own. The record lives as long as the lister: an element
// missing from one test or group leaves the previous value in place.
template <class Char>
class ErrorLister {
public:
    using String = std::basic_string<Char>;

    ErrorLister(Analysis& analysis, KxString& body) : m_analysis(analysis), m_body(body) {}

    // `group` is the text after a group's opening "<Group" up to its "</Group".
    void listGroup(TextWindow<Char> group) {
        for (;;) {
            const TextPos testAt = group.find(m_test.open, 0);
            if (testAt < 0) break;
            const TextPos testCloseAt = group.find(m_test.close, testAt);
            if (testCloseAt < 0) break;
            readRecord(group);
            if (!isZero(m_ee)) {
                m_analysis.formatTestEE(m_line, toText(m_title), counts());
                m_groupBuffer += m_line;
                m_found = true;
            } else if (!isZero(m_e)) {
                m_analysis.formatTestE(m_line, toText(m_title), counts());
                m_groupBuffer += m_line;
            }
            group.cutFront(testCloseAt + static_cast<TextPos>(m_test.close.size()));
        }
        readRecord(group);
        if (!isZero(m_e) || !isZero(m_ee)) {
            m_analysis.formatGroup(m_line, toText(m_title), "( KxE / E / W / EE / EW )");
            m_groupBuffer.insert(m_line, 0);
            m_body += m_groupBuffer;
            m_groupBuffer.clear();
            m_found = true;
        }
    }

    bool found() const { return m_found; }

private:
    // The title and the five counts, each searched where the previous ended.
    void readRecord(const TextWindow<Char>& text) {
        TextPos pos = 0;
        TextPos end = 0;
        extractElement(text, m_titleTag, m_title, pos, end);
        String* counts[] = {&m_kx, &m_e, &m_w, &m_ee, &m_ew};
        for (int i = 0; i < 5; ++i) {
            pos = end;
            extractElement(text, m_countTags[i], *counts[i], pos, end);
        }
    }
    KxString counts() const {
        return KxString("( ") + toText(m_kx) + " / " + toText(m_e) + " / " + toText(m_w) + " / " + toText(m_ee) +
               " / " + toText(m_ew) + " )";
    }
    static bool isZero(const String& count) { return count.size() == 1 && count[0] == Char('0'); }

    Analysis& m_analysis;
    KxString& m_body;
    const ElementTag<Char> m_test{"<Test"};
    const ElementTag<Char> m_titleTag{"<Title>"};
    const ElementTag<Char> m_countTags[5]{ElementTag<Char>("<KxErrors>"), ElementTag<Char>("<Errors>"),
                                          ElementTag<Char>("<Warnings>"), ElementTag<Char>("<ExtErrors>"),
                                          ElementTag<Char>("<ExtWarnings>")};
    String m_title, m_kx, m_e, m_w, m_ee, m_ew;
    KxString m_groupBuffer;
    KxString m_line;
    bool m_found = false;
};

} // namespace Rt
