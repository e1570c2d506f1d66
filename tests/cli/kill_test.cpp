// Kill -9 of the command-line tester at random moments of `injectors program`, `injectors
// restore`, `dtc clear` and `live --record`, each command a process of its own against one
// simulated car on a pseudo-terminal (the car outlives every kill, as a real one does).
// After every kill: the record passes SQLite's integrity check, every row committed before
// the kill is still there, and `injectors restore` puts the code the car came in with back,
// never a mixed one. The moments are drawn from a seed that is printed (TVX_KILL_SEED
// repeats a run); the count of kills and checks is printed at the end.
//
// Not part of ctest: ./test.sh runs it on its own so that its counts show in the output.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <random>

#include "cli_fixture.h"
#include "link/injector_codes.h"
#include "record/record.h"

namespace tvx::cli::testing {
namespace {

constexpr const char* kVehicle = "MONDEO 2.0 TDCI";
constexpr int kSlot = 2;  // injector 3
constexpr const char* kTables[] = {
    "code_reads", "clears",   "injector_reads",    "programming_runs",
    "recordings", "readings", "programming_steps", "recording_channels"};
// A visit that holds nothing yet may join the car's visit before it (and go): the visits
// that hold something are the ones never to lose.
constexpr const char* kVisitsHoldingRows =
    "SELECT count(*) FROM visits v WHERE EXISTS (SELECT 1 FROM code_reads WHERE visit_id = "
    "v.id) OR EXISTS (SELECT 1 FROM clears WHERE visit_id = v.id) OR EXISTS (SELECT 1 FROM "
    "injector_reads WHERE visit_id = v.id) OR EXISTS (SELECT 1 FROM programming_runs WHERE "
    "visit_id = v.id) OR EXISTS (SELECT 1 FROM recordings WHERE visit_id = v.id)";

using Counts = std::map<std::string, std::int64_t>;

// Rows of each table as another program sees them now: all of them committed.
Counts committedRows(const DataDir& data) {
    Counts counts;
    const auto path = data.file(record::Record::kFileName);
    if (!std::filesystem::exists(path)) {
        return counts;
    }
    try {
        record::Database db(path, record::Database::Mode::ReadOnly);
        for (const char* table : kTables) {
            counts[table] = db.queryInteger(std::string("SELECT count(*) FROM ") + table);
        }
        counts["visits holding rows"] = db.queryInteger(kVisitsHoldingRows);
    } catch (const record::DbError&) {
        // Not created yet by the first command: nothing committed.
    }
    return counts;
}

// The command-line tester in a process of its own, on virtual time (the ignition
// countdowns cost nothing); what it says on stderr goes to `errFile`.
pid_t startCli(const std::vector<std::string>& args, const std::filesystem::path& errFile) {
    std::cout.flush();
    const pid_t pid = fork();
    if (pid == 0) {
        std::istringstream in;
        std::ostringstream out;
        std::ofstream err(errFile, std::ios::trunc);
        Console console{in, out, err, false};
        link::VirtualClock clock;
        Environment environment;
        environment.clock = &clock;
        const int code = run(args, console, environment);
        err.flush();
        _exit(code);
    }
    return pid;
}

class KillNine {
public:
    explicit KillNine(unsigned seed) : m_random(seed) {}

    // Runs the command to its end; its exit code.
    int complete(const std::vector<std::string>& command) {
        const Child child = started(command);
        int status = child.status.value_or(0);
        if (!child.status) {
            waitpid(child.pid, &status, 0);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // How many requests the box answers for the whole command, to draw moments within it.
    int span(const std::vector<std::string>& command) {
        const std::size_t before = m_car.requestCount();
        EXPECT_EQ(complete(command), 0);
        return static_cast<int>(m_car.requestCount() - before);
    }

    // Starts the command and kills it once the box has answered a drawn number of its
    // requests; then checks the record. False when the command ended first.
    bool killDuring(const std::vector<std::string>& command, int requests) {
        const std::size_t target = m_car.requestCount() + std::uniform_int_distribution<int>(
                                                              1, std::max(1, requests))(m_random);
        const Child child = started(command);
        if (child.status) {
            return false;
        }
        const pid_t pid = child.pid;
        int status = 0;
        while (m_car.requestCount() < target) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                return false;
            }
            usleep(200);
        }
        const Counts before = committedRows(m_data);
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ++m_kills;
        check(integrityOk(), "integrity check after killing " + command[0] + " " + command[1]);
        const Counts after = committedRows(m_data);
        for (const auto& [table, count] : before) {
            check(after.count(table) != 0 && after.at(table) >= count,
                  "the committed rows of " + table + " are all there");
        }
        return true;
    }

    // Restore after a kill: the code the car came in with is back, never a mixed one. The
    // box may still be sending the killed command's reply when it begins: that is let pass.
    void restoreChecked(const std::string& original) {
        const std::vector<std::string> restore{"injectors", "restore", "3", "--yes"};
        const bool unfinished = unfinishedRuns() > m_unfinished;
        m_unfinished = unfinishedRuns();
        const int code = complete(restore);
        check(code == 0, "restore after the kill exits 0 (it exited " + std::to_string(code) +
                             "): " + lastErrors());
        if (unfinished) {
            check(lastErrors().find("never finished") != std::string::npos,
                  "the command after the kill says the run never finished: " + lastErrors());
        }
        check(hex(m_car.injectorCode(kSlot)) == original, "restore put back " + original +
                                                              " (the unit holds " +
                                                              hex(m_car.injectorCode(kSlot)) + ")");
    }

