#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tvx::record {

// One row of the shared history as it travels between a bay and the server: which row
// (kind and its never-repeating id), of which visit, its version (the bay's outbox
// sequence, growing), and the row itself as JSON. `uid` names this entry: an entry sent
// twice is stored once. A body of {"withdrawn":true} says the bay no longer has the row.
struct SharedEntry {
    std::string uid;
    std::string kind;  // "visit", "code_read", "clear", "injector_read", "programming_run",
                       // "recording"
    std::string rowUid;
    std::string visitUid;
    std::int64_t baySeq = 0;
    std::optional<std::string> vin;
    std::int64_t at = 0;  // the row's time (ms since 1970)
    std::string body;     // JSON object
    std::string bay;      // on the way back from the server: the bay that recorded it
};

}  // namespace tvx::record
