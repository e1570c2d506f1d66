// The installed programs themselves: tarvolinex-cli against tarvolinex-sim, each in its own
// process, talking over the simulator's pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "cli_fixture.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
};

#ifdef _WIN32
// cmd.exe: its own names for the pipe calls and the null device; pclose gives the exit code.
// cmd strips the first and the last quote of a line that starts with one, so the whole line
// goes in one more pair.
FILE* openPipe(const std::string& command) {
    return _popen(("\"" + command + "\"").c_str(), "r");
}
int exitCodeOf(FILE* pipe) {
    return _pclose(pipe);
}
const std::string kNoErrors = " 2>NUL";
#else
FILE* openPipe(const std::string& command) {
    return popen(command.c_str(), "r");
}
int exitCodeOf(FILE* pipe) {
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
const std::string kNoErrors = " 2>/dev/null";
#endif

// Runs a shell command line; its stdout and exit status.
ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = openPipe(command);
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.out += buffer;
    }
    run.exitCode = exitCodeOf(pipe);
    return run;
}

// Double quotes hold a name with blanks together in both shells.
std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The command-line tester, with the separators of this system.
std::string cliProgram() {
    return quoted(std::filesystem::path(TVX_CLI_PROGRAM).make_preferred().string());
}

#ifdef TVX_SIM_PROGRAM
// tarvolinex-sim in a child process; its first line names the pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(const std::string& vehicle) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execl(TVX_SIM_PROGRAM, TVX_SIM_PROGRAM, vehicle.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        m_out = fdopen(fds[0], "r");
        char line[256] = {};
        if (m_out != nullptr && std::fgets(line, sizeof line, m_out) != nullptr) {
            m_device = line;
            m_device.erase(m_device.find_last_not_of("\r\n") + 1);
        }
    }
    ~SimProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out != nullptr) {
            std::fclose(m_out);
        }
    }
    const std::string& device() const { return m_device; }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    std::string m_device;
};

TEST(Programs, TheTesterReadsTroubleCodesFromTheSimulatorProcess) {
    SimProcess sim("diesel-van");
    ASSERT_FALSE(sim.device().empty());
    DataDir data;
    const ProgramRun run =
        runProgram(cliProgram() + " --port " + quoted(sim.device()) + " --data-dir " +
                   quoted(data.path()) + " dtc read TCM" + kNoErrors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "TCM: 1 stored trouble code\nP0715 Input/Turbine Speed Sensor Circuit Malfunction\n");
}
#endif

TEST(Programs, SimulateRunsTheBuiltInCar) {
    DataDir data;
    const ProgramRun run = runProgram(cliProgram() + " --simulate diesel-van" + " --data-dir " +
                                      quoted(data.path()) + " scan" + kNoErrors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.out, HasSubstr("PCM      protocol 2\n"));
    EXPECT_THAT(run.out, HasSubstr("VIN      WF0XXXTTGX8C12345\n"));
}

TEST(Programs, AFreshDataDirectoryGetsTheShippedCataloguesOnFirstUse) {
    DataDir root(false);
    const std::filesystem::path fresh = root.file("new") / "tarvolinex";
    const ProgramRun run = runProgram(cliProgram() + " --simulate diesel-van --data-dir " +
                                      quoted(fresh.string()) + " dtc read TCM" + kNoErrors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "TCM: 1 stored trouble code\nP0715 Input/Turbine Speed Sensor Circuit Malfunction\n");
    for (const char* file : {"DTC5820EN.txt", "DTC5820TR.txt", "start.jpg"}) {
        EXPECT_TRUE(std::filesystem::exists(fresh / file)) << file;
    }
}

#ifndef _WIN32
// A disk that fills during live --record (a file size limit stands in for it): polling stops
// with its own exit code, and the recording replays up to its last whole cycle.
TEST(Programs, AFullDiskEndsARecordingWithItsOwnCodeAndTheRecordingStillReplays) {
    DataDir data;
    const std::filesystem::path file = data.file("recording.csv");
    const ProgramRun run = runProgram("sh -c 'trap \"\" XFSZ; ulimit -f 8; exec " + cliProgram() +
                                      " --simulate --data-dir " + quoted(data.path()) +
                                      " live --module cluster --cycles 20000 --record " +
                                      quoted(file.string()) + " 2>&1'");
    EXPECT_EQ(run.exitCode, 14) << run.out;
    EXPECT_THAT(run.out, HasSubstr("the recording stopped: could not write all of"));
    EXPECT_LE(std::filesystem::file_size(file), 8u * 512u);
    std::ifstream in(file, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    const CliResult replay = runCli({"replay", file.string(), "--csv"});
    EXPECT_EQ(replay.code, 0) << replay.err;
    EXPECT_EQ(replay.out, written.substr(0, written.rfind('\n') + 1));
}
#endif

TEST(Programs, ExitCodesReachTheShell) {
    DataDir data;
    EXPECT_EQ(runProgram(cliProgram() + " --simulate --vehicle \"KA 9\" scan" + kNoErrors).exitCode,
              2);
    EXPECT_EQ(runProgram(cliProgram() + " --port /dev/nonexistent-tty " + "--data-dir " +
                         quoted(data.path()) + " scan" + kNoErrors)
                  .exitCode,
              3);
}

}  // namespace
}  // namespace tvx::cli::testing
