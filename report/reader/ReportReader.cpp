#include "report/reader/ReportReader.h"
#include "report/reader/ReportBuilder.h"
#include "report/reader/ReportInput.h"
#include "report/reader/XmlLibrary.h"
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>

namespace rtreport {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct ReaderFreer {
    const XmlLibrary* xml = nullptr;
    void operator()(xmlTextReader* reader) const { xml->freeTextReader(reader); }
};

// The parser's first error, kept instead of printed.
struct ParseError {
    std::string message;
    int line = 0;
};

void keepFirstError(void* context, xmlErrorPtr error) {
    ParseError& first = *static_cast<ParseError*>(context);
    if (!first.message.empty() || error == nullptr || error->level < XML_ERR_ERROR) return;
    first.message = error->message ? error->message : "malformed XML";
    while (!first.message.empty() && (first.message.back() == '\n' || first.message.back() == ' '))
        first.message.pop_back();
    first.line = error->line;
}

int idOf(const XmlLibrary& xml, xmlTextReader* reader) {
    if (xml.moveToAttribute(reader, BAD_CAST "id") != 1) return -1;
    const char* begin = reinterpret_cast<const char*>(xml.constValue(reader));
    int id = -1;
    if (!begin || std::from_chars(begin, begin + std::strlen(begin), id).ec != std::errc()) id = -1;
    xml.moveToElement(reader);
    return id;
}

// Hands one node of the parser to the builder; false when the root is not a report's.
bool feed(const XmlLibrary& xml, xmlTextReader* reader, ReportBuilder& builder) {
    switch (xml.nodeType(reader)) {
    case XML_READER_TYPE_ELEMENT: {
        const char* name = reinterpret_cast<const char*>(xml.constName(reader));
        const int id = idOf(xml, reader);
        if (!builder.start(name ? name : "", id)) return false;
        if (xml.isEmptyElement(reader)) builder.end();
        break;
    }
    case XML_READER_TYPE_END_ELEMENT: builder.end(); break;
    case XML_READER_TYPE_PROCESSING_INSTRUCTION: {
        const char* target = reinterpret_cast<const char*>(xml.constName(reader));
        if (target && std::strcmp(target, kCutOffMark) == 0) builder.cutOffHere();
        break;
    }
    case XML_READER_TYPE_TEXT:
    case XML_READER_TYPE_CDATA:
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: {
        const xmlChar* value = xml.constValue(reader);
        if (value) builder.text(reinterpret_cast<const char*>(value));
        break;
    }
    default: break;
    }
    return true;
}

// Keeps what the builder delivers until the reader's caller takes it.
class Queue : public ReportVisitor {
public:
    void group(const Group& group) override { groups.push_back(group); }
    void runInfo(const RunInfo& info) override { run = info; }

    std::deque<Group> groups;
    RunInfo run;
};

} // namespace

struct ReportReader::Parse {
    std::string path;
    std::unique_ptr<std::FILE, FileCloser> file;
    std::unique_ptr<ReportInput> input;
    const XmlLibrary* xml = nullptr;
    std::unique_ptr<xmlTextReader, ReaderFreer> reader;
    ParseError error;
    Queue queue;
    ReportBuilder builder{queue};
    bool done = false;
    ReadResult result;

    void open();
    void step();
    void end(int status);
    void refuse(const std::string& why) {
        result.status = ReadResult::Status::eUnreadable;
        result.problem = path + ": " + why;
        done = true;
        queue.groups.clear(); // nothing of a file that is no report is handed out
    }
};

void ReportReader::Parse::open() {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return refuse("is a directory, not a report");
    file.reset(std::fopen(path.c_str(), "rb"));
    if (!file) return refuse(std::strerror(errno));
    if (std::filesystem::file_size(path, ignored) == 0) return refuse("is empty, not a report");
    input = std::make_unique<ReportInput>(file.get());
    // The text reaches the parser as UTF-8 (see ReportInput.h), whatever the
    // file itself might declare.
    const int options = XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::string problem;
    xml = XmlLibrary::get(problem);
    if (!xml) return refuse(problem);
    reader = std::unique_ptr<xmlTextReader, ReaderFreer>(
        xml->readerForIO(&ReportInput::read, nullptr, input.get(), path.c_str(), "UTF-8", options), ReaderFreer{xml});
    if (!reader) return refuse("the XML reader could not be set up");
    xml->setStructuredErrorHandler(reader.get(), &keepFirstError, &error);
}

void ReportReader::Parse::step() {
    const int status = xml->read(reader.get());
    if (status != 1) return end(status);
    if (!feed(*xml, reader.get(), builder)) refuse("not a report (its root element is not KxRegTester)");
}

void ReportReader::Parse::end(int status) {
    done = true;
    if (!builder.rootOpened()) {
        if (std::ferror(file.get())) return refuse(std::strerror(errno));
        if (error.message.empty()) return refuse("not a report (it holds no XML element)");
        return refuse("not a report (" + error.message + " at line " + std::to_string(error.line) + ")");
    }
    const std::string position = builder.position();
    builder.finish();
    if (input->cutOff()) {
        result.status = ReadResult::Status::eCutOff;
        result.problem = path + ": the report ends " + builder.cutOffPosition() + ", at line " +
                         std::to_string(input->lastLine());
    } else if (status < 0 && !builder.rootClosed()) {
        // Damaged before its end: what the parser handed out before the damage is kept.
        result.status = ReadResult::Status::eCutOff;
        result.problem = path + ": reading stopped " + position + " at line " + std::to_string(error.line) + " (" +
                         error.message + ")";
    } else {
        result.status = ReadResult::Status::eComplete;
        if (status < 0) result.problem = path + ": " + error.message + " after the end of the report (ignored)";
    }
}

ReportReader::ReportReader(const std::string& path) : m_parse(std::make_unique<Parse>()) {
    m_parse->path = path;
    m_parse->open();
}

ReportReader::~ReportReader() = default;

bool ReportReader::next(Group& group) {
    Parse& parse = *m_parse;
    while (parse.queue.groups.empty() && !parse.done) parse.step();
    if (parse.queue.groups.empty()) return false;
    group = std::move(parse.queue.groups.front());
    parse.queue.groups.pop_front();
    return true;
}

const RunInfo& ReportReader::runInfo() const { return m_parse->queue.run; }
const ReadResult& ReportReader::result() const { return m_parse->result; }

ReadResult readReport(const std::string& path, ReportVisitor& visitor) {
    ReportReader reader(path);
    Group group;
    while (reader.next(group)) visitor.group(group);
    if (reader.runInfo().present) visitor.runInfo(reader.runInfo());
    return reader.result();
}

ReadResult readReport(const std::string& path, Report& report) {
    class Collector : public ReportVisitor {
    public:
        explicit Collector(Report& report) : m_report(report) {}
        void group(const Group& group) override { m_report.groups.push_back(group); }
        void runInfo(const RunInfo& info) override { m_report.run = info; }

    private:
        Report& m_report;
    };
    Collector collector(report);
    return readReport(path, collector);
}

} // namespace rtreport
