#pragma once
#include "report/reader/ReportModel.h"
#include <Rt/Rt.h>
#include <string>

namespace rtrun {

// A report made from what the report reader read (pieces of a run, shards
// of a night), written through the framework's own report writer so its
// bytes are those of every other report: at the run's path in the result
// directory, with its page; when the object goes, the report closes and its
// e-mail summary is made.
class ComposedReport {
public:
    ComposedReport();

    // An element with an id (groups and tests), or without one.
    void open(const char* element);
    void openPlain(const char* element);
    void close(const char* element);
    int lastId() const { return m_writer->lastId(); }

    // A record as read; its kind is counted into `counts`.
    void record(const rtreport::Record& record, rtreport::Counts& counts);
    void value(const char* name, const std::string& value);
    void summary(const rtreport::Counts& counts);
    // A whole test as read, its summary counted anew; returns its counts.
    rtreport::Counts test(const rtreport::Test& test);
    void flush() { m_writer->flush(); }

private:
    Kx::SharedPtr<Rt::TestReporter> m_writer;  // the last reference closes the report and makes the e-mail
};

} // namespace rtrun
