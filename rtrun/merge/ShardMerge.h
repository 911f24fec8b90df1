#pragma once
#include "rtrun/history/HistoryPlace.h"
#include <string>
#include <vector>

namespace rtrun {

struct MergeRequest {
    std::string outDir;
    std::vector<std::string> inputs;  // shard reports, or the directories holding them
    std::string junit;                // also write the merged report there as JUnit XML, when set
    int durations = 5;                // how many of the slowest tests to name
    HistoryPlace history;             // where the merged run records itself
    std::string identity;             // the job it belongs to, as its history records it
};

// Merges the reports of a run's shards into one report in the fixed format,
// in its output directory, with its page, e-mail summary and test index:
// each group's tests back in script order (through each shard's test index;
// without one they are dealt out again in turn, with a warning), ids
// renumbered, one Global record (the host names joined, platform and version
// from the first shard, the longest run time), each group's time the
// longest, totals summed, the run name and e-mail date from the earliest
// shard. The tests that did not run, script problems and refused libraries
// come from the shards' indexes. The merged run is recorded into its
// history as a run of its own would be, unless a shard was incomplete.
//
// Refused, with one line naming the shard and why, nothing written (exit
// status 2): shards known to be of different runs (see whyNotOneRun), an
// output directory that holds a shard's report or cannot be made.
// A missing or cut-off input is merged as far as it goes and named on
// standard error (exit status 2). Otherwise it closes as a run does and
// returns the run's exit status.
int mergeShards(const MergeRequest& request);

} // namespace rtrun
