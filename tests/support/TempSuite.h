#pragma once
// A real suite directory for tests: a fresh temporary base directory with
// Config/, Scripts/, GoldenData/ and Results/, made the library's base
// through KXRT_RELATIVE_PATH while the object lives, with the library
// started (RtLib::init) on it.
#include "support/TempDir.h"
#include <string>

namespace testsupport {

class TempSuite {
public:
    // `platform` becomes KXRT_PLAT_TARG; the other KXRT_* variables are unset.
    explicit TempSuite(const std::string& platform = "LNXTEST");
    ~TempSuite();
    TempSuite(const TempSuite&) = delete;
    TempSuite& operator=(const TempSuite&) = delete;

    const std::string& base() const { return m_base; }        // ends in "/"
    std::string config() const { return m_base + "Config/"; }
    std::string scripts() const { return m_base + "Scripts/"; }
    std::string goldenData() const { return m_base + "GoldenData/"; }
    std::string results() const { return m_base + "Results/"; }

private:
    TempDir m_dir;
    std::string m_base;
};

// Whole-file helpers on real files.
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Names of the entries of a directory, sorted.
std::string listing(const std::string& dir);
// The one file in `dir` whose name ends in `suffix`; empty when none or several.
std::string onlyFileEndingIn(const std::string& dir, const std::string& suffix);
// Runs a shell command; its standard output and error together, and its exit status.
struct CommandResult {
    std::string output;
    int status = -1;
};
CommandResult runCommand(const std::string& command);
// Runs `xmllint --noout` on the file; returns its diagnostics, empty when well-formed.
std::string xmlProblems(const std::string& path);
// The same through xmllint's HTML parser (`xmllint --html --noout`).
std::string htmlProblems(const std::string& path);
// The file checked against the XML schema `xsd` (`xmllint --schema`): the
// diagnostics, empty when valid.
std::string schemaProblems(const std::string& path, const std::string& xsd);
// Replaces every run of digits in the "%.2f Seconds" times by "T.TT", so reports compare byte for byte.
std::string maskTimes(const std::string& report);

} // namespace testsupport
