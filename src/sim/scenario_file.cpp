#include "scenario_file.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

namespace tvx::sim {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& what) {
    throw ScenarioError(what);
}

void checkKeys(const json& object, const std::set<std::string>& allowed, const std::string& where) {
    if (!object.is_object()) {
        fail(where + " must be an object");
    }
    for (const auto& [key, value] : object.items()) {
        if (allowed.count(key) == 0) {
            fail("unknown key \"" + key + "\" in " + where);
        }
    }
}

// A number given as a JSON number or as text ("0x0A1F40", "4096").
std::uint32_t number(const json& value, const std::string& where, std::uint32_t max) {
    std::uint64_t result = 0;
    if (value.is_number_unsigned()) {
        result = value.get<std::uint64_t>();
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        try {
            std::size_t used = 0;
            result = std::stoull(text, &used, 0);
            if (used != text.size()) {
                fail(where + ": \"" + text + "\" is not a number");
            }
        } catch (const std::logic_error&) {
            fail(where + ": \"" + text + "\" is not a number");
        }
    } else {
        fail(where + " must be a non-negative number");
    }
    if (result > max) {
        fail(where + " is too large (at most " + std::to_string(max) + ")");
    }
    return static_cast<std::uint32_t>(result);
}

std::array<std::uint8_t, 8> injectorCode(const json& value, const std::string& where) {
    if (!value.is_string() || value.get<std::string>().size() != 16) {
        fail(where + " must be 16 hexadecimal digits");
    }
    const std::string text = value.get<std::string>();
    std::array<std::uint8_t, 8> code{};
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string pair = text.substr(2 * i, 2);
        if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            fail(where + " must be 16 hexadecimal digits");
        }
        code[i] = static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16));
    }
    return code;
}

int moduleOf(const json& value, const std::string& where) {
    const auto module = value.is_string() ? parseModule(value.get<std::string>())
                        : value.is_number_unsigned()
                            ? parseModule(std::to_string(value.get<unsigned>()))
                            : std::nullopt;
    if (!module) {
        fail(where + " must be PCM, TCM, ABS, AirBag, Cluster, ICU or 1..6");
    }
    return *module;
}

void readModules(const json& modules, Scenario& scenario) {
    if (!modules.is_object()) {
        fail("\"modules\" must be an object");
    }
    for (const auto& [name, setup] : modules.items()) {
        const std::string where = "modules." + name;
        const auto module = parseModule(name);
        if (!module || *module > kCluster) {
            fail("unknown module \"" + name + "\" (PCM, TCM, ABS, AirBag, Cluster)");
        }
        checkKeys(setup, {"protocol", "codes"}, where);
        auto& target = scenario.modules[static_cast<std::size_t>(*module)];
        if (setup.contains("protocol")) {
            target.protocol =
                static_cast<std::uint8_t>(number(setup["protocol"], where + ".protocol", 3));
        }
        if (setup.contains("codes")) {
            if (!setup["codes"].is_array()) {
                fail(where + ".codes must be a list");
            }
            target.troubleCodes.clear();
            for (const auto& code : setup["codes"]) {
                const auto parsed =
                    code.is_string() ? parseTroubleCode(code.get<std::string>())
                    : code.is_number_unsigned() && code.get<std::uint64_t>() <= 0xFFFF
                        ? std::optional<std::uint16_t>(code.get<std::uint16_t>())
                        : std::nullopt;
                if (!parsed) {
                    fail(where + ".codes: " + code.dump() +
                         " is not a trouble code (like \"P0171\")");
                }
                target.troubleCodes.push_back(*parsed);
            }
        }
    }
}

Fault readFault(const json& entry, const std::string& where) {
    checkKeys(entry, {"kind", "count", "identifier", "module", "amount", "injector_request"},
              where);
    if (!entry.contains("kind") || !entry["kind"].is_string()) {
        fail(where + ".kind is missing");
    }
    Fault fault;
    const auto kind = parseFaultKind(entry["kind"].get<std::string>());
    if (!kind) {
        fail(where + ".kind \"" + entry["kind"].get<std::string>() + "\" is unknown (" +
             faultKindList() + ")");
    }
    fault.kind = *kind;
    if (entry.contains("count")) {
        if (!entry["count"].is_number_integer() || entry["count"].get<long long>() < -1 ||
            entry["count"].get<long long>() == 0 || entry["count"].get<long long>() > 1000000) {
            fail(where + ".count must be -1 (always) or a positive number");
        }
        fault.count = entry["count"].get<int>();
    }
    if (entry.contains("identifier")) {
        fault.identifier =
            static_cast<std::uint16_t>(number(entry["identifier"], where + ".identifier", 0xFFFF));
    }
    if (entry.contains("module")) {
        fault.module = moduleOf(entry["module"], where + ".module");
    }
    if (entry.contains("amount")) {
        fault.amount = number(entry["amount"], where + ".amount", 60000);
    }
    if (entry.contains("injector_request")) {
        fault = fault.onInjectorRequest(static_cast<int>(
            number(entry["injector_request"], where + ".injector_request", 1000000)));
        if (fault.injectorRequest == 0) {
            fail(where + ".injector_request counts from 1");
        }
    }
    if (fault.kind == FaultKind::SilentModule && fault.module == 0) {
        fail(where + ": a silent-module fault needs \"module\"");
    }
    return fault;
}

