#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvx::sim {

// Module numbers as the tester uses them; the injector control unit is the sixth.
inline constexpr int kPcm = 1;
inline constexpr int kTcm = 2;
inline constexpr int kAbs = 3;
inline constexpr int kAirBag = 4;
inline constexpr int kCluster = 5;
inline constexpr int kIcu = 6;

// Faults the box can be told to make.
enum class FaultKind {
    SilentBox,     // answers nothing at all
    SilentModule,  // `module` answers neither its probe, its opening bytes nor requests
    WrongEcho,     // the first reply byte differs from the command byte
    CountZero,     // framed reply: echo, then a count of 0 and nothing more
    CutShort,      // framed reply: echo, count, then only `amount` of the data bytes
    ExtraDelay,    // the reply starts `amount` ms late
    Garbage,       // `amount` bytes of line noise instead of the reply
    LineClosed,    // the line drops (the tester's port sees a failing device)
};

struct Fault {
    FaultKind kind = FaultKind::SilentBox;
    // How many requests it spoils before it is used up; -1 = every request from now on.
    int count = -1;
    // Only parameter reads of this identifier, when set.
    std::optional<std::uint16_t> identifier;
    // Only requests to this module (1..6), when not 0. SilentModule needs it.
    int module = 0;
    // CutShort: data bytes kept; ExtraDelay: milliseconds; Garbage: number of bytes.
    unsigned amount = 0;
};

struct ModuleSetup {
    std::uint8_t protocol = 0;  // 0 = absent; 1, 2 or 3
    std::vector<std::uint16_t> troubleCodes;
};

// Everything that makes one simulated car.
struct Scenario {
    std::string name;
    std::array<ModuleSetup, 6> modules{};  // index 1..5 = PCM, TCM, ABS, AirBag, Cluster
    std::string vin = "WF0XXXGAJX1A23456";
    double odometerKm = 86412.3;
    bool diesel = false;  // diesel signals (rail pressure, fuel temperature in two bytes)
    bool injectorUnit = false;
    std::uint32_t injectorEndAddress = 0x0A1F40;                 // end of the 32-byte code area
    std::array<std::array<std::uint8_t, 8>, 4> injectorCodes{};  // injectors 1..4
    std::vector<Fault> faults;
};

// The built-in vehicles: "petrol-car" (every module protocol 1) and "diesel-van"
// (protocol 2, with an injector control unit). Throws std::invalid_argument for an
// unknown name, naming the known ones.
Scenario vehicleScenario(std::string_view name);
std::vector<std::string> vehicleNames();

// Parses "P0123" / "C1234" / "B0001" / "U0100" or a number ("0x4123", "256") into a code.
std::optional<std::uint16_t> parseTroubleCode(std::string_view text);
std::optional<FaultKind> parseFaultKind(std::string_view text);
const char* faultKindName(FaultKind kind);
// "PCM", "TCM", "ABS", "AirBag", "Cluster", "ICU" (any case) or "1".."6".
std::optional<int> parseModule(std::string_view text);

}  // namespace tvx::sim
