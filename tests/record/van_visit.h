#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "record/record.h"
#include "session/live_columns.h"
#include "session/live_pages.h"

namespace tvx::record::testing {

// The diesel van's visit a workshop hands over most: its engine codes read, cleared and read
// again, the injector codes read, injector 2 coded and read back, twenty seconds of the whole
// diesel page (every value the page polls, in its units) and of the instrument cluster (the
// odometer read there), the mechanic's notes. Both recordings have a chart in the report.
struct VanVisit {
    static constexpr std::int64_t kStart = 1780000000000;
    static constexpr int kModel = 4;  // FOCUS 1.8 TDCI, with an injector control unit
    inline static const std::array<std::string, 4> kInjectorCodes = {
        "123456789ABCDEF0", "21436587A9CBED0F", "0A1B2C3D4E5F6071", "8877665544332211"};
    static constexpr const char* kNewCode = "0123456789ABCDEF";
    static constexpr double kOdometerKm = 214381;

    static std::int64_t fill(Record& record) {
        const auto visit = record.beginVisit({kStart, false, "FOCUS 1.8 TDCI", true, "en"});
        record.setVisitVin(visit, "WF0XXXTTGX8C12345");
        record.setVisitModules(visit, {0, 2, 2, 2, 2, 2, 0}, true);
        CodeRead read;
        read.module = 1;
        read.at = kStart + 1000;
        read.ok = true;
        read.codes = {{0x87, "P0087", ""}, {0x401, "P0401", ""}, {0x2263, "P2263", ""}};
        read.count = 3;
        record.addCodeRead(visit, read);
        record.addClear(visit, 1, kStart + 2000, true);
        read.at = kStart + 3000;
        read.codes.resize(1);
        read.count = 1;
        record.addCodeRead(visit, read);
        record.addInjectorRead(visit, {0, kStart + 4000, true, kInjectorCodes, {}});
        ProgrammingRun run;
        run.injector = 2;
        run.startedAt = kStart + 5000;
        run.codeBefore = kInjectorCodes[1];
        run.codeNew = kNewCode;
        ProgrammingRun end;
        end.endedAt = kStart + 6000;
        end.result = "finished";
        end.unitHolds = "new";
        end.codeAfter = run.codeNew;
        record.endProgrammingRun(record.beginProgrammingRun(visit, run), end);
        auto after = kInjectorCodes;
        after[1] = kNewCode;
        record.addInjectorRead(visit, {0, kStart + 7000, true, after, {}});
        recordPage(record, visit, *session::livePageForModel(true, kModel), kStart + 8000);
        recordPage(record, visit, session::clusterPage(), kStart + 30000);
        VisitNotes notes;
        notes.plate = "41 ABC 204";
        notes.customer = "Deniz Kaya";
        notes.findings =
            "Rail pressure low under load. Boost hose split at the intercooler; P2263 comes back "
            "at once after the clear.";
        notes.recommendation =
            "Replace the intercooler hose and the fuel filter; read the codes again after "
            "500 km.";
        record.setVisitNotes(visit, notes);
        return visit;
    }

    // Twenty seconds of the page, about three cycles a second, each value in its range.
    static void recordPage(Record& record, std::int64_t visit, const session::LivePage& page,
                           std::int64_t at) {
        std::vector<Channel> channels;
        for (const session::LiveColumn& column : session::liveColumns(page)) {
            channels.push_back({static_cast<int>(channels.size()),
                                std::string(session::gaugeName(column.gauge)),
                                std::string(column.name), std::string(column.unit)});
        }
        const auto recording =
            record.beginRecording(visit, static_cast<int>(page.pollState), at, channels);
        std::vector<Reading> readings;
        for (int cycle = 0; cycle < 70; ++cycle) {
            for (const Channel& channel : channels) {
                readings.push_back({cycle * 290, channel.channel, valueOf(channel, cycle)});
            }
        }
        record.addReadings(recording, readings);
        record.endRecording(recording, at + 20500);
    }

    static double valueOf(const Channel& channel, int cycle) {
        const double wave = std::sin(cycle / 7.0);
        if (channel.unit.empty()) {
            return cycle % 4 == 0 ? 1 : 0;  // a switch, on a quarter of the time
        }
        if (channel.gauge == "kmd") {
            return kOdometerKm;
        }
        if (channel.unit == "rpm") {
            return 1600 + 800 * wave;
        }
        if (channel.unit == "bar") {
            return 520 + 260 * wave;
        }
        if (channel.unit == "degC") {
            return 82 + cycle * 0.05;
        }
        if (channel.unit == "V") {
            return channel.name == "battery" ? 13.9 + 0.1 * wave : 2.4 + 1.6 * wave;
        }
        return 40 + 20 * wave;  // %, kPa, mm, g/stroke and plain numbers
    }
};

}  // namespace tvx::record::testing
