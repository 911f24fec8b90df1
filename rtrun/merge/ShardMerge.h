#pragma once
#include <string>
#include <vector>

namespace rtrun {

// Merges the reports of a run's shards into one report in the fixed format,
// in `outDir`, with its page and e-mail summary: each group's tests back in
// script order (through each shard's test index; without one they are dealt
// out again in turn), ids renumbered, one Global record (the host names
// joined, platform and version from the first shard, the longest run time),
// each group's time the longest, totals summed, the run name and e-mail date
// from the earliest shard. An input may name a shard's report or the
// directory holding it. A missing or cut-off input is merged as far as it
// goes and named on standard error. Returns the exit status: 2 when an input
// was missing or cut off, else 1 when a test failed, else 0.
// With `junit` set, the merged report is also written there as JUnit XML.
int mergeShards(const std::string& outDir, const std::vector<std::string>& inputs, const std::string& junit = "");

} // namespace rtrun
