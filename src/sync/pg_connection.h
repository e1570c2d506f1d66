#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tvx::sync {

// A failure of the server or of the way to it, with the server's SQLSTATE when it answered
// ("42501": not allowed); an empty state when it could not be reached or the line broke.
class PgError : public std::runtime_error {
public:
    PgError(std::string state, const std::string& message)
        : std::runtime_error(message), m_state(std::move(state)) {}
    const std::string& state() const { return m_state; }
    bool unreachable() const { return m_state.empty() || m_state.starts_with("08"); }
    bool notAllowed() const { return m_state == "42501"; }

private:
    std::string m_state;
};

// The rows a statement returned, as text (NULL as nullopt).
class PgRows {
public:
    explicit PgRows(pg_result* result);
    ~PgRows();
    PgRows(PgRows&& other) noexcept;
    PgRows(const PgRows&) = delete;
    PgRows& operator=(const PgRows&) = delete;
    PgRows& operator=(PgRows&&) = delete;

    int size() const;
    std::optional<std::string> at(int row, int column) const;
    std::string text(int row, int column) const { return at(row, column).value_or(""); }
    // Rows a command changed ("INSERT 0 3": 3).
    long long affected() const;

private:
    pg_result* m_result;
};

// One libpq connection. The connection string is libpq's own (keywords or a URI, a service
// name from pg_service.conf); the password comes from the user's pgpass file or PGPASSWORD,
// as libpq finds it. Not thread-safe: one thread uses it.
class PgConnection {
public:
    // Connects, with a time-out of `timeoutSeconds` unless the string gives its own.
    // Throws PgError (unreachable) with libpq's own words.
    PgConnection(const std::string& conninfo, int timeoutSeconds = 5);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs a statement with text parameters ($1, $2, ...; nullopt is NULL).
    PgRows exec(const std::string& sql, const std::vector<std::optional<std::string>>& params = {});
    // Runs `work` in a transaction begun with `begin`, committed when it returns and rolled
    // back when it throws (the exception goes on).
    void transaction(const std::function<void()>& work, const std::string& begin = "BEGIN");
    // Runs several statements without parameters (a migration).
    void script(const std::string& sql);
    std::string user();

private:
    [[noreturn]] void fail(pg_result* result, const std::string& what);

    pg_conn* m_conn = nullptr;
};

// True when the connection string names a password (which we never keep); throws PgError
// when libpq cannot read the string at all.
bool namesPassword(const std::string& conninfo);

}  // namespace tvx::sync
