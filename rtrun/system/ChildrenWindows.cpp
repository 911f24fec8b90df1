// The processes test code starts. rtrun puts itself into a job object that
// everything it starts joins and that ends with it: the job knows every
// process started from rtrun, also one whose parent has ended (Windows has
// no process tree to adopt such orphans into), and the system kills all
// that remain when rtrun ends. Without a job (the system refused one), the
// processes rtrun started itself are found by their parent process id.
// There is no fork() on Windows.
#include "rtrun/system/ChildJobsWindows.h"
#include "rtrun/system/Process.h"
#include <algorithm>
#include <windows.h>
#include <tlhelp32.h>

namespace rtrun {
namespace Process {

namespace {

HANDLE g_job = nullptr;

// Every other process of the job; empty without one.
std::vector<DWORD> othersInJob() {
    std::vector<DWORD> pids;
    if (!g_job) return pids;
    std::vector<char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + 1024 * sizeof(ULONG_PTR));
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    if (!::QueryInformationJobObject(g_job, JobObjectBasicProcessIdList, list, static_cast<DWORD>(buffer.size()),
                                     nullptr) &&
        ::GetLastError() != ERROR_MORE_DATA)
        return pids;
    const DWORD self = ::GetCurrentProcessId();
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i)
        if (static_cast<DWORD>(list->ProcessIdList[i]) != self) pids.push_back(static_cast<DWORD>(list->ProcessIdList[i]));
    return pids;
}

std::vector<DWORD> childrenByParent() {
    std::vector<DWORD> pids;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return pids;
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == self && entry.th32ProcessID != self) pids.push_back(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return pids;
}

std::vector<DWORD> startedProcesses() { return g_job ? othersInJob() : childrenByParent(); }

// "1234 (C:\windows\system32\cmd.exe)": the program, where the system tells it.
std::string describe(DWORD pid, HANDLE process) {
    char path[MAX_PATH] = "";
    DWORD size = sizeof(path);
    if (!::QueryFullProcessImageNameA(process, 0, path, &size)) path[0] = '\0';
    return std::to_string(pid) + " (" + path + ")";
}

} // namespace

bool adoptOrphans() {
    if (g_job) return true;
    HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    if (!job) return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
        !::AssignProcessToJobObject(job, ::GetCurrentProcess())) {
        ::CloseHandle(job);
        return false;
    }
    g_job = job;  // closed by the system as rtrun ends, which kills what is left in it
    return true;
}

bool hasLiveChildren() {
    if (!g_job) return !childrenByParent().empty();
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!::QueryInformationJobObject(g_job, JobObjectBasicAccountingInformation, &accounting, sizeof(accounting),
                                     nullptr))
        return !othersInJob().empty();
    return accounting.ActiveProcesses > 1;  // rtrun itself is one
}

std::vector<std::string> killChildren(int quietGroup, const std::vector<int>& spared) {
    std::vector<std::string> killed;
    for (DWORD pid : startedProcesses()) {
        if (std::find(spared.begin(), spared.end(), static_cast<int>(pid)) != spared.end()) continue;
        const HANDLE process =
            ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
        if (!process) continue;
        if (inJobOfChild(process, spared)) {  // what the other children started is theirs
            ::CloseHandle(process);
            continue;
        }
        const std::string description = describe(pid, process);
        if (::TerminateProcess(process, 1) && static_cast<int>(pid) != quietGroup) killed.push_back(description);
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
