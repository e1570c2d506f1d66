#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/exit_code.h"
#include "cli/options.h"
#include "session/injector_codes.h"
#include "session/restore_choice.h"

namespace tvx::cli {

// The programming runs of one injector slot, oldest first, as the workshop record keeps
// them (or, in a build without a record, the injector code journal).
struct KeptRuns {
    std::vector<session::RunFacts> runs;
    std::string source;  // "the record" or "the journal"
};
// Of the VIN (all cars when ""), or of the car of one visit up to that visit. Sets whyNot
// when they cannot be read.
std::optional<KeptRuns> keptRuns(const std::filesystem::path& dataDirectory, int slot,
                                 const std::string& vin, std::optional<long long> visit,
                                 std::string& whyNot);

// "run 12 (visit 4, 2025-06-01 14:03)" or "run 3 (the journal, 2025-06-01 14:03)".
std::string runOrigin(const session::RunFacts& run);
// Local "YYYY-MM-DD HH:MM" of wall-clock milliseconds.
std::string wallTime(std::int64_t ms);

// Says on stderr which runs on this car never finished (the tester was stopped during
// them) and what each injector holds now; `codes` is nullptr when they could not be read.
void tellUnfinishedRuns(const std::filesystem::path& dataDirectory, const std::string& vin,
                        const session::InjectorCodes* codes, Console& console);

// `injectors runs N [--vin VIN]`: the runs of an injector and what restore would write.
ExitCode runInjectorsRuns(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory);

}  // namespace tvx::cli
