#pragma once

#include <cstdint>
#include <string>

namespace tvx::link {

// One row per parameter decoder, in the order of the decoder table. Where a value has
// two decoders (two different requests of the car) the first is "1" and the second "2".
enum class Decoder : std::uint8_t {
    EngineSpeed1,            // 0x000C rpmd
    EngineSpeed2,            // 0x1165 rpmd (other panel)
    VvtInlet,                // 0x16CD vvtind
    VvtOutlet,               // 0x091C vvtoutd
    PedalPosition1,          // 0x1340 appd
    VehicleSpeed1,           // 0x000D vssd, VSSd
    IntakeAirTemp1,          // 0x1123 iatd
    CoolantTemp1,            // 0x1139 ectd
    ThrottlePosition1,       // 0x1154 atpsd
    ManifoldPressure1,       // 0x1633 mapd
    VehicleSpeed2,           // 0x11C1 vssd
    ThrottlePosition2,       // 0x0011 atpsd (volts)
    IgnitionAdvance,         // 0x000E advd
    FuelRailPressure1,       // 0x0023 frpd
    Lambda,                  // 0x1158 lmdd
    HegoUp,                  // 0x1173 hegoupd
    HegoDown,                // 0x1174 hegodownd
    ManifoldPressure2,       // 0x1440 mapd
    FuelRailPressure2,       // 0x168C frpd (diesel)
    ManifoldPressureDiesel,  // 0x000B mapd (diesel)
    BatteryVoltage,          // 0x1172 batd, Batd
    Torque,                  // 0x1400 torkd
    PedalPosition2,          // 0x0049 appd
    PedalSensor1First,       // 0x0914 app1d
    PedalSensor1Second,      // 0x491D app1d
    PedalSensor2First,       // 0x491E app2d
    PedalSensor2Second,      // 0x0915 app2d
    PedalSensor3,            // 0x0916 app3d
    AirMass,                 // 0x0010 mafd
    CoolantTemp2,            // 0x0005 ectd, chdd (coolant / cylinder head)
    Barometer1,              // 0x1127 Barod
    EngineLoad,              // 0x0004 loadd
    IntakeAirTemp2,          // 0x000F iatd
    BatteryTemp,             // 0x0969 betd
    FuelTemp1,               // 0x168E ftsd, one byte
    DtcCount,                // 0x0200 dtcd, module 1
    ClusterDtcCount,         // 0x0200 dtcd, module 5
    EgrPosition1,            // 0x096A egrpd
    EgrPosition2,            // 0x096C egrpd
    FuelTemp2,               // 0x168E ftsd, two bytes
    EgrDuty,                 // 0x113C egrdd
    FuelLevel,               // 0x6185 flid, module 5
    DesiredFuel,             // 0x1412 mfdd
    VehicleSpeedDiesel,      // 0x1505 VSSd
    Barometer2,              // 0x1442 Barod
};

inline constexpr int kDecoderCount = static_cast<int>(Decoder::Barometer2) + 1;

}  // namespace tvx::link
