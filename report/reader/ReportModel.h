#pragma once
// What a report holds, as the report reader hands it out: groups with their
// tests, the records raised inside them, their values and counts, and the
// run's closing record. All text is UTF-8, exactly as the run wrote it
// (control characters included), with the report's line ends read as "\n".
#include "results/ErrorSummary.h"
#include <string>
#include <vector>

namespace rtreport {

enum class RecordKind { eError, eWarning, eExtError, eExtWarning, eKxError };

// The element name a record kind is written under ("Error", "KxError", ...).
const char* recordKindName(RecordKind kind);
// Error and ExtError records fail the test or group that holds them.
bool isFailure(RecordKind kind);

// The report's own single-byte text for a text the reader handed out: each
// character (all of them below 256 in a report) back to its one byte.
std::string reportBytes(const std::string& utf8);

// An error or warning raised while a group or test was open.
struct Record {
    RecordKind kind = RecordKind::eError;
    std::string method;              // class name, "::", method name
    std::string desc;
    std::vector<std::string> msgs;   // one entry per Msg line
    std::vector<std::string> traces; // one entry per Trace line
};
// What a record says: its first message line, else its Desc.
const std::string& recordText(const Record& record);

// A Summary element's five counts are the framework's own counters.
using Counts = Rt::ErrorSummary;
// Counts one record of the kind.
void countRecord(Counts& counts, RecordKind kind);

// Values written for both groups and tests when their element closes.
struct Element {
    int id = -1;             // the element's id attribute; -1 when it has none
    std::string title;
    std::string desc;
    std::string time;        // as written, e.g. "0.25 Seconds"; empty when absent
    bool hasSummary = false; // the element holds a complete Summary
    Counts summary;          // its counts, when hasSummary
    bool interrupted = false; // the report ends before the element closed
    std::vector<Record> records;

    // The time's number of seconds; 0 when absent or unreadable.
    double seconds() const;
};

struct Test : Element {
    std::vector<std::string> args;
    std::string ext;

    // Failed: the test raised an Error (a leak is reported as one) or an ExtError.
    bool failed() const;
    // What its first Error or ExtError record says: the record's first
    // message line, else its Desc; empty when it has none.
    std::string firstErrorText() const;
    Counts recordCounts() const;
};

struct Group : Element {
    // True for the stand-in group that holds tests and records the report
    // has outside any Group element; it has no title or values of its own.
    bool outsideGroups = false;
    std::vector<Test> tests;

    // The counts of every record in the group, its tests' included.
    Counts recordCounts() const;
};

// The run's closing record (the Global element).
struct RunInfo {
    bool present = false; // false when the report ends before it
    std::string machine;
    std::string platform;
    std::string runTime;  // as written, e.g. "3.10 Seconds"
    std::string version;

    // The run time's number of seconds; 0 when absent or unreadable.
    double runSeconds() const;
};

} // namespace rtreport
