// The e-mail summary of a report larger than 2^31 bytes: writes the report
// group by group (nothing of it is held whole), writes beside it the summary
// it must give, derived from the failures the generator put in, runs the
// analysis in a child process and prints its time and peak memory. One test
// raises many errors and one group holds very many tests, so that the peak
// can be set against the largest test and the largest group. Exits 1 when
// the summary differs.
//
//   analysis_stream_bench [report GB, default 2.2] [directory, default /tmp]
#include "ReportLayout.h"
#include <Rt/Rt.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kTestsPerGroup = 50;
const int kFailEvery = 7919;       // failures fall into different groups
const int kExternalEvery = 104729; // now and then an external error instead
const int kHugeTestGroup = 3;      // this group's first test raises kHugeErrors errors
const int kHugeErrors = 100000;
const int kHugeGroup = 5;          // this group holds kHugeGroupTests tests
const int kHugeGroupTests = 200000;

const char* kObjectTemplate = "<tr bgcolor=\"OBJ_BACKGROUNDCOLOR\"><td>OBJ_TEXTLEFT</td><td>OBJ_TEXTRIGHT</td></tr>\n";

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string readFile(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[65536];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
        std::fclose(file);
    }
    return text;
}

std::string line(const char* color, const std::string& left, const std::string& right) {
    return std::string("<tr bgcolor=\"") + color + "\"><td>" + left + "</td><td>" + right + "</td></tr>\n";
}

std::string counts(int e, int ee) { return "( 0 / " + std::to_string(e) + " / 0 / " + std::to_string(ee) + " / 0 )"; }

struct Generated {
    unsigned long long bytes = 0;
    unsigned long long largestGroup = 0;
    unsigned long long largestTest = 0;
    long tests = 0;
    long groups = 0;
    long failing = 0;
    std::string lines;  // the summary's lines, in report order
};

// Writes groups until the report holds at least `target` bytes.
bool writeReport(const std::string& path, unsigned long long target, Generated& made) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::string out = "<?xml version=\"1.0\"?>\r\n<KxRegTester>\r\n";
    char id[32];
    long nextId = 0;
    while (made.bytes + out.size() < target) {
        const long group = made.groups++;
        std::snprintf(id, sizeof id, "%.10ld", nextId++);
        const std::size_t groupStart = out.size();
        out += "  <Group id=\"" + std::string(id) + "\">\r\n";
        int groupErrors = 0, groupExternal = 0;
        std::string testLines;
        const int tests = group == kHugeGroup ? kHugeGroupTests : kTestsPerGroup;
        for (int t = 0; t < tests; ++t) {
            const long test = made.tests++;
            int errors = test % kFailEvery == kFailEvery - 1 ? 1 : 0;
            if (group == kHugeTestGroup && t == 0) errors = kHugeErrors;
            const int external = test % kExternalEvery == kExternalEvery - 1 ? 2 : 0;
            std::snprintf(id, sizeof id, "%.10ld", nextId++);
            const std::size_t testStart = out.size();
            out += "    <Test id=\"" + std::string(id) + "\">\r\n";
            for (int e = 0; e < errors; ++e) out += bench::errorRecord();
            const std::string title = "Case" + std::to_string(test);
            out += "      <Arg>model" + std::to_string(test) +
                   ".kx</Arg>\r\n      <Ext></Ext>\r\n      <Time>0.01 Seconds</Time>\r\n"
                   "      <Desc>Synthetic test case</Desc>\r\n      <Title>" +
                   title + "</Title>\r\n";
            bench::appendSummary(out, "      ", errors, external);
            out += "    </Test>\r\n";
            made.largestTest = std::max<unsigned long long>(made.largestTest, out.size() - testStart);
            if (external) testLines += line("teal", title, counts(errors, external));
            else if (errors) testLines += line("firebrick", title, counts(errors, external));
            if (errors || external) ++made.failing;
            groupErrors += errors;
            groupExternal += external;
        }
        const std::string title = "Group" + std::to_string(group);
        out += "    <Time>1.00 Seconds</Time>\r\n    <Desc>Synthetic group</Desc>\r\n    <Title>" + title +
               "</Title>\r\n";
        bench::appendSummary(out, "    ", groupErrors, groupExternal);
        out += "  </Group>\r\n";
        if (groupErrors || groupExternal)
            made.lines += line("black", title, "( KxE / E / W / EE / EW )") + testLines;
        made.largestGroup = std::max<unsigned long long>(made.largestGroup, out.size() - groupStart);
        if (out.size() > (1u << 20)) {
            if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) break;
            made.bytes += out.size();
            out.clear();
        }
    }
    out += "  <Global>\r\n    <Machine>bench</Machine>\r\n    <Platform>BENCH</Platform>\r\n"
           "    <RunTime>1.00 Seconds</RunTime>\r\n    <Version>V</Version>\r\n  </Global>\r\n</KxRegTester>\r\n";
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    made.bytes += out.size();
    return std::fclose(file) == 0 && written;
}

