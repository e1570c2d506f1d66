#include "record/report_values.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "plain/bilingual.h"

namespace tvx::record {
namespace {

// The live values' names as the live pages record them, as the customer reads them.
// clang-format off
constexpr Bilingual<std::string_view> kNames[] = {
    {"engine speed", "Engine speed", "Motor devri"},
    {"VVT inlet", "Inlet camshaft timing", "Emme eksantrik zamanlaması"},
    {"VVT outlet", "Exhaust camshaft timing", "Egzoz eksantrik zamanlaması"},
    {"pedal position", "Accelerator pedal position", "Gaz pedalı konumu"},
    {"vehicle speed", "Vehicle speed", "Araç hızı"},
    {"intake air temperature", "Intake air temperature", "Emme havası sıcaklığı"},
    {"coolant temperature", "Coolant temperature", "Soğutma suyu sıcaklığı"},
    {"cylinder head temperature", "Cylinder head temperature", "Silindir kapağı sıcaklığı"},
    {"throttle position", "Throttle position", "Gaz kelebeği konumu"},
    {"manifold pressure", "Manifold pressure", "Manifold basıncı"},
    {"ignition advance", "Ignition advance", "Ateşleme avansı"},
    {"fuel rail pressure", "Fuel rail pressure", "Yakıt rampası basıncı"},
    {"lambda", "Lambda", "Lambda"},
    {"oxygen sensor upstream", "Oxygen sensor before the catalyst", "Katalizör öncesi oksijen sensörü"},
    {"oxygen sensor downstream", "Oxygen sensor after the catalyst", "Katalizör sonrası oksijen sensörü"},
    {"battery", "Battery voltage", "Akü gerilimi"},
    {"torque", "Torque", "Tork"},
    {"pedal sensor 1", "Pedal sensor 1", "Pedal sensörü 1"},
    {"pedal sensor 2", "Pedal sensor 2", "Pedal sensörü 2"},
    {"pedal sensor 3", "Pedal sensor 3", "Pedal sensörü 3"},
    {"air mass", "Air mass", "Hava kütlesi"},
    {"barometric pressure", "Barometric pressure", "Atmosfer basıncı"},
    {"engine load", "Engine load", "Motor yükü"},
    {"battery temperature", "Battery temperature", "Akü sıcaklığı"},
    {"fuel temperature", "Fuel temperature", "Yakıt sıcaklığı"},
    {"trouble codes", "Trouble codes", "Arıza kodları"},
    {"EGR position", "EGR valve position", "EGR valfi konumu"},
    {"EGR duty", "EGR valve duty", "EGR valfi açma oranı"},
    {"fuel level", "Fuel level", "Yakıt seviyesi"},
    {"desired fuel", "Fuel quantity demanded", "İstenen yakıt miktarı"},
    {"clutch pedal", "Clutch pedal", "Debriyaj pedalı"},
    {"brake pedal", "Brake pedal", "Fren pedalı"},
    {"air conditioning", "Air conditioning", "Klima"},
    {"odometer", "Odometer", "Kilometre sayacı"},
};

// The recorded units that a customer reads otherwise; "-" is a plain number.
constexpr std::pair<const char*, const char*> kUnits[] = {
    {"degC", "°C"}, {"deg", "°"}, {"-", ""},
};
// clang-format on

}  // namespace

LiveValueText liveValueText(const Channel& channel, ReportLanguage language) {
    LiveValueText text;
    if (const auto* name = findRow(kNames, std::string_view(channel.name))) {
        text.name = name->in(language == ReportLanguage::Turkish);
    } else {
        text.name = channel.name;
        if (!text.name.empty()) {
            text.name[0] =
                static_cast<char>(std::toupper(static_cast<unsigned char>(text.name[0])));
        }
    }
    text.unit = channel.unit;
    for (const auto& [recorded, shown] : kUnits) {
        if (channel.unit == recorded) {
            text.unit = shown;
        }
    }
    if (channel.unit == "g/stroke" && language == ReportLanguage::Turkish) {
        text.unit = "g/strok";  // the one unit with a word in it
    }
    return text;
}

bool isSwitch(const Channel& channel) {
    return channel.unit.empty();
}

bool leftOutOfLiveValues(const Channel& channel) {
    return channel.name == "trouble codes" || channel.gauge == kOdometerGauge;
}

bool hasTurkishName(std::string_view englishName) {
    return findRow(kNames, englishName) != nullptr;
}

int recordedModule(const Recording& recording) {
    constexpr int kClusterPoll = 29;  // the polling state of the cluster's page
    return recording.page == kClusterPoll ? 5 : 1;
}

std::string reportNumber(double value, ReportLanguage language) {
    char text[32];
    const double magnitude = std::fabs(value);
    std::snprintf(text, sizeof text,
                  magnitude >= 100  ? "%.0f"
                  : magnitude >= 10 ? "%.1f"
                                    : "%.2f",
                  value);
    std::string out = text;
    if (language == ReportLanguage::Turkish) {
        for (char& c : out) {
            c = c == '.' ? ',' : c;
        }
    }
    return out;
}

}  // namespace tvx::record
