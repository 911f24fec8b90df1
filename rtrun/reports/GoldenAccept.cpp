#include "rtrun/reports/GoldenAccept.h"
#include "report/reader/ReportReader.h"
#include "rtrun/reports/TestIndex.h"
#include "rtrun/system/Process.h"
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace rtrun {

namespace {

namespace fs = std::filesystem;

const char kGoldenCheck[] = "RT_CHECK_GOLDEN";
const char kReference[] = "reference: ";
const char kOutput[] = "output: ";

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

struct Replacement {
    std::string reference;
    std::string output;
};

// The replacements a test's golden records ask for, in record order.
void collect(const rtreport::Test& test, std::vector<Replacement>& found) {
    for (const rtreport::Record& record : test.records) {
        if (record.kind != rtreport::RecordKind::eError || record.msgs.size() < 3) continue;
        if (!startsWith(rtreport::reportBytes(record.desc), kGoldenCheck)) continue;
        const std::string reference = rtreport::reportBytes(record.msgs[1]);
        const std::string output = rtreport::reportBytes(record.msgs[2]);
        if (!startsWith(reference, kReference) || !startsWith(output, kOutput)) continue;
        Replacement replacement{reference.substr(sizeof kReference - 1), output.substr(sizeof kOutput - 1)};
        bool known = false;
        for (const Replacement& earlier : found) known = known || earlier.reference == replacement.reference;
        if (!known && !replacement.reference.empty() && !replacement.output.empty())
            found.push_back(std::move(replacement));
    }
}

bool replace(const Replacement& replacement, std::string& problem) {
    std::error_code error;
    if (!fs::is_regular_file(replacement.output, error)) {
        problem = "the output " + replacement.output + " is not there";
        return false;
    }
    fs::create_directories(fs::path(replacement.reference).parent_path(), error);
    // Copied beside the reference, then put in its place: the old reference
    // stays whole until the new one is, and the C++ library of MinGW-w64
    // refuses to copy over an existing file.
    const std::string incoming = replacement.reference + ".accepting";
    int failure = 0;
    fs::remove(incoming, error);  // left by an accept that was cut short
    if (!fs::copy_file(replacement.output, incoming, error)) {
        problem = "cannot copy " + replacement.output + " to " + replacement.reference + ": " + error.message();
        fs::remove(incoming, error);
        return false;
    }
    if (!Process::renameFile(incoming, replacement.reference, failure)) {
        problem = "cannot copy " + replacement.output + " to " + replacement.reference + ": " + std::strerror(failure);
        fs::remove(incoming, error);
        return false;
    }
    return true;
}

} // namespace

int acceptGoldens(const std::string& reportPath, const TestSelector& selects, bool dryRun, std::ostream& out,
                  std::ostream& err) {
    const bool filtered = static_cast<bool>(selects);
    TestIndex index;
    const bool indexed = filtered && index.read(TestIndex::pathBeside(reportPath));
    if (filtered && !indexed)
        err << "rtrun: no test index beside " << reportPath << ": the tests' titles are taken as their case names\n";

    std::vector<Replacement> found;
    rtreport::ReportReader reader(reportPath);
    rtreport::Group group;
    while (reader.next(group)) {
        for (const rtreport::Test& test : group.tests) {
            if (!test.failed()) continue;
            if (filtered) {
                const TestIndex::Entry* entry = indexed ? index.find(test.id) : nullptr;
                const std::string caseName = entry ? entry->caseName : rtreport::reportBytes(test.title);
                if (!selects(rtreport::reportBytes(group.title), caseName)) continue;
            }
            collect(test, found);
        }
    }
    if (!reader.result().readable()) {
        err << "rtrun: " << reader.result().problem << "\n";
        return 2;
    }
    if (reader.result().cutOff()) err << "rtrun: the report is cut off: " << reader.result().problem << "\n";

    int status = 0;
    for (const Replacement& replacement : found) {
        std::string problem;
        if (!dryRun && !replace(replacement, problem)) {
            err << "rtrun: " << problem << "\n";
            status = 1;
            continue;
        }
        out << replacement.reference << "\n";
    }
    return status;
}

} // namespace rtrun
