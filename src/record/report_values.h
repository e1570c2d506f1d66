#pragma once

#include <string>
#include <string_view>

#include "record/record_types.h"
#include "record/report_texts.h"

namespace tvx::record {

// The instrument cluster's odometer gauge: the report gives it as the visit's odometer.
inline constexpr std::string_view kOdometerGauge = "kmd";

// How the report shows a recorded value: its plain name and unit in the report's language.
struct LiveValueText {
    std::string name;  // "Coolant temperature", "Soğutma suyu sıcaklığı"
    std::string unit;  // "°C"; "" for a plain number
};

LiveValueText liveValueText(const Channel& channel, ReportLanguage language);
// A switch (brake pedal, clutch, air conditioning): given as the share of time it was on.
bool isSwitch(const Channel& channel);
// Values the customer's table leaves out: the trouble-code count (the codes are listed) and
// the odometer (given with the vehicle).
bool leftOutOfLiveValues(const Channel& channel);
// True when the name has a Turkish text (every name the live pages record has one).
bool hasTurkishName(std::string_view englishName);
// The module a recording's page polled: the instrument cluster (5) for the cluster's page,
// else the engine (1).
int recordedModule(const Recording& recording);
// A figure as the language writes it: "13.9" or "13,9".
std::string reportNumber(double value, ReportLanguage language);

}  // namespace tvx::record
