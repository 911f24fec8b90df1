#include "report/reader/ReportModel.h"
#include <charconv>

namespace rtreport {

const char* recordKindName(RecordKind kind) {
    switch (kind) {
    case RecordKind::kError: return "Error";
    case RecordKind::kWarning: return "Warning";
    case RecordKind::kExtError: return "ExtError";
    case RecordKind::kExtWarning: return "ExtWarning";
    case RecordKind::kKxError: return "KxError";
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

void Counts::add(const Counts& other) {
    kxErrors += other.kxErrors;
    errors += other.errors;
    warnings += other.warnings;
    extErrors += other.extErrors;
    extWarnings += other.extWarnings;
}

void Counts::count(RecordKind kind) {
    switch (kind) {
    case RecordKind::kError: ++errors; break;
    case RecordKind::kWarning: ++warnings; break;
    case RecordKind::kExtError: ++extErrors; break;
    case RecordKind::kExtWarning: ++extWarnings; break;
    case RecordKind::kKxError: ++kxErrors; break;
    }
}

bool Counts::operator==(const Counts& other) const {
    return kxErrors == other.kxErrors && errors == other.errors && warnings == other.warnings &&
           extErrors == other.extErrors && extWarnings == other.extWarnings;
}

double Element::seconds() const {
    double value = 0;
    const std::from_chars_result result = std::from_chars(time.data(), time.data() + time.size(), value);
    return result.ec == std::errc() ? value : 0;
}

namespace {
Counts countRecords(const std::vector<Record>& records) {
    Counts counts;
    for (const Record& record : records) counts.count(record.kind);
    return counts;
}
} // namespace

bool Test::failed() const {
    for (const Record& record : records)
        if (record.kind == RecordKind::kError || record.kind == RecordKind::kExtError) return true;
    return false;
}

Counts Test::recordCounts() const { return countRecords(records); }

Counts Group::recordCounts() const {
    Counts counts = countRecords(records);
    for (const Test& test : tests) counts.add(test.recordCounts());
    return counts;
}

} // namespace rtreport
