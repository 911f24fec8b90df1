// Stacks of other processes on Windows: threads parked in known functions,
// walked from outside, and a child that dies with a supervisor's note, the
// supervisor played here as rtrun's plays it.
#include "HelperProcess.h"
#include "StackProbes.h"
#include "rtrun/system/CrashNote.h"
#include "rtrun/system/Stacks.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

using rtrun::CrashNote;
using rtrun::Stacks::Frame;

std::string uniqueName(const char* what) {
    static int count = 0;
    return std::string("Local\\rt-stacks-test-") + what + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++count);
}

// DbgHelp names a function as its debug information does: with or without
// its parameters.
bool isNamed(const Frame& frame, const std::string& name) {
    return frame.function == name || frame.function.rfind(name + "(", 0) == 0;
}

const Frame* findFrame(const std::vector<Frame>& frames, const std::string& name) {
    for (const Frame& frame : frames)
        if (isNamed(frame, name)) return &frame;
    return nullptr;
}

std::string described(const std::vector<Frame>& frames) {
    std::string text;
    for (std::size_t i = 0; i < frames.size(); ++i) text += rtrun::Stacks::frameText(i, frames[i]) + "\n";
    return text;
}

// The frame is the known function's, in the helper program, at its line.
void expectFrame(const Frame& frame, const char* function, const char* library, int line) {
    EXPECT_TRUE(isNamed(frame, function)) << frame.function;
    EXPECT_EQ(library, frame.library);
    EXPECT_NE(std::string::npos, frame.file.find("StackProbes.h")) << frame.file;
    EXPECT_EQ(line, frame.line);
}

TEST(WindowsStacks, ParkedThreadsAreWalkedFromOutside) {
    const std::string eventName = uniqueName("parked");
    HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_TRUE(ready);
    Helper parker("stack_parker.exe", eventName);
    ASSERT_TRUE(parker.started()) << ::GetLastError();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready, 30000)) << "the parked thread never told it was there";
    ::CloseHandle(ready);

    std::vector<rtrun::Stacks::Thread> threads;
    std::string problem;
    ASSERT_TRUE(rtrun::Stacks::allThreads(parker.pid(), parker.mainTid(), threads, problem)) << problem;
    ASSERT_GE(threads.size(), 2u);
    EXPECT_EQ(parker.mainTid(), threads[0].tid);
    const Frame* waiting = findFrame(threads[0].frames, "waitHere");
    ASSERT_TRUE(waiting) << described(threads[0].frames);
    expectFrame(*waiting, "waitHere", "stack_parker.exe", kWaitLine);
    int parkedTid = 0;
    std::string parkHereName;  // as DbgHelp names it
    for (const rtrun::Stacks::Thread& thread : threads)
        if (const Frame* parked = findFrame(thread.frames, "parkHere")) {
            expectFrame(*parked, "parkHere", "stack_parker.exe", kParkLine);
            parkedTid = thread.tid;
            parkHereName = parked->function;
        }
    ASSERT_NE(0, parkedTid) << "no thread is parked in parkHere";

    // One thread, from the first frame of a function on: the frames inside
    // the wait are left out.
    std::vector<Frame> frames;
    ASSERT_TRUE(rtrun::Stacks::threadStack(parker.pid(), parkedTid, 0, parkHereName, frames, problem)) << problem;
    ASSERT_GE(frames.size(), 2u) << described(frames);
    expectFrame(frames[0], "parkHere", "stack_parker.exe", kParkLine);
    expectFrame(frames[1], "parkedThread", "stack_parker.exe", kParkedThreadLine);
    // The same thread from its innermost frame: the wait's frames come first.
    std::vector<Frame> whole;
    ASSERT_TRUE(rtrun::Stacks::threadStack(parker.pid(), parkedTid, 0, std::string(), whole, problem)) << problem;
    EXPECT_GT(whole.size(), frames.size()) << described(whole);
    EXPECT_TRUE(parker.running()) << "the walked process must go on";

    // A thread that is not where the caller says it died is refused, as a
    // dying thread whose walk from outside does not reach its own frames.
    problem.clear();
    EXPECT_FALSE(rtrun::Stacks::threadStack(parker.pid(), parkedTid, 1, std::string(), frames, problem));
    EXPECT_NE(std::string::npos, problem.find("did not reach the frame it died in")) << problem;

    // What cannot be walked says why.
    problem.clear();
    EXPECT_FALSE(rtrun::Stacks::threadStack(parker.pid(), static_cast<int>(::GetCurrentThreadId()), 0, std::string(),
                                            frames, problem));
    EXPECT_NE(std::string::npos, problem.find("is not one of process")) << problem;
    problem.clear();
    EXPECT_FALSE(rtrun::Stacks::allThreads(0x7ffffff0, 0, threads, problem));
    EXPECT_NE(std::string::npos, problem.find("cannot open process")) << problem;
}

