#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvx::record {

// Times are milliseconds since 1970 (UTC) unless said otherwise. Modules are numbered
// 1..5 (PCM, TCM, ABS, AirBag, Cluster) and 6 (the injector control unit).

struct VisitStart {
    std::int64_t startedAt = 0;
    bool demo = false;
    std::string vehicle;  // as the tester's lists name it; "" when none was chosen
    bool diesel = false;
    std::string language = "en";  // "en" or "tr": the texts the visit was shown in
};

struct TroubleCode {
    int code = 0;             // the two bytes as the module sent them
    std::string text;         // "P0171"
    std::string description;  // the catalogue row as shown, "" when none
};

struct CodeRead {
    std::int64_t id = 0;
    int module = 1;
    std::int64_t at = 0;
    bool ok = false;
    int count = 0;  // as the module reported it
    bool catalogueMissing = false;
    std::string language = "en";
    std::vector<TroubleCode> codes;
};

struct Clear {
    std::int64_t id = 0;
    int module = 1;
    std::int64_t at = 0;
    bool ok = false;
    std::optional<std::int64_t> beforeReadId;  // the module's last read before the clear
    std::optional<std::int64_t> afterReadId;   // its first read after it
};

// One four-byte block of the injector unit with its 24-bit address.
struct Block {
    std::uint32_t address = 0;
    std::array<std::uint8_t, 4> data{};
};

struct InjectorRead {
    std::int64_t id = 0;
    std::int64_t at = 0;
    bool ok = false;
    std::array<std::string, 4> codes;  // injector slots 1..4
    std::vector<Block> blocks;         // the eight blocks in read order; empty when failed
};

struct ProgrammingStepRow {
    std::int64_t at = 0;
    int half = 0;         // 1, 2, or 0 for the requests around the halves
    std::string request;  // "start", "open", "select", "write", "store", "close", "start again"
    bool ok = false;
    bool restore = false;  // part of writing the old code back
};

struct ProgrammingRun {
    std::int64_t id = 0;
    std::int64_t visitId = 0;
    int injector = 1;  // slot 1..4
    std::int64_t startedAt = 0;
    std::optional<std::int64_t> endedAt;
    std::string codeBefore;
    std::string codeNew;
    std::array<std::string, 4> codesRead;
    std::vector<Block> blocks;
    // "started" until it ends; then "finished", "failed", "not verified", "refused",
    // "not recorded".
    std::string result = "started";
    std::string unitHolds;  // "old", "new", "mixed", "not read"; "" while running
    std::string codeAfter;  // as read back; "" when not read
    bool restoreTried = false;
    bool restore = false;  // the run wrote back a code the unit held before
    std::vector<ProgrammingStepRow> steps;
};

struct Channel {
    int channel = 0;    // 0..n-1 in the order of the page
    std::string gauge;  // "rpmd"
    std::string name;   // "engine speed"
    std::string unit;   // "rpm", "" for a switch state
};

struct Reading {
    std::int64_t tMs = 0;  // since the recording began
    int channel = 0;
    std::optional<double> value;  // none: the read failed
};

struct Recording {
    std::int64_t id = 0;
    std::int64_t visitId = 0;
    int page = 0;  // the live page's polling state number
    std::int64_t startedAt = 0;
    std::optional<std::int64_t> endedAt;
    std::vector<Channel> channels;
    std::int64_t readingCount = 0;
    // As the recorder counted them (none in recordings kept before it said so).
    std::optional<std::int64_t> cycles;
    std::optional<std::int64_t> durationMs;  // the last reading's time from the first's
};

// How long a recording ran: the recorder's duration, else its start to its end.
inline std::int64_t recordingDurationMs(const Recording& recording) {
    return recording.durationMs.value_or(recording.endedAt.value_or(recording.startedAt) -
                                         recording.startedAt);
}

// A channel's values over a recording (failed reads left out).
struct ChannelSummary {
    Channel channel;
    std::int64_t count = 0;
    double min = 0;
    double mean = 0;
    double max = 0;
};

// What the mechanic enters about a visit; blank when not entered.
struct VisitNotes {
    std::string plate;
    std::string customer;
    std::optional<std::int64_t> odometerKm;  // as entered
    std::string findings;
    std::string recommendation;
};

struct VisitSummary {
    std::int64_t id = 0;
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
    bool demo = false;
    std::string vehicle;
    std::optional<std::string> vin;
    int codeReads = 0;
    int codesRead = 0;  // distinct codes over all reads of the visit
    int clears = 0;
    int programmingRuns = 0;
    int recordings = 0;
    int injectorReads = 0;
    std::string plate;
    std::string bay;  // the workshop's other bay that served it; "" for this PC
};

struct Visit {
    VisitSummary summary;
    bool diesel = false;
    std::string language = "en";
    std::array<int, 7> protocols{};  // [1..5] as the module probe found them, 0 = absent
    bool injectorUnit = false;
    std::vector<CodeRead> codeReads;  // in order
    std::vector<Clear> clears;
    std::vector<InjectorRead> injectorReads;
    std::vector<ProgrammingRun> runs;
    std::vector<Recording> recordings;
    VisitNotes notes;
    // The instrument cluster's odometer as last read in the visit; none when it was not read
    // (or the visit was recorded before it was kept: a cluster recording may hold it).
    std::optional<double> odometerReadKm;
};

struct VisitFilter {
    std::string text;   // part of the VIN, the plate or the vehicle name, any case; "" = all
    bool demo = false;  // demonstration visits instead of real ones
    int limit = 1000;
};

}  // namespace tvx::record
