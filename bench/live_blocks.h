#pragma once

// Live-data cycles of the largest page (the diesel page of the "FOCUS 1.8 TDCI" on the
// simulated van, paced at 9600 baud) in four blocks, alternately without and with something
// beside them: the record's benchmarks compare the two.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "keeper/record_keeper.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/null_view.h"
#include "session/session.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "trend/live_recorder.h"

namespace tvx::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline fs::path freshDirectory(const char* name) {
    const fs::path dir =
        fs::temp_directory_path() / (std::string(name) + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    return dir;
}

// Counts the readings and the passes of the live page.
struct PassCounter final : session::SessionEvents {
    void liveReading(const session::LiveReading&) override { ++readings; }
    void liveCycleEnded(const session::LiveCycle& e) override { passes += e.complete ? 1 : 0; }
    int readings = 0;
    int passes = 0;
};

struct CycleFigures {
    double offMs = 0;
    double onMs = 0;
    double readingsPerPass = 0;
};

// `beside(recorder, page, on)` is called before each block (on: the block with it) and with
// on = false after the last; the recorder records into the record in `dir` alone.
template <typename Beside>
CycleFigures measureCycles(int cyclesPerBlock, const fs::path& dir, Beside beside) {
    std::ofstream(dir / "tarvol.txt") << "1\n1\n";
    link::SteadyClock clock;
    sim::Box box(sim::vehicleScenario("diesel-van"));
    sim::InMemoryPort port(box, clock);
    port.setPacing(true);
    link::Link line(port, clock);
    link::Requests requests(line);
    session::NullView view;
    session::Session session(line, requests, clock, view, dir);
    session::RecordKeeper keeper(dir, {}, [](const std::string& text) {
        std::fprintf(stderr, "record: %s\n", text.c_str());
    });
    PassCounter counter;
    trend::LiveRecorder recorder(keeper.liveStore(), clock);
    session.addListener(keeper);
    session.addListener(counter);
    session.addListener(recorder);
    auto settle = [&] {
        for (int i = 0; i < 1000 && !session.isWaiting(); ++i)
            session.step();
    };
    settle();
    session.ok();
    settle();
    session.selectDiesel(4);
    session.ok();
    settle();
    session.ok();
    settle();
    session.selectModule(session::Module::Pcm);
    session.live();
    session.step();
    session.step();
    const session::LivePage& page = *session::livePageForModel(true, 4);
    auto pass = [&] {
        const int before = counter.passes;
        const auto start = Clock::now();
        while (counter.passes == before)
            session.step();
        return msSince(start);
    };
    pass();  // the first pass warms up
    std::vector<double> off;
    std::vector<double> on;
    for (int block = 0; block < 4; ++block) {
        const bool with = block % 2 == 1;
        beside(recorder, page, with);
        for (int i = 0; i < cyclesPerBlock; ++i)
            (with ? on : off).push_back(pass());
    }
    beside(recorder, page, false);
    keeper.flush();
    session.removeListener(recorder);
    session.removeListener(counter);
    session.removeListener(keeper);
    auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double x : v)
            sum += x;
        return sum / static_cast<double>(v.size());
    };
    CycleFigures figures{mean(off), mean(on),
                         static_cast<double>(counter.readings) / counter.passes};
    return figures;
}

}  // namespace tvx::bench
