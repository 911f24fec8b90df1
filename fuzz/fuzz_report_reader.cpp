// The report reader on arbitrary bytes, as reports from other machines come
// (shards to merge, reports to compare or convert): it never crashes, says
// whether it read all, part or nothing, and its two ways of reading (the
// stream of groups and the whole report at once) agree on what they found.
#include "FuzzSuite.h"
#include "report/reader/ReportReader.h"
#include <cstdint>

namespace {

// What a report holds, in numbers and texts a reader cannot get wrong silently.
std::string shapeOf(const rtreport::Group& group) {
    std::string shape = group.title + "|" + std::to_string(group.tests.size()) + "|" +
                        std::to_string(group.records.size()) + (group.interrupted ? "|cut" : "");
    for (const rtreport::Test& test : group.tests) {
        // Every derived value is computed, so that a fault in any of them shows.
        shape += "\n " + test.title + "|" + std::to_string(test.args.size()) + (test.failed() ? "|failed" : "") +
                 "|" + test.firstErrorText() + "|" + std::to_string(test.recordCounts().errors()) + "|" +
                 std::to_string(test.seconds());
    }
    return shape + "\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzsupport::suiteBase() + "Results/input.xml";
    if (!fuzzsupport::writeBytes(path, reinterpret_cast<const char*>(data), size)) std::abort();

    std::string streamed;
    rtreport::ReportReader reader(path);
    rtreport::Group group;
    while (reader.next(group)) streamed += shapeOf(group);
    const rtreport::ReadResult streamResult = reader.result();
    if (streamResult.readable() && reader.runInfo().present) streamed += std::to_string(reader.runInfo().runSeconds());

    rtreport::Report whole;
    const rtreport::ReadResult wholeResult = rtreport::readReport(path, whole);
    std::string held;
    for (const rtreport::Group& each : whole.groups) held += shapeOf(each);
    if (wholeResult.readable() && whole.run.present) held += std::to_string(whole.run.runSeconds());

    if (streamResult.status != wholeResult.status || streamed != held) {
        std::fprintf(stderr, "the stream read %d:\n%s\nthe whole report %d:\n%s\n", static_cast<int>(streamResult.status),
                     streamed.c_str(), static_cast<int>(wholeResult.status), held.c_str());
        std::abort();
    }
    if (!streamResult.readable() && (streamResult.problem.empty() || !whole.groups.empty())) {
        std::fprintf(stderr, "unreadable without a reason, or with groups: '%s'\n", streamResult.problem.c_str());
        std::abort();
    }
    return 0;
}
