#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "trend/recording_csv.h"
#include "trend/replay_source.h"

namespace tvx::trend {

// A recording file (or a `live --csv` log) replayed from the disk. Opening reads it through
// once, so that a damaged file is refused with its line before anything is shown, and notes
// where every stretch of kStride cycles begins; a cycle is then read from the stretch that
// holds it. What is held besides the cycle read is one small note per stretch.
// Only the whole cycles the file held when it was opened are replayed: a line cut short at
// its end is left out (cutLine() tells it), lines written later are not seen.
class RecordingFile final : public ReplaySource {
public:
    static constexpr std::uint32_t kStride = 64;

    // nullptr with `error` set ("cannot open F", "F, line 3: ...") when it cannot be replayed.
    static std::unique_ptr<RecordingFile> open(const std::filesystem::path& file,
                                               std::string& error);

    const session::LivePage* page() const override { return m_reader.page(); }
    const std::vector<Gauge>& gauges() const override { return m_reader.recordedGauges(); }
    std::uint32_t cycles() const override { return m_cycles; }
    std::uint64_t durationMs() const override { return m_durationMs; }
    std::uint32_t cycleFrom(std::uint64_t timeMs) override;
    bool read(std::uint32_t cycle, std::vector<Reading>& readings) override;
    const std::string& error() const override { return m_error; }
    // The number of the line cut short at the end, left out; 0 when none.
    std::size_t cutLine() const { return m_cutLine; }
    const std::filesystem::path& file() const { return m_file; }

private:
    // Where a stretch begins and the time of its first cycle.
    struct Stretch {
        RecordingCsvReader::Mark at;
        std::uint64_t timeMs = 0;
    };

    explicit RecordingFile(const std::filesystem::path& file);
    bool index();
    bool changed(std::uint32_t cycle);

    std::filesystem::path m_file;
    std::ifstream m_in;
    RecordingCsvReader m_reader{m_in};
    std::vector<Stretch> m_stretches;
    std::uint32_t m_cycles = 0;
    std::uint64_t m_durationMs = 0;
    std::size_t m_cutLine = 0;
    std::string m_error;
};

}  // namespace tvx::trend
