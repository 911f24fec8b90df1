// The report writer's escaping, read back by a real XML parser: a value made
// of characters that XML allows (UTF-8, no control characters other than
// tab, line feed and carriage return) is written into a report of its own,
// the report must parse, and its element must hold the value again, with
// line ends normalised as every XML parser normalises them.
#include "FuzzSuite.h"
#include <cstdint>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

// The code point at text[i], advancing i; -1 for a malformed sequence.
long nextCodePoint(const std::string& text, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(text[i++]);
    int more;
    if (lead < 0x80) return lead;
    if (lead >= 0xC2 && lead <= 0xDF) more = 1;
    else if (lead >= 0xE0 && lead <= 0xEF) more = 2;
    else if (lead >= 0xF0 && lead <= 0xF4) more = 3;
    else return -1;
    long code = lead & (0x7F >> (more + 1));
    for (int k = 0; k < more; ++k, ++i) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return -1;
        code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    const long least[] = {0, 0x80, 0x800, 0x10000};  // shorter forms are malformed
    return code < least[more] || code > 0x10FFFF ? -1 : code;
}

// Whether every character of `text` is one XML 1.0 allows.
bool allowedInXml(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const long c = nextCodePoint(text, i);
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (!allowed) return false;
    }
    return true;
}

// "\r\n" and a lone "\r" read back as "\n".
std::string normalisedLineEnds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') out += text[i];
        else {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string results = fuzzsupport::suiteBase() + "Results/";
    const std::string value(reinterpret_cast<const char*>(data), size);
    if (!allowedInXml(value)) return 0;

    KxString reportPath;
    {
        Kx::SharedPtr<Rt::TestReporter> reporter(new Rt::TestReporter("", results.c_str(), false));
        reporter->writeObject("V", KxString(value.data(), static_cast<int>(value.size())));
        reportPath = reporter->reportPath();
    }  // the reporter closes its report
    const std::string report = fuzzsupport::readBytes(reportPath.toStdString());

    xmlDocPtr document = xmlReadMemory(report.data(), static_cast<int>(report.size()), "report.xml", nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document) {
        std::fprintf(stderr, "the report does not parse:\n%s\n", report.c_str());
        std::abort();
    }
    const xmlNode* root = xmlDocGetRootElement(document);
    const xmlNode* element = root ? root->children : nullptr;
    while (element && element->type != XML_ELEMENT_NODE) element = element->next;
    std::string readBack;
    if (element && std::strcmp(reinterpret_cast<const char*>(element->name), "V") == 0) {
        xmlChar* content = xmlNodeGetContent(element);
        readBack = reinterpret_cast<const char*>(content);
        xmlFree(content);
    }
    xmlFreeDoc(document);
    if (!element || readBack != normalisedLineEnds(value)) {
        std::fprintf(stderr, "written:\n%s\nread back:\n%s\n", value.c_str(), readBack.c_str());
        std::abort();
    }
    return 0;
}
