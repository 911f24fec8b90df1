#include "rtrun/run/TestFilter.h"
#include <sstream>

namespace rtrun {

namespace {

// A "[" that no "]" closes would silently match itself literally.
bool bracketsClose(const std::string& pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            ++i;
        } else if (pattern[i] == '[') {
            const std::size_t close = pattern.find(']', i + 2);
            if (close == std::string::npos) return false;
            i = close;
        }
    }
    return true;
}

// Whether the class at p[0] == '[' holds c; p moves past its ']'.
bool classHolds(const char*& p, char c) {
    ++p;
    const bool negated = *p == '!' || *p == '^';
    if (negated) ++p;
    bool held = false;
    for (bool first = true; *p && (first || *p != ']'); first = false) {
        if (p[1] == '-' && p[2] && p[2] != ']') {
            held = held || (p[0] <= c && c <= p[2]);
            p += 3;
        } else {
            held = held || *p == c;
            ++p;
        }
    }
    if (*p == ']') ++p;
    return held != negated;
}

// Shell-style globbing: "*" any run, "?" any one character, "[...]" a
// class, "\\" quotes the next character. "*" also crosses "/".
// Iterative: on a mismatch only the latest "*" takes one more character, so
// the time is at most pattern length times name length, however many stars.
bool globMatch(const char* p, const char* s) {
    const char* starPattern = nullptr;  // just after the latest "*"
    const char* starName = nullptr;     // where that "*" stops swallowing
    while (*s) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            starPattern = p;
            starName = s;
            continue;
        }
        const char* next = p;
        bool matched;
        if (*p == '[') {
            matched = classHolds(next, *s);
        } else {
            const bool quoted = *next == '\\' && next[1];
            if (quoted) ++next;
            matched = *next && ((*next == '?' && !quoted) || *next == *s);
            if (matched) ++next;
        }
        if (matched) {
            p = next;
            ++s;
        } else if (starPattern) {
            p = starPattern;
            s = ++starName;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return !*p;
}

bool matchesAny(const std::vector<std::string>& patterns, const std::string& name) {
    for (const std::string& pattern : patterns)
        if (globMatch(pattern.c_str(), name.c_str())) return true;
    return false;
}

} // namespace

bool TestFilter::add(const std::string& pattern, std::string& problem) {
    const bool exclude = !pattern.empty() && pattern[0] == '-';
    const std::string glob = exclude ? pattern.substr(1) : pattern;
    if (glob.empty()) {
        problem = "empty filter pattern '" + pattern + "'";
        return false;
    }
    if (!bracketsClose(glob)) {
        problem = "filter pattern '" + pattern + "' has a '[' without its ']'";
        return false;
    }
    (exclude ? m_exclude : m_include).push_back(glob);
    m_given.push_back(pattern);
    return true;
}

bool TestFilter::addAll(const std::string& patterns, std::string& problem) {
    std::istringstream words(patterns);
    std::string pattern;
    while (words >> pattern)
        if (!add(pattern, problem)) return false;
    return true;
}

bool TestFilter::selects(const std::string& group, const std::string& caseName) const {
    const std::string name = group + "/" + caseName;
    return (m_include.empty() || matchesAny(m_include, name)) && !matchesAny(m_exclude, name);
}

std::string TestFilter::patterns() const {
    std::string text;
    for (const std::string& pattern : m_given) text += (text.empty() ? "'" : " '") + pattern + "'";
    return text;
}

} // namespace rtrun
