#pragma once

#include <filesystem>
#include <string>

namespace tvx::record {

// The workshop as its reports head it: name, address and phone, one line each of UTF-8 in
// its own file of the data directory (so that the settings file keeps the format other
// tools read), and an optional logo picture beside it.
inline constexpr const char* kWorkshopFileName = "workshop.txt";
// The logo is "workshop-logo" with the picture's own extension.
inline constexpr const char* kWorkshopLogoStem = "workshop-logo";

struct Workshop {
    std::string name;
    std::string address;
    std::string phone;
    std::filesystem::path logo;  // empty: none
};

Workshop readWorkshop(const std::filesystem::path& dataDirectory);
// Line ends in a field become blanks. False when the file cannot be written.
bool writeWorkshop(const std::filesystem::path& dataDirectory, const Workshop& workshop);
// Copies a picture (PNG or JPEG) in as the logo, replacing any earlier one; the problem in a
// plain sentence, "" when done.
std::string setWorkshopLogo(const std::filesystem::path& dataDirectory,
                            const std::filesystem::path& picture);

std::string readWorkshopName(const std::filesystem::path& dataDirectory);
// Sets the name and keeps the address and phone. False when the file cannot be written.
bool writeWorkshopName(const std::filesystem::path& dataDirectory, const std::string& name);

}  // namespace tvx::record
