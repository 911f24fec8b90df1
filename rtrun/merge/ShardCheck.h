#pragma once
#include "rtrun/reports/TestIndex.h"
#include <ctime>
#include <string>
#include <vector>

namespace rtrun {

// The run's stamp from a report's name, "MMDDYY<platform>HHMM.xml".
struct RunStamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::string platform;
    bool operator<(const RunStamp& other) const;
    std::time_t time() const;  // local time, as the run named itself
};
bool stampOf(const std::string& report, RunStamp& stamp);

// A shard's report as the merge finds it, with what its test index says.
struct ShardInput {
    std::string report;
    TestIndex index;
    bool indexed = false;
    std::time_t date = 0;  // the run name's, else the report's modification time
};

// The report an input names: the file itself, or the latest report in a
// shard's directory (runs moved aside, "<run>-earlierN.xml", left out).
// Fills everything but `index` and `indexed` when the report exists; false otherwise.
bool findShard(const std::string& input, ShardInput& shard);

// Why the shards are not the shards of one run, as far as their indexes
// know (run identity, platform, scripts) and, unless every shard names its
// run, their dates (more than 24 hours apart); empty when nothing says so.
std::string whyNotOneRun(const std::vector<ShardInput>& shards);

// Why the merged report cannot go into `outDir`: a directory holding a
// shard's report, or a path that is or lies below a file. Makes the
// directory otherwise; empty when it is ready.
std::string prepareOutputDirectory(const std::string& outDir, const std::vector<ShardInput>& shards);

} // namespace rtrun
