#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "datadir/restore_choice.h"

namespace tvx::session {

// The programming runs of one injector slot, oldest first, as the workshop record keeps
// them (with the runs only the injector code journal guarded), or, in a build without a
// record, as the journal keeps them.
struct KeptRuns {
    std::vector<RunFacts> runs;
    std::string source;  // "the record" or "the journal"
};
// Of the VIN (all cars when ""), or of the car of one visit up to that visit. Sets whyNot
// when they cannot be read.
std::optional<KeptRuns> keptRuns(const std::filesystem::path& dataDirectory, int slot,
                                 const std::string& vin, std::optional<long long> visit,
                                 std::string& whyNot);

// "run 12 (visit 4, 2025-06-01 14:03)" or "run 3 (the journal, 2025-06-01 14:03)"; in
// Turkish with languageCode '2'.
std::string runOrigin(const RunFacts& run, char languageCode = '1');
// Local "YYYY-MM-DD HH:MM" of wall-clock milliseconds.
std::string wallTime(std::int64_t ms);

}  // namespace tvx::session
