#pragma once
// How a report's bytes reach the XML parser.
//
// The writer produces single-byte text (ISO-8859-1) with no encoding
// declaration and passes every byte of a value through, control characters
// included, which XML 1.0 forbids. The parser is therefore fed UTF-8 made
// here: each byte becomes its Latin-1 character, and each forbidden control
// character becomes its visible stand-in from the Control Pictures block
// (U+2400 + byte). A report cannot hold those stand-ins itself (it is
// single-byte text), so restoreControlCharacters turns them back into the
// original bytes once the parser hands the text out.
//
// A run that dies leaves its report cut off, possibly in the middle of a tag.
// The parser would drop everything it had buffered but not yet handed out at
// the first error, so the input keeps track of the open elements itself: at
// the end of a cut-off file it drops the partial tag or reference, announces
// the cut with the processing instruction <?rt-cut-off?> and closes the
// elements still open, innermost first, so the parser delivers every complete
// piece of text the file holds.
#include <cstdio>
#include <string>
#include <vector>

namespace rtreport {

inline constexpr const char* kCutOffMark = "rt-cut-off";

class ReportInput {
public:
    explicit ReportInput(std::FILE* file) : m_file(file) {}

    // The parser's read callback (`self` is the ReportInput): at most `length`
    // bytes of UTF-8; 0 at the end, -1 on a read error.
    static int read(void* self, char* buffer, int length);

    // The file ended with elements open; they were closed here.
    bool cutOff() const { return m_cutOff; }
    // The line the file ends on, counted from 1.
    int lastLine() const { return m_line; }

private:
    enum class State { eText, eMarkup, eReference };

    bool fill(); // false when nothing more will come
    void take(unsigned char byte);
    void markupComplete();
    void emit(const std::string& raw);
    void emit(unsigned char byte);
    void finishInput();

    std::FILE* m_file;
    std::string m_ready; // UTF-8 not yet handed to the parser
    std::size_t m_readyAt = 0;
    State m_state = State::eText;
    std::string m_pending; // a tag or reference not yet complete, as read
    std::vector<std::string> m_open; // names of the open elements, as passed on
    bool m_ended = false;
    bool m_failed = false;
    bool m_cutOff = false;
    int m_line = 1;
};

// Turns the stand-ins made by ReportInput back into the bytes they stand for.
void restoreControlCharacters(std::string& text);

} // namespace rtreport
