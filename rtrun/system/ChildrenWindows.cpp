// The processes test code starts: Windows keeps no process tree to adopt
// orphans into, and there is no fork(); what rtrun's own process started is
// found by its parent process id.
#include "rtrun/system/Process.h"
#include <algorithm>
#include <windows.h>
#include <tlhelp32.h>

namespace rtrun {
namespace Process {

namespace {

struct ChildProcess {
    DWORD pid;
    std::string name;
};

std::vector<ChildProcess> childrenOfThisProcess() {
    std::vector<ChildProcess> children;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return children;
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == self && entry.th32ProcessID != self)
            children.push_back({entry.th32ProcessID, entry.szExeFile});
    ::CloseHandle(snapshot);
    return children;
}

} // namespace

bool adoptOrphans() { return false; }

bool hasLiveChildren() { return !childrenOfThisProcess().empty(); }

std::vector<std::string> killChildren(int quietGroup, const std::vector<int>& spared) {
    std::vector<std::string> killed;
    for (const ChildProcess& child : childrenOfThisProcess()) {
        if (std::find(spared.begin(), spared.end(), static_cast<int>(child.pid)) != spared.end()) continue;
        const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child.pid);
        if (!process) continue;
        if (::TerminateProcess(process, 1) && static_cast<int>(child.pid) != quietGroup)
            killed.push_back(std::to_string(child.pid) + " (" + child.name + ")");
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
    }
    return killed;
}

// Without fork() no copy of this process returns into the framework.
void watchForks() {}

bool isForkedCopy() { return false; }

} // namespace Process
} // namespace rtrun
