#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "common/control_names.h"
#include "event_log.h"
#include "link/decoder_table.h"
#include "session_fixture.h"
#include "workday.h"

namespace tvx::session {
namespace {

using testing::Bench;
using testing::EventLog;
using Frames = std::vector<std::vector<std::uint8_t>>;

// True when `wanted` appears in `lines` in this order (other lines may come between).
bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    auto at = lines.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

std::string hex(const std::array<std::uint8_t, 8>& bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", byte);
        text += two;
    }
    return text;
}

// The parameter identifiers of the parameter reads among request frames.
std::vector<std::uint16_t> parameterReads(const Frames& frames) {
    std::vector<std::uint16_t> ids;
    for (const auto& frame : frames) {
        if (frame.size() == 3 && (frame[0] == 22 || frame[0] == 32 || frame[0] == 12)) {
            ids.push_back(static_cast<std::uint16_t>(frame[1] << 8 | frame[2]));
        }
    }
    return ids;
}

// The identifiers of the readings, one per read (a switch-state read gives three).
std::vector<std::uint16_t> readIdentifiers(const std::vector<LiveReading>& readings) {
    std::vector<std::uint16_t> ids;
    for (const LiveReading& reading : readings) {
        if (reading.kind != LiveRead::Kind::SwitchStates || reading.gauge == Gauge::cppd) {
            ids.push_back(reading.identifier);
        }
    }
    return ids;
}

TEST(SessionEvents, TheDieselDayIsToldAsTheBoxSawIt) {
    Bench bench("diesel-van");
    const sim::Scenario scenario = bench.box.scenario();
    EventLog log;
    EventLog second;  // several listeners hear the same story
    bench.session.addListener(log);
    bench.session.addListener(second);
    std::array<std::array<std::uint8_t, 8>, 5> before{};
    for (int n = 1; n <= 4; ++n) {
        before[n] = bench.box.injectorCode(n);
    }
    testing::walkTheDay(
        {bench.session, bench.view, bench.dir, [&](int n) { return bench.box.injectorCode(n); }},
        '1');

    EXPECT_EQ(log.summary, second.summary);
    EXPECT_TRUE(
        inOrder(log.summary, {"port 2 opened",        "settings saved",   "vehicle FOCUS 1.8 TDCI",
                              "box answered",         "modules answered", "vin " + scenario.vin,
                              "module 0 answered",    "page 71",          "cycle complete",
                              "codes 1 read",         "clear 1 done",     "codes 1 read",
                              "module 4 answered",    "page 29",          "module 5 answered",
                              "injectors read",       "prompt key off",   "countdown 31",
                              "prompt key on",        "countdown 16",     "prompt enter code",
                              "prompt confirm",       "prompt key off",   "prompt key on",
                              "programming finished", "injectors read"}))
        << ::testing::PrintToString(log.summary);

    // The probe and the VIN as the simulated car has them.
    ASSERT_FALSE(log.probes.empty());
    for (int module = 1; module <= 5; ++module) {
        EXPECT_EQ(log.probes.back().protocols[module], scenario.modules[module].protocol);
    }
    EXPECT_TRUE(log.probes.back().injectorUnitOffered);
    ASSERT_FALSE(log.vins.empty());
    EXPECT_TRUE(log.vins.back().read);

    // The codes before the clear are the car's; after it the module has none.
    ASSERT_EQ(log.codeReads.size(), 2u);
    const auto& stored = scenario.modules[1].troubleCodes;
    EXPECT_EQ(log.codeReads[0].codes,
              std::vector<std::uint16_t>(stored.begin(),
                                         stored.begin() + std::min<std::size_t>(3, stored.size())));
    EXPECT_EQ(log.codeReads[0].rows.front(), "P0087 Fuel rail pressure too low");
    ASSERT_EQ(log.codeReads[0].descriptions.size(), log.codeReads[0].codes.size());
    EXPECT_EQ(log.codeReads[0].descriptions.front(), "Fuel rail pressure too low");
    EXPECT_EQ(log.codeReads[0].languageCode, '1');
    EXPECT_EQ(log.codeReads[1].count, 0);
    EXPECT_TRUE(log.codeReads[1].codes.empty());
    EXPECT_TRUE(bench.box.storedCodes(1).empty());

    // The injector codes as the unit held them, then the run, step by step, the unit read
    // back by the run itself, and the mechanic's own read afterwards.
    ASSERT_EQ(log.injectorReads.size(), 3u);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(log.injectorReads[0].codes[n], hex(before[n])) << n;
    }
    using R = InjectorRequest;
    const std::vector<std::pair<int, R>> wanted = {
        {0, R::Start},      {0, R::Open},  {1, R::SelectSlot}, {1, R::Write}, {1, R::Store},
        {2, R::SelectSlot}, {2, R::Write}, {2, R::Store},      {0, R::Close}, {0, R::StartAgain}};
    ASSERT_EQ(log.steps.size(), wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        EXPECT_EQ(log.steps[i].half, wanted[i].first) << i;
        EXPECT_EQ(log.steps[i].request, wanted[i].second) << i;
        EXPECT_TRUE(log.steps[i].ok) << i;
        EXPECT_EQ(log.steps[i].injector, 3);
    }
    ASSERT_EQ(log.ends.size(), 1u);
    EXPECT_EQ(log.ends[0].result, ProgrammingEnd::Result::Finished);
    EXPECT_EQ(log.ends[0].before, hex(before[3]));
    EXPECT_EQ(log.ends[0].readBack, hex(bench.box.injectorCode(3)));
    EXPECT_EQ(log.ends[0].holds, UnitHolds::NewCode);
    EXPECT_EQ(log.injectorReads[1].codes[3], hex(bench.box.injectorCode(3)));
    EXPECT_EQ(log.injectorReads[2].codes[3], hex(bench.box.injectorCode(3)));
}

