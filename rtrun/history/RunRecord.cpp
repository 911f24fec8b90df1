#include "rtrun/history/RunRecord.h"
#include "rtrun/reports/TestIndex.h"
#include "report/reader/ReportReader.h"
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rtrun {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The value of <name>...</name> within `text` from `from`, its five escapes
// undone; empty when it is not there.
std::string valueIn(const std::string& text, std::size_t from, const std::string& name) {
    const std::string open = "<" + name + ">", close = "</" + name + ">";
    const std::size_t start = text.find(open, from);
    if (start == std::string::npos) return "";
    const std::size_t first = start + open.size();
    const std::size_t end = text.find(close, first);
    if (end == std::string::npos) return "";
    static const char* const kEscapes[][2] = {{"&quot;", "\""}, {"&amp;", "&"}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}};
    std::string bytes;
    for (std::size_t i = first; i < end; ++i) {
        const char* plain = nullptr;
        for (const auto& escape : kEscapes)
            if (text.compare(i, std::strlen(escape[0]), escape[0]) == 0) {
                plain = escape[1];
                i += std::strlen(escape[0]) - 1;
                break;
            }
        bytes += plain ? *plain : text[i];
    }
    std::string value;
    appendAsReadBack(value, bytes);
    return value;
}

} // namespace

// As either system tells a death: a crash by a signal or (Windows) an
// exception; an exit with its status, or (Windows) without.
Verdict verdictOfError(std::string_view firstError) {
    if (startsWith(firstError, "crashed: signal") || startsWith(firstError, "crashed: exception")) return Verdict::eCrashed;
    if (startsWith(firstError, "timed out")) return Verdict::eTimedOut;
    if (startsWith(firstError, "interrupted: ")) return Verdict::eInterrupted;
    if (startsWith(firstError, "exited: status") || firstError == "exited" || startsWith(firstError, "exited at "))
        return Verdict::eExited;
    return Verdict::eFailed;
}

std::string runNameOf(const std::string& reportPath) {
    const std::size_t slash = reportPath.find_last_of('/');
    std::string name = slash == std::string::npos ? reportPath : reportPath.substr(slash + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) name.resize(name.size() - 4);
    return name;
}

void appendUtf8(std::string& to, std::string_view singleBytes) {
    for (unsigned char c : singleBytes) {
        if (c < 0x80) {
            to += static_cast<char>(c);
        } else {
            to += static_cast<char>(0xC0 | (c >> 6));
            to += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::string utf8Of(const std::string& singleBytes) {
    std::string text;
    text.reserve(singleBytes.size());
    appendUtf8(text, singleBytes);
    return text;
}

// The XML parser reads every line end of the file as one LF.
void appendAsReadBack(std::string& to, std::string_view singleBytes) {
    for (std::size_t start = 0;;) {
        const std::size_t cr = singleBytes.find('\r', start);
        appendUtf8(to, singleBytes.substr(start, cr == std::string_view::npos ? cr : cr - start));
        if (cr == std::string_view::npos) return;
        to += '\n';
        start = cr + (cr + 1 < singleBytes.size() && singleBytes[cr + 1] == '\n' ? 2 : 1);
    }
}

bool readRunRecord(const std::string& report, RunRecord& record, std::string& problem) {
    TestIndex index;
    const bool indexed = index.read(TestIndex::pathBeside(report));
    rtreport::ReportReader reader(report);
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
            row.group = group.title;
            row.args = std::move(test.args);
            row.seconds = test.seconds();
            row.reportId = test.id;
            row.error = test.firstErrorText();
            row.verdict = test.interrupted ? Verdict::eInterrupted
                          : test.failed()  ? verdictOfError(row.error)
                                           : Verdict::ePassed;
        }
    }
    const rtreport::ReadResult& result = reader.result();
    if (!result.readable()) {
        problem = result.problem;
        return false;
    }
    const rtreport::RunInfo& info = reader.runInfo();
    record.facts.platform = info.platform;
    record.facts.machine = info.machine;
    record.facts.seconds = info.runSeconds();
    record.facts.name = runNameOf(report);
    return true;
}

// The closing record is the report's last element: the file's end holds it
// whole, and it alone is read. Its values are the writer's, escaped with the
// five XML escapes and nothing else.
bool readRunFacts(const std::string& report, RunFacts& facts, std::string& problem) {
    facts = RunFacts();
    facts.name = runNameOf(report);
    std::FILE* file = std::fopen(report.c_str(), "rb");
    if (!file) {
        problem = report + ": " + std::strerror(errno);
        return false;
    }
    std::string tail;
    std::size_t global = std::string::npos;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    // A few kilobytes hold it, unless the machine names of many shards make it longer.
    for (long want = 4096; size >= 0 && global == std::string::npos; want *= 4) {
        const long start = want < size ? size - want : 0;
        tail.resize(static_cast<std::size_t>(size - start));
        if (std::fseek(file, start, SEEK_SET) != 0 || std::fread(&tail[0], 1, tail.size(), file) != tail.size()) {
            size = -1;
            break;
        }
        global = tail.rfind("<Global>");
        if (start == 0) break;
    }
    std::fclose(file);
    if (size < 0) {
        problem = report + ": its end cannot be read";
        return false;
    }
    if (global == std::string::npos) return true;
    facts.machine = valueIn(tail, global, "Machine");
    facts.platform = valueIn(tail, global, "Platform");
    facts.seconds = rtreport::RunInfo{true, "", "", valueIn(tail, global, "RunTime"), ""}.runSeconds();
    return true;
}

} // namespace rtrun
