#pragma once
// A test's helper program on Windows, started from beside the test's own.
#include <windows.h>
#include <string>

// A helper program beside this one, started with `arguments`; killed when
// this goes, should it still run.
class Helper {
public:
    Helper(const char* program, const std::string& arguments) {
        char self[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, self, sizeof(self));
        std::string path = self;
        path = path.substr(0, path.find_last_of("\\/") + 1) + program;
        std::string commandLine = "\"" + path + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        if (!::CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_info))
            m_info = PROCESS_INFORMATION{};
    }
    ~Helper() {
        if (!m_info.hProcess) return;
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_info.hProcess, 1);
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }
    bool started() const { return m_info.hProcess != nullptr; }
    int pid() const { return static_cast<int>(m_info.dwProcessId); }
    int mainTid() const { return static_cast<int>(m_info.dwThreadId); }
    bool running() const { return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    // Its exit code once it ended within `seconds`; else STILL_ACTIVE.
    DWORD endsWithin(double seconds) const {
        DWORD code = STILL_ACTIVE;
        if (::WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_info{};
};
