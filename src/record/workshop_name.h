#pragma once

#include <filesystem>
#include <string>

namespace tvx::record {

// The workshop's name for the reports: one line of UTF-8 in its own file of the data
// directory, so that the settings file keeps the format other tools read.
inline constexpr const char* kWorkshopFileName = "workshop.txt";

std::string readWorkshopName(const std::filesystem::path& dataDirectory);
// Line ends in the name become blanks. False when the file cannot be written.
bool writeWorkshopName(const std::filesystem::path& dataDirectory, const std::string& name);

}  // namespace tvx::record
