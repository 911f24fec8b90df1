#include "rtrun/reports/ComposedReport.h"
#include "report/SecondsText.h"

namespace rtrun {

using rtreport::Counts;
using rtreport::Record;
using rtreport::RecordKind;

namespace {

// A text of the reader's as the report's single-byte text.
KxString text(const std::string& utf8) {
    const std::string bytes = rtreport::reportBytes(utf8);
    return KxString(bytes.c_str(), static_cast<int>(bytes.size()));
}

} // namespace

ComposedReport::ComposedReport() : m_writer(new Rt::TestReporter("", Rt::resultDir(), true)) {}

void ComposedReport::open(const char* element) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg("", "", "", "", Rt::eCommand));
    message->textList.append(element);
    m_writer->openObj(message.get());
}

void ComposedReport::openTest() {
    open("Test");
    m_inTest = true;
    m_testFailed = false;
    m_testError.clear();
}

void ComposedReport::record(const Record& record, Counts& counts) {
    if (m_inTest && !m_testFailed && rtreport::isFailure(record.kind)) {
        m_testFailed = true;
        m_testError = rtreport::recordText(record);
    }
    const std::size_t colons = record.method.find("::");
    const std::string className = record.method.substr(0, colons);
    const std::string method = colons == std::string::npos ? std::string() : record.method.substr(colons + 2);
    rtreport::countRecord(counts, record.kind);
    if (record.kind == RecordKind::eKxError) {
        Kx::SharedPtr<KxStdError> error(new KxStdError(text(className), text(method), "", text(record.desc), 0));
        m_writer->writeKxStdErr(error.get());
        return;
    }
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(text(className), text(method), "", text(record.desc), 0));
    for (const std::string& line : record.msgs) message->textList.append(text(line));
    for (const std::string& line : record.traces) message->traceList.append(text(line));
    m_writer->writeMsg(rtreport::recordKindName(record.kind), message.get());
}

void ComposedReport::value(const char* name, const std::string& value) { m_writer->writeObject(name, text(value)); }

namespace {

void writeSummary(Rt::TestReporter& writer, const Counts& counts) {
    writer.openObj(KxString("Summary"));
    const std::pair<const char*, int> values[] = {{"KxErrors", counts.kxErrors()},   {"Errors", counts.errors()},
                                                  {"Warnings", counts.warnings()},   {"ExtErrors", counts.extErrors()},
                                                  {"ExtWarnings", counts.extWarnings()}};
    for (const auto& [name, count] : values) writer.writeCount(KxString(name), count);
    writer.closeObj(KxString("Summary"));
}

} // namespace

void ComposedReport::closeTest(const TestValues& values, const Counts& counts) {
    for (const std::string& arg : values.args) value("Arg", arg);
    value("Ext", values.ext);
    value("Time", values.time);
    value("Desc", values.desc);
    value("Title", values.title);
    writeSummary(*m_writer, counts);
    m_writer->closeObj(KxString("Test"));
    m_inTest = false;
}

void ComposedReport::closeGroup(const std::string& time, const std::string& desc, const std::string& title,
                                const Counts& counts) {
    value("Time", time);
    value("Desc", desc);
    value("Title", title);
    writeSummary(*m_writer, counts);
    m_writer->closeObj(KxString("Group"));
    m_writer->flush();
}

Counts ComposedReport::test(const rtreport::Test& test) {
    openTest();
    Counts counts;
    for (const Record& record : test.records) this->record(record, counts);
    closeTest({test.args, test.ext, test.time, test.desc, test.title}, counts);
    return counts;
}

void ComposedReport::global(const rtreport::RunInfo& info, double runSeconds, const std::string& machine) {
    m_writer->openObj(KxString("Global"));
    value("Machine", !machine.empty() ? machine : info.present ? info.machine : Rt::machine().toStdString());
    value("Platform", info.present ? info.platform : Rt::platform().toStdString());
    value("RunTime", Rt::SecondsText(runSeconds).text);
    value("Version", info.present ? info.version : std::string(KxVersion::whatString + 4));
    m_writer->closeObj(KxString("Global"));
}

} // namespace rtrun
