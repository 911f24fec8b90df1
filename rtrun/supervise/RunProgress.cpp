#include "rtrun/supervise/RunProgress.h"
#include "rtrun/merge/PieceMerge.h"
#include "rtrun/system/Process.h"
#include <algorithm>
#include <cstdio>

namespace rtrun {

namespace {

constexpr int kFailedFlags = PieceLog::eReturnedFalse | PieceLog::eNotRun | PieceLog::eErrorRecorded;

// "0:42", "1:02:03".
std::string clock(double seconds) {
    const long whole = static_cast<long>(std::max(seconds, 0.0) + 0.5);
    char text[32];
    if (whole >= 3600) std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else std::snprintf(text, sizeof(text), "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

RunProgress::RunProgress(const std::vector<PlannedTest>& selected, double expectedWork, int jobs, std::FILE* terminal)
    : m_expectedWork(expectedWork), m_jobs(std::max(jobs, 1)), m_line(terminal), m_started(Process::monotonicSeconds()) {
    for (const PlannedTest& test : selected) m_tests[{test.scriptIndex, test.position}] = test.group + "/" + test.caseName;
}

void RunProgress::tick(const std::vector<const PieceLog*>& running) {
    const double now = Process::monotonicSeconds();
    if (now - m_drawn < 0.25) return;
    m_drawn = now;
    // The entries finished since the last look that are still in the ring;
    // a ring written out meanwhile is counted once its child has ended.
    for (const PieceLog* log : running) {
        auto& [looked, failed] = m_seen[log];
        const std::int64_t finished = log->count.load(std::memory_order_acquire) -
                                      (log->phase.load(std::memory_order_acquire) != PieceLog::eIdle ? 1 : 0);
        for (; looked < finished; ++looked)
            if (const PieceLog::Entry* entry = const_cast<PieceLog*>(log)->entry(looked))
                failed += (entry->flags & kFailedFlags) ? 1 : 0;
    }
    m_line.show(text(running));
}

void RunProgress::childEnded(const PieceLog& log, const PieceRecord& piece) {
    m_seen.erase(&log);
    m_done += static_cast<int>(piece.ids.size());
    for (const std::int32_t flags : piece.flags) m_failed += (flags & kFailedFlags) ? 1 : 0;
    if (piece.died && !piece.flags.empty() && !(piece.flags.back() & kFailedFlags)) ++m_failed;
}

std::string RunProgress::text(const std::vector<const PieceLog*>& running) const {
    int done = m_done, failed = m_failed;
    std::string tests;
    for (const PieceLog* log : running) {
        const auto seen = m_seen.find(log);
        if (seen != m_seen.end()) {
            done += static_cast<int>(seen->second.first);
            failed += seen->second.second;
        }
        const int phase = log->phase.load(std::memory_order_acquire);
        if (phase == PieceLog::eIdle || phase == PieceLog::eUnloading) continue;
        const auto test = m_tests.find({log->scriptIndex.load(), log->position.load()});
        if (test != m_tests.end()) tests += (tests.empty() ? " " : ", ") + test->second;
    }
    const int total = static_cast<int>(m_tests.size());
    const double elapsed = Process::monotonicSeconds() - m_started;
    std::string left = "?";
    if (m_expectedWork >= 0 && total > 0) left = clock(m_expectedWork * (total - done) / total / m_jobs);
    else if (done > 0) left = clock(elapsed * (total - done) / done);
    char head[160];
    std::snprintf(head, sizeof(head), "[%d/%d done, %d failed, %s, ~%s left]", done, total, failed,
                  clock(elapsed).c_str(), left.c_str());
    return head + tests;
}

} // namespace rtrun
