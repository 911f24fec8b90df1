#include "rtrun/reports/junit/XmlText.h"

namespace rtrun {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes the character at `at` and moves past it; false for a byte that
// starts no well-formed UTF-8 sequence (then `at` moves past that byte only).
bool decode(const std::string& text, std::size_t& at, char32_t& code) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        ++at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        ++at;
        return false;
    }
    if (at + length > text.size()) {
        ++at;
        return false;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return false;
        }
        code = (code << 6) | (next & 0x3F);
    }
    at += length;
    return code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

bool allowedInXml(char32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
}

// The reference that stands for a character in content or in an attribute; null when it stands for itself.
const char* referenceFor(char32_t code, bool attribute) {
    switch (code) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return attribute ? "&quot;" : nullptr;
    case '\t': return attribute ? "&#9;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
    case '\r': return "&#13;"; // a raw one would be read as a line end
    default: return nullptr;
    }
}

enum class Use { eContent, eAttribute, eUnescaped };

std::string escaped(const std::string& utf8, Use use) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        if (!decode(utf8, at, code)) {
            out += kReplacement;
            continue;
        }
        const char* reference = use == Use::eUnescaped ? nullptr : referenceFor(code, use == Use::eAttribute);
        if (reference) {
            out += reference;
            continue;
        }
        if (allowedInXml(code)) appendUtf8(out, code);
        else if (code < 0x20) appendUtf8(out, 0x2400 + code);
        else out += kReplacement;
    }
    return out;
}

} // namespace

std::string xmlContent(const std::string& utf8) { return escaped(utf8, Use::eContent); }
std::string xmlAttribute(const std::string& utf8) { return escaped(utf8, Use::eAttribute); }
std::string xmlAllowed(const std::string& utf8) { return escaped(utf8, Use::eUnescaped); }

std::string attributeText(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + xmlAttribute(value) + "\"";
}

std::string attributeText(const char* name, int value) { return attributeText(name, std::to_string(value)); }

} // namespace rtrun
