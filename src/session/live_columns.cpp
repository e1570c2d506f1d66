#include "session/live_columns.h"

#include <algorithm>

#include "plain/keyed_rows.h"
#include "session/live_focus.h"

namespace tvx::session {
namespace {

using link::Decoder;

// What a value is called and its unit, by what reads it.
template <class Key>
struct ValueName {
    Key key;
    std::string_view name;
    std::string_view unit;
};

// What each decoder row measures. The units are those of the decoders' formulas.
constexpr ValueName<Decoder> kValueNames[] = {
    {Decoder::EngineSpeed1, "engine speed", "rpm"},
    {Decoder::EngineSpeed2, "engine speed", "rpm"},
    {Decoder::VvtInlet, "VVT inlet", "deg"},
    {Decoder::VvtOutlet, "VVT outlet", "deg"},
    {Decoder::PedalPosition1, "pedal position", "%"},
    {Decoder::VehicleSpeed1, "vehicle speed", "km/h"},
    {Decoder::IntakeAirTemp1, "intake air temperature", "degC"},
    {Decoder::CoolantTemp1, "coolant temperature", "degC"},
    {Decoder::ThrottlePosition1, "throttle position", "-"},
    {Decoder::ManifoldPressure1, "manifold pressure", "kPa"},
    {Decoder::VehicleSpeed2, "vehicle speed", "km/h"},
    {Decoder::ThrottlePosition2, "throttle position", "V"},
    {Decoder::IgnitionAdvance, "ignition advance", "deg"},
    {Decoder::FuelRailPressure1, "fuel rail pressure", "bar"},
    {Decoder::Lambda, "lambda", "-"},
    {Decoder::HegoUp, "oxygen sensor upstream", "V"},
    {Decoder::HegoDown, "oxygen sensor downstream", "V"},
    {Decoder::ManifoldPressure2, "manifold pressure", "kPa"},
    {Decoder::FuelRailPressure2, "fuel rail pressure", "bar"},
    {Decoder::ManifoldPressureDiesel, "manifold pressure", "-"},
    {Decoder::BatteryVoltage, "battery", "V"},
    {Decoder::Torque, "torque", "Nm"},
    {Decoder::PedalPosition2, "pedal position", "%"},
    {Decoder::PedalSensor1First, "pedal sensor 1", "V"},
    {Decoder::PedalSensor1Second, "pedal sensor 1", "V"},
    {Decoder::PedalSensor2First, "pedal sensor 2", "V"},
    {Decoder::PedalSensor2Second, "pedal sensor 2", "V"},
    {Decoder::PedalSensor3, "pedal sensor 3", "V"},
    {Decoder::AirMass, "air mass", "g/s"},
    {Decoder::CoolantTemp2, "coolant temperature", "degC"},
    {Decoder::Barometer1, "barometric pressure", "-"},
    {Decoder::EngineLoad, "engine load", "%"},
    {Decoder::IntakeAirTemp2, "intake air temperature", "degC"},
    {Decoder::BatteryTemp, "battery temperature", "degC"},
    {Decoder::FuelTemp1, "fuel temperature", "degC"},
    {Decoder::DtcCount, "trouble codes", "-"},
    {Decoder::ClusterDtcCount, "trouble codes", "-"},
    {Decoder::EgrPosition1, "EGR position", "mm"},
    {Decoder::EgrPosition2, "EGR position", "mm"},
    {Decoder::FuelTemp2, "fuel temperature", "degC"},
    {Decoder::EgrDuty, "EGR duty", "%"},
    {Decoder::FuelLevel, "fuel level", "%"},
    {Decoder::DesiredFuel, "desired fuel", "g/stroke"},
    {Decoder::VehicleSpeedDiesel, "vehicle speed", "km/h"},
    {Decoder::Barometer2, "barometric pressure", "mbar"},
};

// The gauge that shows cylinder head temperature reads the coolant row.
constexpr Gauge kCylinderHeadGauge = Gauge::chdd;

// Values that are not a decoder row: the switch states and the odometer.
constexpr ValueName<Gauge> kOtherValues[] = {
    {Gauge::cppd, "clutch pedal", ""},
    {Gauge::bppd, "brake pedal", ""},
    {Gauge::klimad, "air conditioning", ""},
    {Gauge::kmd, "odometer", "km"},
};

// The column of `gauge` as the row of `key` names it; a plain number under the gauge's own
// name where no row has the key.
template <class Key, std::size_t N>
LiveColumn namedColumn(const ValueName<Key> (&rows)[N], Key key, Gauge gauge) {
    const auto* row = findRow(rows, key);
    return row ? LiveColumn{gauge, row->name, row->unit} : LiveColumn{gauge, gaugeName(gauge), "-"};
}

LiveColumn decoderColumn(Decoder decoder, Gauge gauge) {
    LiveColumn column = namedColumn(kValueNames, decoder, gauge);
    if (gauge == kCylinderHeadGauge) {
        column.name = "cylinder head temperature";
    }
    return column;
}

LiveColumn otherColumn(Gauge gauge) {
    return namedColumn(kOtherValues, gauge, gauge);
}

}  // namespace

std::vector<LiveColumn> liveColumns(const LivePage& page) {
    std::vector<LiveColumn> columns;
    auto add = [&columns](LiveColumn column) {
        const bool known = std::any_of(columns.begin(), columns.end(), [&](const LiveColumn& c) {
            return c.gauge == column.gauge;
        });
        if (!known) {
            columns.push_back(std::move(column));
        }
    };
    for (const LiveRead& read : page.reads) {
        switch (read.kind) {
            case LiveRead::Kind::Decode:
                add(decoderColumn(read.decoder, read.gauge));
                break;
            case LiveRead::Kind::SwitchStates:
                // One read, three dot-matrix fields.
                for (const Gauge field : gaugesOfRead(read)) {
                    add(otherColumn(field));
                }
                break;
            case LiveRead::Kind::Odometer:
                add(otherColumn(read.gauge));
                break;
        }
    }
    return columns;
}

std::vector<LiveColumn> liveColumns(const LivePage& page, std::span<const Gauge> gauges) {
    std::vector<LiveColumn> columns = liveColumns(page);
    if (!gauges.empty()) {
        std::erase_if(columns, [&](const LiveColumn& column) {
            return std::find(gauges.begin(), gauges.end(), column.gauge) == gauges.end();
        });
    }
    return columns;
}

std::string columnHeader(const LiveColumn& column) {
    std::string header(column.name);
    if (!column.unit.empty()) {
        header += " [" + std::string(column.unit) + "]";
    }
    return header;
}

}  // namespace tvx::session
