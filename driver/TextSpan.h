#pragma once
#include "corelib/KxString.h"

namespace Rt {

// A part of a text, read in place: searches and copies see only the units
// from `begin` to `end`, keep the text's own positions, and behave at `end`
// as KxString's do at the end of a text (a failed search gives -1, and a
// search from -1 fails again).
class TextSpan {
public:
    TextSpan(const KxString& text, int begin, int end) : m_text(text), m_begin(begin), m_end(end) {}

    int begin() const { return m_begin; }

    int find(KxString::Unit unit, int from) const {
        if (from < m_begin || from > m_end) return -1;
        const int at = m_text.find(unit, from);
        return at >= m_end ? -1 : at;
    }

    // `count` units from `start` into `out` (negative: to the end of the
    // span; cut at its end). False, with `out` emptied, outside the span.
    bool subString(int start, KxString& out, int count) const {
        if (start < m_begin || start > m_end) {
            out.clear();
            return false;
        }
        const int available = m_end - start;
        return m_text.subString(start, out, count < 0 || count > available ? available : count);
    }

private:
    const KxString& m_text;
    int m_begin;
    int m_end;
};

} // namespace Rt