// The note in a named file mapping, as the child will find it.
class SharedNote {
public:
    SharedNote() : m_name(uniqueName("note")) {
        m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CrashNote), m_name.c_str());
        if (m_mapping) m_note = static_cast<CrashNote*>(::MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CrashNote)));
    }
    ~SharedNote() {
        if (m_note) ::UnmapViewOfFile(m_note);
        if (m_mapping) ::CloseHandle(m_mapping);
    }
    const std::string& name() const { return m_name; }
    CrashNote* note() const { return m_note; }
    int state() const { return m_note->state.load(std::memory_order_acquire); }
    void answer(int state) { m_note->state.store(state, std::memory_order_release); }
    // Waits until the child sets `state`, while it runs; false when it does not within 30 seconds.
    bool waitFor(int state, const Helper& child) const {
        const ULONGLONG deadline = ::GetTickCount64() + 30000;
        while (this->state() != state && child.running() && ::GetTickCount64() < deadline) ::Sleep(1);
        return this->state() == state;
    }

private:
    std::string m_name;
    HANDLE m_mapping = nullptr;
    CrashNote* m_note = nullptr;
};

// The crashing helper with its note, started as a supervisor starts a child;
// `how` it dies: "crash" or "exit".
struct DyingChild {
    explicit DyingChild(const char* how) : child("stack_crasher.exe", shared.name() + " " + how) {}
    ::testing::AssertionResult waitsForItsSupervisor() const {
        if (!shared.note() || !child.started()) return ::testing::AssertionFailure() << "not started: " << ::GetLastError();
        if (!shared.waitFor(CrashNote::eWaiting, child))
            return ::testing::AssertionFailure() << "the child never waited; state " << shared.state();
        return ::testing::AssertionSuccess();
    }
    const CrashNote& note() const { return *shared.note(); }

    SharedNote shared;
    Helper child;
};

// The supervisor's part as rtrun plays it: the stack from outside or, where
// that is refused, the addresses the child captures itself, named here.
std::vector<Frame> takeStack(DyingChild& dying, bool tryOutside, const std::string& fromFunction, std::string& how) {
    const CrashNote& note = dying.note();
    std::vector<Frame> frames;
    std::string problem;
    if (tryOutside && rtrun::Stacks::threadStack(dying.child.pid(), note.tid, note.pc, fromFunction, frames, problem)) {
        how = "taken from outside";
        dying.shared.answer(CrashNote::eTaken);
        return frames;
    }
    how = "captured by the child itself, not traced: " + problem;
    if (tryOutside) {
        EXPECT_FALSE(problem.empty());
    }
    dying.shared.answer(CrashNote::eCaptureYourself);
    EXPECT_TRUE(dying.shared.waitFor(CrashNote::eCaptured, dying.child)) << "the child did not capture its stack";
    EXPECT_GT(note.frameCount, 0);
    EXPECT_LE(note.frameCount, CrashNote::kMaxFrames);
    const int count = std::max(0, std::min(note.frameCount, static_cast<int>(CrashNote::kMaxFrames)));
    const std::vector<std::uint64_t> addresses(note.frames, note.frames + count);
    EXPECT_TRUE(rtrun::Stacks::symbolise(dying.child.pid(), addresses, note.pc, fromFunction, frames, problem)) << problem;
    dying.shared.answer(CrashNote::eTaken);
    return frames;
}

void expectCrashDescribed(const CrashNote& note) {
    EXPECT_EQ(CrashNote::eException, note.cause);
    EXPECT_EQ(0xC0000005u, static_cast<std::uint32_t>(note.code));
    EXPECT_EQ(1, note.sender) << "a write";
    EXPECT_EQ(kCrashAddress, note.address);
    EXPECT_NE(0u, note.pc);
    EXPECT_NE(0, note.tid);
    EXPECT_GT(note.when, 0.0);
    EXPECT_EQ(1, note.claimed.load());
}

