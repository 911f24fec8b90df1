#pragma once
// What the Windows process files tell each other about supervised children.
#include <windows.h>
#include <vector>

namespace rtrun {
namespace Process {

// Whether the process runs in the job of one of these children (started by
// startProgramChild): the child itself or anything it started.
bool inJobOfChild(HANDLE process, const std::vector<int>& children);

} // namespace Process
} // namespace rtrun
