#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "link/byte_trace.h"
#include "scripted_port.h"
#include "sim_fixture.h"

namespace {

using tvx::test::SimulatedVehicle;

class VinTest : public testing::TestWithParam<const char*> {};

TEST_P(VinTest, ReadsTheSeventeenCharacters) {
    SimulatedVehicle car(GetParam());
    car.requests.ReadVin();
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.VinText, car.box.scenario().vin);
}

INSTANTIATE_TEST_SUITE_P(Vehicles, VinTest, testing::Values("petrol-car", "diesel-van"));

TEST(Vin, LostReplyKeepsTheDashes) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(tvx::sim::Fault::silentBox().onIdentifier(0xE302));
    car.requests.ReadVin();
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.requests.VinText, std::string(17, '-'));
}

TEST(Vin, SilentOpeningStopsBeforeAnyRead) {
    SimulatedVehicle van("diesel-van");
    const auto before = van.box.requests().size();
    van.box.addFault(tvx::sim::Fault::silentBox(1));
    van.requests.ReadVin();
    EXPECT_EQ(van.box.requests().size(), before + 1);  // only the opening bytes
    EXPECT_EQ(van.requests.VinText, std::string(17, '-'));
}

// A late byte waiting in the port is not the PCM's answer to its opening bytes: the port
// is emptied before they are sent, so a silent PCM stops the VIN read before any read.
TEST(Vin, AStaleByteIsNotThePcmsAnswerToItsOpening) {
    tvx::test::ScriptedLink scripted(1);
    auto& [clock, port, link, requests] = scripted;
    port.arrived({0x10});
    requests.ReadVin();
    EXPECT_EQ(port.written(), (std::vector<std::uint8_t>{0x14, 0x10}));
    EXPECT_EQ(requests.VinText, std::string(17, '-'));
}

TEST(Vin, StaleBytesAreNotThePcmsAnswerToTheSecondOpening) {
    SimulatedVehicle van("diesel-van");
    // The first identifier read comes back with a wrong echo: the tester stops reading
    // there and the rest of that reply waits in the port. The second opening (0x1E 0x07
    // 0x20) is not answered, which the waiting bytes must not hide.
    van.box.addFault(tvx::sim::Fault::wrongEcho(1).onIdentifier(0xE300));
    tvx::sim::Fault silentSecondOpening = tvx::sim::Fault::silentBox(1);
    silentSecondOpening.module = tvx::sim::kCluster;
    van.box.addFault(silentSecondOpening);
    const auto before = van.box.requests().size();
    van.requests.ReadVin();
    const auto sent = std::vector(van.box.requests().begin() + static_cast<std::ptrdiff_t>(before),
                                  van.box.requests().end());
    EXPECT_EQ(sent, (std::vector<std::vector<std::uint8_t>>{
                        {0x1E, 0x07, 0xE0}, {32, 0xE3, 0x00}, {0x1E, 0x07, 0x20}}));
    EXPECT_EQ(van.requests.VinText, std::string(17, '-'));
}

struct OdometerCase {
    const char* vehicle;
    const char* text;
};

class OdometerTest : public testing::TestWithParam<OdometerCase> {};

TEST_P(OdometerTest, ShowsTheCarsKilometres) {
    SimulatedVehicle car(GetParam().vehicle);
    car.requests.ReadOdometer();
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.ValueText, GetParam().text);
}

// Protocol 1 reads 1/500 miles (0x6182), protocol 2 tenths of a kilometre (0x6180).
INSTANTIATE_TEST_SUITE_P(Protocols, OdometerTest,
                         testing::Values(OdometerCase{"petrol-car", "86412.3"},
                                         OdometerCase{"diesel-van", "214380.6"}));

TEST(SwitchStates, FlagsComeFromByteA) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadSwitchStates();
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_NE(car.requests.StatusFlags & 0x08, 0);  // clutch released at idle
}

