#include "analysis/ReportGroups.h"

namespace Rt {

namespace {
const std::string_view kGroupOpen = "<Group";
const std::string_view kGroupClose = "</Group";
} // namespace

ReportGroups::ReportGroups(const KxString& reportFile)
    : m_reader(reportFile), m_readable(m_reader.open() == FileReadResult::eOk) {}

bool ReportGroups::nextGroup() {
    if (m_inGroup) {
        bool complete = false;
        known(complete);
        if (!complete) return false;  // the group at hand never ends
        m_start += m_closeAt + kGroupClose.size();
        m_inGroup = false;
    }
    // Text before a group's opening is of no interest: keep only what could
    // be the start of an opening cut by the end of a read.
    for (;;) {
        const std::size_t at = unread().find(kGroupOpen);
        if (at != std::string_view::npos) {
            m_start += at + kGroupOpen.size();
            break;
        }
        const std::size_t length = unread().size();
        if (length >= kGroupOpen.size()) m_start += length - (kGroupOpen.size() - 1);
        if (!readMore()) return false;
    }
    m_inGroup = true;
    m_closeAt = std::string_view::npos;
    m_closeFreeUpTo = 0;
    return true;
}

std::string_view ReportGroups::known(bool& complete) {
    if (m_closeAt == std::string_view::npos) {
        const std::string_view text = unread();
        m_closeAt = text.find(kGroupClose, m_closeFreeUpTo);
        // Only a "</Group" that the next read completes can still start here.
        if (m_closeAt == std::string_view::npos && text.size() >= kGroupClose.size())
            m_closeFreeUpTo = std::max(m_closeFreeUpTo, text.size() - (kGroupClose.size() - 1));
    }
    complete = m_closeAt != std::string_view::npos;
    return unread().substr(0, complete ? m_closeAt : m_closeFreeUpTo);
}

void ReportGroups::consume(std::size_t count) {
    m_start += count;
    m_closeFreeUpTo -= std::min(count, m_closeFreeUpTo);
    if (m_closeAt != std::string_view::npos) m_closeAt -= count;
}

bool ReportGroups::readMore() {
    if (!m_readable) return false;
    m_text.erase(0, m_start);
    m_start = 0;
    m_readable = m_reader.readMore(m_text);
    return m_readable;
}

} // namespace Rt
