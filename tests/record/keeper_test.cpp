#include <fstream>

#include "record/report.h"
#include "recorded_fixture.h"
#include "session/live_columns.h"
#include "trend/live_recorder.h"

namespace tvx::session {
namespace {

using record::Database;
using testing::Recorded;

TEST(RecordKeeper, AVisitWithReadClearReadIsRecordedAsItHappened) {
    Recorded r("petrol-car");
    r.bench.startToModuleMenu(false, 10);
    r.readAndClear(Module::Pcm);

    auto reader = r.reader();
    const auto visits = reader->visits({});
    ASSERT_EQ(visits.size(), 1u);
    const auto visit = reader->visit(visits[0].id);
    EXPECT_EQ(visit->summary.vin, r.bench.box.scenario().vin);
    EXPECT_EQ(visit->summary.vehicle, "FOCUS ghia 1.6");
    EXPECT_FALSE(visit->summary.demo);
    EXPECT_EQ(visit->protocols[1], 1);
    ASSERT_EQ(visit->codeReads.size(), 2u);
    const auto& first = visit->codeReads[0];
    ASSERT_EQ(first.codes.size(), 3u);
    EXPECT_EQ(first.codes[0].text, "P0171");
    EXPECT_EQ(first.codes[0].description, "System Too Lean (Bank 1)");
    EXPECT_TRUE(visit->codeReads[1].codes.empty());
    ASSERT_EQ(visit->clears.size(), 1u);
    EXPECT_TRUE(visit->clears[0].ok);
    EXPECT_EQ(visit->clears[0].beforeReadId, first.id);
    EXPECT_EQ(visit->clears[0].afterReadId, visit->codeReads[1].id);
    EXPECT_TRUE(r.notices.empty());
}

TEST(RecordKeeper, DemonstrationsAreVisitsOfTheirOwn) {
    Recorded r("petrol-car");
    r.bench.startToVehicleLists();
    r.bench.session.selectPetrol(0);
    r.bench.session.demo();
    r.bench.settle();
    r.bench.session.selectModule(Module::Pcm);
    r.bench.session.readDtc();
    r.bench.settle();
    r.bench.session.back();  // to the prompt to plug the box in, then a real connection
    r.bench.settle();
    r.bench.session.ok();
    r.bench.settle();
    r.readAndClear(Module::Abs);

    auto reader = r.reader();
    const auto demos = reader->visits({"", true, 10});
    const auto real = reader->visits({"", false, 10});
    ASSERT_EQ(demos.size(), 1u);
    ASSERT_EQ(real.size(), 1u);
    EXPECT_EQ(demos[0].codeReads, 1);
    EXPECT_EQ(real[0].codeReads, 2);
    EXPECT_EQ(reader->visit(real[0].id)->codeReads[0].module, 3);
}

TEST(RecordKeeper, TheGuardCommitsTheRunBeforeItSaysYes) {
    Recorded r("diesel-van");
    r.bench.startToModuleMenu(true, 5);
    ProgrammingPlan plan;
    plan.injector = 3;
    plan.oldCode = "0A1B2C3D4E5F6071";
    plan.newCode = "0123456789ABCDEF";
    plan.codesRead[3] = plan.oldCode;
    plan.blocks[3].address = {0x0A, 0x1F, 0x34};
    plan.blocks[3].data = {0x0A, 0x1B, 0x2C, 0x3D};
    std::string whyNot;
    ASSERT_TRUE(r.keeper.beforeFirstWrite(plan, whyNot)) << whyNot;
    // Another connection sees it at once: committed, not waiting in a queue.
    auto other = record::testing::openOrFail(r.keeper.path(), {Database::Mode::ReadOnly, 0, 0});
    const auto run = other->lastRunOf(3, std::nullopt, std::nullopt);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->codeBefore, "0A1B2C3D4E5F6071");
    EXPECT_EQ(run->result, "started");
    ASSERT_EQ(run->blocks.size(), 8u);
    EXPECT_EQ(run->blocks[2].address, 0x0A1F34u);
}

TEST(RecordKeeper, AFailedRunIsRecordedStepByStepWithWhatTheUnitHolds) {
    Recorded r("diesel-van");
    r.bench.startToModuleMenu(true, 5);
    r.bench.session.selectModule(Module::Icu);
    r.bench.session.readInjectors();
    r.bench.settle();
    r.bench.box.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(13 + 5));
    r.bench.session.programInjectors();
    for (int prompt = 0; prompt < 2; ++prompt) {
        r.bench.settle();
        r.bench.session.ok();
    }
    r.bench.settle();
    r.bench.session.injectorOk(1, "0123456789ABCDEF");
    r.bench.session.ok();
    r.bench.settle();
    r.bench.session.ok();
    r.bench.settle();

    auto reader = r.reader();
    const auto visit = reader->visit(*reader->lastVisit(false));
    ASSERT_EQ(visit->runs.size(), 1u);
    const auto& run = visit->runs[0];
    EXPECT_EQ(run.injector, 1);
    EXPECT_EQ(run.codeBefore, "123456789ABCDEF0");
    EXPECT_EQ(run.codeNew, "0123456789ABCDEF");
    EXPECT_EQ(run.result, "failed");
    EXPECT_EQ(run.unitHolds, "old");
    EXPECT_EQ(run.codeAfter, "123456789ABCDEF0");
    EXPECT_TRUE(run.restoreTried);
    ASSERT_GE(run.steps.size(), 5u);
    EXPECT_EQ(run.steps[4].request, "store");
    EXPECT_FALSE(run.steps[4].ok);
    EXPECT_TRUE(run.steps.back().restore);
    // The read before, and the read that tells what the unit holds after.
    ASSERT_EQ(visit->injectorReads.size(), 2u);
    EXPECT_EQ(visit->injectorReads[1].codes[0], "123456789ABCDEF0");
}

