// The shared history's cost, against a PostgreSQL server of its own (tests/sync/pg-server.sh):
// pushing VISITS visits (a code read with two codes, an injector read, a recording of 60
// readings each) from one bay, pulling them into a second, and the live cycle of a third bay
// with its sync running beside it against without (blocks alternating, recording on in both).
//   sync_bench [VISITS] [CYCLES_PER_BLOCK]      default 10000 and 8
#include <cstdlib>
#include <map>
#include <thread>

#include "live_blocks.h"
#include "record/outbox.h"
#include "record/record.h"
#include "sync/server_schema.h"
#include "sync/sync_pass.h"
#include "sync/syncer.h"

namespace {

using namespace tvx;
using namespace tvx::bench;

struct Server {
    fs::path dir;
    std::map<std::string, std::string> env;
    std::string conninfo(const std::string& user) {
        return "host=" + env["TVX_PG_HOST"] + " port=" + env["TVX_PG_PORT"] +
               " dbname=tvx user=" + user;
    }
    int run(const char* action) {
        const std::string command =
            std::string(TVX_PG_SERVER_SCRIPT) + " " + action + " " + dir.string() + " >/dev/null";
        return std::system(command.c_str());
    }
};

// A visit as a busy bay records it.
void recordVisit(record::Record& rec, int n) {
    const std::int64_t at = 1700000000000 + std::int64_t{n} * 60000;
    const auto visit = rec.beginVisit({at, false, "TRANSIT connect 1.8 TDCI", true, "en"});
    rec.setVisitVin(visit, "WF0XXXTTGX" + std::to_string(1000000 + n));
    record::CodeRead read;
    read.module = 1;
    read.at = at + 1000;
    read.ok = true;
    read.count = 2;
    read.codes = {{0x0087, "P0087", "rail pressure too low"}, {0x0401, "P0401", "EGR flow"}};
    rec.addCodeRead(visit, read);
    record::InjectorRead injectors{
        0,
        at + 2000,
        true,
        {"123456789ABCDEF0", "21436587A9CBED0F", "0A1B2C3D4E5F6071", "8877665544332211"},
        std::vector<record::Block>(8)};
    rec.addInjectorRead(visit, injectors);
    const auto recording = rec.beginRecording(visit, 71, at + 3000,
                                              {{0, "rpmd", "engine speed", "rpm"},
                                               {1, "chdd", "head temp", "degC"},
                                               {2, "rlpd", "rail pressure", "bar"},
                                               {3, "bppd", "brake pedal", ""}});
    std::vector<record::Reading> readings;
    for (int r = 0; r < 60; ++r) {
        readings.push_back({r * 250, r % 4, 800.0 + r});
    }
    rec.addReadings(recording, readings);
    rec.endRecording(recording, at + 18000);
}

}  // namespace

int main(int argc, char** argv) {
    const int visits = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int cycles = argc > 2 ? std::max(2, std::atoi(argv[2])) : 8;
    const fs::path top = freshDirectory("tvx-sync-bench-");
    Server server{top / "server", {}};
    if (server.run("start") != 0) {
        std::fprintf(stderr, "sync_bench: the PostgreSQL server did not start\n");
        return 1;
    }
    {
        std::ifstream env(server.dir / "env");
        std::string line;
        while (std::getline(env, line)) {
            const auto equals = line.find('=');
            server.env[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    {
        sync::PgConnection owner(server.conninfo("tvx_owner"));
        sync::migrateServer(owner);
    }

    // Bay 1 records the visits, then pushes them.
    fs::create_directories(top / "bay1");
    auto bay1 = record::Record::open(top / "bay1" / record::Record::kFileName).record;
    auto start = Clock::now();
    for (int n = 0; n < visits; ++n) {
        recordVisit(*bay1, n);
    }
    const double fillS = msSince(start) / 1000.0;
    const auto queued = record::Outbox(bay1->database()).waiting();
    std::printf("recorded %d visits (%lld outbox entries, %d readings) in %.1f s\n", visits,
                static_cast<long long>(queued), visits * 60, fillS);
    sync::PassOptions options;
    options.batchSize = 500;
    start = Clock::now();
    const auto pushed =
        sync::syncPass({server.conninfo("bay_n1"), "north", "bay-1"}, bay1->database(), options);
    const double pushS = msSince(start) / 1000.0;
    std::printf("push: %lld entries in %lld batches, %.1f s: %.0f entries/s, %.0f visits/s%s%s\n",
                static_cast<long long>(pushed.sent), static_cast<long long>(pushed.batches), pushS,
                static_cast<double>(pushed.sent) / pushS, visits / pushS,
                pushed.ok() ? "" : "; FAILED: ", pushed.problem.c_str());

    // Bay 2 pulls them into its record.
    fs::create_directories(top / "bay2");
    auto bay2 = record::Record::open(top / "bay2" / record::Record::kFileName).record;
    start = Clock::now();
    const auto pulled =
        sync::syncPass({server.conninfo("bay_n2"), "north", "bay-2"}, bay2->database(), options);
    const double pullS = msSince(start) / 1000.0;
    std::printf("pull: %lld entries, %.1f s: %.0f entries/s, %.0f visits/s%s%s\n",
                static_cast<long long>(pulled.received), pullS,
                static_cast<double>(pulled.received) / pullS, visits / pullS,
                pulled.ok() ? "" : "; FAILED: ", pulled.problem.c_str());
    bay2.reset();

    // Bay 3: the live cycle with its sync beside it (pulled up to date first, so what runs
    // beside is the steady state: its own rows pushed as they come, every 100 ms).
    const fs::path dir3 = top / "bay3";
    fs::create_directories(dir3);
    const sync::SyncSettings settings3{server.conninfo("bay_n2"), "north", "bay-3"};
    {
        auto bay3 = record::Record::open(dir3 / record::Record::kFileName).record;
        sync::syncPass(settings3, bay3->database(), options);
    }
    std::unique_ptr<sync::Syncer> syncer;
    bool recording = false;
    std::int64_t passesBeside = 0;
    const CycleFigures cycle = measureCycles(
        cycles, dir3, [&](trend::LiveRecorder& recorder, const session::LivePage& page, bool on) {
            std::string error;
            if (!recording && !recorder.start(error, &page)) {
                throw std::runtime_error(error);
            }
            recording = true;
            if (on) {
                sync::Syncer::Options syncOptions;
                syncOptions.settings = settings3;
                syncOptions.recordPath = dir3 / record::Record::kFileName;
                syncOptions.interval = std::chrono::milliseconds(100);
                syncer = std::make_unique<sync::Syncer>(syncOptions, nullptr);
            } else if (syncer) {
                passesBeside += syncer->passes();
                syncer.reset();
            }
        });
    std::printf("live cycle, no sync:          %.1f ms\n", cycle.offMs);
    std::printf("live cycle, sync beside it:   %.1f ms (%+.2f %%), %lld sync passes meanwhile\n",
                cycle.onMs, 100.0 * (cycle.onMs - cycle.offMs) / cycle.offMs,
                static_cast<long long>(passesBeside));
    server.run("remove");
    fs::remove_all(top);
    return pushed.ok() && pulled.ok() ? 0 : 1;
}
