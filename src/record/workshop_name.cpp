#include "record/workshop_name.h"

#include <fstream>

namespace tvx::record {

std::string readWorkshopName(const std::filesystem::path& dataDirectory) {
    std::ifstream in(dataDirectory / kWorkshopFileName, std::ios::binary);
    std::string name;
    std::getline(in, name);
    if (!name.empty() && name.back() == '\r') {
        name.pop_back();
    }
    return name;
}

bool writeWorkshopName(const std::filesystem::path& dataDirectory, const std::string& name) {
    std::string line = name;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    std::ofstream out(dataDirectory / kWorkshopFileName, std::ios::binary | std::ios::trunc);
    out << line << '\n';
    return static_cast<bool>(out.flush());
}

}  // namespace tvx::record
