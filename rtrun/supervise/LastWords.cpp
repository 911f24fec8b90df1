#include "rtrun/supervise/LastWords.h"
#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/junit/XmlText.h"

namespace rtrun {

void LastWords::add(const char* bytes, std::size_t size) {
    m_text.append(bytes, size);
    // Trimmed in large steps, so that a chatty test does not copy its tail at every write.
    if (m_text.size() > 2 * kKept) {
        m_text.erase(0, m_text.size() - kKept);
        m_cut = true;
    }
}

std::vector<std::string> LastWords::lines() const {
    std::size_t from = m_text.size() > kKept ? m_text.size() - kKept : 0;
    if (from > 0 || m_cut) {  // a line cut at its beginning is left out
        const std::size_t newline = m_text.find('\n', from);
        from = newline == std::string::npos ? m_text.size() : newline + 1;
    }
    std::vector<std::string> lines;
    while (from < m_text.size()) {
        std::size_t end = m_text.find('\n', from);
        if (end == std::string::npos) end = m_text.size();
        std::string line = m_text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The report holds single bytes: UTF-8 made safe for XML, byte by byte.
        lines.push_back(utf8Of(xmlAllowed(line)));
        from = end + 1;
    }
    return lines;
}

} // namespace rtrun
