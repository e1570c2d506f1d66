// The Windows serial port on a real COM port: run under Wine by wine_com_port_tests, which
// maps the port named in TVX_COM_PORT to the simulator's pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/windows_serial_port.h"

namespace tvx::link {
namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class ComPort : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("TVX_COM_PORT");
        ASSERT_NE(name, nullptr) << "TVX_COM_PORT names the COM port of the simulator";
        m_name = name;
        ASSERT_TRUE(m_port.openDevice(m_name)) << m_port.lastOpenError().systemMessage;
        m_port.purge();
    }
    std::string m_name;
    WindowsSerialPort m_port;
};

TEST_F(ComPort, AZeroMillisecondReadReturnsAtOnceOnASilentLine) {
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(m_port.readByte(byte, 0), ReadStatus::TimedOut);
    EXPECT_LT(msSince(start), 500) << "all read time-outs zero would wait for ever";
}

TEST_F(ComPort, AZeroMillisecondReadTakesAByteThatIsWaiting) {
    ASSERT_TRUE(m_port.writeByte(0x01));  // the presence test: the box answers 0x01
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::uint8_t byte = 0;
    EXPECT_EQ(m_port.readByte(byte, 0), ReadStatus::Byte);
    EXPECT_EQ(byte, 0x01);
}

TEST_F(ComPort, AReadOnASilentLineWaitsItsTimeOutAndNoLonger) {
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(m_port.readByte(byte, 300), ReadStatus::TimedOut);
    EXPECT_GE(msSince(start), 250);
    EXPECT_LT(msSince(start), 3000);
}

TEST_F(ComPort, TheLineCarriesEveryByteBothWays) {
    // Module probe 0x28..0x2C: the box answers each module's protocol.
    for (std::uint8_t probe = 0x28; probe <= 0x2C; ++probe) {
        m_port.purge();
        ASSERT_TRUE(m_port.writeByte(probe));
        std::uint8_t byte = 0;
        ASSERT_EQ(m_port.readByte(byte, 3000), ReadStatus::Byte) << int(probe);
        EXPECT_EQ(byte, 1) << int(probe);
    }
}

}  // namespace
}  // namespace tvx::link
