#include "rtrun/reports/junit/JUnitSuite.h"
#include "rtrun/system/SecondsFormat.h"
#include "rtrun/reports/junit/XmlText.h"
#include <cstdio>
#include <map>

namespace rtrun {

using rtreport::Group;
using rtreport::Record;
using rtreport::RecordKind;
using rtreport::Test;

namespace {

enum class Shown { eFailure, eError, eOutput };

Shown shownAs(RecordKind kind) {
    switch (kind) {
    case RecordKind::eError: return Shown::eFailure;
    case RecordKind::eExtError:
    case RecordKind::eKxError: return Shown::eError;
    default: return Shown::eOutput;
    }
}

// A testcase counts once among the failures when it holds a failure element,
// and once among the errors when it holds an error element.
void countTestCase(const std::vector<Record>& records, bool returnedFalse, bool interrupted, JUnitCounts& counts) {
    bool failure = returnedFalse, error = interrupted;
    for (const Record& record : records) {
        failure |= shownAs(record.kind) == Shown::eFailure;
        error |= shownAs(record.kind) == Shown::eError;
    }
    ++counts.tests;
    counts.failures += failure ? 1 : 0;
    counts.errors += error ? 1 : 0;
}

// An element's title is written when it closes: one the report ends inside
// has none, and is shown by what it is and its id.
std::string shownTitle(const rtreport::Element& element, const char* what) {
    if (!element.title.empty() || !element.interrupted) return element.title;
    return std::string("(") + what + " " + std::to_string(element.id) + ", cut off before its title)";
}

std::string suiteName(const Group& group) {
    return group.outsideGroups ? "(outside any group)" : shownTitle(group, "group");
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// Test titles, with the arguments added where a title repeats in the group,
// and the id added where even that repeats.
std::vector<std::string> caseNames(const Group& group) {
    std::map<std::string, int> uses;
    for (const Test& test : group.tests) ++uses[shownTitle(test, "test")];
    std::vector<std::string> names;
    for (const Test& test : group.tests) {
        const std::string title = shownTitle(test, "test");
        names.push_back(uses[title] > 1 ? title + "(" + joined(test.args, ", ") + ")" : title);
    }
    std::map<std::string, int> repeats;
    for (const std::string& name : names) ++repeats[name];
    for (std::size_t i = 0; i < names.size(); ++i)
        if (repeats[names[i]] > 1) names[i] += " #" + std::to_string(group.tests[i].id);
    return names;
}


const char kThrownRecord[] = "Unknown Exception Occured in Test ";

std::string recordType(const Record& record) {
    std::string type = rtreport::recordKindName(record.kind);
    if (!record.method.empty() && record.method != "::") type += " in " + record.method;
    return type;
}

std::string recordBody(const Record& record) {
    std::vector<std::string> lines = record.msgs;
    lines.insert(lines.end(), record.traces.begin(), record.traces.end());
    return joined(lines, "\n");
}

// One testcase: its records in report order, then the live run's and the
// cut-off's own entries, then the warnings.
std::string testCase(const std::string& name, const std::string& className, const std::string& time,
                     const std::vector<Record>& records, bool returnedFalse, bool interrupted,
                     const std::string& threw = std::string()) {
    std::string text;
    std::string warnings;
    for (const Record& record : records) {
        const Shown shown = shownAs(record.kind);
        if (shown == Shown::eOutput) {
            warnings += recordType(record) + (record.desc.empty() ? "" : ": " + record.desc) + "\n";
            for (const std::string& line : record.msgs) warnings += "  " + line + "\n";
            for (const std::string& line : record.traces) warnings += "  " + line + "\n";
            continue;
        }
        const char* element = shown == Shown::eFailure ? "failure" : "error";
        // The framework's record of a body that threw says only that: the run knows what.
        const bool thrown = !threw.empty() && !record.msgs.empty() && record.desc.empty() &&
                            record.msgs[0].rfind(kThrownRecord, 0) == 0;
        text += std::string("      <") + element + attributeText("message", thrown ? threw : record.desc) +
                attributeText("type", recordType(record)) + ">" +
                xmlContent((thrown ? threw + "\n" : std::string()) + recordBody(record)) + "</" + element + ">\n";
    }
    if (returnedFalse)
        text += "      <failure message=\"test body returned false\" type=\"ReturnedFalse\"></failure>\n";
    if (interrupted)
        text += "      <error message=\"the run ended inside this test: the report stops here\""
                " type=\"Interrupted\"></error>\n";
    if (!warnings.empty()) text += "      <system-out>" + xmlContent(warnings) + "</system-out>\n";
    const std::string start = "    <testcase" + attributeText("name", name) + attributeText("classname", className) +
                              attributeText("time", time);
    return text.empty() ? start + "/>\n" : start + ">\n" + text + "    </testcase>\n";
}

} // namespace

void JUnitCounts::add(const JUnitCounts& other) {
    tests += other.tests;
    failures += other.failures;
    errors += other.errors;
}

JUnitCounts countJUnitSuite(const Group& group, const std::set<int>& falseReturnIds,
                            const std::vector<const JUnitNotRun*>& notRun) {
    JUnitCounts counts;
    for (const Test& test : group.tests)
        countTestCase(test.records, falseReturnIds.count(test.id) > 0, test.interrupted, counts);
    if (!group.records.empty()) countTestCase(group.records, false, false, counts);
    counts.tests += static_cast<int>(notRun.size());
    counts.errors += static_cast<int>(notRun.size());
    return counts;
}

double suiteSeconds(const Group& group) {
    if (!group.time.empty()) return group.seconds();
    double sum = 0;
    for (const Test& test : group.tests) sum += test.seconds();
    return sum;
}

std::string junitSuite(const Group& group, const JUnitExtras& extras,
                       const std::vector<const JUnitNotRun*>& notRun, const std::string& hostName,
                       const std::string& timestamp) {
    const std::set<int>& falseReturnIds = extras.falseReturnIds;
    const JUnitCounts counts = countJUnitSuite(group, falseReturnIds, notRun);
    const std::string name = suiteName(group);
    std::string text = "  <testsuite" + attributeText("name", name) + attributeText("tests", counts.tests) +
                       attributeText("failures", counts.failures) + attributeText("errors", counts.errors) +
                       attributeText("skipped", 0) + attributeText("time", twoDecimalSeconds(suiteSeconds(group)));
    if (!timestamp.empty()) text += attributeText("timestamp", timestamp);
    if (!hostName.empty()) text += attributeText("hostname", hostName);
    if (group.id >= 0) text += attributeText("id", group.id);
    text += ">\n";
    const std::vector<std::string> names = caseNames(group);
    for (std::size_t i = 0; i < group.tests.size(); ++i) {
        const Test& test = group.tests[i];
        const auto threw = extras.throws.find(test.id);
        text += testCase(names[i], name, twoDecimalSeconds(test.seconds()), test.records,
                         falseReturnIds.count(test.id) > 0, test.interrupted,
                         threw == extras.throws.end() ? std::string() : threw->second);
    }
    if (!group.records.empty()) text += testCase("(outside any test)", name, "0.00", group.records, false, false);
    for (const JUnitNotRun* test : notRun) {
        const std::string caseName = test->args.empty() ? test->caseName
                                                        : test->caseName + "(" + joined(test->args, ", ") + ")";
        text += "    <testcase" + attributeText("name", caseName) + attributeText("classname", name) +
                attributeText("time", "0.00") + ">\n      <error" + attributeText("message", "not run: " + test->reason) +
                attributeText("type", "NotRun") + "></error>\n    </testcase>\n";
    }
    return text + "  </testsuite>\n";
}

} // namespace rtrun
