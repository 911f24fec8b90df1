#pragma once
// A PostgreSQL server of the test's own: a fresh cluster (Debian's
// postgresql, run as the "postgres" user, as initdb and pg_ctl refuse root)
// in a temporary directory, listening on a Unix socket there and on no TCP
// port, stopped by its process id when the object goes.
#include "support/TempDir.h"
#include <string>

namespace e2e {

class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Empty when the server runs; else why not, with its logs.
    const std::string& failure() const { return m_failure; }
    // The address of its database, as KXRT_HISTORY takes it.
    std::string address() const;

private:
    bool start();
    testsupport::TempDir m_dir;
    std::string m_failure;
    int m_pid = -1;
};

} // namespace e2e
