#include "analysis/ReportGroups.h"

namespace Rt {

namespace {
const std::string_view kGroupOpen = "<Group";
const std::string_view kGroupClose = "</Group";
} // namespace

ReportGroups::ReportGroups(const KxString& reportFile)
    : m_reader(reportFile), m_done(m_reader.open() != FileReadResult::eOk) {}

bool ReportGroups::finish() {
    m_done = true;
    m_text = std::string();
    return false;
}

bool ReportGroups::next(std::string_view& group) {
    if (m_done) return false;
    // Text before a group's opening is of no interest: keep only what could
    // be the start of an opening cut by the end of a block.
    for (;;) {
        const std::size_t at = unread().find(kGroupOpen);
        if (at != std::string_view::npos) {
            m_start += at + kGroupOpen.size();
            break;
        }
        const std::size_t length = unread().size();
        if (length >= kGroupOpen.size()) m_start += length - (kGroupOpen.size() - 1);
        if (!readMore()) return finish();
    }
    const std::size_t end = find(kGroupClose, 0);
    if (end == std::string_view::npos) return finish();
    group = unread().substr(0, end);
    m_start += end + kGroupClose.size();
    return true;
}

std::size_t ReportGroups::find(std::string_view needle, std::size_t from) {
    for (;;) {
        const std::size_t at = unread().find(needle, from);
        if (at != std::string_view::npos) return at;
        // Only an occurrence that the next block completes is left to find.
        const std::size_t length = unread().size();
        if (length >= needle.size()) from = std::max(from, length - (needle.size() - 1));
        if (!readMore()) return std::string_view::npos;
    }
}

bool ReportGroups::readMore() {
    m_text.erase(0, m_start);
    m_start = 0;
    return m_reader.readMore(m_text);
}

} // namespace Rt