// Parses the text, remembering the keys on the way to the value being read, so that a
// value the JSON reader itself refuses (a number too large for a double) is named.
json parseNamingTheField(std::string_view text) {
    std::vector<std::string> trail;
    const json::parser_callback_t follow = [&trail](int, json::parse_event_t event, json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                trail.emplace_back();
                break;
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                if (!trail.empty()) {
                    trail.pop_back();
                }
                break;
            case json::parse_event_t::key:
                if (!trail.empty() && parsed.is_string()) {
                    trail.back() = parsed.get<std::string>();
                }
                break;
            case json::parse_event_t::value:
                break;
        }
        return true;
    };
    try {
        return json::parse(text, follow);
    } catch (const json::parse_error& error) {
        fail(std::string("not valid JSON: ") + error.what());
    } catch (const json::exception& error) {
        std::string field;
        for (const std::string& key : trail) {
            if (!key.empty()) {
                field += (field.empty() ? "" : ".") + key;
            }
        }
        fail((field.empty() ? std::string("a value") : "\"" + field + "\"") +
             " cannot be read: " + error.what());
    }
}

// KEY, when given: a number from 0 to HIGH (RANGE says so in the message).
std::optional<double> boundedNumber(const json& root, const char* key, double high,
                                    const char* range) {
    if (!root.contains(key)) {
        return std::nullopt;
    }
    const json& value = root[key];
    if (!value.is_number() || value.get<double>() < 0 || value.get<double>() > high) {
        fail(std::string("\"") + key + "\" must be " + range);
    }
    return value.get<double>();
}

// The injector unit's end address and codes, when given.
void readInjectorUnit(const json& root, Scenario& scenario) {
    if (root.contains("injector_end_address")) {
        scenario.injectorEndAddress =
            number(root["injector_end_address"], "\"injector_end_address\"", 0xFFFFFF);
        if (scenario.injectorEndAddress < 32) {
            fail("\"injector_end_address\" must be at least 32");
        }
    }
    if (root.contains("injector_codes")) {
        const json& codes = root["injector_codes"];
        if (!codes.is_array() || codes.size() != 4) {
            fail("\"injector_codes\" must be a list of four codes");
        }
        for (std::size_t i = 0; i < 4; ++i) {
            scenario.injectorCodes[i] =
                injectorCode(codes[i], "injector_codes[" + std::to_string(i) + "]");
        }
    }
}

}  // namespace

Scenario parseScenario(std::string_view text) {
    const json root = parseNamingTheField(text);
    checkKeys(root,
              {"base", "name", "modules", "vin", "odometer_km", "diesel", "injector_unit",
               "injector_end_address", "injector_codes", "faults", "steady_at_s"},
              "the scenario");
    Scenario scenario;
    if (root.contains("base") && !root["base"].is_string()) {
        fail("\"base\" must be the name of a vehicle, as text");
    }
    try {
        scenario = vehicleScenario(root.value("base", std::string("petrol-car")));
    } catch (const std::invalid_argument& error) {
        fail(std::string("\"base\": ") + error.what());
    }
    if (root.contains("name")) {
        if (!root["name"].is_string()) {
            fail("\"name\" must be text");
        }
        scenario.name = root["name"].get<std::string>();
    }
    if (root.contains("modules")) {
        readModules(root["modules"], scenario);
    }
    if (root.contains("vin")) {
        if (!root["vin"].is_string() || root["vin"].get<std::string>().size() != 17) {
            fail("\"vin\" must be text of 17 characters");
        }
        scenario.vin = root["vin"].get<std::string>();
    }
    if (const auto km = boundedNumber(root, "odometer_km", 1.0e6, "a number from 0 to 1000000")) {
        scenario.odometerKm = *km;
    }
    if (const auto seconds =
            boundedNumber(root, "steady_at_s", 86400, "a number of seconds from 0 to 86400")) {
        scenario.steadyAtSeconds = *seconds;
    }
    for (const auto& [key, flag] : {std::pair{"diesel", &scenario.diesel},
                                    std::pair{"injector_unit", &scenario.injectorUnit}}) {
        if (root.contains(key)) {
            if (!root[key].is_boolean()) {
                fail(std::string("\"") + key + "\" must be true or false");
            }
            *flag = root[key].get<bool>();
        }
    }
    readInjectorUnit(root, scenario);
    if (root.contains("faults")) {
        if (!root["faults"].is_array()) {
            fail("\"faults\" must be a list");
        }
        scenario.faults.clear();
        std::size_t index = 0;
        for (const auto& entry : root["faults"]) {
            scenario.faults.push_back(readFault(entry, "faults[" + std::to_string(index++) + "]"));
        }
    }
    return scenario;
}

Scenario loadScenarioFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) {
        fail("cannot read scenario file " + path.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parseScenario(text.str());
    } catch (const ScenarioError& error) {
        fail(path.string() + ": " + error.what());
    }
}

}  // namespace tvx::sim