// This process's resident memory now, in MB, from /proc; -1 when unknown.
double residentMegabytes() {
    const std::string status = readFile("/proc/self/status");
    const std::size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::atof(status.c_str() + at + 6) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    const double gigabytes = argc > 1 ? std::atof(argv[1]) : 2.2;
    std::string pattern = std::string(argc > 2 ? argv[2] : "/tmp") + "/rtstream.XXXXXX";
    if (gigabytes <= 0 || !::mkdtemp(&pattern[0])) {
        std::fprintf(stderr, "usage: analysis_stream_bench [report GB] [directory]\n");
        return 2;
    }
    const std::string base = pattern + "/";
    const std::string report = base + "Results/report.xml", mail = base + "Results/report.email";
    ::mkdir((base + "Scripts").c_str(), 0777);
    ::mkdir((base + "Results").c_str(), 0777);
    bool ready = writeFile(base + "Scripts/head.em", "<html><body><table>\n") &&
                 writeFile(base + "Scripts/open.em", "<caption>OBJ_PLATFORM OBJ_MACHINE OBJ_DATE OBJ_TIME</caption>\n") &&
                 writeFile(base + "Scripts/object.em", kObjectTemplate) &&
                 writeFile(base + "Scripts/close.em", "</table><a href=\"OBJ_LINKREPORT\">report</a></body></html>\n");

    Generated made;
    auto start = std::chrono::steady_clock::now();
    ready = ready && writeReport(report, static_cast<unsigned long long>(gigabytes * 1e9), made);
    const double writing = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string expected = "<html><body><table>\n<caption>BENCH bench December 06, 2026 1200</caption>\n" +
                                 made.lines + "</table><a href=\"report.htm\">report</a></body></html>\n";
    made.lines = std::string();
    if (!ready) {
        std::fprintf(stderr, "could not write the report under %s\n", base.c_str());
        return 2;
    }
    std::printf("report: %.3f GB (%llu bytes, past 2^31: %s), %ld groups, %ld tests, %ld failing, largest group %.1f MB, "
                "largest test %.1f MB, written in %.1f s\n",
                made.bytes / 1e9, made.bytes, made.bytes > (1ull << 31) ? "yes" : "no", made.groups, made.tests,
                made.failing, made.largestGroup / 1e6, made.largestTest / 1e6, writing);
    std::fflush(stdout);

    // The analysis alone in a child, so that its peak memory is its own
    // (plus the pages it shares with this process at the fork).
    const double inherited = residentMegabytes();
    start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("KXRT_RELATIVE_PATH", base.c_str(), 1);
        ::setenv("KXRT_PLAT_TARG", "BENCH", 1);
        RtLib::init();
        {
            Rt::Analysis analysis;
            analysis.formatOpen("BENCH", "bench", "December 06, 2026", "1200");
            analysis.formatClose("report.htm");
            analysis.executeI(report.c_str(), mail.c_str());
        }
        RtLib::fini();
        ::_exit(0);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the analysis did not finish\n");
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string written = readFile(mail);
    const bool same = written == expected;
    std::printf("analysis: %.2f s, %.0f MB/s, %.2f us per test, peak RSS %.1f MB (%.1f MB of it this process's at the "
                "fork); summary %zu bytes, %s\n",
                seconds, made.bytes / 1e6 / seconds, seconds * 1e6 / made.tests, usage.ru_maxrss / 1024.0, inherited,
                written.size(),
                same ? "as expected" : "DIFFERS from the expected one");
    if (!same) writeFile(base + "Results/expected.email", expected);
    else if (std::system(("rm -rf '" + base + "'").c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", base.c_str());
    if (!same) std::fprintf(stderr, "kept %s for a look\n", base.c_str());
    return same ? 0 : 1;
}
