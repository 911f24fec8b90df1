#include "rtrun/reports/TestIndex.h"
#include "rtrun/reports/ReportFiles.h"
#include <charconv>
#include <cstdio>
#include <fstream>

namespace rtrun {

namespace {

const char kFirstHeader[] = "# rtrun test index: report id, script, position in the script (from 0), case name";

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
void appendEscaped(std::string& line, std::string_view field) {
    for (char c : field) {
        if (c == '\t') line += "\\t";
        else if (c == '\n') line += "\\n";
        else if (c == '\\') line += "\\\\";
        else line += c;
    }
}

void appendLine(std::string& text, std::initializer_list<const std::string*> fields,
                const std::vector<std::string>& more = {}) {
    bool first = true;
    for (const std::string* field : fields) {
        if (!first) text += '\t';
        appendEscaped(text, *field);
        first = false;
    }
    for (const std::string& field : more) {
        text += '\t';
        appendEscaped(text, field);
    }
    text += '\n';
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(unescaped(line.substr(start, tab - start)));
    fields.push_back(unescaped(line.substr(start)));
    return fields;
}

bool numberOf(const std::string& text, int& number) {
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, number);
    return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

// One line of facts; false for a malformed line of a known kind.
bool readFact(const std::vector<std::string>& fields, TestIndex::Facts& facts) {
    const std::string& kind = fields[0];
    const std::size_t n = fields.size();
    if (kind == "run-id" && n >= 3) {
        facts.runId = fields[1];
        facts.runIdSource = fields[2];
    } else if (kind == "platform" && n >= 2) {
        facts.platform = fields[1];
    } else if (kind == "script" && n >= 2) {
        facts.scripts.push_back(fields[1]);
    } else if (kind == "not-run" && n >= 6) {
        TestIndex::NotRun test{fields[1], 0, fields[3], fields[4], fields[5], {fields.begin() + 6, fields.end()}};
        if (!numberOf(fields[2], test.position)) return false;
        facts.notRun.push_back(std::move(test));
    } else if (kind == "script-problem" && n >= 3) {
        facts.scriptProblems.push_back({fields[1], fields[2]});
    } else if (kind == "refused-library" && n >= 3) {
        facts.refusedLibraries.push_back({fields[1], fields[2]});
    } else if (kind == "run-id" || kind == "platform" || kind == "script" || kind == "not-run" ||
               kind == "script-problem" || kind == "refused-library") {
        return false;
    }
    return true;
}

} // namespace

std::string TestIndex::pathBeside(const std::string& reportPath) { return besideReport(reportPath, ".index"); }

const char* TestIndex::header() {
    return "# rtrun test index 2: report id, script, position in the script (from 0), case name; and the run's facts";
}

// Written into the line's own storage, so that a reused line costs no allocation.
void TestIndex::formatLine(int reportId, std::string_view script, int position, std::string_view caseName,
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

std::string TestIndex::factLines(const Facts& facts) {
    static const std::string kRunId = "run-id", kPlatform = "platform", kScript = "script", kNotRun = "not-run",
                             kProblem = "script-problem", kRefused = "refused-library";
    std::string text;
    if (!facts.runId.empty()) appendLine(text, {&kRunId, &facts.runId, &facts.runIdSource});
    appendLine(text, {&kPlatform, &facts.platform});
    for (const std::string& script : facts.scripts) appendLine(text, {&kScript, &script});
    for (const NotRun& test : facts.notRun) {
        const std::string position = std::to_string(test.position);
        appendLine(text, {&kNotRun, &test.script, &position, &test.caseName, &test.group, &test.why}, test.args);
    }
    for (const Problem& problem : facts.scriptProblems) appendLine(text, {&kProblem, &problem.where, &problem.what});
    for (const Problem& library : facts.refusedLibraries) appendLine(text, {&kRefused, &library.where, &library.what});
    return text;
}

bool TestIndex::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) return false;
    m_facts = Facts();
    m_facts.known = line == header();
    if (!m_facts.known && line != kFirstHeader) return false;
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = fieldsOf(line);
        int id = 0;
        if (numberOf(fields[0], id)) {
            if (fields.size() != 4 || !numberOf(fields[2], m_entries[id].position)) return false;
            m_entries[id].script = fields[1];
            m_entries[id].caseName = fields[3];
        } else if (!m_facts.known || !readFact(fields, m_facts)) {
            return false;
        }
    }
    return true;
}

const TestIndex::Entry* TestIndex::find(int reportId) const {
    const auto found = m_entries.find(reportId);
    return found == m_entries.end() ? nullptr : &found->second;
}

JUnitExtras junitExtrasOf(const TestIndex::Facts& facts) {
    JUnitExtras extras;
    for (const TestIndex::NotRun& test : facts.notRun)
        extras.notRun.push_back({test.group, test.caseName, test.args, test.why});
    return extras;
}

} // namespace rtrun
