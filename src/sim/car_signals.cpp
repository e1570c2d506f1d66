#include "car_signals.h"

#include <algorithm>
#include <cmath>

#include "link/decoder_table.h"

namespace tvx::sim {
namespace {

using link::RawForm;

double warmUp(double from, double to, double seconds, double timeConstant) {
    return from + (to - from) * (1.0 - std::exp(-seconds / timeConstant));
}

// Encodes an engineering value into the raw value the decoder row turns back into it.
std::array<std::uint8_t, 4> encode(const link::DecoderRow& row, double value) {
    const double scaled = (value - row.offset) * row.divide / row.multiply;
    const double maxRaw = row.raw == RawForm::TwoBytes ? 65535.0 : 255.0;
    double raw = std::round(scaled) * static_cast<double>(1u << row.shift);
    raw = std::clamp(raw, 0.0, maxRaw);
    const auto bits = static_cast<std::uint32_t>(raw);
    if (row.raw == RawForm::TwoBytes) {
        return {static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits & 0xFF), 0, 0};
    }
    return {static_cast<std::uint8_t>(bits), 0, 0, 0};
}

}  // namespace

CarSignals::CarSignals(const Scenario& scenario) : m_scenario(scenario) {}

std::optional<double> CarSignals::value(std::uint16_t identifier, double t) const {
    const double coolant = warmUp(20.0, 90.0, t, 300.0);
    const double intake = warmUp(22.0, 32.0, t, 600.0);
    switch (identifier) {
        case 0x000C:
        case 0x1165:
            return 800.0 + 25.0 * std::sin(0.9 * t) + 8.0 * std::sin(5.3 * t);
        case 0x16CD:
        case 0x091C:
            return -12.0 + 2.0 * std::sin(0.3 * t);
        case 0x1340:
        case 0x0049:
        case 0x000D:
        case 0x11C1:
        case 0x1505:
            return 0.0;  // standing, foot off the pedal
        case 0x1123:
        case 0x000F:
            return intake;
        case 0x1139:
        case 0x0005:
            return coolant;
        case 0x1154:
            return 12.0 + std::sin(0.5 * t);
        case 0x0011:
            return 0.64;
        case 0x1633:
        case 0x1440:
            return 34.0 + 1.5 * std::sin(0.7 * t);
        case 0x000B:
            return 10.1;
        case 0x000E:
            return 10.0 + 2.0 * std::sin(0.4 * t);
        case 0x0023:
            return 350.0 + 5.0 * std::sin(0.6 * t);
        case 0x168C:
            return 280.0 + 8.0 * std::sin(0.6 * t);
        case 0x1158:
            return 1.0 + 0.02 * std::sin(3.0 * t);
        case 0x1173:
            return 0.45 + 0.35 * std::sin(3.0 * t);
        case 0x1174:
            return 0.65 + 0.02 * std::sin(0.2 * t);
        case 0x1172:
            return warmUp(13.6, 14.2, t, 120.0);
        case 0x1400:
            return 20.0;
        case 0x0914:
        case 0x491D:
            return 0.75;
        case 0x491E:
        case 0x0915:
            return 0.37;
        case 0x0916:
            return 0.50;
        case 0x0010:
            return 3.5 + 0.2 * std::sin(0.9 * t);
        case 0x1127:
            return 101.0;
        case 0x1442:
            return 1013.0;
        case 0x0004:
            return 22.0 + 1.0 * std::sin(0.9 * t);
        case 0x0969:
            return intake;
        case 0x168E:
            return warmUp(18.0, 45.0, t, 900.0);
        case 0x096A:
        case 0x096C:
            return 2.5;
        case 0x113C:
            return 30.0 + 3.0 * std::sin(0.25 * t);
        case 0x6185:
            return 44.0;
        case 0x1412:
            return 0.5;
        default:
            return std::nullopt;
    }
}

std::optional<std::array<std::uint8_t, 4>> CarSignals::read(std::uint16_t identifier,
                                                            std::uint64_t sinceStartMs) const {
    const double t = static_cast<double>(sinceStartMs) / 1000.0;
    if (identifier == 0x1101) {
        // Switch states: clutch pedal released (bit 3 set), brake pedal pressed now and
        // then (bit 1), air conditioning on for half of every minute (bit 0).
        std::uint8_t flags = 0x08;
        if (std::fmod(t, 20.0) < 3.0) {
            flags |= 0x02;
        }
        if (std::fmod(t, 60.0) < 30.0) {
            flags |= 0x01;
        }
        return std::array<std::uint8_t, 4>{flags, 0, 0, 0};
    }
    if (identifier == 0x6182) {
        // Odometer in 1/500 miles, signed 32-bit big-endian.
        const auto units = static_cast<std::uint32_t>(
            static_cast<std::int32_t>(std::llround(m_scenario.odometerKm * 500.0 / 1.60933)));
        return std::array<std::uint8_t, 4>{
            static_cast<std::uint8_t>(units >> 24), static_cast<std::uint8_t>(units >> 16),
            static_cast<std::uint8_t>(units >> 8), static_cast<std::uint8_t>(units)};
    }
    if (identifier == 0x6180) {
        // Odometer in tenths of a kilometre, 24-bit big-endian.
        const auto tenths = static_cast<std::uint32_t>(std::llround(m_scenario.odometerKm * 10.0));
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(tenths >> 16),
                                           static_cast<std::uint8_t>(tenths >> 8),
                                           static_cast<std::uint8_t>(tenths), 0};
    }
    const auto engineering = value(identifier, t);
    if (!engineering) {
        return std::nullopt;
    }
    // Fuel temperature has a one-byte and a two-byte decoder; the diesel answers the second.
    const link::DecoderRow* row =
        identifier == 0x168E
            ? link::findDecoderRow(identifier,
                                   m_scenario.diesel ? RawForm::TwoBytes : RawForm::OneByte)
            : link::findDecoderRow(identifier);
    if (row == nullptr) {
        return std::nullopt;
    }
    return encode(*row, *engineering);
}

}  // namespace tvx::sim
