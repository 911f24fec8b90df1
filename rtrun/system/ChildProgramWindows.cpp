// Supervised children on Windows: rtrun's program started again, each in a
// job of its own nested in rtrun's, so that ending the job ends everything
// the child started, orphans included; the system ends the job when rtrun
// ends, and rtrun ends it as soon as it learns that the child has ended. A child's standard error (and output) come through pipes that are
// read as their bytes arrive; Windows cannot wait on an anonymous pipe and a
// process at once, so the wait wakes every few milliseconds while a pipe is open.
#include "rtrun/system/ChildJobsWindows.h"
#include "rtrun/system/Process.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace rtrun {
namespace Process {

namespace {

struct Child {
    DWORD pid = 0;
    HANDLE process = nullptr;
    HANDLE job = nullptr;  // null when the system refused one: the child alone is ended
    int signal = 0;        // what rtrun ended it for; 0: it ended by itself
};
std::vector<Child>& children() {
    static std::vector<Child> all;
    return all;
}

Child* childOf(int pid) {
    for (Child& child : children())
        if (static_cast<int>(child.pid) == pid) return &child;
    return nullptr;
}

// One argument as the C run time's parser reads it back: in quotes, with
// backslashes doubled before a quote and quotes escaped.
std::wstring quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::wstring wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], size);
    return result;
}

// A standard handle of this process as the child's inheritable copy; null without one.
HANDLE inheritableCopy(DWORD which) {
    const HANDLE original = ::GetStdHandle(which);
    HANDLE copy = nullptr;
    if (original && original != INVALID_HANDLE_VALUE)
        ::DuplicateHandle(::GetCurrentProcess(), original, ::GetCurrentProcess(), &copy, 0, TRUE,
                          DUPLICATE_SAME_ACCESS);
    return copy;
}

// A pipe whose writing end the child inherits; the reading end becomes a
// C run time descriptor in `readEnd`. False (and -1 there) without one.
bool makePipe(int* readEnd, HANDLE& childEnd) {
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0)) {
        *readEnd = -1;
        return false;
    }
    ::SetHandleInformation(write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    *readEnd = ::_open_osfhandle(reinterpret_cast<intptr_t>(read), _O_RDONLY | _O_BINARY);
    childEnd = write;
    return *readEnd >= 0;
}

HANDLE jobThatEndsWithRtrun() {
    const HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Hands what the pipe holds now to its function; false at its end.
bool relay(const ChildWatching::Pipe& pipe, void* context) {
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(pipe.fd));
    char chunk[16384];
    for (;;) {
        DWORD available = 0, got = 0;
        if (!::PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) return true;
        if (!::ReadFile(handle, chunk, std::min<DWORD>(available, sizeof(chunk)), &got, nullptr)) return false;
        if (got > 0 && pipe.take) pipe.take(context, chunk, got);
    }
}

void relayAll(std::vector<WatchedChild>& watched) {
    for (WatchedChild& child : watched)
        for (ChildWatching::Pipe* pipe : {&child.watching.errors, &child.watching.output})
            if (pipe->open && pipe->fd >= 0 && !relay(*pipe, child.watching.context)) pipe->open = false;
}

bool anyPipeOpen(const std::vector<WatchedChild>& watched) {
    for (const WatchedChild& child : watched)
        for (const ChildWatching::Pipe* pipe : {&child.watching.errors, &child.watching.output})
            if (pipe->open && pipe->fd >= 0) return true;
    return false;
}

void endJob(Child& child, int signal) {
    if (!child.signal) child.signal = signal;
    if (!child.job || !::TerminateJobObject(child.job, static_cast<UINT>(128 + signal)))
        ::TerminateProcess(child.process, static_cast<UINT>(128 + signal));
}

} // namespace

bool inJobOfChild(HANDLE process, const std::vector<int>& pids) {
    for (const int pid : pids) {
        const Child* child = childOf(pid);
        BOOL inJob = FALSE;
        if (child && (child->pid == ::GetProcessId(process) ||
                      (child->job && ::IsProcessInJob(process, child->job, &inJob) && inJob)))
            return true;
    }
    return false;
}

