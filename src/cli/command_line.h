#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace tvx::cli {

struct ParseResult {
    std::optional<Invocation> invocation;  // none when the program should end now
    int exitCode = 0;                      // when it ends now: 0 after --help, else BadInput
};

// Parses the arguments (without the program name). Help goes to `out`, errors to `err`.
ParseResult parseCommandLine(const std::vector<std::string>& args, std::ostream& out,
                             std::ostream& err);

}  // namespace tvx::cli
