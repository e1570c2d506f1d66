#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "session/live_pages.h"
#include "trend/reading.h"
#include "trend/recording_csv.h"

namespace tvx::trend {

// A recording being written. Cycles go in as they are polled, so a recording cut short
// (the program killed, the disk full) keeps what came before.
class RecordingWriter {
public:
    virtual ~RecordingWriter() = default;
    // One polling cycle's readings in order, their times from the recording's start.
    virtual void addCycle(std::span<const Reading> readings) = 0;
    // Ends the recording. False when it could not be kept whole; `error` then says why.
    virtual bool stop(std::string& error) = 0;
    // A write failed (the disk is full): later cycles are lost, so the caller should stop.
    virtual bool failed() const { return false; }
    // What names the recording for readLiveRecording (a file, a record's number).
    virtual const std::string& id() const = 0;
};

// Where live recordings are kept. The window and the command-line tester record through
// this one interface, so the workshop record can take the place of the files below
// without either of them noticing.
class RecordingStore {
public:
    virtual ~RecordingStore() = default;
    // nullptr with `error` set when the recording cannot be begun. `gauges`: the values
    // recorded (fast mode's), every value of the page when empty.
    virtual std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& page,
                                                                std::span<const Gauge> gauges,
                                                                std::string& error) = 0;
    virtual RecordingRead readLiveRecording(const std::string& id) = 0;
};

// Every recording a CSV file of its own in a folder, named by the local time it began:
// "live-20240501-143205.csv" (then "-2", "-3" ... when that name is taken).
class CsvRecordingFolder final : public RecordingStore {
public:
    using Now = std::function<std::string()>;  // "20240501-143205"
    explicit CsvRecordingFolder(std::filesystem::path folder, Now now = {});

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& page,
                                                        std::span<const Gauge> gauges,
                                                        std::string& error) override;
    RecordingRead readLiveRecording(const std::string& id) override;
    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    Now m_now;
};

// One recording into the file named (`tarvolinex-cli live --record FILE`); a file that is
// there already is replaced.
class CsvRecordingFile final : public RecordingStore {
public:
    explicit CsvRecordingFile(std::filesystem::path file) : m_file(std::move(file)) {}

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& page,
                                                        std::span<const Gauge> gauges,
                                                        std::string& error) override;
    RecordingRead readLiveRecording(const std::string& id) override;

private:
    std::filesystem::path m_file;
};

// Reads a recording file (or a `live --csv` log); the error names the file.
RecordingRead readRecordingFile(const std::filesystem::path& file);

// Writes a recording as CSV to a file; false with `error` set when it could not.
bool exportRecordingCsv(const LiveRecording& recording, const std::filesystem::path& file,
                        std::string& error);
// The same from a replay, a cycle at a time.
bool exportRecordingCsv(ReplaySource& recording, const std::filesystem::path& file,
                        std::string& error);

}  // namespace tvx::trend
