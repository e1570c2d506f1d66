#include "trend/recording_store.h"

#include <chrono>
#include <fstream>

#include "plain/local_time.h"
#include "trend/csv_layout.h"
#include "trend/live_columns.h"

namespace tvx::trend {
namespace {

namespace fs = std::filesystem;

// Rows written as each cycle ends, flushed, so a file cut short holds every cycle before.
class CsvRecordingWriter final : public RecordingWriter {
public:
    CsvRecordingWriter(const session::LivePage& page, std::span<const Gauge> gauges,
                       const fs::path& file)
        : m_columns(liveColumns(page, gauges)), m_id(file.string()), m_out(file, std::ios::binary) {
        m_out << csvHeaderLine(m_columns) << std::flush;
    }

    bool opened() const { return m_out.is_open() && m_out.good(); }

    void addCycle(std::span<const Reading> readings) override {
        if (readings.empty() || !m_out.good()) {
            return;
        }
        m_out << csvRowLine(static_cast<double>(readings.front().timeMs) / 1000.0,
                            cycleCells(m_columns, readings))
              << std::flush;
    }

    bool stop(std::string& error) override {
        const bool wasFailed = failed();
        m_out.close();
        if (wasFailed || m_out.fail()) {
            error = "could not write all of " + m_id +
                    " (is the disk full?); it holds every whole cycle before the failed write";
            return false;
        }
        return true;
    }

    bool failed() const override { return !m_out.good(); }

    const std::string& id() const override { return m_id; }

private:
    std::vector<LiveColumn> m_columns;
    std::string m_id;
    std::ofstream m_out;
};

std::unique_ptr<RecordingWriter> openWriter(const session::LivePage& page,
                                            std::span<const Gauge> gauges, const fs::path& file,
                                            std::string& error) {
    auto writer = std::make_unique<CsvRecordingWriter>(page, gauges, file);
    if (!writer->opened()) {
        error = "cannot write " + file.string();
        return nullptr;
    }
    return writer;
}

std::string localTimeStamp() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return formatLocalTime(std::chrono::duration_cast<std::chrono::milliseconds>(now).count(),
                           "%Y%m%d-%H%M%S");
}

}  // namespace

CsvRecordingFolder::CsvRecordingFolder(std::filesystem::path folder, Now now)
    : m_folder(std::move(folder)), m_now(now ? std::move(now) : Now(localTimeStamp)) {}

std::unique_ptr<RecordingWriter> CsvRecordingFolder::startLiveRecording(
    const session::LivePage& page, std::span<const Gauge> gauges, std::string& error) {
    std::error_code failed;
    fs::create_directories(m_folder, failed);
    if (failed) {
        error = "cannot make the folder " + m_folder.string() + ": " + failed.message();
        return nullptr;
    }
    const std::string stem = "live-" + m_now();
    fs::path file = m_folder / (stem + ".csv");
    for (int n = 2; fs::exists(file); ++n) {
        file = m_folder / (stem + "-" + std::to_string(n) + ".csv");
    }
    return openWriter(page, gauges, file, error);
}

RecordingRead CsvRecordingFolder::readLiveRecording(const std::string& id) {
    return readRecordingFile(id);
}

std::unique_ptr<RecordingWriter> CsvRecordingFile::startLiveRecording(const session::LivePage& page,
                                                                      std::span<const Gauge> gauges,
                                                                      std::string& error) {
    return openWriter(page, gauges, m_file, error);
}

RecordingRead CsvRecordingFile::readLiveRecording(const std::string& id) {
    return readRecordingFile(id);
}

RecordingRead readRecordingFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {std::nullopt, "cannot open " + file.string()};
    }
    RecordingRead read = readRecordingCsv(in);
    if (!read.recording) {
        read.error = file.string() + ", " + read.error;
    }
    return read;
}

bool exportRecordingCsv(const LiveRecording& recording, const std::filesystem::path& file,
                        std::string& error) {
    HeldRecording held(recording);
    return exportRecordingCsv(held, file, error);
}

bool exportRecordingCsv(ReplaySource& recording, const std::filesystem::path& file,
                        std::string& error) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot write " + file.string();
        return false;
    }
    if (!writeRecordingCsv(recording, out)) {
        error = recording.error();
        return false;
    }
    out.close();
    if (out.fail()) {
        error = "could not write all of " + file.string() + " (is the disk full?)";
        return false;
    }
    return true;
}

}  // namespace tvx::trend
