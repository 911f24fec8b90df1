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