TEST(InjectorUnit, ReadsEightBlocksBelowTheQueriedAddress) {
    SimulatedVehicle van("diesel-van");
    ASSERT_TRUE(van.requests.StartDiagnosticMode());
    ASSERT_TRUE(van.requests.Routine(0));
    ASSERT_TRUE(van.requests.AddressQuery());
    const std::uint32_t end = van.box.scenario().injectorEndAddress;
    EXPECT_EQ(van.requests.AddressHeld,
              (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(end >> 16),
                                           static_cast<std::uint8_t>(end >> 8),
                                           static_cast<std::uint8_t>(end)}));
    std::array<std::array<std::uint8_t, 8>, 5> codes{};
    std::uint32_t address = end;
    for (int read = 1; read <= 8; ++read) {
        address -= 4;
        ASSERT_TRUE(van.requests.ReadMemory({static_cast<std::uint8_t>(address >> 16),
                                             static_cast<std::uint8_t>(address >> 8),
                                             static_cast<std::uint8_t>(address)}));
        const int injector = 4 - (read - 1) / 2;
        const std::size_t half = read % 2 == 1 ? 4 : 0;  // the second read of a pair is first
        for (std::size_t i = 0; i < 4; ++i) {
            codes[static_cast<std::size_t>(injector)][half + i] = van.link.ReplyBuffer[7 + i];
        }
    }
    for (int injector = 1; injector <= 4; ++injector) {
        EXPECT_EQ(codes[static_cast<std::size_t>(injector)], van.box.injectorCode(injector));
    }
}

TEST(InjectorUnit, ProgrammedBlockReadsBackChanged) {
    SimulatedVehicle van("diesel-van");
    const std::uint32_t end = van.box.scenario().injectorEndAddress;
    const std::uint32_t secondHalfOfInjector2 = end - 32 + 8 + 4;
    const std::array<std::uint8_t, 3> address{
        static_cast<std::uint8_t>(secondHalfOfInjector2 >> 16),
        static_cast<std::uint8_t>(secondHalfOfInjector2 >> 8),
        static_cast<std::uint8_t>(secondHalfOfInjector2)};
    ASSERT_TRUE(van.requests.RequestDownload(address));
    ASSERT_TRUE(van.requests.TransferData({0xDE, 0xAD, 0xBE, 0xEF}));
    ASSERT_TRUE(van.requests.TransferExit());
    ASSERT_TRUE(van.requests.ReadMemory(address));
    EXPECT_EQ(van.link.ReplyBuffer[7], 0xDE);
    EXPECT_EQ(van.link.ReplyBuffer[10], 0xEF);
    const auto code = van.box.injectorCode(2);
    EXPECT_EQ(code[4], 0xDE);
    EXPECT_EQ(code[0], van.box.scenario().injectorCodes[1][0]);  // first half untouched
}

TEST(InjectorUnit, TransferWithoutDownloadRequestIsRefused) {
    SimulatedVehicle van("diesel-van");
    EXPECT_FALSE(van.requests.TransferData({1, 2, 3, 4}));
    EXPECT_FALSE(van.requests.TransferExit());
}

TEST(InjectorUnit, PetrolCarHasNoneAndTheQueryTimesOut) {
    SimulatedVehicle car("petrol-car");
    car.requests.AddressHeld = {1, 2, 3};
    EXPECT_FALSE(car.requests.AddressQuery());
    // A wrong (missing) echo takes the zeros the purge left behind.
    EXPECT_EQ(car.requests.AddressHeld, (std::array<std::uint8_t, 3>{}));
    EXPECT_FALSE(car.requests.StartDiagnosticMode());
}

TEST(InjectorUnit, AddressQueryKeepsTheAddressAfterACutReply) {
    SimulatedVehicle van("diesel-van");
    van.requests.AddressHeld = {1, 2, 3};
    van.box.addFault(tvx::sim::Fault::cutShort(7));
    EXPECT_FALSE(van.requests.AddressQuery());
    EXPECT_EQ(van.link.ReplyFailed, 1);
    EXPECT_EQ(van.requests.AddressHeld, (std::array<std::uint8_t, 3>{1, 2, 3}));
}

TEST(ByteTrace, LogsEveryByteWithDirection) {
    const std::string path = testing::TempDir() + "link_trace.txt";
    {
        tvx::link::ByteTrace trace(path);
        ASSERT_TRUE(trace.isOpen());
        SimulatedVehicle car("petrol-car");
        car.link.setTrace(&trace);
        car.requests.ReadParameter(0x000C, 1);
        car.box.addFault(tvx::sim::Fault::silentBox(1));
        car.link.ProbeInterface();
    }
    std::ifstream in(path);
    int sent = 0;
    int received = 0;
    int timeouts = 0;
    std::string line;
    while (std::getline(in, line)) {
        sent += line.find(" TX ") != std::string::npos;
        received += line.find(" RX ") != std::string::npos;
        timeouts += line.find("timed out after 1000 ms") != std::string::npos;
    }
    EXPECT_EQ(sent, 3 + 1);
    EXPECT_EQ(received, 12);
    EXPECT_EQ(timeouts, 1);
}

}  // namespace
