// libpq on Windows (under Wine) against a PostgreSQL server on the Linux side: TLS with the
// server's certificate checked, a SCRAM password login, a parameterised query and UTF-8 text
// both ways, and the connections the server or libpq must refuse.
// A CTest fixture starts the server (scripts/pg-test-server.sh) in the folder TVX_PG_SERVER,
// which holds its conninfo and the authorities' certificates.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace {

// A file of the server's folder, by its Windows path with forward slashes (Z:/...).
std::string server_file(const char* name) {
    const char* folder = std::getenv("TVX_PG_SERVER");
    return std::string(folder ? folder : "") + "/" + name;
}

std::string conninfo() {
    std::ifstream file(server_file("conninfo"));
    std::string line;
    std::getline(file, line);
    return line;
}

struct ConnectionCloser {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;
struct ResultClearer {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

// The server's address and login with OPTIONS after them (a later keyword wins).
Connection connect(const std::string& options) {
    return Connection(PQconnectdb((conninfo() + " " + options).c_str()));
}

std::string verified(const char* root_cert) {
    return "sslmode=verify-full sslrootcert='" + server_file(root_cert) + "'";
}

class LibpqOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(conninfo().empty()) << "no conninfo in the server's folder " << server_file("")
                                         << " (TVX_PG_SERVER; the CTest fixture starts the server)";
    }
};

TEST_F(LibpqOnWindows, VerifiedTlsConnectionRunsAParameterisedQuery) {
    Connection connection = connect(verified("root.crt"));
    ASSERT_EQ(PQstatus(connection.get()), CONNECTION_OK) << PQerrorMessage(connection.get());
    EXPECT_EQ(PQsslInUse(connection.get()), 1);
    EXPECT_STREQ(PQsslAttribute(connection.get(), "library"), "OpenSSL");
    EXPECT_GE(PQserverVersion(connection.get()), 150000);

    const char* values[] = {"41"};
    Result result(PQexecParams(
        connection.get(), "SELECT $1::int + 1, ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()",
        1, nullptr, values, nullptr, nullptr, 0));
    ASSERT_EQ(PQresultStatus(result.get()), PGRES_TUPLES_OK) << PQerrorMessage(connection.get());
    ASSERT_EQ(PQntuples(result.get()), 1);
    EXPECT_STREQ(PQgetvalue(result.get(), 0, 0), "42");
    EXPECT_STREQ(PQgetvalue(result.get(), 0, 1), "t");
}

// Turkish catalogue text: the server must store the same characters, not the bytes of a
// Windows code page read as UTF-8.
TEST_F(LibpqOnWindows, Utf8TextKeepsItsCharacters) {
    Connection connection = connect(verified("root.crt") + " client_encoding=UTF8");
    ASSERT_EQ(PQstatus(connection.get()), CONNECTION_OK) << PQerrorMessage(connection.get());
    const std::string text =
        "Enjekt\xC3\xB6r \xC3\xB6l\xC3\xA7\xC3\xBCm\xC3\xBC \xE2\x82\xAC";  // "Enjektör ölçümü €"
    const char* values[] = {text.c_str()};
    Result result(PQexecParams(connection.get(), "SELECT $1::text, char_length($1::text)", 1,
                               nullptr, values, nullptr, nullptr, 0));
    ASSERT_EQ(PQresultStatus(result.get()), PGRES_TUPLES_OK) << PQerrorMessage(connection.get());
    EXPECT_EQ(std::string(PQgetvalue(result.get(), 0, 0)), text);
    EXPECT_STREQ(PQgetvalue(result.get(), 0, 1), "17");
}

struct Refusal {
    const char* name;
    std::string options;
    const char* message;  // part of libpq's error message
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class LibpqRefusals : public LibpqOnWindows, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LibpqRefusals, ConnectionFailsWithTheReason) {
    Connection connection = connect(GetParam().options);
    EXPECT_EQ(PQstatus(connection.get()), CONNECTION_BAD);
    EXPECT_NE(std::string(PQerrorMessage(connection.get())).find(GetParam().message),
              std::string::npos)
        << PQerrorMessage(connection.get());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibpqRefusals,
    ::testing::Values(Refusal{"ServerCertificateFromAnotherAuthority", verified("other-root.crt"),
                              "certificate verify failed"},
                      Refusal{"ServerCertificateForAnotherName",
                              verified("root.crt") + " host=bay.example hostaddr=127.0.0.1",
                              "does not match host name"},
                      Refusal{"WrongPassword", verified("root.crt") + " password=wrong",
                              "password authentication failed"},
                      Refusal{"WithoutTls", "sslmode=disable", "no encryption"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
