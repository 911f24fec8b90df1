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

// Thrown by a search in a window whose end is not known yet, when the part
// known so far cannot tell its answer.
struct Undecided {};

// A window of a text, searched with positions relative to its begin.
// Cutting it from the front gives the same answers as cutting the text itself.
// A window may be known only in part, from its begin: then a search answers
// only what that part decides and throws Undecided otherwise.
template <class Char>
class TextWindow {
public:
    using View = std::basic_string_view<Char>;

    explicit TextWindow(View text, bool complete = true) : m_text(text), m_complete(complete) {}

    // Of the known part.
    TextPos length() const { return static_cast<TextPos>(m_text.size()); }
    // The part [from, to) of this whole window, in this window's positions.
    TextWindow window(TextPos from, TextPos to) const {
        return TextWindow(m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
    }
    // -1 when absent, or when `from` lies outside the window (so a failed
    // search carries on failing).
    TextPos find(View needle, TextPos from) const {
        if (from < 0) return -1;
        if (from <= length()) {
            const std::size_t at = m_text.find(needle, static_cast<std::size_t>(from));
            if (at != View::npos) return static_cast<TextPos>(at);
        }
        if (!m_complete) throw Undecided();
        return -1;
    }
    // [from, to) with 0 <= from <= to <= length().
    View part(TextPos from, TextPos to) const {
        return m_text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    }
    void cutFront(TextPos count) { m_text.remove_prefix(static_cast<std::size_t>(count)); }

private:
    View m_text;
    bool m_complete;
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
bool extractElement(const TextWindow<Char>& text, const ElementTag<Char>& tag, std::basic_string_view<Char>& out,
                    TextPos& pos, TextPos& end) {
    const TextPos at = text.find(tag.open, pos);
    pos = at + static_cast<TextPos>(tag.open.size());
    if (at < 0) return false;
    end = text.find(tag.close, pos);
    if (end < 0) return false;
    out = text.part(pos, end);
    end += static_cast<TextPos>(tag.close.size());
    return true;
}

inline KxString toText(std::string_view bytes) {
    return KxString(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
}
inline KxString toText(std::u16string_view units) {
    return KxString(units.data(), static_cast<int>(std::min<std::size_t>(units.size(), INT_MAX)));
}

// Walks the tests of a group and then the group's own record, in the order
// the report holds them, and appends the lines to the body. Test lines wait
// in the group buffer until their group turns out to have errors of its own.
// The record lives as long as the lister: an element missing from one test
// or group leaves the previous value in place.
//
// A group can be given while its end is still unknown, again and again as
// more of it is known: each test is taken once every search it needs is
// decided, so only the test at hand needs to be held. What a group's tests
// decide stays tentative until the group's end is found.
template <class Char>
class ErrorLister {
public:
    using String = std::basic_string<Char>;
    using View = std::basic_string_view<Char>;

    ErrorLister(Analysis& analysis, KxString& body) : m_analysis(analysis), m_body(body) {}

    // `group` is the text after a group's opening "<Group", from where the
    // previous call left it, up to its "</Group" when complete. Lists what
    // the window decides and returns how many leading characters it is done
    // with; a complete window is done with whole.
    TextPos listGroup(TextWindow<Char> group) {
        TextPos done = 0;
        try {
            for (;;) {
                const TextPos testAt = group.find(m_test.open, 0);
                if (testAt < 0) break;
                const TextPos testCloseAt = group.find(m_test.close, testAt);
                if (testCloseAt < 0) break;
                readRecord(group);
                if (!isZero(m_fields[eEe])) {
                    m_analysis.formatTestEE(m_line, toText(m_fields[eTitle]), counts());
                    m_groupBuffer += m_line;
                    m_found = true;
                } else if (!isZero(m_fields[eE])) {
                    m_analysis.formatTestE(m_line, toText(m_fields[eTitle]), counts());
                    m_groupBuffer += m_line;
                }
                const TextPos next = testCloseAt + static_cast<TextPos>(m_test.close.size());
                group.cutFront(next);
                done += next;
            }
            readRecord(group);
        } catch (const Undecided&) {
            return done;
        }
        if (!isZero(m_fields[eE]) || !isZero(m_fields[eEe])) {
            m_analysis.formatGroup(m_line, toText(m_fields[eTitle]), "( KxE / E / W / EE / EW )");
            m_groupBuffer.insert(m_line, 0);
            m_body += m_groupBuffer;
            m_groupBuffer.clear();
            m_found = true;
        }
        m_foundByGroups = m_found;
        return done + group.length();
    }

    // The text ended inside a group: what its tests decided does not count.
    void abandonGroup() { m_found = m_foundByGroups; }

    bool found() const { return m_found; }

private:
    enum Field { eTitle, eKx, eE, eW, eEe, eEw, eFields };

    // The title and the five counts, each searched where the previous ended.
    // Every search is made before any field changes, so a search left
    // undecided changes nothing.
    void readRecord(const TextWindow<Char>& text) {
        View values[eFields];
        bool extracted[eFields];
        TextPos pos = 0;
        TextPos end = 0;
        for (int i = 0; i < eFields; ++i) {
            if (i > 0) pos = end;
            extracted[i] = extractElement(text, m_tags[i], values[i], pos, end);
        }
        for (int i = 0; i < eFields; ++i)
            if (extracted[i]) m_fields[i].assign(values[i]);
    }
    KxString counts() const {
        return KxString("( ") + toText(m_fields[eKx]) + " / " + toText(m_fields[eE]) + " / " + toText(m_fields[eW]) +
               " / " + toText(m_fields[eEe]) + " / " + toText(m_fields[eEw]) + " )";
    }
    static bool isZero(const String& count) { return count.size() == 1 && count[0] == Char('0'); }

    Analysis& m_analysis;
    KxString& m_body;
    const ElementTag<Char> m_test{"<Test"};
    const ElementTag<Char> m_tags[eFields]{ElementTag<Char>("<Title>"),    ElementTag<Char>("<KxErrors>"),
                                           ElementTag<Char>("<Errors>"),   ElementTag<Char>("<Warnings>"),
                                           ElementTag<Char>("<ExtErrors>"), ElementTag<Char>("<ExtWarnings>")};
    String m_fields[eFields];
    KxString m_groupBuffer;
    KxString m_line;
    bool m_found = false;
    bool m_foundByGroups = false;  // as the groups given whole left it
};

} // namespace Rt
