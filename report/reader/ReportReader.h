#pragma once
// Reads a report back, as a stream: each group is handed out as soon as its
// element closes, so memory is bounded by the largest group, not by the
// report. Reads every report the writer produces, including one cut short by a
// run that died: it is read as far as it goes and its open elements are marked
// interrupted.
#include "report/reader/ReportModel.h"
#include <memory>
#include <string>
#include <vector>

namespace rtreport {

class ReportVisitor {
public:
    virtual ~ReportVisitor() = default;
    // A group with all its tests, when its element closes or the report ends
    // inside it. Tests and records the report holds outside any group come in
    // a group of their own, marked outsideGroups, delivered in file order.
    virtual void group(const Group& group) = 0;
    // The run's closing record; not called when the report ends before it.
    virtual void runInfo(const RunInfo& info) { (void)info; }
};

struct ReadResult {
    enum class Status {
        eComplete,   // the whole report was read
        eCutOff,     // the report ends before its root element closes; read as far as it goes
        eUnreadable, // nothing was read: a missing file, a directory, not a report
    };
    Status status = Status::eUnreadable;
    // eUnreadable: why, naming the file; eCutOff: where reading stopped and why.
    std::string problem;

    bool readable() const { return status != Status::eUnreadable; }
    bool cutOff() const { return status == Status::eCutOff; }
};

// Pulls the groups one at a time, so that two reports can be walked side by
// side (to compare them, or to merge shards) with one group of each in memory.
class ReportReader {
public:
    explicit ReportReader(const std::string& path);
    ~ReportReader();
    ReportReader(const ReportReader&) = delete;
    ReportReader& operator=(const ReportReader&) = delete;

    // The next group in file order, as ReportVisitor::group describes it;
    // false when none is left.
    bool next(Group& group);
    // Once next() has returned false: the run's closing record (present only
    // when the report holds one) and how the reading ended.
    const RunInfo& runInfo() const;
    const ReadResult& result() const;

private:
    struct Parse;
    std::unique_ptr<Parse> m_parse;
};

// Reads the whole report, handing each group to the visitor as it closes.
ReadResult readReport(const std::string& path, ReportVisitor& visitor);

// A whole report in memory, for callers that want every group at once.
struct Report {
    std::vector<Group> groups;
    RunInfo run;
};
ReadResult readReport(const std::string& path, Report& report);

} // namespace rtreport
