#include "record/workshop_name.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>

namespace tvx::record {
namespace {

constexpr std::array<const char*, 3> kLogoExtensions = {".png", ".jpg", ".jpeg"};

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string readLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    // Line ends of any editor: CR LF, and a CR doubled by a text-mode write on Windows.
    while (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

Workshop readWorkshop(const std::filesystem::path& dataDirectory) {
    std::ifstream in(dataDirectory / kWorkshopFileName, std::ios::binary);
    Workshop workshop;
    workshop.name = readLine(in);
    workshop.address = readLine(in);
    workshop.phone = readLine(in);
    std::error_code ignored;
    for (const char* extension : kLogoExtensions) {
        const auto logo = dataDirectory / (std::string(kWorkshopLogoStem) + extension);
        if (std::filesystem::is_regular_file(logo, ignored)) {
            workshop.logo = logo;
            break;
        }
    }
    return workshop;
}

bool writeWorkshop(const std::filesystem::path& dataDirectory, const Workshop& workshop) {
    std::ofstream out(dataDirectory / kWorkshopFileName, std::ios::binary | std::ios::trunc);
    out << oneLine(workshop.name) << '\n'
        << oneLine(workshop.address) << '\n'
        << oneLine(workshop.phone) << '\n';
    return static_cast<bool>(out.flush());
}

std::string setWorkshopLogo(const std::filesystem::path& dataDirectory,
                            const std::filesystem::path& picture) {
    std::string extension = picture.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (std::find(kLogoExtensions.begin(), kLogoExtensions.end(), extension) ==
        kLogoExtensions.end()) {
        return "the logo must be a PNG or JPEG picture (.png, .jpg): " + picture.string();
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(picture, error)) {
        return "there is no picture " + picture.string();
    }
    const auto target = dataDirectory / (std::string(kWorkshopLogoStem) + extension);
    if (!std::filesystem::copy_file(picture, target,
                                    std::filesystem::copy_options::overwrite_existing, error)) {
        return "cannot copy " + picture.string() + " to " + target.string() + ": " +
               error.message();
    }
    for (const char* other : kLogoExtensions) {
        if (other != extension) {
            std::filesystem::remove(dataDirectory / (std::string(kWorkshopLogoStem) + other),
                                    error);
        }
    }
    return {};
}

std::string readWorkshopName(const std::filesystem::path& dataDirectory) {
    return readWorkshop(dataDirectory).name;
}

bool writeWorkshopName(const std::filesystem::path& dataDirectory, const std::string& name) {
    Workshop workshop = readWorkshop(dataDirectory);
    workshop.name = name;
    return writeWorkshop(dataDirectory, workshop);
}

}  // namespace tvx::record
