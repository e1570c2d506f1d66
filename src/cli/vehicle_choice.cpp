#include "cli/vehicle_choice.h"

#include <cctype>

#include "session/live_pages.h"

namespace tvx::cli {
namespace {

// Lower case, blanks at the ends dropped, every run of blanks inside made one blank.
std::string normalised(std::string_view text) {
    std::string out;
    bool pendingBlank = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) {
            out += ' ';
            pendingBlank = false;
        }
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::optional<VehicleChoice> findVehicle(std::string_view name) {
    const std::string wanted = normalised(name);
    if (wanted.empty()) {
        return std::nullopt;
    }
    for (const bool diesel : {false, true}) {
        const auto models = diesel ? session::dieselModels() : session::petrolModels();
        for (std::size_t i = 0; i < models.size(); ++i) {
            if (normalised(models[i]) == wanted) {
                return VehicleChoice{diesel, static_cast<int>(i), models[i]};
            }
        }
    }
    return std::nullopt;
}

std::string vehicleListText() {
    std::string text = "  petrol:";
    for (const std::string_view model : session::petrolModels()) {
        text += " \"" + std::string(model) + "\"";
    }
    text += "\n  diesel:";
    for (const std::string_view model : session::dieselModels()) {
        text += " \"" + std::string(model) + "\"";
    }
    return text;
}

}  // namespace tvx::cli
