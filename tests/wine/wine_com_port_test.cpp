// The Windows command-line tester under Wine, on a Wine COM port that leads to the Linux
// simulator's pseudo-terminal: what a workshop PC does, short of a real box.
//
// Run by scripts/windows-tests.sh; TVX_WINDOWS_BUILD names the Windows build folder (its
// tarvolinex-cli.exe, com_port_checks.exe and wine-prefix).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <termios.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace tvx::wine {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::chrono::seconds kRunLimit{120};
constexpr const char* kComPort = "COM5";

// A path of this machine as a Windows program under Wine names it (drive Z: is /).
std::string windowsPath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text) {
        c = c == '/' ? '\\' : c;
    }
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.push_back(line);
    }
    return result;
}

class WineComPort : public ::testing::Test {
protected:
    void SetUp() override {
        const char* build = std::getenv("TVX_WINDOWS_BUILD");
        ASSERT_NE(build, nullptr) << "TVX_WINDOWS_BUILD must name the Windows build folder";
        m_build = build;
        ASSERT_TRUE(fs::exists(m_build / "wine-prefix")) << "no Wine prefix in " << m_build;
        setenv("WINEPREFIX", (m_build / "wine-prefix").c_str(), 1);
        m_data = fs::temp_directory_path() /
                 ("tvx-wine-data-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_data);
        for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
            fs::copy_file(fs::path(TVX_CATALOGUE_DIR) / name, m_data / name,
                          fs::copy_options::overwrite_existing);
        }
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_data, ignored);
    }

    // The simulator on a pseudo-terminal, and COM5 of the Wine prefix pointing at it
    // (HKLM\Software\Wine\Ports; Wine reads it when its server starts).
    void startSimulator(const std::vector<std::string>& args) {
        std::vector<std::string> argv{TVX_SIM_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        m_sim = std::make_unique<Background>(argv);
        m_pty = m_sim->firstLine();
        ASSERT_THAT(m_pty, StartsWith("/dev/pts/")) << "the simulator did not start";
        const std::vector<std::string> addPort{
            TVX_WINE_RUN, "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", kComPort,
            "/d",         m_pty, "/f"};
        Finished reg = run(addPort, kRunLimit);
        if (reg.exitCode != 0) {
            // Wine's server may have been on its way out as the last test's program ended
            // ("connection reset"): once it is gone, a new one starts for the next program.
            run({"wineserver", "-w"}, kRunLimit);
            reg = run(addPort, kRunLimit);
        }
        ASSERT_EQ(reg.exitCode, 0) << reg.err;
        run({"wineserver", "-k"}, kRunLimit);
        run({"wineserver", "-w"}, kRunLimit);
    }

    // The pseudo-terminal's settings as a program left them, or sets them beforehand.
    termios ptySettings() const {
        termios settings{};
        const int fd = ::open(m_pty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(tcgetattr(fd, &settings), 0);
        ::close(fd);
        return settings;
    }
    void setPtySettings(const termios& settings) const {
        const int fd = ::open(m_pty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &settings), 0);
        ::close(fd);
    }

    Finished windowsProgram(const fs::path& exe, const std::vector<std::string>& args) const {
        std::vector<std::string> argv{TVX_WINE_RUN, exe.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, kRunLimit);
    }
    // tarvolinex-cli.exe with the test's data directory before the given arguments.
    Finished cli(const std::vector<std::string>& args) const {
        std::vector<std::string> all{"--data-dir", windowsPath(m_data)};
        all.insert(all.end(), args.begin(), args.end());
        return windowsProgram(m_build / "apps" / "tarvolinex-cli" / "tarvolinex-cli.exe", all);
    }
    fs::path file(const std::string& name) const { return m_data / name; }

    fs::path m_build;
    fs::path m_data;
    std::unique_ptr<Background> m_sim;
    std::string m_pty;
};

