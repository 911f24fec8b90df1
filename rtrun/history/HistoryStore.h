#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rtrun {

// A value handed to a statement: null, an integer, a real or a text (which
// must outlive the call).
struct HistoryValue {
    enum class Kind { eNull, eInteger, eReal, eText };
    Kind kind = Kind::eNull;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view text;

    HistoryValue() = default;
    HistoryValue(int value) : kind(Kind::eInteger), integer(value) {}
    HistoryValue(std::int64_t value) : kind(Kind::eInteger), integer(value) {}
    HistoryValue(double value) : kind(Kind::eReal), real(value) {}
    HistoryValue(std::string_view value) : kind(Kind::eText), text(value) {}
    HistoryValue(const std::string& value) : kind(Kind::eText), text(value) {}
    HistoryValue(const char* value) : kind(Kind::eText), text(value) {}
};

// A result row, every column as text (null as an empty text).
using HistoryRow = std::vector<std::string>;

// One history database, whichever kind holds it. The history's SQL is
// written once, with '?' for parameters, in the subset both kinds speak;
// what differs between them lives behind this interface. Every call but
// where() returns false on failure, with the reason in problem().
class HistoryStore {
public:
    virtual ~HistoryStore() = default;

    // The history as messages name it: a file's path, or a server's address without its password.
    virtual const std::string& where() const = 0;
    virtual const std::string& problem() const = 0;
    // The column type of an id the database numbers itself (the schema's one difference).
    virtual const char* selfNumberedId() const = 0;

    // Starts the one transaction a recording or a reading runs in, holding
    // off other writers until commit(); a transaction never committed is
    // rolled back when the store goes.
    virtual bool begin() = 0;
    virtual bool commit() = 0;
    // Runs a statement, prepared once per text and kept; its rows go to `rows` when given.
    virtual bool run(const std::string& sql, const std::vector<HistoryValue>& values,
                     std::vector<HistoryRow>* rows = nullptr) = 0;
    // Adds rows to `table`: `values` holds columns.size() values per row, row after row.
    virtual bool append(const std::string& table, const std::vector<const char*>& columns,
                        const std::vector<HistoryValue>& values) = 0;
};

// Opens the history at `location`: a postgresql:// (or postgres://)
// address, else an SQLite file, made when missing unless `mustExist`.
// Null, with the reason, when it cannot be opened; null with no reason for
// a file that does not exist and must.
std::unique_ptr<HistoryStore> openHistoryStore(const std::string& location, bool mustExist, std::string& problem);

// The two kinds; openHistoryStore chooses.
std::unique_ptr<HistoryStore> openSqliteStore(const std::string& path, bool mustExist, std::string& problem);
std::unique_ptr<HistoryStore> openPostgresStore(const std::string& address, std::string& problem);

// True for an address of a database server rather than a file.
bool isServerAddress(const std::string& location);
// The location as messages show it: a server's address without its password.
std::string shownLocation(const std::string& location);

} // namespace rtrun
