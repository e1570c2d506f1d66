#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <span>
#include <string>

#include "decoder.h"
#include "link.h"

namespace tvx::link {

// Every request the tester makes of a vehicle module through the box, and the decoding of
// the replies into engineering values and gauge texts.
class Requests {
public:
    explicit Requests(Link& link);

    // Reads one parameter of module 1..5; fills PidRecord and ReplyFailed.
    void ReadParameter(std::uint16_t identifier, int module);
    // Runs one decoder row: fills RawValue, EngValue and ValueText, leaves ReplyFailed for
    // the caller (which shows ValueText only when ReplyFailed is 0). Demo values in DemoMode.
    void Decode(Decoder decoder);
    // Switch states (0x1101): StatusFlags.
    void ReadSwitchStates();
    // Odometer of the cluster (module 5): ValueText, width 7 with 1 decimal.
    void ReadOdometer();
    static constexpr std::uint16_t kSwitchStatesIdentifier = 0x1101;
    // The identifier ReadOdometer asks for with the cluster's protocol.
    std::uint16_t odometerIdentifier() const;

    // Trouble codes of module 1..5, form chosen by ModuleProtocol. ReplyFailed tells.
    void ReadTroubleCodes(int module);
    void ClearTroubleCodes(int module);
    // Letter and four upper-case hex digits; also left in CodeText.
    std::string FormatTroubleCode(std::uint16_t code);
    // The identification number into VinText; false (VinText as it was) when any read of
    // it failed or in demo mode.
    bool ReadVin();

    // Memory-block requests of the injector control unit. Each is one framed exchange and
    // returns true when the echo, the count and every data byte came and the answer is
    // positive (ReplyBuffer[4] = service + 0x40). ReplyBuffer is left to the caller.
    bool StartDiagnosticMode();  // 21, 1, 0x10
    bool Routine(int variant);   // 21, 7, 0xB1 ... (0 open, 1 close)
    bool RequestDownload(const std::array<std::uint8_t, 3>& address);  // 21, 7, 0x34 ...
    bool TransferData(const std::array<std::uint8_t, 4>& data);        // 21, 7, 0x36 ...
    bool TransferExit();                                               // 21, 2, 0x37, 0
    bool ReadMemory(const std::array<std::uint8_t, 3>& address);  // 21, 4, 0x23 ...; data at 7..10
    // 22, 0xC9, 0x05; on success (or a wrong echo) AddressHeld = ReplyBuffer[8..10].
    bool AddressQuery();

    Link& link() { return m_link; }

    std::array<std::uint8_t, 7> PidRecord{};
    std::uint16_t RawValue = 0;
    double EngValue = 0.0;
    std::string ValueText;
    std::uint8_t StatusFlags = 0;
    std::array<std::uint16_t, 4> TroubleCodes{};  // index 1..3; 0 = empty slot
    std::string VinText = std::string(17, '-');
    std::string CodeText;
    std::array<std::uint8_t, 3> AddressHeld{};

private:
    // Purge, send the bytes of a single-byte mode command, read its one reply byte.
    bool sendModeCommand(std::initializer_list<std::uint8_t> bytes);
    // One memory-block request: true when the whole reply came and ReplyBuffer[4] is
    // `positive`. A wrong echo leaves ReplyFailed as it was.
    bool memoryRequest(std::span<const std::uint8_t> frame, std::uint8_t positive);

    Link& m_link;
    std::mt19937 m_random;
};

// Rounds value to decimals and right-aligns it in width characters; a longer text is
// never cut.
std::string FormatValue(double value, int width, int decimals);

}  // namespace tvx::link
