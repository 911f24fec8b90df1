// The history on a PostgreSQL server, for a team whose machines share it.
// Recordings take turns under a transaction-scoped advisory lock; the test
// rows go in through COPY, one stream for the whole run instead of a round
// trip per row.
#include "rtrun/history/HistoryStore.h"
#include "rtrun/history/PostgresLibrary.h"
#include <charconv>
#include <unordered_map>

namespace rtrun {

namespace {

// How long rtrun waits for a server, for another run's recording, and for a statement.
const char* const kConnectSeconds = "5";
const char* const kServerOptions = "-c lock_timeout=20000 -c statement_timeout=60000 -c client_min_messages=warning";
// The advisory lock every recording takes: any number both sides agree on.
const char* const kRecordingLock = "SELECT pg_advisory_xact_lock(7283401)";

// The first line of a message from the library, without its line end.
std::string firstLine(const char* message) {
    std::string line = message ? message : "";
    line = line.substr(0, line.find('\n'));
    return line.empty() ? "unknown error" : line;
}

void appendNumber(std::string& to, std::int64_t value) {
    char digits[24];
    to.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
}

void appendNumber(std::string& to, double value) {
    char digits[32];
    to.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
}

// A value as COPY's text format writes it: \N for null; backslash, tab and line ends escaped.
void appendCopyField(std::string& line, const HistoryValue& value) {
    switch (value.kind) {
    case HistoryValue::Kind::eNull: line += "\\N"; return;
    case HistoryValue::Kind::eInteger: appendNumber(line, value.integer); return;
    case HistoryValue::Kind::eReal: appendNumber(line, value.real); return;
    case HistoryValue::Kind::eText: break;
    }
    for (char c : value.text) {
        if (c == '\\') line += "\\\\";
        else if (c == '\t') line += "\\t";
        else if (c == '\n') line += "\\n";
        else if (c == '\r') line += "\\r";
        else line += c;
    }
}

class PostgresStore : public HistoryStore {
public:
    PostgresStore(const PostgresLibrary& pq, const std::string& address) : m_pq(pq), m_where(shownLocation(address)) {}
    ~PostgresStore() override {
        if (m_connection) m_pq.finish(m_connection);  // an open transaction ends with the session
    }

    bool connect(const std::string& address) {
        // The address comes last, so that what it says wins.
        const char* keys[] = {"connect_timeout", "options", "client_encoding", "dbname", nullptr};
        const char* values[] = {kConnectSeconds, kServerOptions, "UTF8", address.c_str(), nullptr};
        m_connection = m_pq.connectdbParams(keys, values, 1);
        if (m_pq.status(m_connection) == CONNECTION_OK) return true;
        m_problem = firstLine(m_pq.errorMessage(m_connection));
        return false;
    }

    const std::string& where() const override { return m_where; }
    const std::string& problem() const override { return m_problem; }
    const char* selfNumberedId() const override { return "BIGSERIAL"; }

    bool begin() override { return execute("BEGIN") && execute(kRecordingLock); }
    bool commit() override { return execute("COMMIT"); }

