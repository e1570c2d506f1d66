// The real POSIX serial port talking to the simulated box over a pseudo-terminal, on wall
// clock time, as the desktop program does with `--port /dev/pts/N`.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "link/clock.h"
#include "link/link.h"
#include "link/posix_serial_port.h"
#include "link/requests.h"
#include "sim/pty_server.h"

namespace {

using namespace tvx;

std::array<std::uint8_t, 3> addressBytes(std::uint32_t address) {
    return {static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address)};
}

TEST(PtyEndToEnd, PetrolCarPresenceScanParametersAndCodes) {
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();
    link::PosixSerialPort port(server.devicePath());  // the --port override
    link::SteadyClock clock;
    link::Link link(port, clock);
    link::Requests requests(link);

    ASSERT_TRUE(link.OpenPort(0));
    EXPECT_EQ(port.deviceName(), server.devicePath());
    EXPECT_TRUE(link.ProbeInterface());
    EXPECT_TRUE(link.ProbeModules());
    EXPECT_EQ(link.ModuleProtocol, (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1}));

    requests.Decode(link::Decoder::EngineSpeed1);  // two-byte raw form
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_GT(requests.EngValue, 700);
    EXPECT_LT(requests.EngValue, 900);
    requests.Decode(link::Decoder::CoolantTemp2);  // one-byte raw form
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_GE(requests.EngValue, 19);
    EXPECT_LE(requests.EngValue, 91);

    requests.ReadTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_EQ(requests.FormatTroubleCode(requests.TroubleCodes[1]), "P0171");
    requests.ClearTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 0);
    requests.ReadTroubleCodes(1);
    EXPECT_EQ(link.ReplyFailed, 0);
    EXPECT_EQ(requests.TroubleCodes, (std::array<std::uint16_t, 4>{}));

    requests.ReadVin();
    EXPECT_EQ(requests.VinText, server.withBox([](sim::Box& box) { return box.scenario().vin; }));
    EXPECT_FALSE(link.LineLost);
}

TEST(PtyEndToEnd, DieselVanInjectorReadThenProgramThenReadBack) {
    sim::PtyServer server(sim::vehicleScenario("diesel-van"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::SteadyClock clock;
    link::Link link(port, clock);
    link::Requests requests(link);
    ASSERT_TRUE(link.OpenPort(3));
    ASSERT_TRUE(link.ProbeModules());

    requests.ReadVin();
    EXPECT_EQ(requests.VinText, "WF0XXXTTGX8C12345");
    ASSERT_TRUE(requests.StartDiagnosticMode());
    ASSERT_TRUE(requests.Routine(0));
    ASSERT_TRUE(requests.AddressQuery());
    const std::uint32_t end =
        (requests.AddressHeld[0] << 16) | (requests.AddressHeld[1] << 8) | requests.AddressHeld[2];
    // The first block read (end - 4) is the second half of injector 4.
    ASSERT_TRUE(requests.ReadMemory(addressBytes(end - 4)));
    const auto injector4 = server.withBox([](sim::Box& box) { return box.injectorCode(4); });
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(link.ReplyBuffer[7 + i], injector4[4 + i]);
    }
    ASSERT_TRUE(requests.Routine(1));

    // Program the first half of injector 1 and read it back.
    const auto firstHalf = addressBytes(end - 32);
    ASSERT_TRUE(requests.RequestDownload(firstHalf));
    ASSERT_TRUE(requests.TransferData({0x01, 0x23, 0x45, 0x67}));
    ASSERT_TRUE(requests.TransferExit());
    ASSERT_TRUE(requests.ReadMemory(firstHalf));
    EXPECT_EQ(link.ReplyBuffer[7], 0x01);
    EXPECT_EQ(link.ReplyBuffer[10], 0x67);
    EXPECT_EQ(server.withBox([](sim::Box& box) { return box.injectorCode(1)[3]; }), 0x67);
}

TEST(PtyEndToEnd, SilentBoxGivesTimeOutsNotAHang) {
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.withBox([](sim::Box& box) { box.addFault(sim::Fault::silentBox()); });
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::SteadyClock clock;
    link::Link link(port, clock);
    link::Requests requests(link);
    ASSERT_TRUE(link.OpenPort(0));
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.ProbeInterface());
    EXPECT_EQ(link.ReadTimedOut, 1);
    // The presence test waits its whole second, not a millisecond less.
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(1002));
    link.ModuleProtocol = {0, 1, 1, 1, 1, 1};
    requests.ReadParameter(0x000C, 1);
    EXPECT_EQ(link.ReplyFailed, 1);
    EXPECT_FALSE(link.LineLost);  // silence is not a lost line
}

TEST(PtyEndToEnd, ClosedLineIsSeenAsALostLine) {
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.withBox([](sim::Box& box) { box.addFault(sim::Fault::lineClosed()); });
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::SteadyClock clock;
    link::Link link(port, clock);
    ASSERT_TRUE(link.OpenPort(0));
    EXPECT_FALSE(link.ProbeInterface());
    EXPECT_TRUE(link.LineLost);
}

