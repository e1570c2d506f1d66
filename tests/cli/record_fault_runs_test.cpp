// Fault runs of the workshop record, each printing its counts ("fault run: ..."): two
// programs writing one data directory at once, and damaged, newer or read-only records.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "cli_fixture.h"
#include "keeper/record_keeper.h"
#include "record/record.h"
#include "record/record_fixture.h"
#include "session/session_fixture.h"

namespace tvx::cli::testing {
namespace {

namespace fs = std::filesystem;
using record::testing::contentOf;

std::int64_t rows(const fs::path& dataDirectory, const std::string& table) {
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(dataDirectory / record::Record::kFileName, options);
    if (!opened.record) {
        ADD_FAILURE() << opened.problem;
        return -1;
    }
    return opened.record->database().queryInteger("SELECT count(*) FROM " + table);
}

bool mentionsAFailure(const std::string& text) {
    for (const char* failure : {"not kept", "not recorded", "could not be written", "unexpected"}) {
        if (text.find(failure) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> onSimulatedCar(const fs::path& dir, std::vector<std::string> command) {
    std::vector<std::string> args{"--data-dir", dir.string(), "--simulate", "diesel-van"};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// The command-line tester and a window-like session (the record keeper as the window wires
// it) each run 200 commands into one data directory at the same time: no command fails, no
// row is lost.
TEST(RecordFaultRuns, TwoProgramsEachRunning200CommandsIntoOneDataDirectoryLoseNothing) {
    constexpr int kCommands = 200;
    DataDir data;
    const fs::path dir = data.path();
    const std::vector<std::vector<std::string>> commands = {
        {"--vehicle", "MONDEO 2.0 TDCI", "dtc", "read", "PCM"},
        {"--vehicle", "MONDEO 2.0 TDCI", "dtc", "clear", "PCM", "--yes"},
        {"--vehicle", "MONDEO 2.0 TDCI", "injectors", "read"}};
    // What one of each command adds, learnt on a data directory of its own.
    const std::vector<std::string> tables = {"code_reads", "clears", "injector_reads"};
    std::map<std::string, std::int64_t> expected;
    {
        DataDir scratch;
        for (const auto& command : commands) {
            ASSERT_EQ(runCli(onSimulatedCar(scratch.path(), command)).code, 0);
        }
        for (const std::string& table : tables) {
            // Commands cycle through the list: kCommands / 3 rounds and the first few again.
            const std::int64_t once = rows(scratch.path(), table);
            expected[table] = once * (kCommands / 3);
        }
        for (std::size_t c = 0; c < kCommands % 3; ++c) {
            DataDir single;
            ASSERT_EQ(runCli(onSimulatedCar(single.path(), commands[c])).code, 0);
            for (const std::string& table : tables) {
                expected[table] += rows(single.path(), table);
            }
        }
    }
    // The window-like session takes a step for each command of the command-line tester, so
    // the two write at the same time all along.
    int pace[2];
    ASSERT_EQ(pipe(pace), 0);
    const pid_t cli = fork();
    ASSERT_GE(cli, 0);
    if (cli == 0) {
        close(pace[0]);
        int failed = 0;
        for (int n = 0; n < kCommands; ++n) {
            const CliResult result = runCli(onSimulatedCar(dir, commands[n % commands.size()]));
            if (result.code != 0 || mentionsAFailure(result.err)) {
                std::fprintf(stderr, "command %d: exit %d: %s\n", n, result.code,
                             result.err.c_str());
                ++failed;
            }
            const char step = 1;
            (void)!write(pace[1], &step, 1);
        }
        _exit(failed == 0 ? 0 : 1);
    }
    const pid_t window = fork();
    ASSERT_GE(window, 0);
    if (window == 0) {
        close(pace[1]);
        session::testing::Bench bench("diesel-van");
        std::vector<std::string> notices;
        int failed = 0;
        {
            // No wait inside SQLite: every lock this session meets goes through the keeper's
            // own tries again.
            session::RecordKeeper::Options options;
            options.database.busyTimeoutMs = 0;
            session::RecordKeeper keeper(
                dir, options, [&notices](const std::string& text) { notices.push_back(text); });
            bench.session.addListener(keeper);
            bench.session.setProgrammingGuard(&keeper);
            bench.startToModuleMenu(true, 5);
            bench.session.selectModule(session::Module::Pcm);
            for (int n = 0; n < kCommands; ++n) {
                char step = 0;
                (void)!read(pace[0], &step, 1);  // 0 bytes once the other program ended
                n % 2 == 0 ? bench.session.readDtc() : bench.session.clearDtc();
                bench.settle();
            }
            keeper.flush();
            failed = keeper.kept() ? 0 : 1;
            bench.session.removeListener(keeper);
        }
        for (const std::string& notice : notices) {
            failed += mentionsAFailure(notice) ? 1 : 0;
            std::fprintf(stderr, "window-like: %s\n", notice.c_str());
        }
        if (::testing::Test::HasFailure()) {
            _exit(3);  // a command of the session did not end (its row is then missing)
        }
        _exit(failed == 0 ? 0 : 2);
    }
    close(pace[0]);
    close(pace[1]);
    EXPECT_EQ(waitFor(cli), 0) << "a command of the command-line tester failed";
    EXPECT_EQ(waitFor(window), 0) << "2: the window-like session lost its record, 3: a "
                                     "command of it did not end";

    // The window-like session read and cleared 100 times each, with one visit of its own.
    expected["code_reads"] += kCommands / 2;
    expected["clears"] += kCommands / 2;
    std::printf("fault run: two programs, %d commands each into one data directory:", kCommands);
    for (const std::string& table : tables) {
        const std::int64_t found = rows(dir, table);
        std::printf(" %s %lld of %lld,", table.c_str(), static_cast<long long>(found),
                    static_cast<long long>(expected[table]));
        EXPECT_EQ(found, expected[table]) << table;
    }
    std::printf(" visits %lld\n", static_cast<long long>(rows(dir, "visits")));
    if (::testing::Test::HasFailure()) {
        record::Record::Options options;
        options.mode = record::Database::Mode::ReadOnly;
        auto opened = record::Record::open(dir / record::Record::kFileName, options);
        for (const auto& visit : opened.record->visits({})) {
            std::printf("visit %lld %s: %d reads, %d clears\n", static_cast<long long>(visit.id),
                        visit.vehicle.c_str(), visit.codeReads, visit.clears);
        }
    }
}

// ---- damaged, newer and read-only records

struct Damage {
    const char* name;
    std::function<void(const fs::path& file)> apply;
    bool readOnlyDirectory = false;
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.name;
}

void overwrite(const fs::path& file, std::uintmax_t at, std::size_t count) {
    std::mt19937 random(17);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Files whose name shows they came from the record: the file itself and those moved aside.
std::vector<fs::path> recordFiles(const fs::path& dir) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name == record::Record::kFileName ||
            (name.starts_with("tarvolinex.db.damaged-") && !name.ends_with(".txt"))) {
            found.push_back(entry.path());
        }
    }
    return found;
}

class RecordFaultRunsDamaged : public ::testing::TestWithParam<Damage> {};

// A history of commands, then the damage, then a command that records and one that reads:
// both say in words what is wrong, and the damaged bytes are kept, never overwritten.
TEST_P(RecordFaultRunsDamaged, AClearMessageAndNothingOfTheOldHistoryDestroyed) {
    const Damage& damage = GetParam();
    DataDir data;
    const fs::path dir = data.path();
    const fs::path file = data.file(record::Record::kFileName);
    for (int n = 0; n < 6; ++n) {
        ASSERT_EQ(runCli(onSimulatedCar(dir, {"dtc", "read", "PCM"})).code, 0);
        ASSERT_EQ(
            runCli(onSimulatedCar(
                       dir, {"--vehicle", "FOCUS 1.8 TDCI", "live", "--cycles", "40", "--record",
                             (dir / ("road" + std::to_string(n) + ".csv")).string()}))
                .code,
            0);
    }
    const std::int64_t visitsBefore = rows(dir, "visits");
    damage.apply(file);
    const std::string damaged = contentOf(file);

    CliResult recorded;
    CliResult history;
    if (damage.readOnlyDirectory) {
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
        const fs::path out = fs::temp_directory_path() / ("tvx-ro-" + std::to_string(getpid()));
        const int code = [&] {
            const pid_t child = fork();
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0) {
                    _exit(99);
                }
                const CliResult a = runCli(onSimulatedCar(dir, {"dtc", "read", "ABS"}));
                const CliResult b = runCli({"--data-dir", dir.string(), "history"});
                std::ofstream(out) << a.code << '\n' << b.code << '\n' << a.err << "\x1f" << b.err;
                _exit(0);
            }
            return waitFor(child);
        }();
        ASSERT_EQ(code, 0);
        std::ifstream in(out);
        in >> recorded.code >> history.code;
        in.ignore();
        std::string rest(std::istreambuf_iterator<char>(in), {});
        recorded.err = rest.substr(0, rest.find('\x1f'));
        history.err = rest.substr(rest.find('\x1f') + 1);
        fs::remove(out);
    } else {
        recorded = runCli(onSimulatedCar(dir, {"dtc", "read", "ABS"}));
        history = runCli({"--data-dir", dir.string(), "history"});
    }

    // Diagnosis goes on, whatever the record.
    EXPECT_EQ(recorded.code, 0) << recorded.err;
    EXPECT_EQ(recorded.err.find("unexpected"), std::string::npos) << recorded.err;
    EXPECT_TRUE(history.code == 0 || history.code == 13) << history.err;
    if (history.code != 0) {
        EXPECT_NE(history.err.find("the workshop record cannot be read: the record"),
                  std::string::npos)
            << history.err;
    }
    // The damaged bytes are somewhere, whole; or the file was left in place and still holds
    // every visit (damage no command met: it was written to since).
    bool kept = false;
    fs::path keptAs = file;
    for (const fs::path& candidate : recordFiles(dir)) {
        if (contentOf(candidate) == damaged) {
            kept = true;
            keptAs = candidate;
        }
    }
    if (!kept && history.code == 0) {
        kept = rows(dir, "visits") >= visitsBefore;
    }
    EXPECT_TRUE(kept) << "the old history is gone";
    const bool movedAside = keptAs.filename() != record::Record::kFileName;
    std::printf(
        "fault run: record %s: %lld visits before; a recording command exited %d, history %d; "
        "old file %s%s\n",
        damage.name, static_cast<long long>(visitsBefore), recorded.code, history.code,
        movedAside ? "moved aside as " : "left in place",
        movedAside ? keptAs.filename().c_str() : "");
    const std::string said = recorded.err + history.err;
    if (movedAside) {
        EXPECT_NE(said.find("was damaged"), std::string::npos) << said;
        EXPECT_TRUE(fs::exists(keptAs.string() + ".txt"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RecordFaultRunsDamaged,
    ::testing::Values(
        Damage{"cut in half",
               [](const fs::path& file) { fs::resize_file(file, fs::file_size(file) / 2); }},
        Damage{"random bytes over its start",
               [](const fs::path& file) { overwrite(file, 0, 4096); }},
        Damage{"random bytes in its middle",
               [](const fs::path& file) { overwrite(file, fs::file_size(file) / 2, 4096); }},
        Damage{"of a newer schema",
               [](const fs::path& file) {
                   record::Database db(file, record::Database::Mode::ReadWrite);
                   db.exec("INSERT INTO schema_version(version) VALUES (9)");
               }},
        Damage{"in a read-only directory", [](const fs::path&) {}, true}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.name)) {
            if (std::isalnum(static_cast<unsigned char>(c))) {
                name += c;
            }
        }
        return name;
    });

}  // namespace
}  // namespace tvx::cli::testing
