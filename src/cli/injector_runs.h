#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/exit_code.h"
#include "cli/options.h"
#include "link/injector_codes.h"

namespace tvx::cli {

// Says on stderr which runs on this car (on every car when vin is nullopt) never finished
// (the tester was stopped during them) and what each injector holds now; `codes` is
// nullptr when they were not read.
void tellUnfinishedRuns(const std::filesystem::path& dataDirectory,
                        const std::optional<std::string>& vin, const session::InjectorCodes* codes,
                        char languageCode, Console& console);

// `injectors runs N [--vin VIN]`: the runs of an injector and what restore would write.
ExitCode runInjectorsRuns(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory);

}  // namespace tvx::cli
