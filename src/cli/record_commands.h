#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/exit_code.h"
#include "cli/headless_tester.h"
#include "cli/options.h"
#include "session/live_pages.h"
#include "trend/recording_store.h"

namespace tvx::cli {

// The workshop record kept while a command talks to the car: the session's events become
// its rows, and it guards programming runs. Where this build keeps no record (no SQLite),
// the session's journal guards them. Says once on stderr when the record is not kept.
class CommandRecord {
public:
    CommandRecord(HeadlessTester& tester, const std::filesystem::path& dataDirectory,
                  char languageCode, Console& console);
    ~CommandRecord();
    CommandRecord(const CommandRecord&) = delete;
    CommandRecord& operator=(const CommandRecord&) = delete;

    // Where a live recording (`live --record`) goes into the visit too, as the witness of
    // the recording's store; nullptr without a record.
    trend::RecordingStore* liveStore();

private:
    struct Kept;
    std::unique_ptr<Kept> m_kept;
};

// report, history, workshop: the record's commands that need no box.
ExitCode runRecordCommand(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory, char languageCode);

}  // namespace tvx::cli
