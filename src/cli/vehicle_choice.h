#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvx::cli {

// A vehicle of the window's two lists: petrol (PG1) or diesel (DG1) and its index there.
struct VehicleChoice {
    bool diesel = false;
    int index = 0;
    std::string_view name;  // exactly as the list shows it
};

// Finds a vehicle by its list name. Case does not matter, and runs of blanks count as one
// blank (so "focus 1.6i" finds "FOCUS  1.6i" and "transit" finds "TRANSIT ").
std::optional<VehicleChoice> findVehicle(std::string_view name);

// Every list name, one per line, quoted, for messages and --help.
std::string vehicleListText();

}  // namespace tvx::cli
