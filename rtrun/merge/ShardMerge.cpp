#include "rtrun/merge/ShardMerge.h"
#include "rtrun/reports/ComposedReport.h"
#include "rtrun/reports/ReportFiles.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/reports/junit/JUnitExport.h"
#include "rtrun/system/ExitStatus.h"
#include "rtrun/system/Files.h"
#include "report/SecondsText.h"
#include "report/reader/ReportReader.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>

namespace rtrun {

namespace {

namespace fs = std::filesystem;
using rtreport::Counts;

struct Shard {
    std::string report;
    TestIndex index;
    bool indexed = false;
    std::unique_ptr<rtreport::ReportReader> reader;
    rtreport::Group group;
    bool hasGroup = false;
};

// The file named, or the latest report in a shard's directory.
std::string reportIn(const std::string& input) {
    std::error_code error;
    if (!fs::is_directory(input, error)) return input;
    const std::string found = latestReportIn(input);
    return found.empty() ? input : found;
}

// The run's stamp from a report's name, "MMDDYY<platform>HHMM.xml".
struct Stamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::string platform;
    bool operator<(const Stamp& other) const {
        return std::tie(year, month, day, hour, minute) < std::tie(other.year, other.month, other.day, other.hour,
                                                                     other.minute);
    }
};

bool stampOf(const std::string& report, Stamp& stamp) {
    static const std::regex name("([0-9]{2})([0-9]{2})([0-9]{2})(.*)([0-9]{2})([0-9]{2})\\.xml");
    std::smatch part;
    const std::string file = fs::path(report).filename().string();
    if (!std::regex_match(file, part, name)) return false;
    stamp = Stamp{2000 + std::stoi(part[3]), std::stoi(part[1]), std::stoi(part[2]), std::stoi(part[5]),
                  std::stoi(part[6]), part[4]};
    return true;
}

// Where a test stood in its script, for putting a group's tests back in order.
long long positionOf(const Shard& shard, const rtreport::Test& test) {
    if (!shard.indexed) return -1;
    const TestIndex::Entry* entry = shard.index.find(test.id);
    return entry ? entry->position : -1;
}

} // namespace

int mergeShards(const std::string& outDir, const std::vector<std::string>& inputs, const std::string& junit) {
    std::vector<Shard> shards;
    bool incomplete = false;
    Stamp earliest;
    bool stamped = false;
    for (const std::string& input : inputs) {
        Shard shard;
        shard.report = reportIn(input);
        std::error_code error;
        if (!fs::is_regular_file(shard.report, error)) {
            std::fprintf(stderr, "rtrun: %s holds no shard report: it is left out\n", input.c_str());
            incomplete = true;
            continue;
        }
        shard.indexed = shard.index.read(TestIndex::pathBeside(shard.report));
        Stamp stamp;
        if (stampOf(shard.report, stamp) && (!stamped || stamp < earliest)) {
            earliest = stamp;
            stamped = true;
        }
        shard.reader = std::make_unique<rtreport::ReportReader>(shard.report);
        shards.push_back(std::move(shard));
    }
    if (shards.empty()) {
        std::fprintf(stderr, "rtrun: no shard report to merge\n");
        return eCannotRun;
    }
    if (stamped) {  // the merged run takes the earliest shard's name and date
        Rt::month(earliest.month);
        Rt::day(earliest.day);
        Rt::year(earliest.year);
        Rt::hour(earliest.hour);
        Rt::min(earliest.minute);
        Rt::setPlatform(earliest.platform.c_str());
    }
    const std::string results = withTrailingSlash(outDir);
    fs::create_directories(results);
    Rt::setResultDir(results.c_str());

    bool failed = false;
    TestIndex merged;  // the merged report's own index, for rerunning its failures
    const std::string runName = Rt::TestReporter::makeRunName().toStdString();
    {
        ComposedReport report;
        for (;;) {
            bool any = false;
            for (Shard& shard : shards) any |= shard.hasGroup = shard.reader->next(shard.group);
            if (!any) break;
            // Every shard holds every group: a group's tests are those of all shards.
            std::vector<std::pair<const Shard*, const rtreport::Test*>> tests;
            for (std::size_t turn = 0;; ++turn) {  // dealt out in turn, as the shards took them
                bool more = false;
                for (const Shard& shard : shards) {
                    if (!shard.hasGroup || turn >= shard.group.tests.size()) continue;
                    tests.emplace_back(&shard, &shard.group.tests[turn]);
                    more = true;
                }
                if (!more) break;
            }
            std::stable_sort(tests.begin(), tests.end(), [](const auto& a, const auto& b) {
                return positionOf(*a.first, *a.second) < positionOf(*b.first, *b.second);
            });
            report.openGroup();
            Counts counts;
            double seconds = 0;
            const rtreport::Group* values = nullptr;
            for (const auto& [shard, test] : tests) {
                counts += report.test(*test);
                failed |= test->failed() || test->interrupted;
                if (const TestIndex::Entry* entry = shard->indexed ? shard->index.find(test->id) : nullptr)
                    merged.add(report.lastId(), *entry);
            }
            for (const Shard& shard : shards) {
                if (!shard.hasGroup) continue;
                for (const rtreport::Record& record : shard.group.records) report.record(record, counts);
                seconds = std::max(seconds, shard.group.seconds());
                if (!values || (values->interrupted && !shard.group.interrupted)) values = &shard.group;
            }
            report.closeGroup(Rt::SecondsText(seconds).text, values->desc, values->title, counts);
        }
        std::string machines;
        double runTime = 0;
        const rtreport::RunInfo* first = nullptr;
        for (Shard& shard : shards) {
            const rtreport::ReadResult& result = shard.reader->result();
            if (!result.readable() || result.cutOff()) {
                std::fprintf(stderr, "rtrun: %s is %s: merged as far as it goes\n", shard.report.c_str(),
                             result.readable() ? "cut off" : "not a report");
                incomplete = true;
            }
            const rtreport::RunInfo& info = shard.reader->runInfo();
            if (!info.present) continue;
            if (!first) first = &info;
            if (machines.find(info.machine) == std::string::npos) machines += (machines.empty() ? "" : ", ") + info.machine;
            runTime = std::max(runTime, info.runSeconds());
        }
        report.global(first ? *first : rtreport::RunInfo(), runTime, machines);
    }  // the merged report closes here, and its e-mail summary is made
    const std::string reportPath = results + runName + ".xml";
    merged.write(TestIndex::pathBeside(reportPath));
    std::printf("Report: %s\n", reportPath.c_str());
    std::error_code error;
    if (fs::is_regular_file(results + runName + ".htm", error)) std::printf("Page: %s%s.htm\n", results.c_str(), runName.c_str());
    const std::string email = results + Rt::platform().toStdString() + "/" + runName + ".email";
    if (std::FILE* file = std::fopen(email.c_str(), "rb")) {
        std::fclose(file);
        std::printf("E-mail summary: %s\n", email.c_str());
    }
    if (!junit.empty()) {
        const JUnitOutcome converted = writeJUnit(reportPath, junit);
        if (!converted.written) {
            std::fprintf(stderr, "rtrun: %s\n", converted.problem.c_str());
            return eCannotRun;
        }
        std::printf("JUnit: %s\n", junit.c_str());
    }
    return incomplete ? eCannotRun : failed ? eFailed : ePassed;
}

} // namespace rtrun