    bool run(const std::string& sql, const std::vector<HistoryValue>& values, std::vector<HistoryRow>* rows) override {
        const std::string* name = prepared(sql, values.size());
        if (!name) return false;
        std::vector<std::string> texts(values.size());
        std::vector<const char*> pointers(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i].kind == HistoryValue::Kind::eNull) continue;
            appendCopyValue(texts[i], values[i]);
            pointers[i] = texts[i].c_str();
        }
        PGresult* result = m_pq.execPrepared(m_connection, name->c_str(), static_cast<int>(values.size()),
                                             pointers.data(), nullptr, nullptr, 0);
        const ExecStatusType status = m_pq.resultStatus(result);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok) m_problem = firstLine(m_pq.resultErrorMessage(result));
        if (ok && rows) {
            const int count = m_pq.ntuples(result), columns = m_pq.nfields(result);
            for (int r = 0; r < count; ++r) {
                HistoryRow& row = rows->emplace_back();
                for (int c = 0; c < columns; ++c) row.emplace_back(m_pq.getvalue(result, r, c));
            }
        }
        m_pq.clear(result);
        return ok;
    }

    bool append(const std::string& table, const std::vector<const char*>& columns,
                const std::vector<HistoryValue>& values) override {
        std::string sql = "COPY " + table + " (";
        for (std::size_t i = 0; i < columns.size(); ++i) sql += std::string(i ? ", " : "") + columns[i];
        sql += ") FROM STDIN";
        PGresult* start = m_pq.exec(m_connection, sql.c_str());
        const bool copying = m_pq.resultStatus(start) == PGRES_COPY_IN;
        if (!copying) m_problem = firstLine(m_pq.resultErrorMessage(start));
        m_pq.clear(start);
        if (!copying) return false;
        std::string chunk;
        bool sent = true;
        for (std::size_t i = 0; i < values.size() && sent; ++i) {
            appendCopyField(chunk, values[i]);
            chunk += (i + 1) % columns.size() == 0 ? '\n' : '\t';
            if (chunk.size() >= (1 << 16) || i + 1 == values.size()) {
                sent = m_pq.putCopyData(m_connection, chunk.data(), static_cast<int>(chunk.size())) == 1;
                chunk.clear();
            }
        }
        if (m_pq.putCopyEnd(m_connection, sent ? nullptr : "rtrun could not send its rows") != 1) sent = false;
        bool ok = sent;
        while (PGresult* result = m_pq.getResult(m_connection)) {
            if (m_pq.resultStatus(result) != PGRES_COMMAND_OK) {
                m_problem = firstLine(m_pq.resultErrorMessage(result));
                ok = false;
            }
            m_pq.clear(result);
        }
        if (!sent && m_problem.empty()) m_problem = firstLine(m_pq.errorMessage(m_connection));
        return ok;
    }

private:
    static void appendCopyValue(std::string& text, const HistoryValue& value) {
        if (value.kind == HistoryValue::Kind::eText) text.assign(value.text.data(), value.text.size());
        else appendCopyField(text, value);
    }

    bool execute(const char* sql) {
        PGresult* result = m_pq.exec(m_connection, sql);
        const ExecStatusType status = m_pq.resultStatus(result);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok) m_problem = firstLine(m_pq.resultErrorMessage(result));
        m_pq.clear(result);
        return ok;
    }

    // The statement's server-side name, prepared at its first use with '?' numbered as $1, $2, ...
    const std::string* prepared(const std::string& sql, std::size_t parameters) {
        const auto found = m_statements.find(sql);
        if (found != m_statements.end()) return &found->second;
        std::string numbered;
        int next = 0;
        for (char c : sql) {
            if (c != '?') numbered += c;
            else numbered += "$" + std::to_string(++next);
        }
        const std::string name = "rtrun_" + std::to_string(m_statements.size() + 1);
        PGresult* result = m_pq.prepare(m_connection, name.c_str(), numbered.c_str(), static_cast<int>(parameters), nullptr);
        const bool ok = m_pq.resultStatus(result) == PGRES_COMMAND_OK;
        if (!ok) m_problem = firstLine(m_pq.resultErrorMessage(result));
        m_pq.clear(result);
        return ok ? &m_statements.emplace(sql, name).first->second : nullptr;
    }

    const PostgresLibrary& m_pq;
    std::string m_where;
    std::string m_problem;
    PGconn* m_connection = nullptr;
    std::unordered_map<std::string, std::string> m_statements;
};

} // namespace

std::unique_ptr<HistoryStore> openPostgresStore(const std::string& address, std::string& problem) {
    const PostgresLibrary* pq = PostgresLibrary::get(problem);
    if (!pq) return nullptr;
    auto store = std::make_unique<PostgresStore>(*pq, address);
    if (store->connect(address)) return store;
    problem = store->problem();
    return nullptr;
}

} // namespace rtrun