// A reply read several bytes at a time over the real port: what came, and why it ended.
struct PtyReadCase {
    const char* name;
    std::optional<sim::Fault> fault;
    bool pace;
    std::size_t asked;
    std::size_t received;
    link::ReadStatus status;
};

void PrintTo(const PtyReadCase& c, std::ostream* out) {
    *out << c.name;
}

class PtyReads : public ::testing::TestWithParam<PtyReadCase> {};

TEST_P(PtyReads, ReplyReadAtOnceOverThePort) {
    const PtyReadCase& c = GetParam();
    sim::PtyServer::Options options;
    options.pace = c.pace;
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), options);
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    if (c.fault) {
        server.withBox([&](sim::Box& box) { box.addFault(*c.fault); });
    }
    server.start();
    link::PosixSerialPort port(server.devicePath());
    ASSERT_TRUE(port.openIndex(0));
    for (const std::uint8_t byte : {22, 0x00, 0x0C}) {  // engine speed
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(port.writeByte(byte));
    }
    std::vector<std::uint8_t> bytes(c.asked, 0);
    std::size_t received = 0;
    const auto begun = std::chrono::steady_clock::now();
    const link::ReadStatus status = port.readBytes(bytes, 50, received);
    const auto spent = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(received, c.received);
    if (received >= 12) {
        EXPECT_EQ(bytes[0], 22);    // the echo
        EXPECT_EQ(bytes[1], 10);    // the count
        EXPECT_EQ(bytes[5], 0x62);  // a positive answer to the read
    }
    if (status == link::ReadStatus::TimedOut) {
        EXPECT_GE(spent, std::chrono::milliseconds(50));  // not given up before its time
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PtyReads,
    ::testing::Values(
        PtyReadCase{"WholeReplyPaced", std::nullopt, true, 12, 12, link::ReadStatus::Byte},
        PtyReadCase{"WholeReplyUnpaced", std::nullopt, false, 12, 12, link::ReadStatus::Byte},
        PtyReadCase{"MoreThanTheReply", std::nullopt, true, 14, 12, link::ReadStatus::TimedOut},
        PtyReadCase{"CutShort", sim::Fault::cutShort(3), true, 12, 5, link::ReadStatus::TimedOut},
        PtyReadCase{"SilentBox", sim::Fault::silentBox(), true, 12, 0, link::ReadStatus::TimedOut},
        PtyReadCase{"LineClosed", sim::Fault::lineClosed(), true, 12, 0, link::ReadStatus::Error}),
    [](const auto& info) { return std::string(info.param.name); });

// start() twice must not end the program; after stop() the server answers again.
TEST(PtyServer, StartedTwiceServesOnceAndAgainAfterStop) {
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), {});
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;
    server.start();
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::SteadyClock clock;
    link::Link link(port, clock);
    ASSERT_TRUE(link.OpenPort(0));
    EXPECT_TRUE(link.ProbeInterface());
    server.stop();
    server.stop();
    server.start();
    EXPECT_TRUE(link.ProbeInterface());
    server.stop();
}

TEST(PtyEndToEnd, MissingDeviceDoesNotOpen) {
    link::PosixSerialPort port(std::string("/dev/does-not-exist"));
    EXPECT_FALSE(port.openIndex(0));
    EXPECT_FALSE(port.isOpen());
    std::uint8_t byte = 0;
    EXPECT_EQ(port.readByte(byte, 10), link::ReadStatus::Error);
}

#ifdef TVX_SIM_PROGRAM
// The tarvolinex-sim program: first line is the device, SIGTERM stops it cleanly.
TEST(SimProgram, PrintsItsDeviceAndServesUntilStopped) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        // The vehicle after a fault: each --fault takes one value.
        execl(TVX_SIM_PROGRAM, TVX_SIM_PROGRAM, "--fault", "silent-module,module=ABS", "diesel-van",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char device[256] = {};
    ASSERT_NE(fgets(device, sizeof device, lines), nullptr);
    std::string path(device);
    path.erase(path.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(path.rfind("/dev/", 0), 0u) << path;

    link::PosixSerialPort port(path);
    link::SteadyClock clock;
    link::Link link(port, clock);
    ASSERT_TRUE(link.OpenPort(0));
    EXPECT_TRUE(link.ProbeInterface());
    EXPECT_TRUE(link.ProbeModules());
    EXPECT_EQ(link.ModuleProtocol, (std::array<std::uint8_t, 6>{0, 2, 2, 0, 2, 2}));
    link.ClosePort();

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    fclose(lines);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
TEST(SimProgram, RefusesABadScenarioWithExitStatusTwo) {
    const std::string path = testing::TempDir() + "bad_scenario.json";
    std::ofstream(path) << R"({"modules": {"PCM": {"protocol": 9}}})";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(TVX_SIM_PROGRAM, TVX_SIM_PROGRAM, "--scenario", path.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
#endif

}  // namespace
