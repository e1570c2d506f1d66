// The doctor on the real POSIX port against the simulator on a pseudo-terminal: the box's
// faults, a port held by another tester, a missing device and a file that is no port.
#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "doctor/doctor_run.h"
#include "link/posix_serial_port.h"
#include "sim/pty_server.h"

namespace tvx::session {
namespace {

struct Examined {
    DoctorObservations seen;
    Finding finding;
    double seconds = 0;
};

Examined examine(const std::string& device) {
    link::SteadyClock clock;
    link::PosixSerialPort port;
    const auto start = std::chrono::steady_clock::now();
    Examined result;
    result.seen = examineConnection(port, clock, DoctorTarget{device, 0}, link::discoverPorts());
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.finding = diagnose(result.seen);
    return result;
}

class SimulatedBox {
public:
    explicit SimulatedBox(std::vector<sim::Fault> faults = {}) : m_server(scenario(faults), {}) {
        std::string error;
        if (!m_server.open(error)) {
            ADD_FAILURE() << error;
        }
        m_server.start();
    }
    const std::string& device() const { return m_server.devicePath(); }

private:
    static sim::Scenario scenario(std::vector<sim::Fault> faults) {
        sim::Scenario s = sim::vehicleScenario("petrol-car");
        s.faults = std::move(faults);
        return s;
    }
    sim::PtyServer m_server;
};

TEST(DoctorOnAPseudoTerminal, AnAnsweringCarIsFine) {
    SimulatedBox box;
    const Examined result = examine(box.device());
    EXPECT_EQ(result.finding.stage, DoctorStage::AllGood) << result.finding.english;
    EXPECT_EQ(result.seen.protocols, (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1}));
}

TEST(DoctorOnAPseudoTerminal, ASilentBoxIsFoundWithinThePresenceTestsTimeOut) {
    SimulatedBox box({sim::Fault::silentBox()});
    const Examined result = examine(box.device());
    EXPECT_EQ(result.finding.stage, DoctorStage::BoxSilent);
    EXPECT_LT(result.seconds, 1.0 + 1.0 + 0.8)
        << "the presence test waits 1000 ms, then listens 1000 ms for a late answer, and no more";
}

TEST(DoctorOnAPseudoTerminal, GarbageIsAnotherDevice) {
    SimulatedBox box({sim::Fault::garbage(5, -1)});
    const Examined result = examine(box.device());
    EXPECT_EQ(result.finding.stage, DoctorStage::NotTheBox);
    EXPECT_GE(result.seen.received.size(), 2u) << "the noise after the first byte is heard too";
}

TEST(DoctorOnAPseudoTerminal, ALineClosedIsALostLine) {
    SimulatedBox box({sim::Fault::lineClosed()});
    const Examined result = examine(box.device());
    EXPECT_EQ(result.finding.stage, DoctorStage::LineLost);
    EXPECT_LT(result.seconds, 1.5);
}

TEST(DoctorOnAPseudoTerminal, APortHeldByAnotherTesterNamesTheHolder) {
    SimulatedBox box;
    link::PosixSerialPort otherTester;
    ASSERT_TRUE(otherTester.openDevice(box.device()));
    const Examined result = examine(box.device());
    EXPECT_EQ(result.finding.stage, DoctorStage::CannotOpen);
    EXPECT_EQ(result.seen.openError.failure, link::OpenFailure::Busy);
    const std::string pid = "(pid " + std::to_string(::getpid()) + ")";
    EXPECT_NE(result.finding.english.find(pid), std::string::npos) << result.finding.english;
    EXPECT_NE(result.finding.turkish.find(pid), std::string::npos) << result.finding.turkish;
    otherTester.close();
    EXPECT_EQ(examine(box.device()).finding.stage, DoctorStage::AllGood) << "free again";
}

TEST(DoctorOnAPseudoTerminal, AMissingDeviceAndAFileAreToldApart) {
    EXPECT_EQ(examine("/dev/tvx-no-such-tty").finding.stage, DoctorStage::PortMissing);
    const auto file = std::filesystem::temp_directory_path() / "tvx-doctor-file";
    std::ofstream(file) << "keep";
    const Examined onFile = examine(file.string());
    EXPECT_EQ(onFile.finding.stage, DoctorStage::CannotOpen);
    EXPECT_EQ(onFile.seen.openError.failure, link::OpenFailure::NotSerialPort);
    std::ifstream in(file);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep") << "nothing was written into the file";
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace tvx::session
