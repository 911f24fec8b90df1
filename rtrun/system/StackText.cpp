// How a frame of a stack reads, whichever system took it.
#include "rtrun/system/Stacks.h"
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>

namespace rtrun {
namespace Stacks {

std::string frameText(std::size_t index, const Frame& frame) {
    char offset[32];
    std::snprintf(offset, sizeof(offset), "0x%llx", static_cast<unsigned long long>(frame.offset));
    std::string text = "#" + std::to_string(index) + " " + (frame.function.empty() ? "??" : frame.function) + " (" +
                       (frame.library.empty() ? "" : frame.library + "+") + offset + ")";
    if (!frame.file.empty()) text += " " + frame.file + ":" + std::to_string(frame.line);
    return text;
}

std::string demangled(const char* symbol) {
    int status = 0;
    char* plain = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    std::string text = status == 0 && plain ? plain : symbol;
    std::free(plain);
    return text;
}

} // namespace Stacks
} // namespace rtrun
