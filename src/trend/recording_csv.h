#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "trend/live_recording.h"

namespace tvx::trend {

// A recording in the live-data log's layout (see csv_layout.h): one row per polling cycle
// at the time of its first reading. The page is the one whose columns the header names;
// every page's header differs, so nothing else is needed to replay it.
void writeRecordingCsv(const LiveRecording& recording, std::ostream& out);

struct RecordingRead {
    std::optional<LiveRecording> recording;
    std::string error;  // "line 3: ..." when there is no recording
};

// Reads a recording, or a log written by `tarvolinex-cli live --csv`. Every reading of a row
// gets the row's time; an empty cell is a failed read. Anything that is not such a log is
// refused with the line and what is wrong with it.
RecordingRead readRecordingCsv(std::istream& in);

}  // namespace tvx::trend