TEST(SessionEvents, LiveReadingsAreTheReadsOnTheLineInOrder) {
    Bench bench("diesel-van");
    EventLog log;
    bench.session.addListener(log);
    bench.startToModuleMenu(true, 4);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(2);  // dispatch, layout
    // A read that fails in the second cycle is told as failed, and the gauge keeps its text.
    sim::Fault once = testing::parameterFault(sim::FaultKind::CountZero, 0x0023);
    once.count = 1;
    bench.box.addFault(once);
    const std::size_t from = bench.box.requests().size();
    bench.view.clearLogs();
    bench.steps(3);

    EXPECT_EQ(readIdentifiers(log.readings), parameterReads(bench.requestsSince(from)));
    ASSERT_EQ(log.cycles.size(), 3u);
    for (const LiveCycle& cycle : log.cycles) {
        EXPECT_TRUE(cycle.complete);
        EXPECT_EQ(cycle.page, State::DieselFullPoll);
    }
    std::vector<std::pair<std::string, std::string>> shown;
    int failed = 0;
    for (const LiveReading& reading : log.readings) {
        if (reading.failed) {
            ++failed;
            EXPECT_EQ(reading.identifier, 0x0023);
            EXPECT_TRUE(reading.text.empty());
        } else {
            shown.emplace_back(std::string(gaugeName(reading.gauge)), reading.text);
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(shown, bench.view.gaugeLog);
    EXPECT_TRUE(std::is_sorted(log.readings.begin(), log.readings.end(),
                               [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; }));
}

TEST(SessionEvents, ASilentBoxIsToldAndNothingElse) {
    Bench bench;
    EventLog log;
    bench.session.addListener(log);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 1);
    EXPECT_TRUE(inOrder(log.summary, {"port 0 opened", "vehicle FIESTA  1.4i", "box silent"}));
    EXPECT_TRUE(log.probes.empty());
    EXPECT_TRUE(log.vins.empty());
    EXPECT_EQ(bench.session.state(), State::BoxSilentWait);
}

TEST(SessionEvents, ALostLineCutsTheLivePassAndIsToldOnce) {
    Bench bench;
    EventLog log;
    bench.session.addListener(log);
    bench.startToModuleMenu(false, 1);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(3);  // dispatch, layout, one pass
    const std::size_t readingsBefore = log.readings.size();
    bench.box.addFault(sim::Fault::lineClosed());
    bench.steps(1);

    ASSERT_EQ(log.cycles.size(), 2u);
    EXPECT_TRUE(log.cycles[0].complete);
    EXPECT_FALSE(log.cycles[1].complete);
    ASSERT_EQ(log.readings.size(), readingsBefore + 1);  // the read that found the line gone
    EXPECT_TRUE(log.readings.back().failed);
    EXPECT_EQ(std::count(log.summary.begin(), log.summary.end(), "line lost"), 1);
    EXPECT_EQ(log.summary.back(), "line lost");
    EXPECT_EQ(bench.session.state(), State::CarSilentWait);
}

// Reads the unit, then goes through the ignition steps and the entry screen with `code`
// typed for injector `slot`, up to "ARE YOU SURE ?".
void programUpToConfirmation(Bench& bench, int slot, const std::string& code) {
    bench.startToModuleMenu(true, 4);
    bench.session.selectModule(Module::Icu);
    bench.session.readInjectors();
    bench.settle();
    bench.session.programInjectors();
    for (int prompt = 0; prompt < 2; ++prompt) {
        bench.settle(100);
        bench.session.ok();
    }
    bench.settle(100);
    bench.session.injectorPanelClick(slot);
    bench.session.injectorOk(slot, code);
    bench.session.ok();
    bench.settle();
}

TEST(SessionEvents, AProgrammingRunThatFailsNamesTheStepAndWritesNothing) {
    Bench bench("diesel-van");
    EventLog log;
    bench.session.addListener(log);
    const auto before = bench.box.injectorCode(2);
    programUpToConfirmation(bench, 2, "0123456789ABCDEF");
    // The unit's answer to the first request of the run is spoilt.
    bench.box.addFault(sim::Fault::countZero(1));
    bench.session.ok();
    bench.settle();

    ASSERT_EQ(log.steps.size(), 1u);
    EXPECT_EQ(log.steps[0].request, InjectorRequest::Start);
    EXPECT_FALSE(log.steps[0].ok);
    ASSERT_EQ(log.ends.size(), 1u);
    EXPECT_EQ(log.ends[0].result, ProgrammingEnd::Result::Failed);
    EXPECT_EQ(log.ends[0].injector, 2);
    EXPECT_EQ(bench.box.injectorCode(2), before);
}

TEST(SessionEvents, ARefusedCodeIsToldWithItsReasonAndNothingIsSent) {
    Bench bench("diesel-van");
    EventLog log;
    bench.session.addListener(log);
    programUpToConfirmation(bench, 1, "12345");
    const std::size_t from = bench.box.requests().size();
    bench.session.ok();
    bench.settle();

    EXPECT_TRUE(bench.requestsSince(from).empty());
    EXPECT_TRUE(log.steps.empty());
    ASSERT_EQ(log.ends.size(), 1u);
    EXPECT_EQ(log.ends[0].result, ProgrammingEnd::Result::Refused);
    EXPECT_EQ(log.ends[0].problem, CodeProblem::TooShort);
}

// A command waiting during a live pass is taken after the read on the line; the pass then
// goes on from where it stopped, so the reads keep the page's order on the wire.
TEST(LivePolling, APassPausesForACommandAndGoesOnInOrder) {
    Bench bench("diesel-van");
    EventLog log;
    bench.session.addListener(log);
    bench.startToModuleMenu(true, 4);
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(2);
    const LivePage& page = *livePageForState(bench.session.state());
    const std::size_t from = bench.box.requests().size();

    bench.session.requestYield();
    bench.steps(1);
    EXPECT_EQ(parameterReads(bench.requestsSince(from)).size(), 1u);
    EXPECT_TRUE(log.cycles.empty());
    bench.session.clearYield();
    bench.steps(1);

    std::vector<std::uint16_t> wanted;
    for (const LiveRead& read : page.reads) {
        wanted.push_back(read.kind == LiveRead::Kind::SwitchStates
                             ? link::Requests::kSwitchStatesIdentifier
                             : link::decoderRow(read.decoder).identifier);
    }
    EXPECT_EQ(parameterReads(bench.requestsSince(from)), wanted);
    ASSERT_EQ(log.cycles.size(), 1u);
    EXPECT_TRUE(log.cycles[0].complete);

    // BACK while a pass waits for it: the pass ends there, told as cut.
    bench.session.requestYield();
    bench.steps(1);
    bench.session.back();
    ASSERT_EQ(log.cycles.size(), 2u);
    EXPECT_FALSE(log.cycles[1].complete);
    EXPECT_EQ(bench.session.state(), State::PlugTheBox);
}

// Every control the session addresses during whole days in both languages is one it
// declares; a window test checks the window carries every declared one.
TEST(ControlNames, TheSessionAddressesOnlyDeclaredControls) {
    const auto declared = addressedControlNames();
    for (char language : {'1', '2'}) {
        Bench bench("diesel-van");
        testing::walkTheDay({bench.session, bench.view, bench.dir,
                             [&](int n) { return bench.box.injectorCode(n); }},
                            language);
        bench.session.demo();
        bench.settle();
        for (Module module : {Module::Pcm, Module::Cluster}) {
            bench.session.selectModule(module);
            bench.session.live();
            bench.steps(3);
            bench.session.readDtc();
            bench.settle();
        }
        for (const std::string& name : bench.view.namesSeen) {
            EXPECT_TRUE(std::binary_search(declared.begin(), declared.end(), name)) << name;
        }
        EXPECT_GT(bench.view.namesSeen.size(), 60u);
    }
}

}  // namespace
}  // namespace tvx::session
