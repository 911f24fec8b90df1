#pragma once
#include "report/FileTextReader.h"
#include <string>
#include <string_view>

namespace Rt {

// The groups of a report file, one at a time: each group's text runs from
// after its "<Group" to the first "</Group" after it. Only the group at hand
// (and the block being read) is held, so memory follows the largest group,
// not the report. A group that the file ends inside is not handed out.
class ReportGroups {
public:
    explicit ReportGroups(const KxString& reportFile);

    // The next group's text, valid until the next call; false when no
    // complete group is left or the file cannot be read.
    bool next(std::string_view& group);

private:
    std::string_view unread() const { return std::string_view(m_text).substr(m_start); }
    // Position of `needle` in the unread text at or after `from`, reading on
    // as far as needed; npos when the file ends first.
    std::size_t find(std::string_view needle, std::size_t from);
    bool readMore();
    // Ends the walk for good, as a report that ends inside a group ends it.
    bool finish();

    FileTextReader m_reader;
    bool m_done;
    std::string m_text;
    std::size_t m_start = 0;  // where the unread text begins in m_text
};

} // namespace Rt
