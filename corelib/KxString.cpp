#include "corelib/KxString.h"
#include <cstring>

namespace {
// Appends `count` bytes, widened, to the text's own storage (which keeps its
// capacity when it has room): a chunk at a time on the stack, appended whole,
// so the new units are neither zero-filled first nor copied twice.
void widenOnto(KxString::Storage& units, const char* bytes, std::size_t count) {
    units.reserve(units.size() + count);
    KxString::Unit chunk[64];
    for (std::size_t done = 0; done < count;) {
        std::size_t n = 0;
        while (n < sizeof(chunk) / sizeof(chunk[0]) && done < count) chunk[n++] = static_cast<unsigned char>(bytes[done++]);
        units.append(chunk, n);
    }
}
} // namespace

KxString::KxString(const char* mbs) { setString(mbs); }

KxString::KxString(const char* bytes, int count) {
    if (bytes && count > 0) widenOnto(m_units, bytes, static_cast<std::size_t>(count));
}

KxString::KxString(const Unit* units, int count) {
    if (units && count > 0) m_units.assign(units, static_cast<std::size_t>(count));
}

bool KxString::setString(const char* mbs) {
    m_units.clear();
    if (mbs) widenOnto(m_units, mbs, std::strlen(mbs));
    return true;
}

KxString& KxString::operator+=(const char* mbs) {
    if (mbs) widenOnto(m_units, mbs, std::strlen(mbs));
    return *this;
}

bool KxString::operator==(const char* mbs) const {
    if (!mbs) return m_units.empty();
    std::size_t i = 0;
    for (; mbs[i]; ++i)
        if (i == m_units.size() || m_units[i] != static_cast<unsigned char>(mbs[i])) return false;
    return i == m_units.size();
}

KxString operator+(const KxString& a, const KxString& b) {
    KxString result(a);
    result += b;
    return result;
}

int KxString::find(const KxString& s, int from) const {
    if (from < 0 || static_cast<std::size_t>(from) > m_units.size()) return -1;
    std::size_t at = m_units.find(s.m_units, static_cast<std::size_t>(from));
    return at == Storage::npos ? -1 : static_cast<int>(at);
}

int KxString::find(Unit unit, int from) const {
    if (from < 0 || static_cast<std::size_t>(from) > m_units.size()) return -1;
    std::size_t at = m_units.find(unit, static_cast<std::size_t>(from));
    return at == Storage::npos ? -1 : static_cast<int>(at);
}

int KxString::findLast(const KxString& s) const {
    std::size_t at = m_units.rfind(s.m_units);
    return at == Storage::npos ? -1 : static_cast<int>(at);
}

bool KxString::subString(int start, KxString& out, int count) const {
    if (start < 0 || static_cast<std::size_t>(start) > m_units.size()) {
        out.m_units.clear();
        return false;
    }
    std::size_t available = m_units.size() - static_cast<std::size_t>(start);
    std::size_t n = count < 0 ? available : std::min<std::size_t>(available, static_cast<std::size_t>(count));
    if (&out == this) {
        m_units.substr(static_cast<std::size_t>(start), n).swap(out.m_units);
    } else {
        out.m_units.assign(m_units, static_cast<std::size_t>(start), n);
    }
    return true;
}

bool KxString::insert(const KxString& s, int pos) {
    if (pos < 0 || static_cast<std::size_t>(pos) > m_units.size()) return false;
    m_units.insert(static_cast<std::size_t>(pos), s.m_units);
    return true;
}

bool KxString::remove(int pos, int count) {
    if (pos < 0 || static_cast<std::size_t>(pos) > m_units.size()) return false;
    if (count < 0) m_units.erase(static_cast<std::size_t>(pos));
    else m_units.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
    return true;
}

bool KxString::replace(const KxString& oldText, const KxString& newText, int& count, bool all) {
    count = 0;
    if (oldText.m_units.empty()) return false;
    std::size_t at = m_units.find(oldText.m_units);
    if (at == Storage::npos) return true;
    // Build the result in one pass so that many replacements stay linear.
    Storage result;
    std::size_t from = 0;
    while (at != Storage::npos) {
        result.append(m_units, from, at - from);
        result += newText.m_units;
        from = at + oldText.m_units.size();
        ++count;
        if (!all) break;
        at = m_units.find(oldText.m_units, from);
    }
    result.append(m_units, from, Storage::npos);
    m_units.swap(result);
    return true;
}

bool KxString::stringToMbs(char* buffer, int size) const {
    if (!buffer || size < 1 || m_units.size() >= static_cast<std::size_t>(size)) return false;
    for (std::size_t i = 0; i < m_units.size(); ++i) {
        if (m_units[i] > 0xFF) return false;
        buffer[i] = static_cast<char>(m_units[i]);
    }
    buffer[m_units.size()] = '\0';
    return true;
}

std::string KxString::toStdString() const {
    std::string bytes(m_units.size(), '\0');
    for (std::size_t i = 0; i < m_units.size(); ++i) {
        if (m_units[i] > 0xFF) return std::string();
        bytes[i] = static_cast<char>(m_units[i]);
    }
    return bytes;
}
