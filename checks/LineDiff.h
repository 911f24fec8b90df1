#pragma once
// A unified diff of the first differences between two texts, bounded: what
// a failed golden check shows of its output against its reference.
#include "env/InternalExport.h"
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Rt {
namespace golden {

// Whether a line of the reference and a line of the output count as equal.
using SameLine = std::function<bool(std::string_view reference, std::string_view output)>;

// The diff's lines: "--- reference", "+++ output", then hunks ("@@ -l,n +l,n @@"
// and lines starting with " ", "-" or "+", three lines of context), with
// "\ No newline at end of file" after a last line that has no line end.
// At most `maxLines` lines in all; when more would follow, the last of them
// is "... (the diff goes on)". A line longer than 200 bytes is cut and ends
// in "...". Empty when the texts have no differing line.
//
// The diff follows the texts from their start: at a difference it takes the
// nearest pair of equal lines within 200 lines ahead as the point where the
// texts meet again, so it shows the first differences as a person would
// mark them, not necessarily the shortest diff of the whole texts.
RT_INTERNAL_API std::vector<std::string> unifiedDiff(std::string_view reference, std::string_view output,
                                                     const SameLine& same, int maxLines);

} // namespace golden
} // namespace Rt
