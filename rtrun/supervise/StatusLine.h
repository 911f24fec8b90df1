#pragma once
#include <cstdio>
#include <string>

namespace rtrun {

// One line at the bottom of a terminal that says how a long run is doing.
// Whatever else goes to the terminal while it shows is written through
// write(), which takes the line away first; it comes back at the next show().
class StatusLine {
public:
    explicit StatusLine(std::FILE* terminal) : m_terminal(terminal) {}
    // Draws `text` in place of the line shown, cut to the terminal's width.
    void show(const std::string& text);
    // Takes the line away.
    void clear();
    // Writes `bytes` to `stream` with the line out of the way.
    void write(std::FILE* stream, const char* bytes, std::size_t size);

private:
    std::FILE* m_terminal;
    bool m_shown = false;
};

// Passes bytes on whole lines at a time, so that what several writers
// send to one stream never mixes within a line.
class LineRelay {
public:
    LineRelay(std::FILE* to, StatusLine* status) : m_to(to), m_status(status) {}
    void take(const char* bytes, std::size_t size);
    // The end of a last line left unfinished.
    void flush();

private:
    void write(const char* bytes, std::size_t size);

    std::FILE* m_to;
    StatusLine* m_status;
    std::string m_unfinished;
};

} // namespace rtrun
