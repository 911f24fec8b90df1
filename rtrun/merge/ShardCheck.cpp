#include "rtrun/merge/ShardCheck.h"
#include "rtrun/reports/ReportFiles.h"
#include "env/Platform.h"
#include <algorithm>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <tuple>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

constexpr double kOneRunSpan = 24 * 60 * 60;  // seconds between shards of one run, at most

std::string dateText(std::time_t time) {
    const std::tm local = Rt::Platform::localTimeOf(time);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " ") + part;
    return text.empty() ? "none" : text;
}

std::string identity(const TestIndex::Facts& facts) {
    return "'" + facts.runId + "'" + (facts.runIdSource.empty() ? "" : " (" + facts.runIdSource + ")");
}

// The first shard that differs from the first one that knows the fact.
template <class Known, class Same, class Tell>
std::string firstDifference(const std::vector<ShardInput>& shards, Known known, Same same, Tell tell) {
    const ShardInput* reference = nullptr;
    for (const ShardInput& shard : shards) {
        if (!shard.indexed || !known(shard.index.facts())) continue;
        if (!reference) reference = &shard;
        else if (!same(reference->index.facts(), shard.index.facts())) return tell(shard, *reference);
    }
    return "";
}

} // namespace

bool RunStamp::operator<(const RunStamp& other) const {
    return std::tie(year, month, day, hour, minute) < std::tie(other.year, other.month, other.day, other.hour, other.minute);
}

std::time_t RunStamp::time() const {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

bool stampOf(const std::string& report, RunStamp& stamp) {
    static const std::regex name("([0-9]{2})([0-9]{2})([0-9]{2})(.*)([0-9]{2})([0-9]{2})\\.xml");
    std::smatch part;
    const std::string file = fs::path(report).filename().string();
    if (!std::regex_match(file, part, name)) return false;
    stamp = RunStamp{2000 + std::stoi(part[3]), std::stoi(part[1]), std::stoi(part[2]), std::stoi(part[5]),
                     std::stoi(part[6]), part[4]};
    return true;
}

bool findShard(const std::string& input, ShardInput& shard) {
    std::error_code error;
    shard.report = input;
    if (fs::is_directory(input, error)) {
        const std::string latest = latestReportIn(input);
        if (!latest.empty()) shard.report = latest;
    }
    struct stat status {};
    if (::stat(shard.report.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    RunStamp stamp;
    shard.date = stampOf(shard.report, stamp) ? stamp.time() : status.st_mtime;
    return true;
}

std::string whyNotOneRun(const std::vector<ShardInput>& shards) {
    std::string why = firstDifference(
        shards, [](const TestIndex::Facts& facts) { return !facts.runId.empty(); },
        [](const TestIndex::Facts& a, const TestIndex::Facts& b) { return a.runId == b.runId; },
        [](const ShardInput& shard, const ShardInput& other) {
            return shard.report + " belongs to run " + identity(shard.index.facts()) + ", " + other.report +
                   " to run " + identity(other.index.facts());
        });
    if (why.empty())
        why = firstDifference(
            shards, [](const TestIndex::Facts& facts) { return facts.known; },
            [](const TestIndex::Facts& a, const TestIndex::Facts& b) { return a.platform == b.platform; },
            [](const ShardInput& shard, const ShardInput& other) {
                return shard.report + " ran on platform '" + shard.index.facts().platform + "', " + other.report +
                       " on '" + other.index.facts().platform + "'";
            });
    if (why.empty())
        why = firstDifference(
            shards, [](const TestIndex::Facts& facts) { return facts.known; },
            [](const TestIndex::Facts& a, const TestIndex::Facts& b) { return a.scripts == b.scripts; },
            [](const ShardInput& shard, const ShardInput& other) {
                return shard.report + " ran the scripts " + joined(shard.index.facts().scripts) + ", " +
                       other.report + " ran " + joined(other.index.facts().scripts);
            });
    if (!why.empty()) return why;
    const bool allNamed = std::all_of(shards.begin(), shards.end(), [](const ShardInput& shard) {
        return shard.indexed && !shard.index.facts().runId.empty();
    });
    if (allNamed || shards.size() < 2) return "";
    // Against the middle date, so that one stray shard is the one named.
    std::vector<std::time_t> dates;
    for (const ShardInput& shard : shards) dates.push_back(shard.date);
    std::sort(dates.begin(), dates.end());
    const std::time_t middle = dates[dates.size() / 2];
    for (const ShardInput& shard : shards) {
        if (std::abs(std::difftime(shard.date, middle)) <= kOneRunSpan) continue;
        return shard.report + " is dated " + dateText(shard.date) + ", more than 24 hours from the other shards (" +
               dateText(middle) + "); shards of one run that name it (--run-id) merge whatever their dates";
    }
    return "";
}

namespace {

// Whether two paths name one directory: fs::equivalent tells, or (for the
// C++ library of MinGW-w64, whose equivalent() never finds a directory the
// same as another spelling of it) the two paths made absolute and normal.
bool sameDirectory(const fs::path& one, const fs::path& other) {
    const auto normal = [](const fs::path& path) {
        std::error_code ignored;
        const fs::path absolute = fs::absolute(path, ignored).lexically_normal();
        return absolute.has_filename() ? absolute : absolute.parent_path();
    };
    std::error_code error;
    return fs::equivalent(one, other, error) || normal(one) == normal(other);
}

} // namespace

std::string prepareOutputDirectory(const std::string& outDir, const std::vector<ShardInput>& shards) {
    std::error_code error;
    if (fs::exists(outDir, error) && !fs::is_directory(outDir, error))
        return "the output directory " + outDir + " is a file";
    if (fs::is_directory(outDir, error)) {
        for (const ShardInput& shard : shards) {
            if (!sameDirectory(fs::path(shard.report).parent_path().empty() ? "." : fs::path(shard.report).parent_path(),
                               outDir))
                continue;
            return "the output directory " + outDir + " holds the shard report " + shard.report +
                   ": the merge goes into a directory of its own";
        }
        return "";
    }
    fs::create_directories(outDir, error);
    if (error) return "cannot make the output directory " + outDir + ": " + error.message();
    return "";
}

} // namespace rtrun
