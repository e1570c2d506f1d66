#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "scenario.h"

namespace tvx::sim {

// A scenario file that cannot be used; the message says which field and why.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a scenario from JSON text (format in the README, "Scenario files"). Unknown keys
// are refused so a misspelt field never goes unnoticed.
Scenario parseScenario(std::string_view json);
Scenario loadScenarioFile(const std::filesystem::path& path);

}  // namespace tvx::sim
