#include "rtrun/reports/ReportCompare.h"
#include "rtrun/reports/TestKey.h"
#include "rtrun/system/SecondsFormat.h"
#include "rtrun/system/ExitStatus.h"
#include "report/reader/ReportReader.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace rtrun {

namespace {

using Outcome = KeyedOutcomes::Outcome;

// A report's tests as read: each group's title (empty when the report is
// cut off before it) and its tests' titles, arguments and outcomes.
struct ReadTest {
    std::size_t group;
    std::string title;
    std::vector<std::string> args;
    Outcome outcome;
};
struct ReadTests {
    std::vector<std::string> groupTitles;
    std::vector<ReadTest> tests;
    int cutTests = 0;  // tests whose element the report ends inside: no title to know them by
    rtreport::ReadResult result;
};

ReadTests readTests(const std::string& path) {
    ReadTests read;
    rtreport::ReportReader reader(path);
    rtreport::Group group;
    while (reader.next(group)) {
        for (const rtreport::Test& test : group.tests) {
            if (test.interrupted && test.title.empty()) ++read.cutTests;
            else read.tests.push_back({read.groupTitles.size(), test.title, test.args, {test.failed() || test.interrupted, test.seconds()}});
        }
        read.groupTitles.push_back(group.title);
    }
    read.result = reader.result();
    return read;
}

// The tests by key, in report order. A group the report was cut off in
// has no title yet: it takes the title of the other report's group at its place.
KeyedOutcomes keyed(const ReadTests& read, const ReadTests& other) {
    KeyedOutcomes tests;
    TestKeyMaker keys;
    for (const ReadTest& test : read.tests) {
        std::string group = read.groupTitles[test.group];
        if (group.empty() && test.group < other.groupTitles.size()) group = other.groupTitles[test.group];
        TestKey key = keys.next(group, test.title, test.args);
        tests.byKey[key.text] = test.outcome;
        tests.order.emplace_back(std::move(key.text), std::move(key.name));
    }
    tests.cutOff = read.result.cutOff();
    if (read.result.cutOff()) {
        std::string note = "Compared as far as it goes: " + read.result.problem;
        if (read.cutTests) note += " (the test it ends inside has no title yet and is left out)";
        tests.notes.push_back(note);
    }
    return tests;
}

struct Section {
    const char* title;
    std::vector<std::string> lines;
};

std::string secondsText(double seconds) { return twoDecimalSeconds(seconds) + " s"; }

// A name as a Markdown code span: a fence of more backticks than any run of
// them inside, padded when the name starts or ends with one; line ends,
// which would end the list item, become spaces.
std::string codeSpan(const std::string& text) {
    std::string flat = text;
    for (char& c : flat)
        if (c == '\n' || c == '\r') c = ' ';
    std::size_t longest = 0, run = 0;
    for (char c : flat) longest = std::max(longest, run = c == '`' ? run + 1 : 0);
    const std::string fence(longest + 1, '`');
    const bool pad = !flat.empty() && (flat.front() == '`' || flat.back() == '`');
    return fence + (pad ? " " : "") + flat + (pad ? " " : "") + fence;
}

// Text outside a code span: every character Markdown could read as markup is escaped.
std::string markdownText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\n' || c == '\r') c = ' ';
        if (std::strchr("\\`*_{}[]()<>#+-.!|~&", c) && c != '\0') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

void print(std::ostream& out, const std::vector<Section>& sections, bool markdown) {
    for (const Section& section : sections) {
        if (section.lines.empty()) continue;
        if (markdown) {
            out << "### " << section.title << " (" << section.lines.size() << ")\n\n";
            for (const std::string& line : section.lines) out << "- " << codeSpan(line) << "\n";
        } else {
            out << section.title << " (" << section.lines.size() << "):\n";
            for (const std::string& line : section.lines) out << "  " << line << "\n";
        }
        out << "\n";
    }
}

} // namespace

int printChanges(const KeyedOutcomes& before, const KeyedOutcomes& after, bool markdown, std::ostream& out) {
    std::vector<Section> sections = {{"New failures", {}}, {"Fixed", {}},        {"Still failing", {}},
                                     {"New tests", {}},    {"Removed tests", {}}, {"Slower", {}}};
    for (const auto& [key, name] : after.order) {
        const Outcome& now = after.byKey.at(key);
        const auto earlier = before.byKey.find(key);
        const bool existed = earlier != before.byKey.end();
        if (!existed) sections[3].lines.push_back(name);
        if (now.failed && !(existed && earlier->second.failed)) sections[0].lines.push_back(name);
        if (!existed) continue;
        if (!now.failed && earlier->second.failed) sections[1].lines.push_back(name);
        if (now.failed && earlier->second.failed) sections[2].lines.push_back(name);
        const double was = earlier->second.seconds;
        if (now.seconds >= 2 * was && now.seconds - was > 1.0)
            sections[5].lines.push_back(name + ": " + secondsText(was) + " -> " + secondsText(now.seconds));
    }
    for (const auto& [key, name] : before.order)
        if (!after.byKey.count(key)) sections[4].lines.push_back(name);

    for (const KeyedOutcomes* side : {&before, &after})
        for (const std::string& note : side->notes)
            out << (markdown ? "> " + markdownText(note) : note) << "\n\n";
    print(out, sections, markdown);
    out << sections[0].lines.size() << " new failures, " << sections[1].lines.size() << " fixed, "
        << sections[2].lines.size() << " still failing, " << sections[3].lines.size() << " new, "
        << sections[4].lines.size() << " removed, " << sections[5].lines.size() << " slower\n";
    // A report cut off leaves out what came after: no verdict stands on it.
    if (before.cutOff || after.cutOff) return eCannotRun;
    return sections[0].lines.empty() ? ePassed : eFailed;
}

int compareReports(const std::string& oldReport, const std::string& newReport, bool markdown, std::ostream& out,
                   std::ostream& errors) {
    const ReadTests oldRead = readTests(oldReport);
    const ReadTests newRead = readTests(newReport);
    for (const ReadTests* read : {&oldRead, &newRead}) {
        if (!read->result.readable()) {
            errors << "rtrun: " << read->result.problem << "\n";
            return eCannotRun;
        }
    }
    return printChanges(keyed(oldRead, newRead), keyed(newRead, oldRead), markdown, out);
}

} // namespace rtrun
