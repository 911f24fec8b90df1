#pragma once
#include "report/reader/ReportModel.h"
#include <Rt/Rt.h>
#include <string>
#include <vector>

namespace rtrun {

// A report made from what the report reader read (pieces of a run, shards
// of a night), written through the framework's own report writer so its
// bytes are those of every other report: at the run's path in the result
// directory, with its page; when the object goes, the report closes and its
// e-mail summary is made.
//
// It owns the shapes of what it writes: a test's and a group's closing
// values, in their fixed order, and the run's Global record.
class ComposedReport {
public:
    // The values a test's element closes with.
    struct TestValues {
        const std::vector<std::string>& args;
        const std::string& ext;
        const std::string& time;
        const std::string& desc;
        const std::string& title;
    };

    ComposedReport();

    void openGroup() { open("Group"); }
    void openTest();
    int lastId() const { return m_writer->lastId(); }
    // The test opened last, as its element holds it: whether it holds an
    // Error or ExtError record, and what the first one says.
    bool testFailed() const { return m_testFailed; }
    const std::string& testError() const { return m_testError; }

    // A record as read; its kind is counted into `counts`.
    void record(const rtreport::Record& record, rtreport::Counts& counts);
    // Closes the open test: Arg..., Ext, Time, Desc, Title, then its Summary.
    void closeTest(const TestValues& values, const rtreport::Counts& counts);
    // Closes the open group: Time, Desc, Title, then its Summary; hands
    // what is written so far to the system.
    void closeGroup(const std::string& time, const std::string& desc, const std::string& title,
                    const rtreport::Counts& counts);
    // A whole test as read, its summary counted anew; returns its counts.
    rtreport::Counts test(const rtreport::Test& test);
    // The run's closing record: the values of `info` where it holds them,
    // else this run's own; `machine` replaces the machine when not empty.
    void global(const rtreport::RunInfo& info, double runSeconds, const std::string& machine = "");

private:
    void open(const char* element);
    void value(const char* name, const std::string& value);

    Kx::SharedPtr<Rt::TestReporter> m_writer;  // the last reference closes the report and makes the e-mail
    bool m_inTest = false;
    bool m_testFailed = false;
    std::string m_testError;
};

} // namespace rtrun
