#include "rtrun/reports/TestIndex.h"
#include "rtrun/reports/ReportFiles.h"
#include <charconv>
#include <cstdio>
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
void appendEscaped(std::string& line, const std::string& field) {
    for (char c : field) {
        if (c == '\t') line += "\\t";
        else if (c == '\n') line += "\\n";
        else if (c == '\\') line += "\\\\";
        else line += c;
    }
}

} // namespace

std::string TestIndex::pathBeside(const std::string& reportPath) { return besideReport(reportPath, ".index"); }

const char* TestIndex::header() {
    return "# rtrun test index: report id, script, position in the script (from 0), case name";
}

// Written into the line's own storage, so that a reused line costs no allocation.
void TestIndex::formatLine(int reportId, const std::string& script, int position, const std::string& caseName,
                           std::string& line) {
    char number[16];
    line.clear();
    line.append(number, std::to_chars(number, number + sizeof(number), reportId).ptr);
    line += '\t';
    appendEscaped(line, script);
    line += '\t';
    line.append(number, std::to_chars(number, number + sizeof(number), position).ptr);
    line += '\t';
    appendEscaped(line, caseName);
    line += '\n';
}

bool TestIndex::write(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << header() << "\n";
    std::string line;
    for (const auto& [id, entry] : m_entries) {
        formatLine(id, entry.script, entry.position, entry.caseName, line);
        out << line;
    }
    return static_cast<bool>(out.flush());
}

bool TestIndex::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != header()) return false;
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