int startProgramChild(const std::vector<std::string>& arguments, int* errorPipe, int* outputPipe) {
    std::fflush(nullptr);  // nothing buffered is written twice
    wchar_t program[MAX_PATH];
    if (!::GetModuleFileNameW(nullptr, program, MAX_PATH)) return -1;
    std::wstring commandLine = quoted(program);
    for (const std::string& argument : arguments) commandLine += L" " + quoted(wide(argument));

    HANDLE errors = nullptr, output = nullptr;
    if (errorPipe && !makePipe(errorPipe, errors)) errors = nullptr;
    if (outputPipe && !makePipe(outputPipe, output)) output = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritableCopy(STD_INPUT_HANDLE);
    startup.hStdOutput = output ? output : inheritableCopy(STD_OUTPUT_HANDLE);
    startup.hStdError = errors ? errors : inheritableCopy(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    // Suspended until it is in its job: nothing it starts can be outside.
    const BOOL ok = ::CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE,
                                     CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started);
    for (const HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (handle) ::CloseHandle(handle);
    if (!ok) {
        for (int* pipe : {errorPipe, outputPipe})
            if (pipe && *pipe >= 0) ::_close(*pipe), *pipe = -1;
        return -1;
    }
    Child child;
    child.pid = started.dwProcessId;
    child.process = started.hProcess;
    child.job = jobThatEndsWithRtrun();
    if (child.job && !::AssignProcessToJobObject(child.job, started.hProcess)) {
        ::CloseHandle(child.job);
        child.job = nullptr;
    }
    ::ResumeThread(started.hThread);
    ::CloseHandle(started.hThread);
    children().push_back(child);
    return static_cast<int>(child.pid);
}

bool asksChildrenToEnd() { return false; }

void signalGroup(int pid, int signal) {
    if (Child* child = childOf(pid)) endJob(*child, signal);
}

int waitAnyChild(std::vector<WatchedChild>& watched, ChildEnd& end, void (*tick)(void*), void* tickContext) {
    std::vector<double> nextPoll(watched.size(), 0);
    double pollSeconds = 1;
    for (const WatchedChild& child : watched) pollSeconds = std::min(pollSeconds, child.watching.pollSeconds);
    std::vector<HANDLE> processes;
    for (const WatchedChild& child : watched) {
        const Child* known = childOf(child.pid);
        if (!known) return -1;
        processes.push_back(known->process);
    }
    if (processes.empty() || processes.size() > MAXIMUM_WAIT_OBJECTS) return -1;
    for (;;) {
        const DWORD waitMs = anyPipeOpen(watched) ? 10 : static_cast<DWORD>(pollSeconds * 1000) + 1;
        const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE, waitMs);
        if (woke < WAIT_OBJECT_0 + processes.size()) {
            const std::size_t index = woke - WAIT_OBJECT_0;
            Child& child = *childOf(watched[index].pid);
            DWORD code = 0;
            ::GetExitCodeProcess(child.process, &code);
            end = ChildEnd();
            if (child.signal) end.signal = child.signal;
            else if (isExceptionCode(code)) end.exception = code;
            else end.exited = true, end.status = static_cast<int>(code);
            // What it started ends with it, as a process group's members do.
            if (child.job) ::TerminateJobObject(child.job, 128 + kKillSignal), ::CloseHandle(child.job);
            ::CloseHandle(child.process);
            children().erase(children().begin() + (&child - children().data()));
            return static_cast<int>(index);
        }
        if (woke != WAIT_TIMEOUT) return -1;
        relayAll(watched);
        const double now = monotonicSeconds();
        for (std::size_t i = 0; i < watched.size(); ++i) {
            const ChildWatching& watching = watched[i].watching;
            if (!watching.poll || now < nextPoll[i]) continue;
            if (const int signal = watching.poll(watching.context)) signalGroup(watched[i].pid, signal);
            nextPoll[i] = now + watching.pollSeconds;
        }
        if (tick) tick(tickContext);
    }
}

void drainOutput(const ChildWatching& watching) {
    for (const ChildWatching::Pipe* pipe : {&watching.errors, &watching.output}) {
        if (pipe->fd < 0) continue;
        relay(*pipe, watching.context);
        ::_close(pipe->fd);
    }
}

} // namespace Process
} // namespace rtrun