    std::string unitCode() { return hex(m_car.injectorCode(kSlot)); }
    std::string dataFile(const std::string& name) const { return m_data.file(name).string(); }
    std::mt19937& random() { return m_random; }
    int kills() const { return m_kills; }
    int checks() const { return m_checks; }

private:
    struct Child {
        pid_t pid;
        std::optional<int> status;  // its wait status, when it has ended already
    };

    // The command started, once it has asked the car something or ended. A child forked from
    // this test, which has threads (the simulated car's), can be caught on a lock one of them
    // held at the fork (one run under the sanitizers was, once): such a child never asks the
    // car anything. One that has neither asked nor ended within two minutes is killed and
    // started again, once; a second one fails the run.
    Child started(const std::vector<std::string>& command) {
        for (int attempt = 1;; ++attempt) {
            const std::size_t before = m_car.requestCount();
            const pid_t pid = startCli(args(command), m_data.file("err.txt"));
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            while (m_car.requestCount() == before && std::chrono::steady_clock::now() < giveUp) {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) {
                    return {pid, status};
                }
                usleep(200);
            }
            if (m_car.requestCount() != before) {
                return {pid, std::nullopt};
            }
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
            std::cout << "a child of " << command[0] << ' ' << command[1]
                      << " asked nothing in two minutes: killed (attempt " << attempt << ")\n";
            if (attempt == 2) {
                check(false, "the command started twice asked the car nothing");
                return {pid, status};
            }
        }
    }

    static std::string hex(const std::array<std::uint8_t, 8>& bytes) {
        return session::injectorCodeText(bytes);
    }
    std::vector<std::string> args(const std::vector<std::string>& command) const {
        std::vector<std::string> all = onCar(m_car, m_data, {"--vehicle", kVehicle});
        all.insert(all.end(), command.begin(), command.end());
        return all;
    }
    std::string lastErrors() const {
        std::ifstream in(m_data.file("err.txt"));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::int64_t unfinishedRuns() const {
        record::Database db(m_data.file(record::Record::kFileName),
                            record::Database::Mode::ReadOnly);
        return db.queryInteger("SELECT count(*) FROM programming_runs WHERE ended_at IS NULL");
    }
    bool integrityOk() {
        const auto path = m_data.file(record::Record::kFileName);
        if (!std::filesystem::exists(path)) {
            return true;  // killed before the record was created
        }
        record::Database db(path, record::Database::Mode::ReadWrite);
        record::Statement check(db, "PRAGMA integrity_check");
        return check.step() && check.text(0) == "ok";
    }
    void check(bool ok, const std::string& what) {
        EXPECT_TRUE(ok) << what << " (kill " << m_kills << ")";
        m_checks += ok ? 1 : 0;
    }

    std::mt19937 m_random;
    SimulatedCar m_car{"diesel-van"};
    DataDir m_data;
    int m_kills = 0;
    int m_checks = 0;
    std::int64_t m_unfinished = 0;  // runs without an end, as known before the last restore
};

unsigned seedOfRun() {
    if (const char* given = std::getenv("TVX_KILL_SEED")) {
        return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    }
    return std::random_device{}();
}

std::string drawnCode(std::mt19937& random) {
    std::array<std::uint8_t, 8> bytes{};
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return session::injectorCodeText(bytes);
}

TEST(KillNine, TheRecordAndTheOldCodeSurviveKillsAtRandomMoments) {
    const unsigned seed = seedOfRun();
    std::cout << "kill -9 runs: seed " << seed << " (TVX_KILL_SEED=" << seed << " repeats it)\n";
    KillNine runs(seed);
    const std::string original = runs.unitCode();

    const std::vector<std::string> clear{"dtc", "clear", "PCM", "--yes"};
    const std::vector<std::string> live{"live", "--cycles", "20", "--record",
                                        runs.dataFile("kill-nine.csv")};
    const int programSpan =
        runs.span({"injectors", "program", "3", drawnCode(runs.random()), "--yes"});
    runs.restoreChecked(original);
    const int clearSpan = runs.span(clear);
    const int liveSpan = runs.span(live);

    struct Plan {
        const char* what;
        int kills;
    };
    for (const Plan& plan :
         {Plan{"program", 20}, Plan{"restore", 10}, Plan{"clear", 12}, Plan{"live", 12}}) {
        const std::string what = plan.what;
        for (int done = 0; done < plan.kills;) {
            if (what == "program") {
                done += runs.killDuring(
                            {"injectors", "program", "3", drawnCode(runs.random()), "--yes"},
                            programSpan)
                            ? 1
                            : 0;
                runs.restoreChecked(original);
            } else if (what == "restore") {
                ASSERT_EQ(
                    runs.complete({"injectors", "program", "3", drawnCode(runs.random()), "--yes"}),
                    0);
                done +=
                    runs.killDuring({"injectors", "restore", "3", "--yes"}, programSpan) ? 1 : 0;
                runs.restoreChecked(original);
            } else if (what == "clear") {
                done += runs.killDuring(clear, clearSpan) ? 1 : 0;
            } else {
                done += runs.killDuring(live, liveSpan) ? 1 : 0;
            }
        }
    }
    std::cout << "kill -9 runs: " << runs.kills() << " kills, " << runs.checks()
              << " checks passed\n";
    EXPECT_GE(runs.kills(), 50);
}

}  // namespace
}  // namespace tvx::cli::testing
