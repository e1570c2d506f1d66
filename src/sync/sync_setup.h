#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sync/sync_settings.h"

namespace tvx::sync {

// What `sync setup` found, line by line, in plain sentences.
struct SetupReport {
    bool ok = false;     // the bay may sync with these settings
    bool saved = false;  // and they are in the data directory
    bool ownerRole =
        false;  // the role owns the history: it set up the schema, a bay must not use it
    int schemaVersion = 0;
    std::vector<std::string> lines;
};

// Checks the connection, creates or brings the server's schema up to date where the role
// may, checks the role's rights (insert and read the history, never change or delete it)
// and its workshop, and stores the settings when all is well. A bay's settings are never
// stored with the owner's role. The findings in English or Turkish; what the server or
// libpq says is passed on as it comes.
SetupReport setUpSync(const std::filesystem::path& dataDir, const SyncSettings& settings,
                      bool turkish = false);

}  // namespace tvx::sync
