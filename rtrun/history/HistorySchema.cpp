#include "rtrun/history/HistorySchema.h"
#include "rtrun/history/HistoryStore.h"
#include <cstdlib>
#include <vector>

namespace rtrun {

namespace {

// Step i brings a history of version i to version i + 1; "{id}" stands for
// the column type of an id the database numbers itself. A step once
// released never changes: a later change is a step of its own.
const std::vector<std::vector<const char*>> kSteps = {
    {
        // One row per recorded run; a run name repeats within a minute, the id never.
        "CREATE TABLE runs (id {id} PRIMARY KEY, suite TEXT NOT NULL, platform TEXT NOT NULL, "
        "machine TEXT NOT NULL, name TEXT NOT NULL, started BIGINT NOT NULL, seconds DOUBLE PRECISION NOT NULL, "
        "tests INTEGER NOT NULL, passed INTEGER NOT NULL, failed INTEGER NOT NULL, not_run INTEGER NOT NULL, "
        "exit_status INTEGER NOT NULL, identity TEXT NOT NULL)",
        "CREATE INDEX runs_of_suite ON runs (suite, platform, id)",
        // One row per test of a run. `series` is a digest of the suite, the
        // platform and the test's key, so that a test's past is one index
        // range however long its titles; failing_since and failing_runs
        // carry a run of failures along without looking further back.
        "CREATE TABLE tests (run_id BIGINT NOT NULL, series BIGINT NOT NULL, group_title TEXT NOT NULL, "
        "title TEXT NOT NULL, args TEXT NOT NULL, occurrence INTEGER NOT NULL, script TEXT NOT NULL, "
        "case_name TEXT NOT NULL, verdict TEXT NOT NULL, seconds DOUBLE PRECISION NOT NULL, error TEXT NOT NULL, "
        "failing_since TEXT, failing_runs INTEGER)",
        "CREATE INDEX tests_of_series ON tests (series, run_id)",
        "CREATE INDEX tests_of_run ON tests (run_id)",
    },
};

std::string withIdType(const char* statement, const char* idType) {
    std::string sql = statement;
    const std::size_t at = sql.find("{id}");
    if (at != std::string::npos) sql.replace(at, 4, idType);
    return sql;
}

} // namespace

bool prepareSchema(HistoryStore& store, std::string& problem) {
    std::vector<HistoryRow> rows;
    if (!store.run("CREATE TABLE IF NOT EXISTS history_schema (version INTEGER NOT NULL)", {}) ||
        !store.run("SELECT max(version) FROM history_schema", {}, &rows)) {
        problem = store.problem();
        return false;
    }
    const int version = rows.empty() ? 0 : std::atoi(rows[0][0].c_str());
    if (version > kHistorySchemaVersion) {
        problem = "its schema (version " + std::to_string(version) + ") is newer than this rtrun's (version " +
                  std::to_string(kHistorySchemaVersion) + "); it is left alone";
        return false;
    }
    if (version == kHistorySchemaVersion) return true;
    for (std::size_t step = static_cast<std::size_t>(version); step < kSteps.size(); ++step) {
        for (const char* statement : kSteps[step]) {
            if (!store.run(withIdType(statement, store.selfNumberedId()), {})) {
                problem = store.problem();
                return false;
            }
        }
    }
    if (!store.run("DELETE FROM history_schema", {}) ||
        !store.run("INSERT INTO history_schema (version) VALUES (?)", {kHistorySchemaVersion})) {
        problem = store.problem();
        return false;
    }
    return true;
}

} // namespace rtrun
