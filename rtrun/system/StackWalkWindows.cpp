#include "rtrun/system/StackWalkWindows.h"
#include "rtrun/system/Process.h"
#include <dbghelp.h>

namespace rtrun {
namespace WindowsStacks {

Symbols::Symbols(HANDLE process) : m_process(process) {
    ::SymSetOptions(SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES | SYMOPT_NO_PROMPTS);
    m_ready = ::SymInitialize(process, nullptr, TRUE) != FALSE;
}

Symbols::~Symbols() {
    if (m_ready) ::SymCleanup(m_process);
}

std::vector<std::uint64_t> walk(HANDLE process, HANDLE thread, CONTEXT context, int maxFrames, double deadline) {
    std::vector<std::uint64_t> addresses;
    STACKFRAME64 step{};
    step.AddrPC.Offset = context.Rip;
    step.AddrPC.Mode = AddrModeFlat;
    step.AddrFrame.Offset = context.Rbp;
    step.AddrFrame.Mode = AddrModeFlat;
    step.AddrStack.Offset = context.Rsp;
    step.AddrStack.Mode = AddrModeFlat;
    while (addresses.size() < static_cast<std::size_t>(maxFrames) && Process::monotonicSeconds() < deadline) {
        if (!::StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, thread, &step, &context, nullptr, ::SymFunctionTableAccess64,
                           ::SymGetModuleBase64, nullptr) ||
            step.AddrPC.Offset == 0)
            break;
        addresses.push_back(step.AddrPC.Offset);
    }
    return addresses;
}

std::string locate(HANDLE process, std::uint64_t address, Stacks::Frame& frame) {
    frame.offset = address;
    IMAGEHLP_MODULE64 module{};
    module.SizeOfStruct = sizeof(module);
    if (!::SymGetModuleInfo64(process, address, &module)) return std::string();
    const std::string file = module.ImageName;
    frame.library = file.substr(file.find_last_of("\\/") + 1);
    frame.offset = address - module.BaseOfImage;
    return file;
}

void nameFunction(HANDLE process, std::uint64_t address, bool returnAddress, Stacks::Frame& frame) {
    alignas(SYMBOL_INFO) char buffer[sizeof(SYMBOL_INFO) + 256];
    SYMBOL_INFO* symbol = reinterpret_cast<SYMBOL_INFO*>(buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = 255;
    DWORD64 displacement = 0;
    if (::SymFromAddr(process, returnAddress ? address - 1 : address, &displacement, symbol))
        frame.function = Stacks::demangled(symbol->Name);
}

void findLine(HANDLE process, std::uint64_t address, bool returnAddress, Stacks::Frame& frame) {
    IMAGEHLP_LINE64 line{};
    line.SizeOfStruct = sizeof(line);
    DWORD column = 0;
    if (::SymGetLineFromAddr64(process, returnAddress ? address - 1 : address, &column, &line) && line.FileName) {
        frame.file = line.FileName;
        frame.line = static_cast<int>(line.LineNumber);
    }
}

Stacks::Frame frameAt(HANDLE process, std::uint64_t address, bool returnAddress) {
    Stacks::Frame frame;
    locate(process, address, frame);
    nameFunction(process, address, returnAddress, frame);
    findLine(process, address, returnAddress, frame);
    return frame;
}

} // namespace WindowsStacks
} // namespace rtrun
