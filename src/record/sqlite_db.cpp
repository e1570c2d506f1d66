#include "record/sqlite_db.h"

#include <sqlite3.h>

namespace tvx::record {

namespace {

// A file name as a URI: the characters a URI gives a meaning to are escaped.
std::string uriOf(const std::filesystem::path& path, const char* query) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : std::filesystem::absolute(path).generic_string()) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
            uri += '%';
            uri += kDigits[c >> 4];
            uri += kDigits[c & 0x0F];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + query;
}

}  // namespace

Database::Database(const std::filesystem::path& path, Mode mode) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    std::string name = path.string();
    if (mode == Mode::ReadOnly) {
        flags = SQLITE_OPEN_READONLY;
    } else if (mode == Mode::Immutable) {
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = uriOf(path, "?immutable=1");
    }
    const int rc = sqlite3_open_v2(name.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(rc, "cannot open " + path.string() + ": " + message);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

void Database::fail(int code, std::string_view what) const {
    throw DbError(code, std::string(what) + ": " + sqlite3_errmsg(m_db));
}

void Database::exec(std::string_view sql) {
    const std::string text(sql);
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const std::string message = error != nullptr ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw DbError(sqlite3_extended_errcode(m_db), message);
    }
}

std::int64_t Database::queryInteger(std::string_view sql, std::int64_t otherwise) {
    Statement statement(*this, sql);
    return statement.step() ? statement.integer(0) : otherwise;
}

std::int64_t Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const {
    return sqlite3_changes(m_db);
}

Statement::Statement(Database& db, std::string_view sql) : m_db(db) {
    const int rc = sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()),
                                      &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        db.fail(rc, "cannot prepare \"" + std::string(sql.substr(0, 60)) + "\"");
    }
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_statement(other.m_statement) {
    other.m_statement = nullptr;
}

Statement::~Statement() {
    sqlite3_finalize(m_statement);
}

Statement& Statement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    sqlite3_bind_double(m_statement, index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindBlob(int index, const void* data, std::size_t size) {
    if (size == 0) {
        sqlite3_bind_zeroblob(m_statement, index, 0);  // empty, not NULL
        return *this;
    }
    sqlite3_bind_blob(m_statement, index, data, static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index) {
    sqlite3_bind_null(m_statement, index);
    return *this;
}

Statement& Statement::bindValue(int index, const Statement& from, int column) {
    sqlite3_bind_value(m_statement, index, sqlite3_column_value(from.m_statement, column));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(m_statement);
    m_db.fail(rc, "cannot run \"" + std::string(sqlite3_sql(m_statement)).substr(0, 60) + "\"");
}

void Statement::run() {
    while (step()) {
    }
    reset();
}

void Statement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(m_statement, column);
}

std::optional<std::int64_t> Statement::optionalInteger(int column) const {
    return isNull(column) ? std::nullopt : std::optional<std::int64_t>(integer(column));
}

std::optional<double> Statement::optionalReal(int column) const {
    return isNull(column) ? std::nullopt : std::optional<double>(real(column));
}

std::string Statement::text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    return text != nullptr
               ? std::string(reinterpret_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
               : std::string();
}

std::vector<std::uint8_t> Statement::blob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    return data != nullptr ? std::vector<std::uint8_t>(data, data + size)
                           : std::vector<std::uint8_t>();
}

Transaction::Transaction(Database& db, bool synced) : m_db(db), m_synced(synced) {
    if (m_synced) {
        m_db.exec("PRAGMA synchronous=FULL");
    }
    try {
        m_db.exec("BEGIN IMMEDIATE");
    } catch (const DbError&) {
        unsync();  // no destructor runs for a transaction that never began
        throw;
    }
}

Transaction::~Transaction() {
    if (!m_done) {
        try {
            m_db.exec("ROLLBACK");
        } catch (const DbError&) {
            // The transaction may already be gone with the error that ended it.
        }
    }
    unsync();
}

void Transaction::unsync() {
    if (m_synced) {
        try {
            m_db.exec("PRAGMA synchronous=NORMAL");
        } catch (const DbError&) {
        }
    }
}

void Transaction::commit() {
    m_db.exec("COMMIT");
    m_done = true;
}

}  // namespace tvx::record
