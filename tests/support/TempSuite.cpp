#include "support/TempSuite.h"
#include <Rt/Rt.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <set>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#if defined(_WIN32)
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>
#endif

namespace testsupport {

namespace {
const char* kVariables[] = {"KXRT_INDATA_DIR", "KXRT_OUTDATA_DIR", "KXRT_RESULT_DIR", "KXRT_SCRIPT_DIR",
                            "KXRT_CONFIG_DIR", "KXRT_RELATIVE_PATH", "KXRT_PLAT_TARG", "Uname", "DEBUG"};
} // namespace

TempSuite::TempSuite(const std::string& platform) : m_dir("rtsuite"), m_base(m_dir.path()) {
    for (const char* dir : {"Config", "Scripts", "GoldenData", "Results"})
        std::filesystem::create_directory(m_base + dir);
    for (const char* name : kVariables) ::unsetenv(name);
    ::setenv("KXRT_RELATIVE_PATH", m_base.c_str(), 1);
    ::setenv("KXRT_PLAT_TARG", platform.c_str(), 1);
    RtLib::init();
}

TempSuite::~TempSuite() {
    Rt::gResults = nullptr;
    RtLib::fini();
    for (const char* name : kVariables) ::unsetenv(name);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool exists(const std::string& path) {
    std::error_code unreadable;
    return std::filesystem::exists(path, unreadable);
}

std::string listing(const std::string& dir) {
    std::set<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(dir, missing))
        names.insert(entry.path().filename().string());
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

std::string onlyFileEndingIn(const std::string& dir, const std::string& suffix) {
    std::string found;
    int count = 0;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            found = dir + name;
            ++count;
        }
    }
    return count == 1 ? found : std::string();
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    if (std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof(chunk), pipe)) result.output.append(chunk, n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        result.output = "could not start: " + command;
    }
    return result;
}

#if defined(_WIN32)
namespace {
// No xmllint on Windows: the parser it runs, called here, says the same.
void collect(void* problems, xmlErrorPtr error) {
    std::string& text = *static_cast<std::string*>(problems);
    text += std::string(error->file ? error->file : "") + ":" + std::to_string(error->line) + ": " +
            (error->message ? error->message : "parser error\n");
}

std::string parseProblems(bool html, const std::string& path) {
    std::string problems;
    xmlSetStructuredErrorFunc(&problems, &collect);
    const xmlDocPtr document = html ? htmlReadFile(path.c_str(), nullptr, HTML_PARSE_NONET)
                                    : xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (document) xmlFreeDoc(document);
    else if (problems.empty()) problems = path + ": not parsed\n";
    return problems;
}
} // namespace

std::string xmlProblems(const std::string& path) { return parseProblems(false, path); }
std::string htmlProblems(const std::string& path) { return parseProblems(true, path); }

std::string schemaProblems(const std::string& path, const std::string& xsd) {
    std::string problems;
    xmlSetStructuredErrorFunc(&problems, &collect);
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(xsd.c_str());
    xmlSchemaPtr schema = parser ? xmlSchemaParse(parser) : nullptr;
    xmlSchemaValidCtxtPtr validator = schema ? xmlSchemaNewValidCtxt(schema) : nullptr;
    const int invalid = validator ? xmlSchemaValidateFile(validator, path.c_str(), 0) : -1;
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (validator) xmlSchemaFreeValidCtxt(validator);
    if (schema) xmlSchemaFree(schema);
    if (parser) xmlSchemaFreeParserCtxt(parser);
    if (!schema && problems.empty()) problems = xsd + ": not a schema\n";
    if (invalid != 0 && problems.empty()) problems = path + ": fails to validate\n";
    return problems;
}
#else
namespace {
std::string lintProblems(const std::string& options, const std::string& path) {
    CommandResult result = runCommand("xmllint " + options + " '" + path + "'");
    if (result.status != 0 && result.output.empty()) result.output = "xmllint failed to run (is libxml2-utils installed?)";
    return result.output;
}
} // namespace

std::string xmlProblems(const std::string& path) { return lintProblems("--noout", path); }
std::string htmlProblems(const std::string& path) { return lintProblems("--html --noout", path); }

std::string schemaProblems(const std::string& path, const std::string& xsd) {
    const CommandResult lint = runCommand("xmllint --noout --schema '" + xsd + "' '" + path + "'");
    return lint.status == 0 ? std::string() : lint.output;
}
#endif

std::string maskTimes(const std::string& report) {
    static const std::regex time("[0-9]+\\.[0-9]{2} Seconds");
    return std::regex_replace(report, time, "T.TT Seconds");
}

} // namespace testsupport
