// A fatal exception in rtrun's own process (a run without a supervisor):
// what it was and where, on standard error, before the process dies.
#include "rtrun/system/DeathNotice.h"
#include <windows.h>
#include <cstdint>
#include <cstdio>

namespace rtrun {
namespace Process {

namespace {

const char* exceptionName(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer divide by zero";
    case EXCEPTION_INT_OVERFLOW: return "integer overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "floating-point divide by zero";
    case EXCEPTION_FLT_INVALID_OPERATION: return "invalid floating-point operation";
    case EXCEPTION_BREAKPOINT: return "breakpoint";
    default: return "exception";
    }
}

// "KxRtGeom80.dll+0x1a2f", or the bare address outside any module.
void placeOf(const void* address, char* text, std::size_t size) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = "";
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<const char*>(address), &module) &&
        ::GetModuleFileNameA(module, path, sizeof(path))) {
        const char* name = path;
        for (const char* c = path; *c; ++c)
            if (*c == '\\' || *c == '/') name = c + 1;
        std::snprintf(text, size, "%s+0x%llx", name,
                      static_cast<unsigned long long>(static_cast<const char*>(address) - reinterpret_cast<char*>(module)));
        return;
    }
    std::snprintf(text, size, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    char where[MAX_PATH + 32];
    placeOf(record.ExceptionAddress, where, sizeof(where));
    std::fflush(stdout);
    std::fprintf(stderr, "rtrun: exception 0x%08lX (%s) at %s\n", static_cast<unsigned long>(record.ExceptionCode),
                 exceptionName(record.ExceptionCode), where);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;  // the process dies of it as it would have
}

} // namespace

// Only a run without a supervisor is described so far on Windows: a note
// for a supervisor to take the stack from is not filled in.
void noticeDeaths(CrashNote*) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);  // no dialog waiting for a user
    ::SetUnhandledExceptionFilter(&onUnhandledException);
}

void noticeExit() {}

} // namespace Process
} // namespace rtrun
