// A fatal exception in rtrun's own process (a run without a supervisor):
// what it was and its stack as far as DbgHelp names it, on standard error,
// before the process dies.
#include "rtrun/system/DeathNotice.h"
#include "rtrun/system/Process.h"
#include "rtrun/system/Stacks.h"
#include <windows.h>
#include <dbghelp.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>

namespace rtrun {
namespace Process {

namespace {

constexpr int kMaxFrames = 64;

// The module holding `address`, by its file name without directory, and the offset in it.
bool moduleOf(DWORD64 address, std::string& name, DWORD64& offset) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = "";
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<const char*>(address), &module) ||
        !::GetModuleFileNameA(module, path, sizeof(path)))
        return false;
    name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    offset = address - reinterpret_cast<DWORD64>(module);
    return true;
}

// A symbol's name as the source wrote it (GCC's names are mangled).
std::string readable(const char* symbol) {
    int status = 0;
    char* plain = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : symbol;
    std::free(plain);
    return name;
}

Stacks::Frame frameAt(HANDLE process, DWORD64 address) {
    Stacks::Frame frame;
    if (!moduleOf(address, frame.library, frame.offset)) frame.offset = address;
    alignas(SYMBOL_INFO) char buffer[sizeof(SYMBOL_INFO) + 256];
    SYMBOL_INFO* symbol = reinterpret_cast<SYMBOL_INFO*>(buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = 255;
    DWORD64 displacement = 0;
    if (::SymFromAddr(process, address, &displacement, symbol)) frame.function = readable(symbol->Name);
    IMAGEHLP_LINE64 line{};
    line.SizeOfStruct = sizeof(line);
    DWORD column = 0;
    if (::SymGetLineFromAddr64(process, address, &column, &line) && line.FileName) {
        frame.file = line.FileName;
        frame.line = static_cast<int>(line.LineNumber);
    }
    return frame;
}

// The dying thread's frames, innermost first, from the exception's context.
void printStack(CONTEXT context) {
    const HANDLE process = ::GetCurrentProcess();
    ::SymSetOptions(SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES);
    const bool symbols = ::SymInitialize(process, nullptr, TRUE);
    STACKFRAME64 step{};
    step.AddrPC.Offset = context.Rip;
    step.AddrPC.Mode = AddrModeFlat;
    step.AddrFrame.Offset = context.Rbp;
    step.AddrFrame.Mode = AddrModeFlat;
    step.AddrStack.Offset = context.Rsp;
    step.AddrStack.Mode = AddrModeFlat;
    for (int i = 0; i < kMaxFrames; ++i) {
        if (!::StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, ::GetCurrentThread(), &step, &context, nullptr,
                           ::SymFunctionTableAccess64, ::SymGetModuleBase64, nullptr) ||
            step.AddrPC.Offset == 0)
            break;
        std::fprintf(stderr, "%s\n", Stacks::frameText(i, frameAt(process, step.AddrPC.Offset)).c_str());
    }
    if (symbols) ::SymCleanup(process);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    std::fflush(stdout);
    std::fprintf(stderr, "rtrun: exception %s; the stack as the dying process sees it:\n",
                 exceptionText(record.ExceptionCode).c_str());
    printStack(*pointers->ContextRecord);
    std::fflush(stderr);
    // The process ends with the exception as its status, as it would have,
    // but without a debugger the system may start and wait for.
    return EXCEPTION_EXECUTE_HANDLER;
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
