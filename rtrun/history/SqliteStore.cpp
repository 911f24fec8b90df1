// The history in an SQLite file: write-ahead logging, so that readers never
// wait, and a busy timeout, so that runs ending at the same time take turns.
#include "rtrun/history/HistoryStore.h"
#include <sqlite3.h>
#include <filesystem>
#include <unordered_map>

namespace rtrun {

namespace {

// How long a run waits for another that is recording into the same file.
constexpr int kBusyMilliseconds = 5000;

class SqliteStore : public HistoryStore {
public:
    explicit SqliteStore(std::string path) : m_where(std::move(path)) {}
    ~SqliteStore() override {
        if (m_open && m_db) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        for (auto& entry : m_statements) sqlite3_finalize(entry.second);
        if (m_db) sqlite3_close(m_db);
    }

    bool open(bool mustExist) {
        const int flags = SQLITE_OPEN_READWRITE | (mustExist ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(m_where.c_str(), &m_db, flags, nullptr) != SQLITE_OK) return failed();
        sqlite3_busy_timeout(m_db, kBusyMilliseconds);
        // WAL is a lasting property of the file; asking again costs nothing.
        // A cache that holds a large run's index pages, so that recording it never spills to disk mid-way.
        return execute("PRAGMA journal_mode=WAL") && execute("PRAGMA synchronous=NORMAL") &&
               execute("PRAGMA cache_size=-32768");
    }

    const std::string& where() const override { return m_where; }
    const std::string& problem() const override { return m_problem; }
    const char* selfNumberedId() const override { return "INTEGER"; }

    // IMMEDIATE takes the write lock at once: two runs that both read
    // first and then write could otherwise each wait for the other.
    bool begin() override { return m_open = execute("BEGIN IMMEDIATE"); }
    bool commit() override {
        if (!execute("COMMIT")) return false;
        m_open = false;
        return true;
    }

    bool run(const std::string& sql, const std::vector<HistoryValue>& values, std::vector<HistoryRow>* rows) override {
        sqlite3_stmt* statement = prepared(sql);
        if (!statement || !bind(statement, values.data(), values.size())) return false;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            if (!rows) continue;
            HistoryRow& row = rows->emplace_back();
            const int columns = sqlite3_column_count(statement);
            for (int i = 0; i < columns; ++i) {
                const unsigned char* text = sqlite3_column_text(statement, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
            }
        }
        sqlite3_reset(statement);
        return step == SQLITE_DONE || failed();
    }

    bool append(const std::string& table, const std::vector<const char*>& columns,
                const std::vector<HistoryValue>& values) override {
        std::string sql = "INSERT INTO " + table + " (";
        for (std::size_t i = 0; i < columns.size(); ++i) sql += std::string(i ? ", " : "") + columns[i];
        sql += ") VALUES (";
        for (std::size_t i = 0; i < columns.size(); ++i) sql += i ? ", ?" : "?";
        sql += ")";
        sqlite3_stmt* statement = prepared(sql);
        if (!statement) return false;
        for (std::size_t row = 0; row + columns.size() <= values.size(); row += columns.size()) {
            if (!bind(statement, values.data() + row, columns.size())) return false;
            const int step = sqlite3_step(statement);
            sqlite3_reset(statement);
            if (step != SQLITE_DONE) return failed();
        }
        return true;
    }

private:
    bool failed() {
        m_problem = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        return false;
    }

    bool execute(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK || failed(); }

    sqlite3_stmt* prepared(const std::string& sql) {
        sqlite3_stmt*& statement = m_statements[sql];
        if (!statement && sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                             &statement, nullptr) != SQLITE_OK) {
            failed();
            m_statements.erase(sql);
            return nullptr;
        }
        return statement;
    }

    bool bind(sqlite3_stmt* statement, const HistoryValue* values, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const HistoryValue& value = values[i];
            const int at = static_cast<int>(i + 1);
            int result = SQLITE_OK;
            switch (value.kind) {
            case HistoryValue::Kind::eNull: result = sqlite3_bind_null(statement, at); break;
            case HistoryValue::Kind::eInteger: result = sqlite3_bind_int64(statement, at, value.integer); break;
            case HistoryValue::Kind::eReal: result = sqlite3_bind_double(statement, at, value.real); break;
            case HistoryValue::Kind::eText:
                // A text without storage is still a text: SQLite would bind a null pointer as null.
                result = sqlite3_bind_text(statement, at, value.text.data() ? value.text.data() : "",
                                           static_cast<int>(value.text.size()), SQLITE_STATIC);
                break;
            }
            if (result != SQLITE_OK) return failed();
        }
        return true;
    }

    std::string m_where;
    std::string m_problem;
    sqlite3* m_db = nullptr;
    bool m_open = false;  // a transaction is open
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace

std::unique_ptr<HistoryStore> openSqliteStore(const std::string& path, bool mustExist, std::string& problem) {
    std::error_code error;
    if (mustExist && !std::filesystem::exists(path, error)) return nullptr;
    auto store = std::make_unique<SqliteStore>(path);
    if (store->open(mustExist)) return store;
    problem = store->problem();
    return nullptr;
}

} // namespace rtrun
