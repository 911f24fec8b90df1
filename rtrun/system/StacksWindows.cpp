// Stacks of another process are not taken on Windows yet: each call says
// so, and a dying test's record tells why it has no stack.
#include "rtrun/system/Stacks.h"

namespace rtrun {
namespace Stacks {

namespace {

bool notYet(std::string& problem) {
    problem = "rtrun on Windows does not take another process's stacks yet";
    return false;
}

} // namespace

bool threadStack(int, int, std::uint64_t, const std::string&, std::vector<Frame>&, std::string& problem) {
    return notYet(problem);
}

bool allThreads(int, int, std::vector<Thread>&, std::string& problem) { return notYet(problem); }

bool symbolise(int, const std::vector<std::uint64_t>&, std::uint64_t, const std::string&, std::vector<Frame>&,
               std::string& problem) {
    return notYet(problem);
}

} // namespace Stacks
} // namespace rtrun
