#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tvx::record {

// A failure of the database, with SQLite's result code (SQLITE_BUSY, SQLITE_FULL, ...).
class DbError : public std::runtime_error {
public:
    DbError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }
    // The primary result code (without the extended bits).
    int primary() const { return m_code & 0xFF; }

private:
    int m_code;
};

class Database;

// One prepared statement. Binds are 1-based, columns 0-based, as in SQLite.
class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bindBlob(int index, const void* data, std::size_t size);
    Statement& bindNull(int index);
    // The value of another statement's column, whatever its type.
    Statement& bindValue(int index, const Statement& from, int column);
    template <typename T>
    Statement& bind(int index, const std::optional<T>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }
    // Binds the values to the parameters from `first` on, one each (a bool as 1 or 0).
    template <typename... Values>
    Statement& binds(int first, const Values&... values) {
        int index = first;
        (bindOne(index++, values), ...);
        return *this;
    }

    // True while a row is there; false when done. Throws on errors.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::vector<std::uint8_t> blob(int column) const;
    // The column's value; none where it is NULL.
    std::optional<std::int64_t> optionalInteger(int column) const;
    std::optional<double> optionalReal(int column) const;

    // Reads the columns from `first` on into the fields, one column each, as the field's
    // type takes it: a whole number (bool: not 0), text, and where NULL may stand, an optional.
    template <typename... Fields>
    void columns(int first, Fields&... fields) const {
        int column = first;
        (columnInto(column++, fields), ...);
    }

private:
    template <typename T>
    void bindOne(int index, const T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            bind(index, value ? 1 : 0);
        } else {
            bind(index, value);
        }
    }

    template <typename T>
    void columnInto(int column, T& field) const {
        if constexpr (std::is_same_v<T, std::string>) {
            field = text(column);
        } else if constexpr (std::is_same_v<T, std::optional<std::string>>) {
            field = isNull(column) ? std::nullopt : std::optional(text(column));
        } else if constexpr (std::is_same_v<T, std::optional<std::int64_t>>) {
            field = optionalInteger(column);
        } else if constexpr (std::is_same_v<T, std::optional<double>>) {
            field = optionalReal(column);
        } else if constexpr (std::is_same_v<T, bool>) {
            field = integer(column) != 0;
        } else {
            static_assert(std::is_integral_v<T>,
                          "a column is read into a number, text or optional");
            field = static_cast<T>(integer(column));
        }
    }

    Database& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// One connection. Opening checks nothing; the first statement finds out what the file is.
class Database {
public:
    // Immutable reads a file that nothing changes while it is open, without the shared
    // memory and log files a read-only connection otherwise creates: for a read-only
    // directory or a full disk, once the file holds everything (no log to replay).
    enum class Mode { ReadWrite, ReadOnly, Immutable };
    Database(const std::filesystem::path& path, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one or more statements without results.
    void exec(std::string_view sql);
    // The single integer a query returns (or `otherwise` when it returns no row).
    std::int64_t queryInteger(std::string_view sql, std::int64_t otherwise = 0);
    std::int64_t lastInsertId() const;
    int changes() const;
    sqlite3* handle() { return m_db; }
    // Throws DbError for the result code with the connection's message.
    [[noreturn]] void fail(int code, std::string_view what) const;

private:
    sqlite3* m_db = nullptr;
};

// A transaction, rolled back unless committed. `synced` makes the commit wait until the
// data is on disk (synchronous=FULL), for what must survive a power cut.
class Transaction {
public:
    explicit Transaction(Database& db, bool synced = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    void unsync();

    Database& m_db;
    bool m_synced;
    bool m_done = false;
};

}  // namespace tvx::record
