#include "report/reader/ReportBytes.h"
#include <utility>

namespace rtreport {

namespace {

// The three UTF-8 bytes of U+2400 + control are E2 90 (80 + control).
constexpr unsigned char kStandInLead1 = 0xE2;
constexpr unsigned char kStandInLead2 = 0x90;

bool forbiddenInXml(unsigned char byte) { return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r'; }

} // namespace

int readReportAsUtf8(void* file, char* buffer, int length) {
    // One input byte grows to at most three output bytes.
    unsigned char raw[1024];
    std::size_t wanted = static_cast<std::size_t>(length) / 3;
    if (wanted > sizeof raw) wanted = sizeof raw;
    if (wanted == 0) return -1;
    std::FILE* stream = static_cast<std::FILE*>(file);
    const std::size_t got = std::fread(raw, 1, wanted, stream);
    if (got == 0) return std::ferror(stream) ? -1 : 0;
    unsigned char* out = reinterpret_cast<unsigned char*>(buffer);
    for (std::size_t i = 0; i < got; ++i) {
        const unsigned char byte = raw[i];
        if (forbiddenInXml(byte)) {
            *out++ = kStandInLead1;
            *out++ = kStandInLead2;
            *out++ = static_cast<unsigned char>(0x80 + byte);
        } else if (byte < 0x80) {
            *out++ = byte;
        } else {
            *out++ = static_cast<unsigned char>(0xC0 | (byte >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (byte & 0x3F));
        }
    }
    return static_cast<int>(out - reinterpret_cast<unsigned char*>(buffer));
}

void restoreControlCharacters(std::string& text) {
    std::size_t at = text.find(static_cast<char>(kStandInLead1));
    if (at == std::string::npos) return;
    std::string restored(text, 0, at);
    while (at < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c == kStandInLead1 && at + 2 < text.size() &&
            static_cast<unsigned char>(text[at + 1]) == kStandInLead2) {
            const unsigned char last = static_cast<unsigned char>(text[at + 2]);
            if (last >= 0x80 && last < 0xA0 && forbiddenInXml(static_cast<unsigned char>(last - 0x80))) {
                restored += static_cast<char>(last - 0x80);
                at += 3;
                continue;
            }
        }
        restored += text[at++];
    }
    text = std::move(restored);
}

} // namespace rtreport
