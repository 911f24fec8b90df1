#include "rtrun/ComposedReport.h"

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

void ComposedReport::openPlain(const char* element) { m_writer->openObj(KxString(element)); }

void ComposedReport::close(const char* element) { m_writer->closeObj(KxString(element)); }

void ComposedReport::record(const Record& record, Counts& counts) {
    const std::size_t colons = record.method.find("::");
    const std::string className = record.method.substr(0, colons);
    const std::string method = colons == std::string::npos ? std::string() : record.method.substr(colons + 2);
    counts.count(record.kind);
    if (record.kind == RecordKind::kKxError) {
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

void ComposedReport::summary(const Counts& counts) {
    m_writer->openObj(KxString("Summary"));
    const std::pair<const char*, int> values[] = {{"KxErrors", counts.kxErrors},  {"Errors", counts.errors},
                                                  {"Warnings", counts.warnings},  {"ExtErrors", counts.extErrors},
                                                  {"ExtWarnings", counts.extWarnings}};
    for (const auto& [name, count] : values) m_writer->writeCount(KxString(name), count);
    m_writer->closeObj(KxString("Summary"));
}

Counts ComposedReport::test(const rtreport::Test& test) {
    open("Test");
    Counts counts;
    for (const Record& record : test.records) this->record(record, counts);
    for (const std::string& arg : test.args) value("Arg", arg);
    value("Ext", test.ext);
    value("Time", test.time);
    value("Desc", test.desc);
    value("Title", test.title);
    summary(counts);
    close("Test");
    return counts;
}

} // namespace rtrun
