#include "report/reader/ReportInput.h"
#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace rtreport {

namespace {

// The three UTF-8 bytes of U+2400 + control are E2 90 (80 + control).
constexpr unsigned char kStandInLead1 = 0xE2;
constexpr unsigned char kStandInLead2 = 0x90;
// A reference longer than this ("&#x0000ff;" is ten) is not one.
constexpr std::size_t kLongestReference = 12;
// A tag longer than this is not one the writer made.
constexpr std::size_t kLongestMarkup = 64 * 1024;

bool forbiddenInXml(unsigned char byte) { return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r'; }

// Text passed on unchanged: ASCII that XML allows and that starts no markup.
bool plainText(unsigned char byte) { return byte < 0x80 && byte != '<' && byte != '&' && !forbiddenInXml(byte); }

} // namespace

int ReportInput::read(void* self, char* buffer, int length) {
    ReportInput& input = *static_cast<ReportInput*>(self);
    while (input.m_readyAt == input.m_ready.size()) {
        input.m_ready.clear();
        input.m_readyAt = 0;
        if (!input.fill()) return input.m_failed ? -1 : 0;
    }
    const std::size_t count = std::min(static_cast<std::size_t>(length), input.m_ready.size() - input.m_readyAt);
    std::memcpy(buffer, input.m_ready.data() + input.m_readyAt, count);
    input.m_readyAt += count;
    return static_cast<int>(count);
}

bool ReportInput::fill() {
    if (m_ended) return false;
    unsigned char raw[4096];
    const std::size_t got = std::fread(raw, 1, sizeof raw, m_file);
    for (std::size_t i = 0; i < got;) {
        // Most of a report is plain ASCII text between tags: passed on in one piece.
        std::size_t end = i;
        while (m_state == State::eText && end < got && plainText(raw[end])) ++end;
        if (end == i) {
            take(raw[i++]);
            continue;
        }
        m_ready.append(reinterpret_cast<const char*>(raw + i), end - i);
        m_line += static_cast<int>(std::count(raw + i, raw + end, '\n'));
        i = end;
    }
    if (got == 0) {
        m_ended = true;
        if (std::ferror(m_file)) {
            m_failed = true;
            return false;
        }
        finishInput();
    }
    return true;
}

void ReportInput::take(unsigned char byte) {
    switch (m_state) {
    case State::eText:
        if (byte == '<' || byte == '&') {
            m_pending.assign(1, static_cast<char>(byte));
            m_state = byte == '<' ? State::eMarkup : State::eReference;
        } else {
            emit(byte);
        }
        return;
    case State::eMarkup:
        m_pending += static_cast<char>(byte);
        if (byte == '>') {
            markupComplete();
        } else if (m_pending.size() > kLongestMarkup) {
            // No report holds such a tag: hand it on for the parser to refuse,
            // rather than hold the rest of the file back.
            emit(m_pending);
            m_pending.clear();
            m_state = State::eText;
        }
        return;
    case State::eReference:
        if (byte == ';') {
            m_pending += ';';
            emit(m_pending);
            m_pending.clear();
            m_state = State::eText;
        } else if ((std::isalnum(byte) || byte == '#') && m_pending.size() < kLongestReference) {
            m_pending += static_cast<char>(byte);
        } else {
            // Not a reference after all: pass it on for the parser to judge.
            emit(m_pending);
            m_pending.clear();
            m_state = State::eText;
            take(byte);
        }
        return;
    }
}

namespace {

// XML 1.0 name characters, for the Latin-1 character each byte stands for.
bool nameStartByte(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == ':' || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}
bool nameByte(unsigned char c) { return nameStartByte(c) || std::isdigit(c) || c == '-' || c == '.' || c == 0xB7; }

// Where the name of a start tag ends: before the id attribute the writer
// adds to elements opened from a message, or before the closing ">" or "/>".
std::size_t nameEndOf(const std::string& tag) {
    const std::size_t id = tag.rfind(" id=\"");
    if (id != std::string::npos && tag.size() >= id + 7 && tag.compare(tag.size() - 2, 2, "\">") == 0 &&
        tag.find_first_not_of("-0123456789", id + 5) == tag.size() - 2)
        return id;
    return tag.size() - (tag.size() >= 3 && tag[tag.size() - 2] == '/' ? 2 : 1);
}

} // namespace

void ReportInput::markupComplete() {
    // The writer puts element names out as the test code gave them: one that
    // is no XML name has its offending characters replaced by "_", so the
    // element stays readable (as an element the reader does not know).
    std::string& tag = m_pending;
    const bool declarationOrComment = tag.size() > 1 && (tag[1] == '?' || tag[1] == '!');
    if (!declarationOrComment) {
        const bool closing = tag.size() > 1 && tag[1] == '/';
        const std::size_t start = closing ? 2 : 1;
        const std::size_t end = std::max(start, closing ? tag.size() - 1 : nameEndOf(tag));
        std::string name = tag.substr(start, end - start);
        if (name.empty()) name = "_";
        for (std::size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (!(i == 0 ? nameStartByte(c) : nameByte(c))) name[i] = '_';
        }
        // Test code may close an element under another name than it opened
        // it with; the writer's opens and closes still pair up.
        if (closing && !m_open.empty()) {
            name = m_open.back();
            m_open.pop_back();
        } else if (!closing && tag.compare(tag.size() - 2, 2, "/>") != 0) {
            m_open.push_back(name);
        }
        tag = tag.substr(0, start) + name + tag.substr(end);
    }
    emit(m_pending);
    m_pending.clear();
    m_state = State::eText;
}

void ReportInput::finishInput() {
    if (m_open.empty()) {
        emit(m_pending); // whatever follows the root: the parser reports it
        m_pending.clear();
        return;
    }
    m_cutOff = true;
    m_pending.clear();
    emit(std::string("<?") + kCutOffMark + "?>");
    for (auto name = m_open.rbegin(); name != m_open.rend(); ++name) emit("</" + *name + ">");
    m_open.clear();
}

void ReportInput::emit(const std::string& raw) {
    for (char c : raw) emit(static_cast<unsigned char>(c));
}

void ReportInput::emit(unsigned char byte) {
    if (byte == '\n') ++m_line;
    if (forbiddenInXml(byte)) {
        m_ready += static_cast<char>(kStandInLead1);
        m_ready += static_cast<char>(kStandInLead2);
        m_ready += static_cast<char>(0x80 + byte);
    } else if (byte < 0x80) {
        m_ready += static_cast<char>(byte);
    } else {
        m_ready += static_cast<char>(0xC0 | (byte >> 6));
        m_ready += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

void restoreControlCharacters(std::string& text) {
    std::size_t at = text.find(static_cast<char>(kStandInLead1));
    if (at == std::string::npos) return;
    std::string restored(text, 0, at);
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) == kStandInLead1 && at + 2 < text.size() &&
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
