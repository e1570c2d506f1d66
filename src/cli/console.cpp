#include "cli/console.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

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

#ifdef _WIN32
bool prepareSystemConsole() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);  // answers typed with Turkish letters arrive as UTF-8 too
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || GetConsoleMode(out, &mode) == 0) {
        return true;  // not a console (a file or a pipe): nothing is redrawn there
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
#else
bool prepareSystemConsole() {
    return true;
}
#endif

}  // namespace tvx::cli
