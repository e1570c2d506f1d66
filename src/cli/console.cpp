#include "cli/console.h"

#include <string>

namespace tvx::cli {

bool Console::confirm(std::string_view question) {
    err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in, answer)) {
        err << '\n';
        return false;
    }
    const auto first = answer.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    const char c = answer[first];
    return c == 'y' || c == 'Y' || c == 'e' || c == 'E';
}

bool Console::waitForEnter(std::string_view prompt) {
    err << prompt << std::flush;
    std::string ignored;
    if (!std::getline(in, ignored)) {
        err << '\n';
        return false;
    }
    return true;
}

void Console::progress(std::string_view text) {
    err << text << '\n' << std::flush;
}

}  // namespace tvx::cli
