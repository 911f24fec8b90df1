#include "rtrun/run/RunSlot.h"
#include "rtrun/history/PageHistory.h"
#include "env/Platform.h"
#include <Rt/Rt.h>
#include "rtrun/system/Files.h"
#include "rtrun/system/Process.h"
#include <cstdio>
#include <filesystem>

namespace rtrun {

using Process::FileKind;

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Moves `from` to `to`, naming the earlier file names inside it anew, so
// that a moved page still finds its moved report.
bool moveRenaming(const std::string& from, const std::string& to, const std::string& oldName,
                  const std::string& newName) {
    std::string text;
    if (!readFile(from, text)) return false;
    replaceAll(text, oldName + ".xml", newName + ".xml");
    replaceAll(text, oldName + ".htm", newName + ".htm");
    std::FILE* out = openForWriting(to);
    if (!out) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) return false;
    return std::remove(from.c_str()) == 0;
}

} // namespace

// False only when a live run holds the names in `dir`. Where no lock can be
// had at all (the directory is unusable, say) the run goes on unlocked, and
// a report it cannot write is reported as such.
bool RunSlot::lockIn(const std::string& dir, const std::string& runName) {
    const std::string path = dir + "." + runName + ".lock";
    int error = 0;
    const Process::LockResult result = Process::lockFile(path, m_lock, error);
    if (result == Process::LockResult::eLocked) {
        m_lockPath = path;
        s_claimed = this;
    }
    return result != Process::LockResult::eHeld;
}

bool RunSlot::claim(std::string& resultDir, const std::string& runName, const std::string& platform,
                    std::string& problem) {
    for (int n = 2; !lockIn(m_movedTo.empty() ? resultDir : m_movedTo, runName); ++n) {
        // A live run holds the names: this run gets a directory of its own.
        m_movedTo = resultDir + runName + "-" + std::to_string(n) + "/";
        Rt::Platform::makeDirectory(m_movedTo.c_str());
        if (Process::fileKind(m_movedTo) != FileKind::eDirectory) {
            problem = "cannot make the directory " + m_movedTo;
            return false;
        }
    }
    if (!m_movedTo.empty()) resultDir = m_movedTo;
    moveEarlierRun(resultDir, runName, platform);
    removeStaleLocks(resultDir);
    return true;
}

bool RunSlot::claimResultDirectory() {
    std::string results = Rt::resultDir().toStdString();
    Rt::Platform::makeDirectory(results.c_str());
    if (!Rt::Platform::isWritableDirectory(results)) {
        std::fprintf(stderr, "rtrun: the result directory %s cannot be written (does its parent exist?)\n",
                     results.c_str());
        return false;
    }
    results = withTrailingSlash(results);
    std::string problem;
    if (!claim(results, Rt::TestReporter::makeRunName().toStdString(), Rt::platform().toStdString(), problem)) {
        std::fprintf(stderr, "rtrun: %s\n", problem.c_str());
        return false;
    }
    if (!m_movedTo.empty()) Rt::setResultDir(m_movedTo.c_str());
    if (!m_earlierMovedTo.empty())
        std::fprintf(stderr, "rtrun: the earlier run of this minute was moved aside: %s.xml (with its page, e-mail "
                     "summary and test index)\n", forDisplay(m_earlierMovedTo).c_str());
    return true;
}

void RunSlot::moveEarlierRun(const std::string& dir, const std::string& runName, const std::string& platform) {
    const std::string report = dir + runName + ".xml";
    if (Process::fileKind(report) != FileKind::eFile) return;  // anything else fails as the report
    std::string earlier;
    for (int n = 1;; ++n) {
        earlier = runName + "-earlier" + std::to_string(n);
        if (Process::fileKind(dir + earlier + ".xml") == FileKind::eNone) break;
    }
    int error = 0;
    if (!Process::renameFile(report, dir + earlier + ".xml", error)) return;
    const std::string page = dir + runName + ".htm";
    if (Process::fileKind(page) == FileKind::eFile) moveRenaming(page, dir + earlier + ".htm", runName, earlier);
    const std::string email = dir + platform + "/" + runName + ".email";
    if (Process::fileKind(email) == FileKind::eFile)
        moveRenaming(email, dir + platform + "/" + earlier + ".email", runName, earlier);
    const std::string index = dir + runName + ".index";
    if (Process::fileKind(index) == FileKind::eFile) Process::renameFile(index, dir + earlier + ".index", error);
    const std::string history = pageHistoryPathBeside(report);
    if (Process::fileKind(history) == FileKind::eFile)
        Process::renameFile(history, pageHistoryPathBeside(dir + earlier + ".xml"), error);
    m_earlierMovedTo = dir + earlier;
}

// A run killed before it could release its lock left the lock's file: no
// one holds it, so it goes.
void RunSlot::removeStaleLocks(const std::string& dir) {
    std::error_code error;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 6 || name[0] != '.' || name.compare(name.size() - 5, 5, ".lock") != 0) continue;
        const std::string path = entry.path().string();
        if (path == m_lockPath) continue;
        int handle = -1, failure = 0;
        if (Process::lockFile(path, handle, failure) == Process::LockResult::eLocked) Process::unlockFile(path, handle);
    }
}

RunSlot* RunSlot::s_claimed = nullptr;

void RunSlot::release() {
    Process::unlockFile(m_lockPath, m_lock);
    m_lock = -1;
    m_lockPath.clear();
    if (s_claimed == this) s_claimed = nullptr;
}

void RunSlot::releaseClaimed() {
    if (s_claimed) s_claimed->release();
}

} // namespace rtrun