void superviseCrash(bool tryOutside) {
    DyingChild dying("crash");
    ASSERT_TRUE(dying.waitsForItsSupervisor());
    expectCrashDescribed(dying.note());
    // What the supervisor names before it asks the child: the frame it died in.
    std::vector<Frame> known;
    std::string problem;
    const std::uint64_t pc = dying.note().pc;
    ASSERT_TRUE(rtrun::Stacks::symbolise(dying.child.pid(), {pc}, pc, std::string(), known, problem)) << problem;
    ASSERT_EQ(1u, known.size());
    expectFrame(known[0], "crashHere", "stack_crasher.exe", kCrashLine);

    std::string how;
    const std::vector<Frame> frames = takeStack(dying, tryOutside, std::string(), how);
    // DbgHelp's walk from outside comes through the exception dispatcher to the frame the thread died in.
    if (tryOutside) {
        EXPECT_EQ("taken from outside", how);
    }
    ASSERT_GE(frames.size(), 3u) << how << "\n" << described(frames);
    expectFrame(frames[0], "crashHere", "stack_crasher.exe", kCrashLine);
    expectFrame(frames[1], "callsCrashHere", "stack_crasher.exe", kCallsCrashLine);
    EXPECT_TRUE(isNamed(frames[2], "main")) << how << "\n" << described(frames);
    EXPECT_EQ(0xC0000005u, dying.child.endsWithin(20)) << how;
}

TEST(WindowsStacks, SupervisorTakesACrashedChildsStack) { superviseCrash(true); }

TEST(WindowsStacks, CrashedChildCapturesItsOwnStackWhenAsked) { superviseCrash(false); }

TEST(WindowsStacks, CrashedChildEndsWhenNobodyAnswers) {
    DyingChild dying("crash");
    ASSERT_TRUE(dying.waitsForItsSupervisor());
    // It waits 5 seconds for an answer; the bound here leaves a loaded machine room.
    EXPECT_EQ(0xC0000005u, dying.child.endsWithin(30));
    EXPECT_EQ(CrashNote::eWaiting, dying.shared.state());
}

TEST(WindowsStacks, OnlyTheFirstDyingThreadIsDescribed) {
    DyingChild dying("twice");
    ASSERT_TRUE(dying.waitsForItsSupervisor());
    const int firstTid = dying.note().tid;
    EXPECT_NE(dying.child.mainTid(), firstTid);
    // The main thread dies at the same instruction meanwhile: once its walk
    // comes through the exception to it, it waits in the filter too.
    bool secondDied = false;
    for (int i = 0; i < 500 && !secondDied && dying.child.running(); ++i) {
        std::vector<Frame> frames;
        std::string problem;
        secondDied = rtrun::Stacks::threadStack(dying.child.pid(), dying.child.mainTid(), dying.note().pc, std::string(),
                                                frames, problem);
        if (!secondDied) ::Sleep(20);
    }
    ASSERT_TRUE(secondDied) << "the main thread did not die";
    EXPECT_TRUE(dying.child.running()) << "the second death ended the process before the first was described";
    EXPECT_EQ(CrashNote::eWaiting, dying.shared.state());
    EXPECT_EQ(firstTid, dying.note().tid);
    EXPECT_EQ(kSecondCrashAddress, dying.note().address);

    std::string how;
    const std::vector<Frame> frames = takeStack(dying, true, std::string(), how);
    ASSERT_GE(frames.size(), 3u) << how << "\n" << described(frames);
    expectFrame(frames[0], "crashHere", "stack_crasher.exe", kCrashLine);
    EXPECT_TRUE(isNamed(frames[2], "crashesFirst")) << how << "\n" << described(frames);
    EXPECT_EQ(0xC0000005u, dying.child.endsWithin(20)) << how;
}

// exit() in test code: the child waits in the notice, a live thread whose
// stack is walked from outside, or captured from its own context.
void superviseExit(bool tryOutside) {
    DyingChild dying("exit");
    ASSERT_TRUE(dying.waitsForItsSupervisor());
    EXPECT_EQ(CrashNote::eExit, dying.note().cause);
    EXPECT_EQ(dying.child.mainTid(), dying.note().tid);
    std::string how;
    // From the function that called exit() on. (The supervisor starts at
    // exit() itself, whose name, in a system DLL, is read last: on a loaded
    // machine it may not come in time, and the stack then starts further in.)
    const std::vector<Frame> frames = takeStack(dying, tryOutside, "exitHere", how);
    ASSERT_GE(frames.size(), 2u) << how << "\n" << described(frames);
    expectFrame(frames[0], "exitHere", "stack_crasher.exe", kExitLine);
    EXPECT_TRUE(isNamed(frames[1], "main")) << how << "\n" << described(frames);
    EXPECT_EQ(static_cast<DWORD>(kExitStatus), dying.child.endsWithin(20)) << how;
}

TEST(WindowsStacks, ExitNoticeStackFromOutside) { superviseExit(true); }

TEST(WindowsStacks, ExitNoticeStackCapturedByTheChild) { superviseExit(false); }

} // namespace
