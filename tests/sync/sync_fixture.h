#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>

#include "record/outbox.h"
#include "record/record.h"
#include "record_fixture.h"
#include "sync/pg_connection.h"
#include "sync/server_schema.h"
#include "sync/sync_pass.h"
#include "sync/sync_state.h"

namespace tvx::sync::testing {

using record::testing::Dir;

// The server's settings: from the file TVX_PG_ENV_FILE names when it is set (VAR=value
// lines; the Windows build's tests under Wine read theirs there, whatever the Linux
// environment holds: tests/sync/wine-pg-server.sh), else from the environment.
inline std::string env(const char* name) {
    const char* path = std::getenv("TVX_PG_ENV_FILE");
    if (!path) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }
    static const std::map<std::string, std::string> file = [path] {
        std::map<std::string, std::string> values;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            const auto equals = line.find('=');
            if (equals != std::string::npos) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return values;
    }();
    const auto found = file.find(name);
    return found == file.end() ? "" : found->second;
}

// A server that is not there: a socket folder with none in it; on Windows (no Unix sockets
// to Linux) a port on this PC nothing listens on.
inline std::string nowhere(const std::filesystem::path& folder) {
#ifdef _WIN32
    (void)folder;
    return "host=127.0.0.1 port=1 dbname=tvx user=bay_n1";
#else
    return "host=" + folder.string() + " port=5999 dbname=tvx user=bay_n1";
#endif
}

// The server tests/sync/pg-server.sh started (test.sh starts it before the tests). Without
// it these tests fail: the shared history is not tested against anything less.
struct Server {
    std::string host = env("TVX_PG_HOST");
    std::string port = env("TVX_PG_PORT");
    std::string admin = env("TVX_PG_ADMIN");
    bool there() const { return !host.empty() && !port.empty() && !admin.empty(); }
    std::string conninfo(const std::string& user, const std::string& db) const {
        // The password, where one is needed (over TCP), from the server's pgpass file.
        const std::string passfile = env("TVX_PG_PASSFILE");
        return "host=" + host + " port=" + port + " dbname=" + db + " user=" + user +
               (host.rfind("/", 0) == 0 || passfile.empty() ? "" : " passfile=" + passfile);
    }
};

// A database of its own for each test on the shared server, its history set up by the
// owner's role as `sync setup` would, dropped afterwards.
class SyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.there())
            << "no PostgreSQL server for the sync tests: start one with "
               "'tests/sync/pg-server.sh start DIR' and export what it prints (test.sh does)";
        std::random_device seed;
        database = "tvx_t" + std::to_string(seed()) + std::to_string(seed());
        PgConnection admin(server.conninfo(server.admin, "postgres"));
        admin.exec("CREATE DATABASE " + database + " OWNER tvx_owner");
        PgConnection owner(server.conninfo("tvx_owner", database));
        migrateServer(owner);
    }
    void TearDown() override {
        if (!database.empty()) {
            PgConnection admin(server.conninfo(server.admin, "postgres"));
            admin.exec("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        }
    }
    std::string as(const std::string& role) const { return server.conninfo(role, database); }
    SyncSettings bay(const std::string& role, const std::string& workshop,
                     const std::string& name) const {
        return {as(role), workshop, name};
    }
    // Rows of the history as the owner sees them (all workshops).
    std::int64_t stored(const std::string& where = "true") {
        PgConnection owner(as("tvx_owner"));
        return std::stoll(owner.exec("SELECT count(*) FROM tvx.history WHERE " + where).text(0, 0));
    }

    Server server;
    std::string database;
};

// One bay: a data folder with its record.
struct Bay {
    explicit Bay(SyncSettings s) : settings(std::move(s)) {
        record = record::testing::openOrFail(dir.db());
    }
    record::Database& db() { return record->database(); }
    std::int64_t waiting() { return record::Outbox(db()).waiting(); }
    PassResult pass(const PassOptions& options = {}) {
        PassResult result = syncPass(settings, db(), options);
        std::cout << "sync counts: bay " << settings.workshop << "/" << settings.bay << " sent "
                  << result.sent << ", repeated " << result.repeated << ", batches "
                  << result.batches << ", received " << result.received << ", waiting "
                  << result.waiting << (result.problem.empty() ? "" : ", problem: ")
                  << result.problem << "\n";
        return result;
    }
    // A van's visit: a code read, a clear, an injector read and a programming run.
    std::int64_t serve(const std::string& vin, std::int64_t at) {
        const auto visit = record->beginVisit({at, false, "TRANSIT 2.4 TDCI", true, "en"});
        record->setVisitVin(visit, vin);
        record->addCodeRead(
            visit, record::testing::codeRead(1, {record::testing::code(135, "P0087")}, at + 10));
        record->addClear(visit, 1, at + 20, true);
        record->addInjectorRead(
            visit, {0, at + 30, true, {"1111", "2222", "21436587A9CBED0F", "4444"}, {}});
        record::ProgrammingRun run;
        run.injector = 3;
        run.startedAt = at + 40;
        run.codeBefore = "21436587A9CBED0F";
        run.codeNew = "0123456789ABCDEF";
        const auto id = record->beginProgrammingRun(visit, run);
        record::ProgrammingRun end;
        end.endedAt = at + 50;
        end.result = "finished";
        end.unitHolds = "new";
        record->endProgrammingRun(id, end);
        return visit;
    }

    Dir dir;
    SyncSettings settings;
    std::unique_ptr<record::Record> record;
};

}  // namespace tvx::sync::testing
