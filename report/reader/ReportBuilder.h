#pragma once
// Turns the element events of a report into groups, tests and records, and
// hands each group to the visitor when it closes. Knows the report's
// vocabulary; knows nothing of how the events were parsed.
#include "report/reader/ReportReader.h"
#include <string>
#include <vector>

namespace rtreport {

class ReportBuilder {
public:
    explicit ReportBuilder(ReportVisitor& visitor) : m_visitor(visitor) { m_group.outsideGroups = true; }

    // An element opens; `id` is its id attribute, -1 without one. False when
    // the document's first element is not a report's root.
    bool start(const std::string& name, int id);
    // Character content of the innermost open element.
    void text(const char* utf8);
    void end();
    // The input announces that the file was cut off here: the elements still
    // open are closed next, and each group and test among them is interrupted.
    void cutOffHere();
    // The input is over: whatever is still open is delivered, marked interrupted.
    void finish();

    bool rootOpened() const { return !m_frames.empty() || m_rootClosed; }
    bool rootClosed() const { return m_rootClosed; }
    // Where the input stands, for messages: "inside test 5 of group 4".
    std::string position() const;
    // The position when the input announced the cut; empty when it did not.
    const std::string& cutOffPosition() const { return m_cutOffPosition; }

private:
    enum class Role { eRoot, eGroup, eTest, eRecord, eSummary, eGlobal, eValue, eCount, eOther };
    struct Frame {
        Role role;
        // Below a record, a value or a count nothing counts: a report's values
        // never hold elements, a damaged one's may.
        bool opaque;
    };

    void startInRoot(const std::string& name, int id);
    void startInOwner(const std::string& name, int id, Element& owner, bool isTest);
    void startInRecord(const std::string& name);
    void startInSummary(const std::string& name, Counts& counts);
    void startInGlobal(const std::string& name);
    void startRecord(RecordKind kind);
    void startValue(std::string& target);
    void startListValue(std::vector<std::string>& list);
    void push(Role role);
    Element& owner();
    void closeTest();
    void deliverGroup();

    ReportVisitor& m_visitor;
    std::vector<Frame> m_frames;
    bool m_rootClosed = false;
    bool m_cutOff = false;
    std::string m_cutOffPosition;
    Group m_group;          // the open group, or the stand-in for what lies outside groups
    bool m_groupOpen = false;
    Test m_test;
    bool m_testOpen = false;
    RunInfo m_run;
    bool m_runOpen = false;
    std::string* m_value = nullptr; // the text the open value element fills
    Counts* m_counts = nullptr;     // the counts the open count element sets one of
    int m_countIndex = 0;           // which one, KxErrors, Errors, Warnings, ExtErrors, ExtWarnings
    std::string m_countText;
};

} // namespace rtreport
