#include "report/reader/ReportBuilder.h"
#include "report/reader/ReportInput.h"
#include <charconv>
#include <utility>

namespace rtreport {

namespace {

const char kRootName[] = "KxRegTester";
const char* const kCountNames[] = {"KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"};

// Counts with the one named kCountNames[index] set to `value`.
void setCount(Counts& counts, int index, int value) {
    int values[] = {counts.kxErrors(), counts.errors(), counts.warnings(), counts.extErrors(), counts.extWarnings()};
    values[index] = value;
    counts = Counts(values[1], values[2], values[3], values[4], values[0]);
}

bool recordKindOf(const std::string& name, RecordKind& kind) {
    static const RecordKind kinds[] = {RecordKind::eError, RecordKind::eWarning, RecordKind::eExtError,
                                       RecordKind::eExtWarning, RecordKind::eKxError};
    for (RecordKind candidate : kinds) {
        if (name == recordKindName(candidate)) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

bool ReportBuilder::start(const std::string& name, int id) {
    if (m_frames.empty()) {
        if (m_rootClosed || name != kRootName) return false;
        push(Role::eRoot);
        return true;
    }
    const Frame parent = m_frames.back();
    if (parent.opaque) {
        push(Role::eOther);
        return true;
    }
    switch (parent.role) {
    case Role::eRoot: startInRoot(name, id); break;
    case Role::eGroup: startInOwner(name, id, m_group, false); break;
    case Role::eTest: startInOwner(name, id, m_test, true); break;
    case Role::eRecord: startInRecord(name); break;
    case Role::eSummary: startInSummary(name, owner().summary); break;
    case Role::eGlobal: startInGlobal(name); break;
    default: {
        // Elements the test code opened itself: records inside them still
        // belong to the innermost group or test.
        RecordKind kind;
        if (recordKindOf(name, kind)) startRecord(kind);
        else push(Role::eOther);
    }
    }
    return true;
}

void ReportBuilder::startInRoot(const std::string& name, int id) {
    if (name == "Group") {
        deliverGroup(); // what came before outside any group, if anything
        m_group.outsideGroups = false;
        m_group.id = id;
        m_groupOpen = true;
        push(Role::eGroup);
    } else if (name == "Global") {
        m_run = RunInfo{};
        m_runOpen = true;
        push(Role::eGlobal);
    } else {
        startInOwner(name, id, m_group, false);
    }
}

void ReportBuilder::startInOwner(const std::string& name, int id, Element& element, bool isTest) {
    RecordKind kind;
    if (recordKindOf(name, kind)) {
        startRecord(kind);
    } else if (name == "Test" && !m_testOpen) {
        m_test = Test{};
        m_test.id = id;
        m_testOpen = true;
        push(Role::eTest);
    } else if (name == "Title") {
        startValue(element.title);
    } else if (name == "Desc") {
        startValue(element.desc);
    } else if (name == "Time") {
        startValue(element.time);
    } else if (name == "Summary") {
        element.hasSummary = false; // until its end shows it complete
        element.summary = Counts{};
        push(Role::eSummary);
    } else if (isTest && name == "Arg") {
        startListValue(m_test.args);
    } else if (isTest && name == "Ext") {
        startValue(m_test.ext);
    } else {
        push(Role::eOther);
    }
}

void ReportBuilder::startInRecord(const std::string& name) {
    Record& record = owner().records.back();
    if (name == "Method") startValue(record.method);
    else if (name == "Desc") startValue(record.desc);
    else if (name == "Msg") startListValue(record.msgs);
    else if (name == "Trace") startListValue(record.traces);
    else push(Role::eOther);
}

void ReportBuilder::startInSummary(const std::string& name, Counts& counts) {
    for (int i = 0; i < 5; ++i) {
        if (name == kCountNames[i]) {
            m_counts = &counts;
            m_countIndex = i;
            m_countText.clear();
            push(Role::eCount);
            return;
        }
    }
    push(Role::eOther);
}

void ReportBuilder::startInGlobal(const std::string& name) {
    if (name == "Machine") startValue(m_run.machine);
    else if (name == "Platform") startValue(m_run.platform);
    else if (name == "RunTime") startValue(m_run.runTime);
    else if (name == "Version") startValue(m_run.version);
    else push(Role::eOther);
}

void ReportBuilder::startRecord(RecordKind kind) {
    owner().records.emplace_back();
    owner().records.back().kind = kind;
    push(Role::eRecord);
}

void ReportBuilder::startValue(std::string& target) {
    target.clear();
    m_value = &target;
    push(Role::eValue);
}

void ReportBuilder::startListValue(std::vector<std::string>& list) {
    list.emplace_back();
    m_value = &list.back();
    push(Role::eValue);
}

void ReportBuilder::push(Role role) {
    const Role parent = m_frames.empty() ? Role::eRoot : m_frames.back().role;
    const bool opaque = !m_frames.empty() && (m_frames.back().opaque || parent == Role::eRecord ||
                                              parent == Role::eValue || parent == Role::eCount);
    m_frames.push_back(Frame{role, opaque});
}

Element& ReportBuilder::owner() { return m_testOpen ? static_cast<Element&>(m_test) : m_group; }

void ReportBuilder::text(const char* utf8) {
    if (m_frames.empty()) return;
    if (m_frames.back().role == Role::eValue) m_value->append(utf8);
    else if (m_frames.back().role == Role::eCount) m_countText.append(utf8);
}

void ReportBuilder::end() {
    if (m_frames.empty()) return;
    const Role role = m_frames.back().role;
    m_frames.pop_back();
    switch (role) {
    case Role::eValue:
        restoreControlCharacters(*m_value);
        m_value = nullptr;
        break;
    case Role::eCount: {
        int value = 0;
        std::from_chars(m_countText.data(), m_countText.data() + m_countText.size(), value);
        setCount(*m_counts, m_countIndex, value);
        m_counts = nullptr;
        break;
    }
    case Role::eSummary:
        // Closed only because the file ended, its counts are not all there.
        owner().hasSummary = !m_cutOff;
        break;
    case Role::eTest:
        m_test.interrupted = m_cutOff;
        closeTest();
        break;
    case Role::eGroup:
        m_group.interrupted = m_cutOff;
        deliverGroup();
        m_groupOpen = false;
        break;
    case Role::eGlobal:
        m_runOpen = false;
        m_run.present = true;
        m_visitor.runInfo(m_run);
        break;
    case Role::eRoot: m_rootClosed = true; break;
    default: break;
    }
}

void ReportBuilder::closeTest() {
    m_group.tests.push_back(std::move(m_test));
    m_test = Test{};
    m_testOpen = false;
}

void ReportBuilder::deliverGroup() {
    const bool standInIsEmpty = m_group.outsideGroups && m_group.tests.empty() && m_group.records.empty();
    if (!standInIsEmpty) m_visitor.group(m_group);
    m_group = Group{};
    m_group.outsideGroups = true;
}

void ReportBuilder::cutOffHere() {
    m_cutOffPosition = position();
    m_cutOff = true;
}

void ReportBuilder::finish() {
    // A value cut off in the middle keeps the text it got.
    if (m_value) restoreControlCharacters(*m_value);
    if (m_testOpen) {
        m_test.interrupted = true;
        closeTest();
    }
    if (m_groupOpen) m_group.interrupted = true;
    deliverGroup();
    m_groupOpen = false;
    if (m_runOpen) {
        m_runOpen = false;
        m_run.present = true;
        m_visitor.runInfo(m_run);
    }
    m_frames.clear();
    m_value = nullptr;
    m_counts = nullptr;
}

std::string ReportBuilder::position() const {
    std::string where;
    if (m_testOpen) where = "inside test " + std::to_string(m_test.id);
    if (m_groupOpen) where += std::string(where.empty() ? "inside" : " of") + " group " + std::to_string(m_group.id);
    if (m_runOpen) where = "inside the run's Global record";
    if (where.empty()) where = m_frames.empty() ? "outside the report's root" : "between groups";
    return where;
}

} // namespace rtreport
