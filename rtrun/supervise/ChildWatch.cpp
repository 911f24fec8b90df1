#include "rtrun/supervise/ChildWatch.h"
#include "rtrun/system/SecondsFormat.h"
#include <cstdio>
#include <cstring>

namespace rtrun {

const char* phaseWords(int phase) {
    switch (phase) {
    case PieceLog::eCreating: return "in the creator";
    case PieceLog::eInitializing: return "in initialize()";
    case PieceLog::eDestroying: return "in the destructor";
    case PieceLog::eUnloading: return "unloading the test libraries";
    default: return "";
    }
}

int ChildWatch::poll(void* watch) { return static_cast<ChildWatch*>(watch)->check(); }

void ChildWatch::errors(void* watch, const char* bytes, std::size_t size) {
    ChildWatch& self = *static_cast<ChildWatch*>(watch);
    self.m_errors.take(bytes, size);
    // A test starts by adding its entry, before it can write: bytes read
    // once the count moved may still be the last of the test before (kept,
    // to be safe), never the first of the one after.
    const std::int64_t tests = self.m_log.count.load(std::memory_order_acquire);
    if (tests != self.m_testsSeen) self.m_lastWords.testStarted();
    self.m_testsSeen = tests;
    self.m_lastWords.add(bytes, size);
}

void ChildWatch::output(void* watch, const char* bytes, std::size_t size) {
    static_cast<ChildWatch*>(watch)->m_output.take(bytes, size);
}

Process::ChildWatching ChildWatch::watching(int errorPipe, int outputPipe) {
    Process::ChildWatching watching;
    watching.poll = &ChildWatch::poll;
    watching.context = this;
    watching.errors.fd = errorPipe;
    watching.errors.take = &ChildWatch::errors;
    watching.output.fd = outputPipe;
    watching.output.take = &ChildWatch::output;
    return watching;
}

void ChildWatch::flushOutput() {
    m_output.flush();
    m_errors.flush();
}

int ChildWatch::check() {
    m_witness.poll();
    const double now = Process::monotonicSeconds();
    if (m_cancelSignal) {
        if (m_killSent || now - m_cancelledAt < m_grace) return 0;
        m_killSent = true;
        return Process::kKillSignal;
    }
    if ((m_cancelSignal = Process::cancelSignal())) {
        if (m_log.phase.load(std::memory_order_acquire) != PieceLog::eIdle) m_witness.takeAllStacks(m_log.testThread.load());
        m_cancelledAt = Process::monotonicSeconds();
        return Process::kEndSignal;
    }
    if (m_limit <= 0 || timedOut()) return 0;
    // A child that told it is dying is not hung while its stack is taken,
    // which can take seconds (DbgHelp under a loaded Wine): its death is
    // what it died of. Only a death that takes far longer than any stack
    // (a capture gone astray) counts against the limit again.
    if (m_witness.noticedAt() > 0 && now - m_witness.noticedAt() < CrashNote::kLongestTellingSeconds) return 0;
    // The phase first: its start, written before it, is then at least as recent.
    const int phase = m_log.phase.load(std::memory_order_acquire);
    if (phase == PieceLog::eIdle || now - m_log.phaseStart.load(std::memory_order_relaxed) <= m_limit) return 0;
    m_timedOutPhase = phase;
    m_witness.takeAllStacks(m_log.testThread.load());
    return Process::kKillSignal;
}

Death ChildWatch::deathOf(const Process::ChildEnd& ended) const {
    Death death;
    const int phase = m_log.phase.load();
    death.phase = phase;
    death.scriptIndex = m_log.scriptIndex.load();
    death.position = m_log.position.load();
    death.inTest = phase != PieceLog::eIdle && phase != PieceLog::eUnloading;
    death.running = phase == PieceLog::eRunning;
    // The body's time ends where it died, not once its stack was taken.
    const double end = m_witness.noticedAt() > 0 ? m_witness.noticedAt() : Process::monotonicSeconds();
    if (death.running) death.seconds = end - m_log.bodyStart.load();
    if (m_cancelSignal) {
        death.reason = "interrupted: signal " + Process::signalText(m_cancelSignal);
    } else if (timedOut()) {
        const std::string where = phaseWords(m_timedOutPhase);
        death.reason = "timed out " + (where.empty() ? "" : where + " ") + "after " + shortSeconds(m_limit) + " s";
        if (death.running) death.seconds = m_limit;
    } else if (!ended.signal && !ended.exception && m_witness.noticedSignal()) {
        death.reason = "crashed: signal " + Process::signalText(m_witness.noticedSignal());
    } else if (ended.exited || m_witness.sawExit()) {
        // Where exit() cannot pass its status on to an exit handler (Windows),
        // the child ends with none: only its notice tells an exit from a crash.
        char reason[48];
        Process::exitedText(ended.exited ? ended.status : -1, reason);
        death.reason = reason;
    } else if (ended.exception) {
        death.reason = "crashed: exception " + Process::exceptionText(ended.exception);
    } else {
        death.reason = "crashed: signal " + Process::signalText(ended.signal);
    }
    m_witness.describe(death);
    const std::vector<std::string> words = m_lastWords.lines();
    if (!words.empty() && death.inTest) {
        death.msgs.push_back("the end of what it wrote to standard error:");
        death.msgs.insert(death.msgs.end(), words.begin(), words.end());
    }
    return death;
}

} // namespace rtrun
