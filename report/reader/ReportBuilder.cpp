#include "report/reader/ReportBuilder.h"
#include "report/reader/ReportInput.h"
#include <charconv>
#include <utility>

namespace rtreport {

namespace {

const char kRootName[] = "KxRegTester";

bool recordKindOf(const std::string& name, RecordKind& kind) {
    static const RecordKind kinds[] = {RecordKind::kError, RecordKind::kWarning, RecordKind::kExtError,
                                       RecordKind::kExtWarning, RecordKind::kKxError};
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
        push(Role::kRoot);
        return true;
    }
    const Frame parent = m_frames.back();
    if (parent.insideRecord) {
        push(Role::kOther);
        return true;
    }
    switch (parent.role) {
    case Role::kRoot: startInRoot(name, id); break;
    case Role::kGroup: startInOwner(name, id, m_group, false); break;
    case Role::kTest: startInOwner(name, id, m_test, true); break;
    case Role::kRecord: startInRecord(name); break;
    case Role::kSummary: startInSummary(name, owner().summary); break;
    case Role::kGlobal: startInGlobal(name); break;
    default: {
        // Elements the test code opened itself: records inside them still
        // belong to the innermost group or test.
        RecordKind kind;
        if (recordKindOf(name, kind)) startRecord(kind);
        else push(Role::kOther);
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
        push(Role::kGroup);
    } else if (name == "Global") {
        m_run = RunInfo{};
        m_runOpen = true;
        push(Role::kGlobal);
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
        push(Role::kTest);
    } else if (name == "Title") {
        startValue(element.title);
    } else if (name == "Desc") {
        startValue(element.desc);
    } else if (name == "Time") {
        startValue(element.time);
    } else if (name == "Summary") {
        element.hasSummary = false; // until its end shows it complete
        element.summary = Counts{};
        push(Role::kSummary);
    } else if (isTest && name == "Arg") {
        startListValue(m_test.args);
    } else if (isTest && name == "Ext") {
        startValue(m_test.ext);
    } else {
        push(Role::kOther);
    }
}

void ReportBuilder::startInRecord(const std::string& name) {
    Record& record = owner().records.back();
    if (name == "Method") startValue(record.method);
    else if (name == "Desc") startValue(record.desc);
    else if (name == "Msg") startListValue(record.msgs);
    else if (name == "Trace") startListValue(record.traces);
    else push(Role::kOther);
}

void ReportBuilder::startInSummary(const std::string& name, Counts& counts) {
    int* targets[] = {&counts.kxErrors, &counts.errors, &counts.warnings, &counts.extErrors, &counts.extWarnings};
    const char* names[] = {"KxErrors", "Errors", "Warnings", "ExtErrors", "ExtWarnings"};
    for (int i = 0; i < 5; ++i) {
        if (name == names[i]) {
            m_count = targets[i];
            m_countText.clear();
            push(Role::kCount);
            return;
        }
    }
    push(Role::kOther);
}

void ReportBuilder::startInGlobal(const std::string& name) {
    if (name == "Machine") startValue(m_run.machine);
    else if (name == "Platform") startValue(m_run.platform);
    else if (name == "RunTime") startValue(m_run.runTime);
    else if (name == "Version") startValue(m_run.version);
    else push(Role::kOther);
}

void ReportBuilder::startRecord(RecordKind kind) {
    owner().records.emplace_back();
    owner().records.back().kind = kind;
    push(Role::kRecord);
}

void ReportBuilder::startValue(std::string& target) {
    target.clear();
    m_value = &target;
    push(Role::kValue);
}

void ReportBuilder::startListValue(std::vector<std::string>& list) {
    list.emplace_back();
    m_value = &list.back();
    push(Role::kValue);
}

void ReportBuilder::push(Role role) {
    const bool insideRecord =
        !m_frames.empty() && (m_frames.back().insideRecord || m_frames.back().role == Role::kRecord);
    m_frames.push_back(Frame{role, insideRecord});
}

Element& ReportBuilder::owner() { return m_testOpen ? static_cast<Element&>(m_test) : m_group; }

void ReportBuilder::text(const char* utf8) {
    if (m_frames.empty()) return;
    if (m_frames.back().role == Role::kValue) m_value->append(utf8);
    else if (m_frames.back().role == Role::kCount) m_countText.append(utf8);
}

void ReportBuilder::end() {
    if (m_frames.empty()) return;
    const Role role = m_frames.back().role;
    m_frames.pop_back();
    switch (role) {
    case Role::kValue:
        restoreControlCharacters(*m_value);
        m_value = nullptr;
        break;
    case Role::kCount: {
        int value = 0;
        std::from_chars(m_countText.data(), m_countText.data() + m_countText.size(), value);
        *m_count = value;
        m_count = nullptr;
        break;
    }
    case Role::kSummary:
        // Closed only because the file ended, its counts are not all there.
        owner().hasSummary = !m_cutOff;
        break;
    case Role::kTest:
        m_test.interrupted = m_cutOff;
        closeTest();
        break;
    case Role::kGroup:
        m_group.interrupted = m_cutOff;
        deliverGroup();
        m_groupOpen = false;
        break;
    case Role::kGlobal:
        m_runOpen = false;
        m_run.present = true;
        m_visitor.runInfo(m_run);
        break;
    case Role::kRoot: m_rootClosed = true; break;
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
    m_count = nullptr;
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
