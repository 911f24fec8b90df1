// Child processes and what they start: process groups, orphans, leftovers.
#include "rtrun/system/CancelSignalsPosix.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/Files.h"
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace rtrun {
namespace Process {

namespace {

// Set in every copy fork() makes once forks are watched; cleared by startChild().
volatile bool g_forkedCopy = false;

void markCopy() { g_forkedCopy = true; }

struct ProcessEntry {
    int pid = 0;
    int parent = 0;
    int group = 0;
    char state = '?';
};

// From /proc/PID/stat: "pid (command) state ppid pgrp ..."; the command may hold ") ".
bool readEntry(int pid, ProcessEntry& entry) {
    std::string stat;
    if (!readFile("/proc/" + std::to_string(pid) + "/stat", stat)) return false;
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return false;
    entry.pid = pid;
    return std::sscanf(stat.c_str() + close + 1, " %c %d %d", &entry.state, &entry.parent, &entry.group) == 3;
}

std::vector<ProcessEntry> childrenOf(int parent) {
    std::vector<ProcessEntry> children;
    DIR* proc = ::opendir("/proc");
    if (!proc) return children;
    while (const dirent* item = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(item->d_name, &end, 10);
        ProcessEntry entry;
        if (*end == '\0' && pid > 0 && readEntry(static_cast<int>(pid), entry) && entry.parent == parent)
            children.push_back(entry);
    }
    ::closedir(proc);
    return children;
}

// "1234 (sleep 30)": the command line, else the command's name.
std::string describe(int pid) {
    std::string command;
    readFile("/proc/" + std::to_string(pid) + "/cmdline", command);
    while (!command.empty() && command.back() == '\0') command.pop_back();
    for (char& c : command)
        if (c == '\0') c = ' ';
    if (command.empty() && readFile("/proc/" + std::to_string(pid) + "/comm", command))
        while (!command.empty() && command.back() == '\n') command.pop_back();
    return std::to_string(pid) + " (" + command + ")";
}

} // namespace

namespace {

// A pipe for a child's standard stream: its reading end stays here,
// non-blocking; -1 at both ends when none could be made.
void makePipe(int* readEnd, int (&ends)[2]) {
    if (readEnd && ::pipe2(ends, O_CLOEXEC) != 0) ends[0] = ends[1] = -1;
}

// In the child: the stream becomes the pipe's writing end.
void streamInto(int (&ends)[2], int stream) {
    if (ends[1] < 0) return;
    ::dup2(ends[1], stream);
    ::close(ends[1]);
    ::close(ends[0]);
}

// In the parent: keeps the reading end.
void keepReadEnd(int* readEnd, int (&ends)[2]) {
    if (ends[1] >= 0) ::close(ends[1]);
    if (readEnd) *readEnd = ends[0];
    if (ends[0] >= 0) ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
}

} // namespace

int startChild(int (*body)(void*), void* context, int* errorPipe, int* outputPipe) {
    std::fflush(nullptr);  // nothing buffered is written twice
    int errors[2] = {-1, -1}, output[2] = {-1, -1};
    makePipe(errorPipe, errors);
    makePipe(outputPipe, output);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        for (const int fd : {errors[0], errors[1], output[0], output[1]})
            if (fd >= 0) ::close(fd);
        return -1;
    }
    if (pid > 0) {
        keepReadEnd(errorPipe, errors);
        keepReadEnd(outputPipe, output);
        ::setpgid(pid, pid);  // also here: the group exists whichever process runs first
        addGroupToKill(pid);
        return static_cast<int>(pid);
    }
    ::setpgid(0, 0);
    streamInto(errors, STDERR_FILENO);
    streamInto(output, STDOUT_FILENO);
    g_forkedCopy = false;
    restoreStartSignals();
#if defined(__linux__)
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(128 + SIGKILL);  // the parent died before the line above
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
    const int status = body(context);
    std::fflush(nullptr);
    ::_exit(status);
}

void signalGroup(int pid, int signal) {
    if (::kill(-pid, signal) != 0) ::kill(pid, signal);
}

namespace {

// Reads what the pipe holds now into its function; false at its end (or on an error).
bool relay(const ChildWatching::Pipe& pipe, void* context) {
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(pipe.fd, chunk, sizeof(chunk));
        if (n > 0) {
            if (pipe.take) pipe.take(context, chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && errno == EAGAIN;
    }
}

// Waits about `seconds`, returning early with what the children's pipes
// bring; a pipe at its end is marked closed.
void pause(std::vector<WatchedChild>& children, double seconds) {
    std::vector<pollfd> ready;
    std::vector<ChildWatching::Pipe*> pipes;
    std::vector<void*> contexts;
    for (WatchedChild& child : children) {
        for (ChildWatching::Pipe* pipe : {&child.watching.errors, &child.watching.output}) {
            if (!pipe->open || pipe->fd < 0) continue;
            ready.push_back(pollfd{pipe->fd, POLLIN, 0});
            pipes.push_back(pipe);
            contexts.push_back(child.watching.context);
        }
    }
    if (ready.empty()) {
        struct timespec pause{0, static_cast<long>(seconds * 1e9)};
        ::nanosleep(&pause, nullptr);
        return;
    }
    if (::poll(ready.data(), ready.size(), static_cast<int>(seconds * 1000) + 1) <= 0) return;
    for (std::size_t k = 0; k < ready.size(); ++k)
        if (ready[k].revents && !relay(*pipes[k], contexts[k])) pipes[k]->open = false;
}

} // namespace

int waitAnyChild(std::vector<WatchedChild>& children, ChildEnd& end, void (*tick)(void*), void* tickContext) {
    std::vector<double> nextPoll(children.size(), 0);
    double pollSeconds = 1;
    for (const WatchedChild& child : children) pollSeconds = std::min(pollSeconds, child.watching.pollSeconds);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(-1, &status, WNOHANG);
        if (done > 0) {
            std::size_t i = 0;
            while (i < children.size() && children[i].pid != done) ++i;
            if (i == children.size() || WIFSTOPPED(status)) continue;  // an adopted orphan, or a trace's stop
            removeGroupToKill(done);
            end.exited = WIFEXITED(status);
            end.status = end.exited ? WEXITSTATUS(status) : 0;
            end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            return static_cast<int>(i);
        }
        if (done < 0 && errno != EINTR) return -1;
        if (done < 0) continue;
        const double now = monotonicSeconds();
        for (std::size_t i = 0; i < children.size(); ++i) {
            const ChildWatching& watching = children[i].watching;
            if (!watching.poll || now < nextPoll[i]) continue;
            if (const int signal = watching.poll(watching.context)) signalGroup(children[i].pid, signal);
            nextPoll[i] = now + watching.pollSeconds;
        }
        if (tick) tick(tickContext);
        pause(children, pollSeconds);
    }
}

void drainOutput(const ChildWatching& watching) {
    for (const ChildWatching::Pipe* pipe : {&watching.errors, &watching.output}) {
        if (pipe->fd < 0) continue;
        relay(*pipe, watching.context);
        ::close(pipe->fd);
    }
}

bool adoptOrphans() {
#if defined(__linux__)
    return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
#else
    return false;
#endif
}

bool hasLiveChildren() {
    for (;;) {
        const pid_t done = ::waitpid(-1, nullptr, WNOHANG);
        if (done > 0) continue;
        if (done < 0 && errno == EINTR) continue;
        return done == 0;
    }
}

std::vector<std::string> killChildren(int quietGroup, const std::vector<int>& spared) {
    std::vector<std::string> killed;
    // Process ids in /proc must be this process's own: in a process
    // namespace without a /proc of its own they belong to other processes.
    char link[32] = {};
    if (::readlink("/proc/self", link, sizeof(link) - 1) <= 0 || std::to_string(::getpid()) != link) return killed;
    // Each round kills the children there are; their own children become
    // this process's as they die, for the next round.
    for (int round = 0; round < 64; ++round) {
        std::vector<ProcessEntry> children = childrenOf(static_cast<int>(::getpid()));
        children.erase(std::remove_if(children.begin(), children.end(),
                                      [&](const ProcessEntry& child) {
                                          return std::find(spared.begin(), spared.end(), child.pid) != spared.end();
                                      }),
                       children.end());
        if (children.empty()) break;
        for (const ProcessEntry& child : children) {
            if (child.state != 'Z' && (quietGroup == 0 || child.group != quietGroup)) killed.push_back(describe(child.pid));
            ::kill(child.pid, SIGKILL);
        }
        for (const ProcessEntry& child : children)
            while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
            }
    }
    return killed;
}

void watchForks() {
    static bool watching = false;
    if (!watching) watching = ::pthread_atfork(nullptr, nullptr, &markCopy) == 0;
}

bool isForkedCopy() { return g_forkedCopy; }

} // namespace Process
} // namespace rtrun