TEST(RecordKeeper, ALiveRecordingKeepsEveryReadingOfItsPageWithItsTime) {
    Recorded r("diesel-van");
    r.bench.startToModuleMenu(true, 4);
    r.bench.session.selectModule(Module::Pcm);
    r.bench.session.live();
    r.bench.steps(2);  // dispatch, layout
    const LivePage& page = *livePageForModel(true, 4);
    trend::LiveRecorder recorder(r.keeper.liveStore(), r.bench.clock);
    r.bench.session.addListener(recorder);
    std::string error;
    ASSERT_TRUE(recorder.start(error, &page)) << error;
    EXPECT_TRUE(r.keeper.liveRecording());
    r.bench.steps(3);  // three passes
    recorder.stop();
    EXPECT_FALSE(r.keeper.liveRecording());
    r.bench.steps(1);  // not recorded
    r.bench.session.removeListener(recorder);

    auto reader = r.reader();
    const auto recordings = reader->recordingsOfVisit(*reader->lastVisit(false));
    ASSERT_EQ(recordings.size(), 1u);
    const auto columns = liveColumns(page);
    ASSERT_EQ(recordings[0].channels.size(), columns.size());
    EXPECT_EQ(recordings[0].channels[0].gauge, gaugeName(columns[0].gauge));
    EXPECT_EQ(recordings[0].page, stateNumber(page.pollState));
    EXPECT_TRUE(recordings[0].endedAt);
    const auto readings = reader->readingsOfRecording(recordings[0].id);
    std::size_t perPass = 0;
    for (const LiveRead& read : page.reads) {
        perPass += read.kind == LiveRead::Kind::SwitchStates ? 3 : 1;
    }
    ASSERT_EQ(readings.size(), 3 * perPass);
    EXPECT_EQ(readings[0].tMs, 0);
    EXPECT_GT(readings.back().tMs, readings.front().tMs);
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end(),
                               [](const auto& a, const auto& b) { return a.tMs < b.tMs; }));
    const auto summary = reader->recordingSummary(recordings[0].id);
    EXPECT_GT(summary[0].min, 600.0);  // the engine idles around 800 rpm
    EXPECT_LT(summary[0].max, 1000.0);
}

// The cluster's odometer is kept whenever its live page reads it, recorded or not: the
// report gives it as read from the cluster.
TEST(RecordKeeper, TheClusterOdometerIsKeptThoughItsPageWasNotRecorded) {
    Recorded r("petrol-car");
    r.bench.startToModuleMenu(false, 10);
    r.bench.session.selectModule(Module::Cluster);
    r.bench.session.live();
    r.bench.steps(5);  // dispatch, layout, three passes
    r.bench.session.back();
    r.bench.settle();

    auto reader = r.reader();
    const auto visitId = reader->lastVisit(false);
    ASSERT_TRUE(visitId);
    const auto visit = reader->visit(*visitId);
    EXPECT_TRUE(visit->recordings.empty());
    ASSERT_TRUE(visit->odometerReadKm);
    EXPECT_NEAR(*visit->odometerReadKm, r.bench.box.scenario().odometerKm, 0.05);
    const auto report = record::buildReport(*reader, *visitId, {});
    ASSERT_TRUE(report);
    EXPECT_EQ(report->clusterOdometerKm, visit->odometerReadKm);
}

TEST(RecordKeeper, ADamagedFileIsKeptAsideAndTheVisitGoesIntoANewRecord) {
    testing::Bench bench("petrol-car");
    std::ofstream(bench.dir.path() / record::Record::kFileName) << "not a database at all";
    std::vector<std::string> notices;
    RecordKeeper keeper(bench.dir.path(), {}, [&](const std::string& t) { notices.push_back(t); });
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("damaged"), std::string::npos);
    EXPECT_TRUE(keeper.kept());
    int aside = 0;
    int notes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(bench.dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("tarvolinex.db.damaged-")) {
            (name.ends_with(".txt") ? notes : aside) += 1;
        }
    }
    EXPECT_EQ(aside, 1);
    EXPECT_EQ(notes, 1);  // why it was moved
    bench.session.addListener(keeper);
    bench.startToModuleMenu(false, 0);
    keeper.flush();
    EXPECT_TRUE(keeper.currentVisit());
    bench.session.removeListener(keeper);
}

TEST(RecordKeeper, AFullDiskStopsTheRecordOnceWhileTheLivePageGoesOn) {
    RecordKeeper::Options options;
    options.database.maxPageCount = 40;
    Recorded r("diesel-van", options);
    r.bench.startToModuleMenu(true, 4);
    r.bench.session.selectModule(Module::Pcm);
    r.bench.session.live();
    r.bench.steps(2);
    trend::LiveRecorder recorder(r.keeper.liveStore(), r.bench.clock);
    r.bench.session.addListener(recorder);
    std::string error;
    ASSERT_TRUE(recorder.start(error, livePageForModel(true, 4))) << error;
    for (int pass = 0; pass < 400 && r.keeper.kept(); ++pass) {
        r.bench.steps(1);
        r.keeper.flush();
    }
    r.bench.steps(2);
    r.keeper.flush();
    recorder.stop();
    r.bench.session.removeListener(recorder);
    EXPECT_FALSE(r.keeper.kept());
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_NE(r.notices[0].find("disk is full"), std::string::npos) << r.notices[0];
    EXPECT_TRUE(livePageForState(r.bench.session.state()));  // still polling
}

}  // namespace
}  // namespace tvx::session
