#include "rtrun/supervise/DeathWitness.h"
#include "rtrun/system/Process.h"
#include "env/Platform.h"
#include <algorithm>
#include <cstdlib>

namespace rtrun {

namespace {

// A test library's file: its name holds "KxRt" and "80" with the platform's suffix.
bool isTestLibrary(const std::string& name) {
    return name.find("KxRt") != std::string::npos &&
           name.find(std::string("80") + Rt::Platform::librarySuffix()) != std::string::npos;
}

// Without its directory, on either system's separators.
std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// " at Mesh::area() mesh.cpp:42": the innermost frame of test code; empty when none.
std::string whereInTestCode(const std::vector<Stacks::Frame>& frames) {
    for (const Stacks::Frame& frame : frames) {
        if (!isTestLibrary(frame.library)) continue;
        std::string text = " at " + (frame.function.empty() ? "??" : frame.function);
        if (!frame.file.empty()) return text + " " + fileName(frame.file) + ":" + std::to_string(frame.line);
        char offset[32];
        std::snprintf(offset, sizeof(offset), "%llx", static_cast<unsigned long long>(frame.offset));
        return text + " (" + frame.library + "+0x" + offset + ")";
    }
    return std::string();
}

} // namespace

DeathWitness::DeathWitness(CrashNote& note, int pid) : m_note(note), m_pid(pid) {
    // For tests of the fallback: act as a supervisor that may not trace.
    const char* noTrace = std::getenv("RTRUN_NO_PTRACE");
    m_mayTrace = !(noTrace && *noTrace && std::string(noTrace) != "0");
    if (!m_mayTrace) m_traceProblem = "RTRUN_NO_PTRACE is set";
}

void DeathWitness::poll() {
    const int state = m_note.state.load(std::memory_order_acquire);
    if (state == CrashNote::eWaiting) takeCrashStack();
    else if (state == CrashNote::eCaptured) symboliseCaptured();
}

void DeathWitness::takeCrashStack() {
    m_noticedAt = m_note.when;
    if (m_note.cause == CrashNote::eSignal)
        m_msgs.push_back(Process::signalDetails(m_note.signal, m_note.code, m_note.address, m_note.sender));
    else if (m_note.cause == CrashNote::eException)
        m_msgs.push_back(Process::exceptionDetails(static_cast<std::uint32_t>(m_note.code), m_note.sender, m_note.address));
    std::vector<Stacks::Frame> frames;
    if (m_mayTrace && Stacks::threadStack(m_pid, m_note.tid, m_note.pc, startFunction(), frames, m_traceProblem)) {
        keep(frames);
        m_note.state.store(CrashNote::eTaken, std::memory_order_release);
        return;
    }
    // The frame it died in, while its memory map can still be read: all
    // that is left should its own capture fail on a corrupt stack.
    std::vector<Stacks::Frame> known;
    if (m_note.pc && Stacks::symbolise(m_pid, {m_note.pc}, m_note.pc, std::string(), known, m_traceProblem)) keep(known);
    m_note.state.store(CrashNote::eCaptureYourself, std::memory_order_release);
}

void DeathWitness::symboliseCaptured() {
    const int count = std::min(m_note.frameCount, static_cast<int>(CrashNote::kMaxFrames));
    const std::vector<std::uint64_t> addresses(m_note.frames, m_note.frames + std::max(count, 0));
    std::vector<Stacks::Frame> frames;
    std::string problem;
    if (Stacks::symbolise(m_pid, addresses, m_note.pc, startFunction(), frames, problem)) {
        m_msgs.push_back("stack captured by the test process itself (not traced: " + m_traceProblem + ")");
        m_traces.clear();
        keep(frames);
    } else {
        m_msgs.push_back("no stack: " + problem);
    }
    m_note.state.store(CrashNote::eTaken, std::memory_order_release);
}

// A crash's stack starts at its faulting frame; exit()'s at the call to
// exit(), rtrun's own frames inside it left out.
std::string DeathWitness::startFunction() const { return m_note.cause == CrashNote::eExit ? "exit" : std::string(); }

void DeathWitness::keep(const std::vector<Stacks::Frame>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) m_traces.push_back(Stacks::frameText(i, frames[i]));
    m_where = whereInTestCode(frames);
}

void DeathWitness::takeAllStacks(int testThread) {
    if (!m_traces.empty()) return;
    if (testThread == 0) testThread = m_pid;
    std::vector<Stacks::Thread> threads;
    std::string problem = m_traceProblem;
    if (!m_mayTrace || !Stacks::allThreads(m_pid, testThread, threads, problem)) {
        m_msgs.push_back("no stacks: " + problem);
        return;
    }
    m_msgs.push_back("the stacks of its " + std::to_string(threads.size()) + " thread(s) before it was stopped");
    for (const Stacks::Thread& thread : threads) {
        m_traces.push_back("thread " + std::to_string(thread.tid) + (thread.tid == testThread ? " (runs the test):" : ":"));
        for (std::size_t i = 0; i < thread.frames.size(); ++i) m_traces.push_back(Stacks::frameText(i, thread.frames[i]));
    }
    m_where = whereInTestCode(threads.front().frames);
}

void DeathWitness::describe(Death& death) const {
    death.msgs.insert(death.msgs.end(), m_msgs.begin(), m_msgs.end());
    if (m_note.state.load(std::memory_order_acquire) == CrashNote::eCaptureYourself)
        death.msgs.push_back("the test process died capturing its own stack; only the frame it died in is known");
    death.traces = m_traces;
    death.where = m_where;
}

} // namespace rtrun
