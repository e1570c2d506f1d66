#pragma once

#include <string>
#include <vector>

#include "session/session_events.h"

namespace tvx::session::testing {

// Keeps every event of a session, typed, and a one-line summary of each in order.
struct EventLog final : SessionEvents {
    void portOpened(const PortOpening& e) override {
        note("port " + std::to_string(e.index) + (e.opened ? " opened" : " failed"));
    }
    void settingsSaved(const SettingsSaving& e) override {
        note(std::string("settings ") + (e.saved ? "saved" : "not saved"));
    }
    void vehicleChosen(const VehicleChoice& e) override { note("vehicle " + std::string(e.name)); }
    void boxProbed(const BoxProbe& e) override {
        note(std::string("box ") + (e.answered ? "answered" : "silent"));
    }
    void modulesProbed(const ModuleProbe& e) override {
        probes.push_back(e);
        note(std::string("modules ") + (e.carAnswered ? "answered" : "silent"));
    }
    void vinRead(const VinReading& e) override {
        vins.push_back(e);
        note(std::string("vin ") + (e.read ? e.vin : "not read"));
    }
    void moduleOpened(const ModuleOpening& e) override {
        note("module " + std::to_string(static_cast<int>(e.module)) +
             (e.answered ? " answered" : " silent"));
    }
    void troubleCodesRead(const TroubleCodeRead& e) override {
        codeReads.push_back(e);
        note("codes " + std::to_string(e.module) + (e.ok ? " read" : " failed"));
    }
    void troubleCodesCleared(const TroubleCodeClear& e) override {
        clears.push_back(e);
        note("clear " + std::to_string(e.module) + (e.ok ? " done" : " failed"));
    }
    void livePageStarted(const LivePageStart& e) override {
        note("page " + std::to_string(stateNumber(e.page->pollState)));
    }
    void liveReading(const LiveReading& e) override { readings.push_back(e); }
    void liveCycleEnded(const LiveCycle& e) override {
        cycles.push_back(e);
        note(std::string("cycle ") + (e.complete ? "complete" : "cut"));
    }
    void liveFocusChanged(const LiveFocusChange& e) override {
        focusChanges.push_back(e);
        note(e.whole ? "whole page" : "fast mode");
    }
    void injectorCodesRead(const InjectorRead& e) override {
        injectorReads.push_back(e);
        note(std::string("injectors ") + (e.ok ? "read" : "failed"));
    }
    void programmingStep(const ProgrammingStep& e) override { steps.push_back(e); }
    void programmingEnded(const ProgrammingEnd& e) override {
        ends.push_back(e);
        static const char* kResults[] = {"finished", "failed", "refused", "not verified",
                                         "not recorded"};
        note(std::string("programming ") + kResults[static_cast<int>(e.result)]);
    }
    void prompted(const Prompt& e) override {
        static const char* kKinds[] = {"key off", "key on", "enter code", "confirm"};
        note(std::string("prompt ") + kKinds[static_cast<int>(e.kind)]);
    }
    void countdownStarted(const Countdown& e) override {
        note("countdown " + std::to_string(e.seconds));
    }
    void lineLost() override { note("line lost"); }

    void note(std::string line) {
        // A live page repeats its cycles: one line stands for a run of equal ones.
        if (!summary.empty() && summary.back() == line && line.rfind("cycle", 0) == 0) {
            return;
        }
        summary.push_back(std::move(line));
    }

    std::vector<std::string> summary;
    std::vector<ModuleProbe> probes;
    std::vector<VinReading> vins;
    std::vector<TroubleCodeRead> codeReads;
    std::vector<TroubleCodeClear> clears;
    std::vector<LiveReading> readings;
    std::vector<LiveCycle> cycles;
    std::vector<LiveFocusChange> focusChanges;
    std::vector<InjectorRead> injectorReads;
    std::vector<ProgrammingStep> steps;
    std::vector<ProgrammingEnd> ends;
};

}  // namespace tvx::session::testing
