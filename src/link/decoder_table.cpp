#include "decoder_table.h"

#include <array>

namespace tvx::link {
namespace {

using enum Decoder;
constexpr RawForm A = RawForm::OneByte;
constexpr RawForm AB = RawForm::TwoBytes;

// clang-format off
// decoder, identifier, module, raw, shift, multiply, divide, offset, width, decimals,
// demo range, demo fixed, demo text, gauge
constexpr std::array<DecoderRow, kDecoderCount> kRows{{
    {EngineSpeed1,           0x000C, 1, AB, 0,   1,    4,     0,    4, 0, 16000,  false, nullptr, "rpmd"},
    {EngineSpeed2,           0x1165, 1, AB, 0,   1,    4,     0,    4, 0, 16000,  false, nullptr, "rpmd"},
    {VvtInlet,               0x16CD, 1, AB, 0,   1,   16, -4096,    4, 0, 10000,  false, nullptr, "vvtind"},
    {VvtOutlet,              0x091C, 1, AB, 0,   1,   16, -4096,    4, 0, 10000,  false, nullptr, "vvtoutd"},
    {PedalPosition1,         0x1340, 1, A,  0, 100,  255,     0,    4, 0,   255,  false, nullptr, "appd"},
    {VehicleSpeed1,          0x000D, 1, A,  0,   1,    1,     0,    4, 0,   255,  false, nullptr, "vssd"},
    {IntakeAirTemp1,         0x1123, 1, A,  0,   1,    1,     0,    3, 0,   255,  false, nullptr, "iatd"},
    {CoolantTemp1,           0x1139, 1, A,  0,   1,    1,     0,    3, 0,   255,  false, nullptr, "ectd"},
    {ThrottlePosition1,      0x1154, 1, AB, 7,   1,    1,     0,    3, 0,   255,  false, nullptr, "atpsd"},
    {ManifoldPressure1,      0x1633, 1, AB, 7,   1,    1,     0,    3, 0,   255,  false, nullptr, "mapd"},
    {VehicleSpeed2,          0x11C1, 1, A,  0,  16,   50,     0,    4, 0,  6000,  false, nullptr, "vssd"},
    {ThrottlePosition2,      0x0011, 1, A,  0,   2,  100,     0,    4, 2,  5000,  false, nullptr, "atpsd"},
    {IgnitionAdvance,        0x000E, 1, A,  0,   1,    2,   -64,    4, 0,   255,  false, nullptr, "advd"},
    {FuelRailPressure1,      0x0023, 1, AB, 0,   1,   10,     0,    4, 0, 15000,  false, nullptr, "frpd"},
    {Lambda,                 0x1158, 1, AB, 0,   1, 3200,     0,    4, 3,  3200,  false, nullptr, "lmdd"},
    {HegoUp,                 0x1173, 1, AB, 0,   1, 1000,     0,    4, 3,  1000,  false, nullptr, "hegoupd"},
    {HegoDown,               0x1174, 1, AB, 0,   1, 1000,     0,    4, 3,  1000,  false, nullptr, "hegodownd"},
    {ManifoldPressure2,      0x1440, 1, AB, 0,   1,    4,     0,    4, 0,  1500,  false, nullptr, "mapd"},
    {FuelRailPressure2,      0x168C, 1, AB, 0,   1,   34,     0,    4, 0, 40000,  false, nullptr, "frpd"},
    {ManifoldPressureDiesel, 0x000B, 1, A,  0,   1,   10,     0,    4, 0,  1500,  false, nullptr, "mapd"},
    // A battery demo value that reads as a healthy 14.00 V.
    {BatteryVoltage,         0x1172, 1, A,  0,   5,   80,     0,    4, 2,   224,  true,  nullptr, "batd"},
    {Torque,                 0x1400, 1, A,  0,   4,    1,     0,    4, 0,   255,  false, nullptr, "torkd"},
    {PedalPosition2,         0x0049, 1, A,  0, 100,  255,     0,    4, 0,   255,  false, nullptr, "appd"},
    {PedalSensor1First,      0x0914, 1, AB, 0,   1, 1000,     0,    4, 2, 100000, false, nullptr, "app1d"},
    {PedalSensor1Second,     0x491D, 1, AB, 0,   1, 1000,     0,    4, 2, 100000, false, nullptr, "app1d"},
    {PedalSensor2First,      0x491E, 1, AB, 0,   1, 1000,     0,    4, 2, 100000, false, nullptr, "app2d"},
    {PedalSensor2Second,     0x0915, 1, AB, 0,   1, 1000,     0,    4, 2, 100000, false, nullptr, "app2d"},
    {PedalSensor3,           0x0916, 1, AB, 0,   1, 1000,     0,    4, 2, 100000, false, nullptr, "app3d"},
    {AirMass,                0x0010, 1, AB, 0,   1,  100,     0,    4, 1, 10000,  false, nullptr, "mafd"},
    {CoolantTemp2,           0x0005, 1, A,  0,   1,    1,   -40,    4, 0,   255,  false, nullptr, "ectd"},
    {Barometer1,             0x1127, 1, A,  1,   1,    1,     0,    4, 0,   255,  false, nullptr, "Barod"},
    {EngineLoad,             0x0004, 1, A,  0, 100,  255,     0,    4, 0,   255,  false, nullptr, "loadd"},
    {IntakeAirTemp2,         0x000F, 1, A,  0,   1,    1,   -40,    4, 0,   255,  false, nullptr, "iatd"},
    {BatteryTemp,            0x0969, 1, A,  0,   1,    1,   -40,    4, 0,   255,  false, nullptr, "betd"},
    {FuelTemp1,              0x168E, 1, A,  0,   2,    1,   -40,    4, 0,   255,  false, nullptr, "ftsd"},
    {DtcCount,               0x0200, 1, A,  0,   1,    1,     0,    4, 0,     1,  false, nullptr, "dtcd"},
    {ClusterDtcCount,        0x0200, 5, A,  0,   1,    1,     0,    4, 0,     1,  false, nullptr, "dtcd"},
    {EgrPosition1,           0x096A, 1, AB, 0,   1,  100,     0,    4, 1, 10000,  false, nullptr, "egrpd"},
    {EgrPosition2,           0x096C, 1, AB, 0,   1,  100,     0,    4, 1, 10000,  false, nullptr, "egrpd"},
    // (raw / 142 - 90) * 5 / 9, written as one scale and one offset.
    {FuelTemp2,              0x168E, 1, AB, 0,   5, 1278,   -50,    4, 0, 10000,  false, nullptr, "ftsd"},
    {EgrDuty,                0x113C, 1, AB, 0,   1,  327,     0,    4, 0, 10000,  false, nullptr, "egrdd"},
    {FuelLevel,              0x6185, 5, A,  0, 100,  255,     0,    4, 0,     0,  false, "44",    "flid"},
    {DesiredFuel,            0x1412, 1, AB, 0,  62, 1000,     0,    4, 2,   100,  false, nullptr, "mfdd"},
    {VehicleSpeedDiesel,     0x1505, 1, AB, 0,   1,  128,     0,    4, 0, 25000,  false, nullptr, "VSSd"},
    {Barometer2,             0x1442, 1, AB, 0,   1,    4,     0,    4, 0,  4000,  false, nullptr, "Barod"},
}};
// clang-format on

constexpr bool rowsInEnumOrder() {
    for (int i = 0; i < kDecoderCount; ++i) {
        if (static_cast<int>(kRows[static_cast<std::size_t>(i)].decoder) != i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInEnumOrder(), "decoder rows must follow the order of enum Decoder");

}  // namespace

std::span<const DecoderRow> decoderTable() {
    return kRows;
}

const DecoderRow& decoderRow(Decoder decoder) {
    return kRows[static_cast<std::size_t>(decoder)];
}

const DecoderRow* findDecoderRow(std::uint16_t identifier, RawForm form) {
    for (const auto& row : kRows) {
        if (row.identifier == identifier && row.raw == form) {
            return &row;
        }
    }
    return nullptr;
}

const DecoderRow* findDecoderRow(std::uint16_t identifier) {
    for (const auto& row : kRows) {
        if (row.identifier == identifier) {
            return &row;
        }
    }
    return nullptr;
}

double engineeringValue(const DecoderRow& row, std::uint32_t raw) {
    return static_cast<double>(raw >> row.shift) * row.multiply / row.divide + row.offset;
}

}  // namespace tvx::link
