#include "sync/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace tvx::sync {

PgRows::PgRows(pg_result* result) : m_result(result) {}
PgRows::~PgRows() {
    if (m_result) {
        PQclear(m_result);
    }
}
PgRows::PgRows(PgRows&& other) noexcept : m_result(other.m_result) {
    other.m_result = nullptr;
}

int PgRows::size() const {
    return PQntuples(m_result);
}

std::optional<std::string> PgRows::at(int row, int column) const {
    if (PQgetisnull(m_result, row, column)) {
        return std::nullopt;
    }
    return std::string(PQgetvalue(m_result, row, column),
                       static_cast<std::size_t>(PQgetlength(m_result, row, column)));
}

long long PgRows::affected() const {
    const char* count = PQcmdTuples(m_result);
    return count && *count ? std::atoll(count) : 0;
}

PgConnection::PgConnection(const std::string& conninfo, int timeoutSeconds) {
    // Ours first: what the connection string says overrides them.
    const std::string timeout = std::to_string(timeoutSeconds);
    const char* keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {timeout.c_str(), "tarvolinex", conninfo.c_str(), nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (!m_conn) {
        throw PgError("", "out of memory");
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        std::string message = PQerrorMessage(m_conn);
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
            message.pop_back();
        }
        PQfinish(m_conn);
        m_conn = nullptr;
        // A refused password or role is the server answering: not a line to retry.
        const bool refused = message.find("password") != std::string::npos ||
                             message.find("role \"") != std::string::npos ||
                             message.find("database \"") != std::string::npos;
        throw PgError(refused ? "28000" : "", message);
    }
}

PgConnection::~PgConnection() {
    if (m_conn) {
        PQfinish(m_conn);
    }
}

void PgConnection::fail(pg_result* result, const std::string& what) {
    std::string state;
    std::string message = PQerrorMessage(m_conn);
    if (result) {
        if (const char* code = PQresultErrorField(result, PG_DIAG_SQLSTATE)) {
            state = code;
        }
        if (const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) {
            message = primary;
        }
        PQclear(result);
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        state.clear();  // the line broke: whatever came with it
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    throw PgError(state, message.empty() ? what : message);
}

PgRows PgConnection::exec(const std::string& sql,
                          const std::vector<std::optional<std::string>>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& param : params) {
        values.push_back(param ? param->c_str() : nullptr);
    }
    pg_result* result = PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                     values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        fail(result, "the server did not answer");
    }
    return PgRows(result);
}

void PgConnection::script(const std::string& sql) {
    pg_result* result = PQexec(m_conn, sql.c_str());
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        fail(result, "the server did not answer");
    }
    PQclear(result);
}

void PgConnection::transaction(const std::function<void()>& work, const std::string& begin) {
    exec(begin);
    try {
        work();
        exec("COMMIT");
    } catch (...) {
        try {
            exec("ROLLBACK");
        } catch (const PgError&) {
            // The line is gone: the server rolls back by itself.
        }
        throw;
    }
}

std::string PgConnection::user() {
    return PQuser(m_conn);
}

bool namesPassword(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        std::string message = error ? error : "the connection string cannot be read";
        PQfreemem(error);
        while (!message.empty() && message.back() == '\n') {
            message.pop_back();
        }
        throw PgError("22023", message);
    }
    bool password = false;
    for (PQconninfoOption* option = options; option->keyword; ++option) {
        if (std::string(option->keyword) == "password" && option->val && *option->val) {
            password = true;
        }
    }
    PQconninfoFree(options);
    return password;
}

}  // namespace tvx::sync
