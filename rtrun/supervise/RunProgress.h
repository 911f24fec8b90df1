#pragma once
#include "rtrun/run/PieceLog.h"
#include "rtrun/run/ScriptSelection.h"
#include "rtrun/supervise/StatusLine.h"
#include <map>
#include <utility>
#include <vector>

namespace rtrun {

struct PieceRecord;

// The status line of a supervised run on a terminal: tests done of all,
// failed so far, time gone, an estimate of the time left, and the test each
// running child is in. Redrawn at most four times a second.
class RunProgress {
public:
    // `expectedWork`: the seconds the selected tests took last time, all of
    // them known; negative when not.
    RunProgress(const std::vector<PlannedTest>& selected, double expectedWork, int jobs, std::FILE* terminal);
    StatusLine& line() { return m_line; }
    // While children run: counts what their logs hold now and redraws.
    void tick(const std::vector<const PieceLog*>& running);
    // A child ended: its piece's tests count from now on, its log starts over.
    void childEnded(const PieceLog& log, const PieceRecord& piece);

private:
    std::string text(const std::vector<const PieceLog*>& running) const;

    std::map<std::pair<int, int>, std::string> m_tests;  // (script, position) -> "group/case"
    double m_expectedWork;
    int m_jobs;
    StatusLine m_line;
    double m_started;
    double m_drawn = 0;
    int m_done = 0;    // in the pieces of children that ended
    int m_failed = 0;
    std::map<const PieceLog*, std::pair<std::int64_t, int>> m_seen;  // log -> (entries looked at, failed among them)
};

} // namespace rtrun
