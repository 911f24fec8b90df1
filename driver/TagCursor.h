#pragma once
#include "corelib/KxString.h"

namespace Rt {

// Where one tag of a script lies: its '<' and the first '>' after it, each
// -1 when the text has none.
struct TagPlace {
    int open = -1;
    int close = -1;

    bool found() const { return open != -1; }
    // Something lies between '<' and '>' (a tag without its '>' holds nothing).
    bool named() const { return close - open - 1 >= 1; }
};

// The number of units between two tags; zero or less when there are none.
inline int unitsBetween(const TagPlace& before, const TagPlace& after) { return after.open - before.close - 1; }

// Walks the tags of text[begin, end) in order, each from the '>' of the one
// before it, reading in place: nothing outside is seen, and positions are the
// text's own. The scanners keep their own words and checks. Once a tag lacks
// its '>', or no '<' is left, no later tag is found either, so a scan ends.
class TagCursor {
public:
    TagCursor(const KxString& text, int begin, int end) : m_text(text), m_begin(begin), m_end(end), m_from(begin) {}
    explicit TagCursor(const KxString& text) : TagCursor(text, 0, text.numChars()) {}

    // Steps to the next tag and copies what lies between its '<' and '>'
    // into `name` (emptied when nothing does).
    TagPlace next(KxString& name) {
        TagPlace tag;
        tag.open = find(u'<', m_from);
        tag.close = find(u'>', tag.open);
        m_from = tag.close;
        if (tag.named()) m_text.subString(tag.open + 1, name, tag.close - tag.open - 1);
        else name.clear();
        return tag;
    }
    // Steps on to the first tag named `name` or `otherName`, calling
    // `nameless` for each tag on the way that holds nothing. A returned tag
    // without its '>' means the text ended first.
    template <class Nameless>
    TagPlace nextNamed(const char* name, const char* otherName, KxString& scratch, Nameless nameless) {
        TagPlace tag;
        do {
            tag = next(scratch);
            if (!tag.named()) nameless();
        } while (tag.close != -1 && scratch != name && scratch != otherName);
        return tag;
    }
    // The units between two tags into `out`; false, with `out` emptied, when there are none.
    bool textBetween(const TagPlace& before, const TagPlace& after, KxString& out) const {
        const int count = unitsBetween(before, after);
        if (count >= 1) return m_text.subString(before.close + 1, out, count);
        out.clear();
        return false;
    }

private:
    // Like KxString::find, blind outside the span: -1 there, and from -1.
    int find(KxString::Unit unit, int from) const {
        if (from < m_begin || from > m_end) return -1;
        const int at = m_text.find(unit, from);
        return at >= m_end ? -1 : at;
    }

    const KxString& m_text;
    int m_begin;
    int m_end;
    int m_from;
};

} // namespace Rt
