#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/TestIndex.h"
#include "report/reader/ReportReader.h"
#include <ctime>

namespace rtrun {

namespace {

std::string firstErrorOf(const rtreport::Test& test) {
    for (const rtreport::Record& record : test.records) {
        if (record.kind != rtreport::RecordKind::eError && record.kind != rtreport::RecordKind::eExtError) continue;
        // The first line of a message says what went wrong; its Desc is often a short label.
        return record.msgs.empty() || record.msgs[0].empty() ? record.desc : record.msgs[0];
    }
    return "";
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? "\x1f" : "") + args[i];
    return text;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

} // namespace

Verdict verdictOfError(const std::string& firstError) {
    if (startsWith(firstError, "crashed: signal")) return Verdict::eCrashed;
    if (startsWith(firstError, "timed out")) return Verdict::eTimedOut;
    if (startsWith(firstError, "interrupted: ")) return Verdict::eInterrupted;
    if (startsWith(firstError, "exited: status")) return Verdict::eExited;
    return Verdict::eFailed;
}

std::string runNameOf(const std::string& reportPath) {
    const std::size_t slash = reportPath.find_last_of('/');
    std::string name = slash == std::string::npos ? reportPath : reportPath.substr(slash + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) name.resize(name.size() - 4);
    return name;
}

std::string utf8Of(const std::string& singleBytes) {
    std::string text;
    text.reserve(singleBytes.size());
    for (unsigned char c : singleBytes) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

bool readRunRecord(const FinishedRun& run, RunRecord& record, std::string& problem) {
    TestIndex index;
    const bool indexed = index.read(TestIndex::pathBeside(run.report));
    TestKeyMaker keys;
    rtreport::ReportReader reader(run.report);
    rtreport::Group group;
    while (reader.next(group)) {
        for (rtreport::Test& test : group.tests) {
            RecordedTest& row = record.tests.emplace_back();
            const TestIndex::Entry* entry = indexed ? index.find(test.id) : nullptr;
            if (entry) {
                row.script = utf8Of(entry->script);
                row.caseName = utf8Of(entry->caseName);
            }
            // A test that sets no title goes by its case name, as rtrun's summary names it (and a
            // merged report titles it): whichever way its report was made, its key stays the same.
            row.title = test.title.empty() ? row.caseName : std::move(test.title);
            row.key = keys.next(group.title, row.title, test.args);
            row.group = group.title;
            row.args = joined(test.args);
            row.seconds = test.seconds();
            row.reportId = test.id;
            row.error = firstErrorOf(test);
            const auto threw = run.throws.find(test.id);
            if (threw != run.throws.end()) row.error = utf8Of(threw->second);  // the report says only that it threw
            row.verdict = test.interrupted ? Verdict::eInterrupted
                          : test.failed()  ? verdictOfError(row.error)
                                           : Verdict::ePassed;
            if (row.verdict == Verdict::ePassed && run.falseReturns.count(test.id)) {
                row.verdict = Verdict::eFailed;
                row.error = "its body returned false";
            }
        }
    }
    const rtreport::ReadResult& result = reader.result();
    if (!result.readable()) {
        problem = result.problem;
        return false;
    }
    for (const FinishedRun::UnmadeTest& unmade : run.unmade) {
        RecordedTest& row = record.tests.emplace_back();
        row.group = utf8Of(unmade.group);
        row.title = utf8Of(unmade.title);
        std::vector<std::string> args;
        for (const std::string& arg : unmade.args) args.push_back(utf8Of(arg));
        row.key = keys.next(row.group, row.title, args);
        row.args = joined(args);
        row.caseName = row.title;
        row.error = utf8Of(unmade.why);
        row.verdict = Verdict::eNotRun;
    }
    for (const RecordedTest& test : record.tests) {
        if (test.verdict == Verdict::ePassed) ++record.passed;
        else if (test.verdict == Verdict::eNotRun) ++record.notRun;
        else ++record.failed;
    }
    const rtreport::RunInfo& info = reader.runInfo();
    record.platform = info.platform;
    record.machine = info.machine;
    record.seconds = info.runSeconds();
    record.name = runNameOf(run.report);
    record.started = static_cast<long long>(std::time(nullptr) - static_cast<std::time_t>(record.seconds));
    return true;
}

} // namespace rtrun
