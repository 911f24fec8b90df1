#pragma once
#include "report/FileTextReader.h"
#include <string>
#include <string_view>

namespace Rt {

// The groups of a report file, one at a time, each as the text after its
// "<Group" up to the first "</Group" after it. A group's text is handed out
// as far as it is known and can be dropped from the front as its reader is
// done with it, so only the part still needed is held, not the report.
class ReportGroups {
public:
    explicit ReportGroups(const KxString& reportFile);

    // Moves to the next group; false when the report holds no further one.
    bool nextGroup();
    // The group's text from where consume() left it: up to its "</Group"
    // when `complete`, otherwise as far as it is sure to belong to the group.
    // Valid until the next call of another operation.
    std::string_view known(bool& complete);
    // Drops the first `count` characters of the known text.
    void consume(std::size_t count);
    // Reads on; false when the report has ended (or cannot be read).
    bool readMore();

private:
    std::string_view unread() const { return std::string_view(m_text).substr(m_start); }

    FileTextReader m_reader;
    bool m_readable;
    std::string m_text;
    std::size_t m_start = 0;  // where the text not dropped yet begins in m_text
    // Relative to m_start: the group's "</Group", once found, and how far it
    // is known to be absent.
    std::size_t m_closeAt = std::string_view::npos;
    std::size_t m_closeFreeUpTo = 0;
    bool m_inGroup = false;
};

} // namespace Rt
