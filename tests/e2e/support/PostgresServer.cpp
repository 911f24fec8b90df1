#include "PostgresServer.h"
#include "support/TempSuite.h"
#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;

namespace {

// The newest installed server's programs.
std::string serverBinaries() {
    int newest = -1;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const int version = std::atoi(entry.path().filename().string().c_str());
        if (version > newest && fs::exists(entry.path() / "bin" / "pg_ctl", error)) newest = version;
    }
    return newest < 0 ? "" : "/usr/lib/postgresql/" + std::to_string(newest) + "/bin/";
}

bool running(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

} // namespace

PostgresServer::PostgresServer() : m_dir("rtpg") {
    if (!start()) {
        m_failure += "\n--- initdb:\n" + testsupport::readBytes(m_dir.path() + "initdb.log") +
                     "\n--- pg_ctl:\n" + testsupport::readBytes(m_dir.path() + "pg_ctl.log") +
                     "\n--- server:\n" + testsupport::readBytes(m_dir.path() + "server.log");
    }
}

bool PostgresServer::start() {
    const std::string bin = serverBinaries();
    if (bin.empty()) return m_failure = "no PostgreSQL server under /usr/lib/postgresql (Debian: postgresql)", false;
    const passwd* user = ::getpwnam("postgres");
    if (!user) return m_failure = "no user 'postgres' to run the server as", false;
    const std::string dir = m_dir.path();
    // The server's user makes its cluster here and keeps its socket here.
    if (::chown(dir.c_str(), user->pw_uid, user->pw_gid) != 0)
        return m_failure = "cannot give " + dir + " to the user postgres (is the test root?)", false;
    const std::string as = "runuser -u postgres -- ";
    if (std::system((as + bin + "initdb -D " + dir + "data -U rt -A trust --no-sync >" + dir + "initdb.log 2>&1").c_str()) != 0)
        return m_failure = "initdb failed", false;
    const std::string options = "-k " + dir + " -c listen_addresses='' -F";
    if (std::system((as + bin + "pg_ctl -D " + dir + "data -l " + dir + "server.log -o \"" + options +
                     "\" -w -t 60 start >" + dir + "pg_ctl.log 2>&1").c_str()) != 0)
        return m_failure = "pg_ctl could not start the server", false;
    m_pid = std::atoi(testsupport::readBytes(dir + "data/postmaster.pid").c_str());
    if (!running(m_pid)) return m_failure = "the server's process id is not in postmaster.pid", false;
    return true;
}

PostgresServer::~PostgresServer() {
    if (!running(m_pid)) return;
    ::kill(m_pid, SIGINT);  // a fast shutdown: the sessions end, the server goes
    for (int wait = 0; wait < 300 && running(m_pid); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (running(m_pid)) ::kill(m_pid, SIGKILL);
}

std::string PostgresServer::address() const { return "postgresql://rt@/postgres?host=" + m_dir.path(); }

} // namespace e2e
