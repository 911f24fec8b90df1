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

// Tabs, line ends and backslashes in a field are written as \t, \n and \\.
std::string escaped(const std::string& text) {
    std::string field;
    for (char c : text) {
        if (c == '\t') field += "\\t";
        else if (c == '\n') field += "\\n";
        else if (c == '\\') field += "\\\\";
        else field += c;
    }
    return field;
}

const char kHeader[] = "# rtrun test index: report id, script, position in the script (from 0), case name";

} // namespace

bool TestIndex::write(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kHeader << "\n";
    for (const auto& [id, entry] : m_entries)
        out << id << '\t' << escaped(entry.script) << '\t' << entry.position << '\t' << escaped(entry.caseName) << '\n';
    return static_cast<bool>(out.flush());
}

bool TestIndex::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return false;
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
