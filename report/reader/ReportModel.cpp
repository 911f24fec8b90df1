#include "report/reader/ReportModel.h"
#include <charconv>

namespace rtreport {

const char* recordKindName(RecordKind kind) {
    switch (kind) {
    case RecordKind::eError: return "Error";
    case RecordKind::eWarning: return "Warning";
    case RecordKind::eExtError: return "ExtError";
    case RecordKind::eExtWarning: return "ExtWarning";
    case RecordKind::eKxError: return "KxError";
    }
    return "Error";
}

std::string reportBytes(const std::string& utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 == utf8.size()) {
            bytes += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0) {
            bytes += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {  // beyond one byte: no report holds it
            bytes += '?';
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
        }
    }
    return bytes;
}

bool isFailure(RecordKind kind) { return kind == RecordKind::eError || kind == RecordKind::eExtError; }

const std::string& recordText(const Record& record) {
    return record.msgs.empty() || record.msgs.front().empty() ? record.desc : record.msgs.front();
}

void countRecord(Counts& counts, RecordKind kind) {
    switch (kind) {
    case RecordKind::eError: counts.incErr(); break;
    case RecordKind::eWarning: counts.incWar(); break;
    case RecordKind::eExtError: counts.incExtErr(); break;
    case RecordKind::eExtWarning: counts.incExtWar(); break;
    case RecordKind::eKxError: counts.incKxErr(); break;
    }
}

namespace {
// The number a time value starts with, read whatever the locale.
double secondsIn(const std::string& time) {
    double value = 0;
    const std::from_chars_result result = std::from_chars(time.data(), time.data() + time.size(), value);
    return result.ec == std::errc() ? value : 0;
}
} // namespace

double Element::seconds() const { return secondsIn(time); }

double RunInfo::runSeconds() const { return secondsIn(runTime); }

namespace {
Counts countRecords(const std::vector<Record>& records) {
    Counts counts;
    for (const Record& record : records) countRecord(counts, record.kind);
    return counts;
}
} // namespace

bool Test::failed() const {
    for (const Record& record : records)
        if (isFailure(record.kind)) return true;
    return false;
}

std::string Test::firstErrorText() const {
    for (const Record& record : records)
        if (isFailure(record.kind)) return recordText(record);
    return std::string();
}

Counts Test::recordCounts() const { return countRecords(records); }

Counts Group::recordCounts() const {
    Counts counts = countRecords(records);
    for (const Test& test : tests) counts += test.recordCounts();
    return counts;
}

} // namespace rtreport
