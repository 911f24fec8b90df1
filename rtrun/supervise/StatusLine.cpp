#include "rtrun/supervise/StatusLine.h"
#include "rtrun/system/Process.h"
#include <cstring>

namespace rtrun {

void StatusLine::show(const std::string& text) {
    const std::size_t width = static_cast<std::size_t>(Process::terminalWidth(m_terminal));
    const std::string line = text.size() < width ? text : text.substr(0, width > 1 ? width - 1 : 0);
    std::fprintf(m_terminal, "\r\033[K%s", line.c_str());
    std::fflush(m_terminal);
    m_shown = true;
}

void StatusLine::clear() {
    if (!m_shown) return;
    std::fputs("\r\033[K", m_terminal);
    std::fflush(m_terminal);
    m_shown = false;
}

void StatusLine::write(std::FILE* stream, const char* bytes, std::size_t size) {
    clear();
    std::fwrite(bytes, 1, size, stream);
    std::fflush(stream);
}

void LineRelay::write(const char* bytes, std::size_t size) {
    if (m_status) {
        m_status->write(m_to, bytes, size);
    } else {
        std::fwrite(bytes, 1, size, m_to);
        std::fflush(m_to);
    }
}

void LineRelay::take(const char* bytes, std::size_t size) {
    const char* end = bytes + size;
    while (end > bytes && end[-1] != '\n') --end;
    if (end == bytes) {
        m_unfinished.append(bytes, size);
        return;
    }
    // One write for whole lines: what was left of a line, then the rest.
    m_unfinished.append(bytes, static_cast<std::size_t>(end - bytes));
    write(m_unfinished.data(), m_unfinished.size());
    m_unfinished.assign(end, static_cast<std::size_t>(bytes + size - end));
}

void LineRelay::flush() {
    if (!m_unfinished.empty()) write(m_unfinished.data(), m_unfinished.size());
    m_unfinished.clear();
}

} // namespace rtrun
