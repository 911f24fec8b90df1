#pragma once
#include <map>
#include <string>

namespace rtrun {

// The index rtrun writes beside a report: for each test id of the report,
// the script, the position in it and the case name that made the test. A
// test's title is whatever the test set, so only the index says how a
// script asks for it again.
class TestIndex {
public:
    struct Entry {
        std::string script;
        int position = 0;
        std::string caseName;
    };

    // Where the index of the report at `reportPath` lies: beside it, as "<run>.index".
    static std::string pathBeside(const std::string& reportPath);

    // False when the file cannot be read or is not an index.
    bool read(const std::string& path);
    void add(int reportId, Entry entry) { m_entries[reportId] = std::move(entry); }
    bool write(const std::string& path) const;

    // The file's first line, and one test's line (with its line end).
    static const char* header();
    static void formatLine(int reportId, const std::string& script, int position, const std::string& caseName,
                           std::string& line);
    // Null for an id the index does not hold.
    const Entry* find(int reportId) const;

private:
    std::map<int, Entry> m_entries;
};

} // namespace rtrun
