#include "report/ReportBuffer.h"
#include <cerrno>
#include <cstring>

namespace Rt {

namespace {
constexpr std::uint32_t kFlushThreshold = 1u << 20;
}

// Room for `count` more bytes of the piece, or null when even an empty
// buffer cannot hold them.
char* ReportBuffer::roomAfterGrowing(std::uint32_t count) {
    if (char* at = m_pending.extendBy(count)) return at;
    flush();
    m_pieceStart = 0;
    return m_pending.extendBy(count);
}

void ReportBuffer::writeNow(const char* bytes, std::uint32_t count) {
    errno = 0;
    if (!m_file.writeBytes(bytes, count)) noteFailure(errno ? errno : EIO);
}

void ReportBuffer::put(const KxString::Unit* units, int count) {
    if (!m_pieceValid || count <= 0) return;
    const auto n = static_cast<std::uint32_t>(count);
    if (char* at = room(n)) {
        if (!narrow(units, n, at)) m_pieceValid = false;  // endPiece drops what was added
        return;
    }
    // No room at all: the text goes to the file in small steps, once it is
    // known to have a single-byte form throughout.
    for (std::uint32_t i = 0; i < n; ++i)
        if (units[i] > 0xFF) {
            m_pieceValid = false;
            return;
        }
    char stage[256];
    for (std::uint32_t done = 0; done < n;) {
        std::uint32_t staged = 0;
        while (staged < sizeof(stage) && done < n) stage[staged++] = static_cast<char>(units[done++]);
        writeNow(stage, staged);
    }
}

void ReportBuffer::put(const char* text) { putBytes(text, static_cast<std::uint32_t>(std::strlen(text))); }

void ReportBuffer::putBytes(const char* bytes, std::uint32_t count) {
    if (!m_pieceValid || count == 0) return;
    if (char* at = room(count))
        std::memcpy(at, bytes, count);
    else
        writeNow(bytes, count);
}

void ReportBuffer::putSpaces(std::uint32_t count) {
    if (!m_pieceValid || count == 0) return;
    if (char* at = room(count)) {
        std::memset(at, ' ', count);
        return;
    }
    while (count > 0) {
        static const char spaces[] = "                                ";
        const std::uint32_t n = count < sizeof(spaces) - 1 ? count : sizeof(spaces) - 1;
        writeNow(spaces, n);
        count -= n;
    }
}

bool ReportBuffer::narrow(const KxString::Unit* units, std::uint32_t n, char* at) {
    KxString::Unit wide = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        at[i] = static_cast<char>(units[i]);
        wide |= units[i];
    }
    return wide <= 0xFF;
}

void ReportBuffer::putTag(std::uint32_t spaces, const char* before, const KxString& name, const char* after,
                          bool endLine) {
    if (!m_pieceValid) return;
    const auto b = static_cast<std::uint32_t>(std::strlen(before)), a = static_cast<std::uint32_t>(std::strlen(after));
    const auto n = static_cast<std::uint32_t>(name.numChars());
    char* at = room(spaces + b + n + a + (endLine ? 2 : 0));
    if (!at) {
        putSpaces(spaces);
        putBytes(before, b);
        put(name);
        putBytes(after, a);
        if (endLine) putLineEnd();
        return;
    }
    std::memset(at, ' ', spaces);
    at += spaces;
    std::memcpy(at, before, b);
    at += b;
    if (!narrow(name.getConstPtr(), n, at)) m_pieceValid = false;
    at += n;
    std::memcpy(at, after, a);
    if (endLine) std::memcpy(at + a, "\r\n", 2);
}

void ReportBuffer::putElement(std::uint32_t spaces, const KxString& name, const char* value, std::uint32_t length) {
    if (!m_pieceValid) return;
    const auto n = static_cast<std::uint32_t>(name.numChars());
    char* at = room(spaces + 1 + n + 1 + length + 2 + n + 1 + 2);
    if (!at) {
        putTag(spaces, "<", name, ">", false);
        putBytes(value, length);
        putTag(0, "</", name, ">", true);
        return;
    }
    std::memset(at, ' ', spaces);
    at += spaces;
    *at++ = '<';
    const char* const narrowed = at;
    const bool single = narrow(name.getConstPtr(), n, at);
    at += n;
    *at++ = '>';
    std::memcpy(at, value, length);
    at += length;
    *at++ = '<';
    *at++ = '/';
    std::memcpy(at, narrowed, n);
    at += n;
    std::memcpy(at, ">\r\n", 3);
    if (!single) m_pieceValid = false;
}

void ReportBuffer::endPiece() {
    if (!m_pieceValid) m_pending.setLength(m_pieceStart);
    if (m_pending.size() >= kFlushThreshold) flush();
}

void ReportBuffer::flush() {
    if (m_pending.isEmpty()) return;
    writeNow(m_pending.data(), m_pending.size());
    m_pending.setLength(0);
}

} // namespace Rt
