#include "rtrun/TestIndex.h"
#include <fstream>
#include <sstream>

namespace rtrun {

namespace {

// Undoes the index's \t, \n and \\ escapes.
std::string unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const char next = field[++i];
        text += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return text;
}

} // namespace

bool TestIndex::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line.rfind("# rtrun test index", 0) != 0) return false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, script, position, caseName;
        if (!std::getline(fields, id, '\t') || !std::getline(fields, script, '\t') ||
            !std::getline(fields, position, '\t') || !std::getline(fields, caseName))
            return false;
        try {
            m_entries[std::stoi(id)] = Entry{unescaped(script), std::stoi(position), unescaped(caseName)};
        } catch (const std::exception&) {
            return false;
        }
    }
    return true;
}

const TestIndex::Entry* TestIndex::find(int reportId) const {
    const auto found = m_entries.find(reportId);
    return found == m_entries.end() ? nullptr : &found->second;
}

} // namespace rtrun
