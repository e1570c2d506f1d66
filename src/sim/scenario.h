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
    KeepsOldCode,  // the injector unit confirms a transfer exit but keeps the bytes it held
    LateProbe,     // a module probe's answer comes `amount` ms late (3500 when 0)
    // A USB adapter with a latency timer of `amount` ms (16 when 0): the reply's bytes are
    // held and passed on in bursts, each byte at the next tick of the timer.
    BurstHold,
    StaleBytes,  // `amount` bytes (3 when 0) of an earlier reply still come before the reply
};

struct Fault {
    FaultKind kind = FaultKind::SilentBox;
    // How many requests it spoils before it is used up; -1 = every request from now on.
    int count = -1;
    // Only parameter reads of this identifier, when set.
    std::optional<std::uint16_t> identifier;
    // Only requests to this module (1..6), when not 0. SilentModule needs it.
    int module = 0;
    // CutShort: data bytes kept; ExtraDelay, LateProbe, BurstHold: milliseconds; Garbage,
    // StaleBytes: number of bytes.
    unsigned amount = 0;
    // Only the n-th request the injector control unit answers (1 = its first since the box
    // started, reads and writes alike), when not 0; such a fault spoils that one request.
    int injectorRequest = 0;

    // Ready-made faults; `count` requests are spoilt (-1: all from now on).
    static Fault make(FaultKind kind, int count = -1, unsigned amount = 0) {
        Fault fault;
        fault.kind = kind;
        fault.count = count;
        fault.amount = amount;
        return fault;
    }
    static Fault silentBox(int count = -1) { return make(FaultKind::SilentBox, count); }
    static Fault silentModule(int module, int count = -1) {
        return make(FaultKind::SilentModule, count).forModule(module);
    }
    static Fault wrongEcho(int count = 1) { return make(FaultKind::WrongEcho, count); }
    static Fault countZero(int count = 1) { return make(FaultKind::CountZero, count); }
    static Fault cutShort(unsigned keptBytes, int count = 1) {
        return make(FaultKind::CutShort, count, keptBytes);
    }
    static Fault extraDelay(unsigned ms, int count = 1) {
        return make(FaultKind::ExtraDelay, count, ms);
    }
    static Fault garbage(unsigned bytes, int count = 1) {
        return make(FaultKind::Garbage, count, bytes);
    }
    static Fault lateProbe(unsigned ms = 0, int count = -1) {
        return make(FaultKind::LateProbe, count, ms);
    }
    static Fault lineClosed() { return make(FaultKind::LineClosed, 1); }
    static Fault burstHold(unsigned ms = 0, int count = -1) {
        return make(FaultKind::BurstHold, count, ms);
    }
    static Fault staleBytes(unsigned bytes = 0, int count = 1) {
        return make(FaultKind::StaleBytes, count, bytes);
    }
    // Narrow a fault to parameter reads of one identifier, or to one module (1..6).
    Fault onIdentifier(std::uint16_t id) const {
        Fault narrowed = *this;
        narrowed.identifier = id;
        return narrowed;
    }
    Fault forModule(int number) const {
        Fault narrowed = *this;
        narrowed.module = number;
        return narrowed;
    }
    Fault onInjectorRequest(int n) const {
        Fault narrowed = *this;
        narrowed.injectorRequest = n;
        narrowed.count = 1;
        return narrowed;
    }
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
    // The live values held as the car shows them this many seconds after the box started,
    // never changing (pictures and comparisons of the live page); none: they move with time.
    std::optional<double> steadyAtSeconds;
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
// Every fault kind's name, comma-separated, for messages.
std::string faultKindList();
// "PCM", "TCM", "ABS", "AirBag", "Cluster", "ICU" (any case) or "1".."6".
std::optional<int> parseModule(std::string_view text);

}  // namespace tvx::sim

namespace tvx::sim {

// A fault written on a command line:
// "KIND[,count=N][,module=M][,identifier=ID][,amount=A][,injector-request=N]", for example
// "cut-short,amount=3,count=2" or "silent-module,module=ABS". Sets error and returns none when the
// text is not understood.
std::optional<Fault> parseFaultSpec(std::string_view text, std::string& error);

}  // namespace tvx::sim
