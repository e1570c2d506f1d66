#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "scenario.h"

namespace tvx::sim {
namespace {

// The trouble codes one module holds.
struct StoredCodes {
    int module;
    std::vector<std::uint16_t> codes;
};

// A car whose five modules all answer the module probe with `protocol`.
Scenario carOf(std::string name, std::uint8_t protocol, std::string vin, double odometerKm,
               std::initializer_list<StoredCodes> stored) {
    Scenario car;
    car.name = std::move(name);
    for (int module = kPcm; module <= kCluster; ++module) {
        car.modules[static_cast<std::size_t>(module)].protocol = protocol;
    }
    for (const StoredCodes& module : stored) {
        car.modules[static_cast<std::size_t>(module.module)].troubleCodes = module.codes;
    }
    car.vin = std::move(vin);
    car.odometerKm = odometerKm;
    return car;
}

Scenario petrolCar() {
    return carOf("petrol-car", 1, "WF0AXXGAJA1B23456", 86412.3,
                 {{kPcm, {0x0171, 0x0300, 0x0420}},  // P0171 P0300 P0420
                  {kAbs, {0x4210}},                  // C0210
                  {kCluster, {0xC155}}});            // U0155
}

Scenario dieselVan() {
    Scenario van = carOf("diesel-van", 2, "WF0XXXTTGX8C12345", 214380.6,
                         {{kPcm, {0x0087, 0x0401, 0x2263}},  // P0087 P0401 P2263
                          {kTcm, {0x0715}},                  // P0715
                          {kAirBag, {0x9001}}});             // B1001
    van.diesel = true;
    van.injectorUnit = true;
    van.injectorCodes = {{{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0},
                          {0x21, 0x43, 0x65, 0x87, 0xA9, 0xCB, 0xED, 0x0F},
                          {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71},
                          {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}}};
    return van;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<unsigned long> parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

constexpr std::array<std::pair<FaultKind, const char*>, 12> kFaultNames{{
    {FaultKind::SilentBox, "silent-box"},
    {FaultKind::SilentModule, "silent-module"},
    {FaultKind::WrongEcho, "wrong-echo"},
    {FaultKind::CountZero, "count-zero"},
    {FaultKind::CutShort, "cut-short"},
    {FaultKind::ExtraDelay, "extra-delay"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::LineClosed, "line-closed"},
    {FaultKind::KeepsOldCode, "keeps-old-code"},
    {FaultKind::LateProbe, "late-probe"},
    {FaultKind::BurstHold, "burst-hold"},
    {FaultKind::StaleBytes, "stale-bytes"},
}};

}  // namespace

std::vector<std::string> vehicleNames() {
    return {"petrol-car", "diesel-van"};
}

Scenario vehicleScenario(std::string_view name) {
    if (name == "petrol-car") {
        return petrolCar();
    }
    if (name == "diesel-van") {
        return dieselVan();
    }
    throw std::invalid_argument("unknown vehicle \"" + std::string(name) +
                                "\"; known vehicles: petrol-car, diesel-van");
}

std::optional<std::uint16_t> parseTroubleCode(std::string_view text) {
    if (text.size() == 5) {
        static constexpr std::string_view kLetters = "PCBU";
        const auto letter = kLetters.find(static_cast<char>(std::toupper(text[0])));
        if (letter != std::string_view::npos) {
            std::string hex = "0x" + std::string(text.substr(1));
            const auto digits = parseNumber(hex);
            if (!digits || *digits > 0x3FFF) {
                return std::nullopt;
            }
            return static_cast<std::uint16_t>((letter << 14) | *digits);
        }
    }
    const auto value = parseNumber(text);
    if (!value || *value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::optional<FaultKind> parseFaultKind(std::string_view text) {
    const std::string wanted = lower(text);
    for (const auto& [kind, name] : kFaultNames) {
        if (wanted == name) {
            return kind;
        }
    }
    return std::nullopt;
}

const char* faultKindName(FaultKind kind) {
    for (const auto& [each, name] : kFaultNames) {
        if (each == kind) {
            return name;
        }
    }
    return "?";
}

std::string faultKindList() {
    std::string list;
    for (const auto& [kind, name] : kFaultNames) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    return list;
}

std::optional<int> parseModule(std::string_view text) {
    static constexpr std::array<const char*, 6> kNames{"pcm",    "tcm",     "abs",
                                                       "airbag", "cluster", "icu"};
    const std::string wanted = lower(text);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (wanted == kNames[i]) {
            return static_cast<int>(i + 1);
        }
    }
    const auto number = parseNumber(text);
    if (number && *number >= 1 && *number <= 6) {
        return static_cast<int>(*number);
    }
    return std::nullopt;
}

}  // namespace tvx::sim

namespace tvx::sim {

std::optional<Fault> parseFaultSpec(std::string_view text, std::string& error) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    Fault fault;
    const auto kind = parseFaultKind(parts[0]);
    if (!kind) {
        error = "unknown fault \"" + std::string(parts[0]) + "\" (" + faultKindList() + ")";
        return std::nullopt;
    }
    fault.kind = *kind;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto equals = parts[i].find('=');
        const std::string_view key = parts[i].substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : parts[i].substr(equals + 1);
        const auto number = parseNumber(value);
        if (key == "module") {
            const auto module = parseModule(value);
            if (!module) {
                error = "unknown module \"" + std::string(value) + "\"";
                return std::nullopt;
            }
            fault.module = *module;
        } else if (key == "count" && number && *number >= 1 && *number <= 1000000) {
            fault.count = static_cast<int>(*number);
        } else if (key == "identifier" && number && *number <= 0xFFFF) {
            fault.identifier = static_cast<std::uint16_t>(*number);
        } else if (key == "amount" && number && *number <= 60000) {
            fault.amount = static_cast<unsigned>(*number);
        } else if (key == "injector-request" && number && *number >= 1 && *number <= 1000000) {
            fault = fault.onInjectorRequest(static_cast<int>(*number));
        } else {
            error = "cannot use \"" + std::string(parts[i]) + "\" in fault \"" +
                    std::string(parts[0]) + "\"";
            return std::nullopt;
        }
    }
    if (fault.kind == FaultKind::SilentModule && fault.module == 0) {
        error = "silent-module needs module=NAME";
        return std::nullopt;
    }
    return fault;
}

}  // namespace tvx::sim
