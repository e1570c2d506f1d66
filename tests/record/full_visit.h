#pragma once

#include "record_fixture.h"

namespace tvx::record::testing {

// A diesel van's visit with every kind of row a report shows, after an earlier visit of the
// same VIN. Its codes were read in a Turkish session (Turkish descriptions kept), so an
// English report of it is the cross-language case.
struct FullVisit {
    static constexpr const char* kVin = "WF0XXXTTGXAB12345";
    static constexpr std::int64_t kDay = 86400000;

    FullVisit() {
        record = openOrFail(dir.db());
        const auto earlier = record->beginVisit({1000, false, "TRANSIT 2.4 TDCI", true, "tr"});
        record->setVisitVin(earlier, kVin);
        record->addCodeRead(earlier, turkish(codeRead(1, {code(0x0087, "P0087", "P0087 Yakıt"),
                                                          code(0x0401, "P0401", "P0401 EGR")})));
        visit = record->beginVisit({kDay, false, "TRANSIT 2.4 TDCI", true, "tr"});
        record->setVisitVin(visit, kVin);
        record->setVisitModules(visit, {0, 2, 0, 1, 0, 3, 0}, true);
        // PCM: one code still there, one new, one missing from both catalogues, one gone.
        record->addCodeRead(
            visit, turkish(codeRead(1,
                                    {code(0x0087, "P0087", "P0087 Yakıt Rampası/Sistem Basıncı"),
                                     code(0x2263, "P2263", "P2263 Turbo/Süper Şarj"),
                                     code(0x3FFE, "P3FFE", "P3FFE Tanımsız arıza kodu")},
                                    kDay + 1000)));
        CodeRead failed = codeRead(3, {}, kDay + 2000);
        failed.ok = false;
        record->addCodeRead(visit, failed);
        record->addClear(visit, 1, kDay + 3000, true);
        record->addCodeRead(
            visit, turkish(codeRead(1, {code(0x2263, "P2263", "P2263 Turbo")}, kDay + 4000)));
        record->addClear(visit, 5, kDay + 4500, false);
        record->addInjectorRead(visit, {0, kDay + 5000, true, kCodesBefore, {}});
        run(2, kCodesBefore[1], "0123456789ABCDEF", "finished", "new", false);
        run(3, kCodesBefore[2], "FEDCBA9876543210", "failed", "old", false);
        run(4, "1111222233334444", kCodesBefore[3], "finished", "new", true);
        record->addInjectorRead(visit, {0, kDay + 9000, true, kCodesAfter, {}});
        const auto engine =
            record->beginRecording(visit, 71, kDay + 10000,
                                   {{0, "rpmd", "engine speed", "rpm"},
                                    {1, "chdd", "cylinder head temperature", "degC"},
                                    {2, "bppd", "brake pedal", ""},
                                    {3, "dtcd", "trouble codes", "-"}});
        std::vector<Reading> readings;
        for (int cycle = 0; cycle < 20; ++cycle) {
            const std::int64_t t = cycle * 1000;
            readings.push_back({t, 0, 800.0 + cycle * 10});
            readings.push_back({t, 1, 80.0 + cycle * 0.5});
            readings.push_back({t, 2, cycle % 4 == 0 ? 1.0 : 0.0});  // on a quarter of the time
            readings.push_back({t, 3, 2.0});
        }
        record->addReadings(engine, readings);
        record->endRecording(engine, kDay + 30000);
        const auto cluster =
            record->beginRecording(visit, 29, kDay + 31000,
                                   {{0, "kmd", "odometer", "km"}, {1, "fueld", "fuel level", "%"}});
        record->addReadings(cluster, {{0, 0, 187654.0}, {0, 1, 40.0}, {500, 0, 187654.0}});
        record->endRecording(cluster, kDay + 36000);
        VisitNotes notes;
        notes.plate = "34 TVX 204";
        notes.customer = "Deniz Kaya";
        notes.odometerKm = 187000;
        notes.findings = "Rail pressure low under load.\nBoost leak at the intercooler hose.";
        notes.recommendation = "Replace the intercooler hose; check again in 1000 km.";
        record->setVisitNotes(visit, notes);
    }

    static CodeRead turkish(CodeRead read) {
        read.language = "tr";
        return read;
    }

    void run(int slot, const std::string& before, const std::string& now, const char* result,
             const char* holds, bool restore) {
        ProgrammingRun begin;
        begin.injector = slot;
        begin.startedAt = kDay + 6000 + slot;
        begin.codeBefore = before;
        begin.codeNew = now;
        begin.restore = restore;
        const auto id = record->beginProgrammingRun(visit, begin);
        ProgrammingRun end;
        end.endedAt = begin.startedAt + 500;
        end.result = result;
        end.unitHolds = holds;
        end.codeAfter = std::string(holds) == "new" ? now : before;
        record->endProgrammingRun(id, end);
    }

    inline static const std::array<std::string, 4> kCodesBefore = {
        "123456789ABCDEF0", "21436587A9CBED0F", "0A1B2C3D4E5F6071", "8877665544332211"};
    inline static const std::array<std::string, 4> kCodesAfter = {
        "123456789ABCDEF0", "0123456789ABCDEF", "0A1B2C3D4E5F6071", "8877665544332211"};

    Dir dir;
    std::unique_ptr<Record> record;
    std::int64_t visit = 0;
};

}  // namespace tvx::record::testing
