// What recording a run into the history costs per test: a synthetic report
// of 20,000 and of 100,000 tests (1 in 100 failing) recorded twice into a
// fresh SQLite file (the second time with the first run's rows there, so
// that each failure is judged on its past), or into the database a
// postgresql:// address names: history_bench [ADDRESS]. Prints microseconds
// per test: reading the report and its index, and the whole recording.
#include "SyntheticReport.h"
#include "rtrun/history/HistoryRecorder.h"
#include "rtrun/history/RunRecord.h"
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Wall-clock and processor seconds since a start: on a shared machine the
// processor's time says what the work costs, the wall clock what it took.
struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double wallSeconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("history_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const int tests : {20000, 100000}) {
        rtrun::HistoryPlace place;
        place.suite = "bench" + std::to_string(tests);
        place.location = argc > 1 ? argv[1] : (dir / (place.suite + ".sqlite")).string();
        rtrun::FinishedRun run;
        run.report = (dir / ("run" + std::to_string(tests) + ".xml")).string();
        bench::writeReport(run.report, tests, 100, 100);

        Clock start;
        rtrun::RunRecord record;
        std::string problem;
        if (!rtrun::readRunRecord(run, record, problem)) {
            std::fprintf(stderr, "history_bench: %s\n", problem.c_str());
            return 1;
        }
        const double read = start.wallSeconds(), readCpu = start.cpuSeconds();
        std::printf("%6d tests, %s: reading the report %.2f us/test (processor %.2f)\n", tests,
                    argc > 1 ? "PostgreSQL" : "SQLite", read * 1e6 / tests, readCpu * 1e6 / tests);
        for (const char* which : {"first recording", "second recording"}) {
            rtrun::HistoryNotes notes;
            start = Clock();
            if (!rtrun::recordRun(place, run, notes)) return 1;
            const double whole = start.wallSeconds(), wholeCpu = start.cpuSeconds();
            std::printf("  %-16s %.2f us/test in all, %.2f writing and judging (processor: %.2f, %.2f; %zu failures "
                        "judged)\n",
                        which, whole * 1e6 / tests, (whole - read) * 1e6 / tests, wholeCpu * 1e6 / tests,
                        (wholeCpu - readCpu) * 1e6 / tests, notes.failures.size());
        }
    }
    fs::remove_all(dir);
    return 0;
}
