// The process services that are the same on every platform.
#include "rtrun/system/Process.h"
#include <cstdio>

namespace rtrun {
namespace Process {

namespace {

// The names of the exceptions a test can die of on Windows.
const char* exceptionName(std::uint32_t code) {
    switch (code) {
    case 0xC0000005u: return "access violation";
    case 0xC00000FDu: return "stack overflow";
    case 0xC0000094u: return "integer divide by zero";
    case 0xC0000095u: return "integer overflow";
    case 0xC000001Du: return "illegal instruction";
    case 0xC0000096u: return "privileged instruction";
    case 0xC0000006u: return "in-page error";
    case 0x80000002u: return "misaligned data";
    case 0xC000008Cu: return "array bounds exceeded";
    case 0xC000008Eu: return "floating-point divide by zero";
    case 0xC0000090u: return "invalid floating-point operation";
    case 0x80000003u: return "breakpoint";
    case 0xC0000409u: return "stack buffer overrun";
    case 0xC0000374u: return "heap corruption";
    case 0xC000013Au: return "console control exit";
    case 0xE06D7363u: return "C++ exception";
    default: return "exception";
    }
}

} // namespace

void exitedText(int status, char (&text)[48]) {
    if (status >= 0) std::snprintf(text, sizeof(text), "exited: status %d", status);
    else std::snprintf(text, sizeof(text), "exited");
}

std::string exceptionText(std::uint32_t code) {
    char text[64];
    std::snprintf(text, sizeof(text), "0x%08X (%s)", static_cast<unsigned>(code), exceptionName(code));
    return text;
}

std::string exceptionDetails(std::uint32_t code, int access, std::uint64_t address) {
    if (code != 0xC0000005u) return exceptionName(code);
    const char* how = access == 1 ? "writing" : access == 8 ? "executing" : "reading";
    char text[96];
    std::snprintf(text, sizeof(text), "access violation: %s address 0x%llx", how,
                  static_cast<unsigned long long>(address));
    return text;
}

bool isExceptionCode(std::uint32_t code) { return (code & 0xC0000000u) == 0xC0000000u || code == 0x80000003u; }

} // namespace Process
} // namespace rtrun
