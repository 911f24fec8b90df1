#pragma once
#include "rtrun/reports/junit/JUnitSuite.h"
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rtrun {

// The index rtrun writes beside a report: for each test id of the report,
// the script, the position in it and the case name that made the test. A
// test's title is whatever the test set, so only the index says how a
// script asks for it again.
//
// It also keeps what the report's fixed format has no place for (the run's
// facts): which run it belongs to, its platform and scripts, the tests that
// did not run and why, script problems and refused test libraries. An index
// of the first format (header without a version) holds no facts and still
// reads.
//
// One line each, fields separated by tabs (tabs, line ends and backslashes
// in a field escaped as \t, \n and \\):
//   <id> <script> <position> <case name>                  a test of the report
//   run-id <identity> <where it came from>                 shards of one run share it
//   platform <name>
//   script <script>                                        each, in run order
//   not-run <script> <position> <case name> <group> <why> <argument>...
//   script-problem <script> <problem>
//   refused-library <file> <why>
// Lines of a kind this rtrun does not know are passed over.
class TestIndex {
public:
    struct Entry {
        std::string script;
        int position = 0;
        std::string caseName;
    };
    struct NotRun {
        std::string script;
        int position = 0;
        std::string caseName;
        std::string group;
        std::string why;
        std::vector<std::string> args;
    };
    // A script problem (where: the script) or a refused library (where: its file).
    struct Problem {
        std::string where;
        std::string what;
    };
    struct Facts {
        bool known = false;  // false for an index of the first format: nothing below is known
        std::string runId;   // empty: the run had no identity
        std::string runIdSource;
        std::string platform;
        std::vector<std::string> scripts;
        std::vector<NotRun> notRun;
        std::vector<Problem> scriptProblems;
        std::vector<Problem> refusedLibraries;
    };

    // Where the index of the report at `reportPath` lies: beside it, as "<run>.index".
    static std::string pathBeside(const std::string& reportPath);

    // False when the file cannot be read or is not an index.
    bool read(const std::string& path);
    void add(int reportId, Entry entry) { m_entries[reportId] = std::move(entry); }
    // Null for an id the index does not hold.
    const Entry* find(int reportId) const;
    const Facts& facts() const { return m_facts; }

    // The file's first line, and one test's line (with its line end).
    static const char* header();
    static void formatLine(int reportId, std::string_view script, int position, std::string_view caseName,
                           std::string& line);
    // The lines of the run's facts, which follow the header.
    static std::string factLines(const Facts& facts);

private:
    std::map<int, Entry> m_entries;
    Facts m_facts;
};

// What JUnit needs of the run beyond the report: its not-run tests.
JUnitExtras junitExtrasOf(const TestIndex::Facts& facts);

} // namespace rtrun