TEST_F(WineComPort, ScanFindsTheBoxTheModulesAndTheVin) {
    startSimulator({"petrol-car"});
    const Finished scan = cli({"--com", "5", "scan"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(
        lines(scan.out),
        (std::vector<std::string>{"box      answered", "PCM      protocol 1", "TCM      protocol 1",
                                  "ABS      protocol 1", "AirBag   protocol 1",
                                  "Cluster  protocol 1", "VIN      WF0AXXGAJA1B23456"}));
}

// P1311 and P1113 travel as the bytes 0x13 0x11 and 0x11 0x13: XOFF and XON to a port with
// software flow control, which swallows them. The port is left with flow control on, as
// another program may leave it; the tester must switch it off to read the codes.
TEST_F(WineComPort, TroubleCodesMadeOfXonAndXoffBytesArriveWithFlowControlLeftOn) {
    const fs::path scenario = file("xon-xoff.json");
    std::ofstream(scenario) << R"({"base": "petrol-car",
        "modules": {"PCM": {"codes": ["P1311", "P1113", "P0300"]}}})";
    startSimulator({"--scenario", scenario.string()});
    termios before = ptySettings();
    before.c_iflag |= IXON | IXOFF;
    before.c_cflag |= CRTSCTS;
    setPtySettings(before);

    const Finished read = cli({"--port", kComPort, "dtc", "read", "PCM"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const std::vector<std::string> out = lines(read.out);
    ASSERT_EQ(out.size(), 4u) << read.out;
    EXPECT_EQ(out[0], "PCM: 3 stored trouble codes");
    EXPECT_THAT(out[1], StartsWith("P1311 "));
    EXPECT_THAT(out[2], StartsWith("P1113 "));
    EXPECT_EQ(out[3], "P0300 Random/Multiple Cylinder Misfire Detected");

    const termios after = ptySettings();
    EXPECT_EQ(after.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(after.c_cflag & CRTSCTS, 0u);
}

TEST_F(WineComPort, LiveDataGoesToACsvFileOneRowPerCycle) {
    startSimulator({"petrol-car"});
    const Finished live = cli({"--com", "5", "--vehicle", "FOCUS ghia 1.6", "live", "--cycles", "3",
                               "--csv", windowsPath(file("road.csv"))});
    EXPECT_EQ(live.exitCode, 0) << live.err;
    const std::vector<std::string> csv = lines(readAll(file("road.csv")));
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_THAT(csv[0], StartsWith("time [s],engine speed [rpm],manifold pressure [kPa],"));
    // Time, then eleven values; the engine idles around 800 rpm.
    const std::regex row(R"(\d+\.\d{3},([0-9]+)(,[-0-9.]+){10})");
    for (std::size_t i = 1; i < csv.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(csv[i], match, row)) << csv[i];
        EXPECT_NEAR(std::stoi(match[1]), 800, 100) << csv[i];
    }
}

TEST_F(WineComPort, InjectorCodesAreReadFromTheVan) {
    startSimulator({"diesel-van"});
    const Finished read = cli({"--com", "5", "--vehicle", "FOCUS 1.8 TDCI", "injectors", "read"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(
        lines(read.out),
        (std::vector<std::string>{"Injector 1  123456789ABCDEF0", "Injector 2  8877665544332211",
                                  "Injector 3  21436587A9CBED0F", "Injector 4  0A1B2C3D4E5F6071"}));
}

// The presence test waits 1000 ms for its answer: that long, and not for ever.
TEST_F(WineComPort, ASilentBoxTimesOutWithinThePresenceTestsTimeOut) {
    startSimulator({"petrol-car", "--fault", "silent-box"});
    const Finished scan = cli({"--com", "5", "--trace", windowsPath(file("trace.log")), "scan"});
    EXPECT_EQ(scan.exitCode, 4) << scan.err;
    EXPECT_THAT(scan.err, HasSubstr("the interface box does not answer"));
    const std::vector<std::string> trace = lines(readAll(file("trace.log")));
    ASSERT_EQ(trace.size(), 2u);
    const std::regex sent(R"(\s*(\d+) TX 01)");
    const std::regex timedOut(R"(\s*(\d+) -- timed out after 1000 ms)");
    std::smatch tx;
    std::smatch timeout;
    ASSERT_TRUE(std::regex_match(trace[0], tx, sent)) << trace[0];
    ASSERT_TRUE(std::regex_match(trace[1], timeout, timedOut)) << trace[1];
    const long waited = std::stol(timeout[1]) - std::stol(tx[1]);
    EXPECT_GE(waited, 990);
    EXPECT_LT(waited, 1500);
}

TEST_F(WineComPort, APortThatIsNotThereIsReportedAsMissing) {
    startSimulator({"petrol-car"});
    const Finished scan = cli({"--com", "6", "scan"});
    EXPECT_EQ(scan.exitCode, 3);
    EXPECT_THAT(scan.err, HasSubstr("cannot open COM6. The serial port was not found"));
}

// The port's own checks (0 ms reads, time-outs, every byte both ways) on the same COM port.
TEST_F(WineComPort, ThePortChecksPassOnTheWineComPort) {
    startSimulator({"petrol-car"});
    setenv("TVX_COM_PORT", kComPort, 1);
    const Finished checks = windowsProgram(m_build / "tests" / "wine" / "com_port_checks.exe", {});
    EXPECT_EQ(checks.exitCode, 0) << checks.out << checks.err;
    EXPECT_THAT(checks.out, HasSubstr("[  PASSED  ] 4 tests."));
}

}  // namespace
}  // namespace tvx::wine
