// The installed programs themselves: tarvolinex-cli against tarvolinex-sim, each in its own
// process, talking over the simulator's pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli_fixture.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
};

// Runs a shell command line; its stdout and exit status.
ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.out += buffer;
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
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
        runProgram(std::string(TVX_CLI_PROGRAM) + " --port " + quoted(sim.device()) +
                   " --data-dir " + quoted(data.path()) + " dtc read TCM 2>/dev/null");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "TCM: 1 stored trouble code\nP0715 Input/Turbine Speed Sensor Circuit Malfunction\n");
}
#endif

TEST(Programs, SimulateRunsTheBuiltInCar) {
    DataDir data;
    const ProgramRun run = runProgram(std::string(TVX_CLI_PROGRAM) + " --simulate diesel-van" +
                                      " --data-dir " + quoted(data.path()) + " scan 2>/dev/null");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.out, HasSubstr("PCM      protocol 2\n"));
    EXPECT_THAT(run.out, HasSubstr("VIN      WF0XXXTTGX8C12345\n"));
}

TEST(Programs, AFreshDataDirectoryGetsTheShippedCataloguesOnFirstUse) {
    DataDir root(false);
    const std::filesystem::path fresh = root.file("new") / "tarvolinex";
    const ProgramRun run =
        runProgram(std::string(TVX_CLI_PROGRAM) + " --simulate diesel-van --data-dir " +
                   quoted(fresh.string()) + " dtc read TCM 2>/dev/null");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "TCM: 1 stored trouble code\nP0715 Input/Turbine Speed Sensor Circuit Malfunction\n");
    for (const char* file : {"DTC5820EN.txt", "DTC5820TR.txt", "start.jpg"}) {
        EXPECT_TRUE(std::filesystem::exists(fresh / file)) << file;
    }
}

TEST(Programs, ExitCodesReachTheShell) {
    DataDir data;
    EXPECT_EQ(runProgram(std::string(TVX_CLI_PROGRAM) + " --simulate --vehicle 'KA 9' scan " +
                         "2>/dev/null")
                  .exitCode,
              2);
    EXPECT_EQ(runProgram(std::string(TVX_CLI_PROGRAM) + " --port /dev/nonexistent-tty " +
                         "--data-dir " + quoted(data.path()) + " scan 2>/dev/null")
                  .exitCode,
              3);
}

}  // namespace
}  // namespace tvx::cli::testing
