#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "trend/live_columns.h"
#include "trend/live_recording.h"
#include "trend/replay_source.h"

namespace tvx::trend {

// A recording in the live-data log's layout (see csv_layout.h): one row per polling cycle
// at the time of its first reading. The page is the one whose columns the header names;
// every page's header differs, so nothing else is needed to replay it.
void writeRecordingCsv(const LiveRecording& recording, std::ostream& out);
// The same a cycle at a time; false, having written the cycles before, when one can no
// longer be read (recording.error() says why).
bool writeRecordingCsv(ReplaySource& recording, std::ostream& out);

struct RecordingRead {
    std::optional<LiveRecording> recording;
    std::string error;  // "line 3: ..." when there is no recording
    // The number of the last line when it was cut short (the disk filled, the program was
    // killed while writing): it is left out, the cycles before it are whole. 0: none.
    std::size_t cutLine = 0;
};

// Reads a recording, or a log written by `tarvolinex-cli live --csv`, one polling cycle at a
// time, so that a recording of any length is played without being held whole. Every line
// ends in a line break when it was written whole: a last line without one was cut short and
// is left out (cutLine() tells it), everything else that is wrong is refused with the line
// and what is wrong with it. Times may repeat but never go back.
class RecordingCsvReader {
public:
    explicit RecordingCsvReader(std::istream& in) : m_in(in) {}

    // Reads up to the header; false with error() set when the file is no recording.
    bool begin();
    const session::LivePage* page() const { return m_page; }
    // The values a fast-mode recording holds; empty when it holds the whole page.
    const std::vector<Gauge>& recordedGauges() const { return m_recorded; }
    // The next whole cycle: every reading gets the row's time; an empty cell is a failed
    // read. False at the end, and with error() set when a line is bad.
    bool next(std::vector<Reading>& cycle);

    const std::string& error() const { return m_error; }
    std::size_t cutLine() const { return m_cutLine; }
    std::uint32_t cycles() const { return m_cycle; }

    // Where the next cycle begins, so that a replay can come back to it without reading the
    // file again from its start (the stream must be a file's, which can seek).
    struct Mark {
        std::uint64_t offset = 0;
        std::size_t lineNumber = 0;  // lines read before it
        std::uint32_t cycle = 0;     // its number
        std::uint64_t lastMs = 0;    // the time of the cycle before it
    };
    Mark mark();
    // Goes back (or on) to a mark taken after begin(); false with error() set when the stream
    // cannot seek there.
    bool resumeAt(const Mark& mark);

private:
    // The next line that holds something; false at the end or at a line cut short.
    bool nextLine(std::string& line);
    bool fail(const std::string& what);

    std::istream& m_in;
    const session::LivePage* m_page = nullptr;
    std::vector<LiveColumn> m_columns;
    std::vector<Gauge> m_gauges;
    std::vector<Gauge> m_recorded;
    std::uint64_t m_lastMs = 0;
    std::uint32_t m_cycle = 0;
    std::size_t m_lineNumber = 0;
    std::size_t m_cutLine = 0;
    std::string m_error;
};

// Reads a whole recording with RecordingCsvReader.
RecordingRead readRecordingCsv(std::istream& in);

// Why a file whose header was read holds nothing to replay ("line 2: ..."): no line after the
// header, or only one cut short (`cutLine`, 0 when none).
std::string noReadingsError(std::size_t cutLine);

}  // namespace tvx::trend
