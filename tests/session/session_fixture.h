#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/recording_view.h"
#include "datadir/code_journal.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/session.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::session {

// Puts a session straight into a state, as no command can: for the table tests.
class SessionTestAccess {
public:
    static void putInState(Session& session, State state) { session.setState(state); }
};

}  // namespace tvx::session

namespace tvx::session::testing {

// Faults for the simulated box, spelled briefly.
inline sim::Fault fault(sim::FaultKind kind, int module = 0) {
    sim::Fault f;
    f.kind = kind;
    f.module = module;
    return f;
}
inline sim::Fault parameterFault(sim::FaultKind kind, std::uint16_t identifier,
                                 unsigned amount = 0) {
    sim::Fault f;
    f.kind = kind;
    f.identifier = identifier;
    f.amount = amount;
    return f;
}

// Lines as this system writes a text file: "\r\n" line ends on Windows, "\n" elsewhere.
inline std::string textLines(std::initializer_list<std::string> lines) {
#ifdef _WIN32
    const char* end = "\r\n";
#else
    const char* end = "\n";
#endif
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    return text;
}

// A fresh directory under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("tvx-session-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

// The simulator's port with the indices it was asked to open, and indices that fail.
class RecordingPort final : public link::SerialPort {
public:
    explicit RecordingPort(link::SerialPort& inner) : inner_(inner) {}
    bool openIndex(int index) override {
        opened.push_back(index);
        if (failing.count(index) != 0) {
            lastError_ = failure;
            return false;
        }
        lastError_ = {};
        return inner_.openIndex(index);
    }
    bool openDevice(const std::string& device) override { return inner_.openDevice(device); }
    bool isOpen() const override { return inner_.isOpen(); }
    bool close() override { return inner_.close(); }
    void purge() override {
        stale.clear();
        inner_.purge();
    }
    bool writeByte(std::uint8_t byte) override { return inner_.writeByte(byte); }
    link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override {
        if (!stale.empty()) {
            byte = stale.front();
            stale.erase(stale.begin());
            return link::ReadStatus::Byte;
        }
        return inner_.readByte(byte, timeoutMs);
    }
    std::string deviceName() const override { return inner_.deviceName(); }
    link::OpenError lastOpenError() const override { return lastError_; }

    std::vector<int> opened;
    std::set<int> failing;
    // Bytes that have arrived and wait to be read (a late answer to an earlier request).
    std::vector<std::uint8_t> stale;
    link::OpenError failure{link::OpenFailure::Busy, "in use"};  // why a failing index fails

private:
    link::SerialPort& inner_;
    link::OpenError lastError_;
};

// The parameter identifiers of the reads among request frames, in order.
inline std::vector<std::uint16_t> parameterReads(
    const std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<std::uint16_t> ids;
    for (const auto& frame : frames) {
        if (frame.size() == 3 && (frame[0] == 22 || frame[0] == 32 || frame[0] == 12)) {
            ids.push_back(static_cast<std::uint16_t>(frame[1] << 8 | frame[2]));
        }
    }
    return ids;
}

// A session wired to the in-memory simulator on virtual time, with its own data directory.
struct Bench {
    explicit Bench(const std::string& vehicle = "petrol-car")
        : Bench(sim::vehicleScenario(vehicle)) {}
    explicit Bench(sim::Scenario scenario)
        : box(std::move(scenario)),
          simPort(box, clock),
          port(simPort),
          link(port, clock),
          requests(link),
          journal(dir.path()),
          session(link, requests, clock, view, dir.path()) {
        session.setProgrammingGuard(&journal);  // as the programs hand it where no record is kept
    }

    // Steps until the session waits for the operator; fails the test on a runaway.
    void settle(int maxSteps = 200) {
        for (int i = 0; i < maxSteps; ++i) {
            if (session.isWaiting()) {
                return;
            }
            session.step();
        }
        ADD_FAILURE() << "session did not settle, state " << session.state();
    }
    void steps(int count) {
        for (int i = 0; i < count; ++i) {
            session.step();
        }
    }

    // Start with stored settings (COM1, the language) up to the vehicle lists.
    void startToVehicleLists(char language = '1') {
        dir.write("tarvol.txt", std::string("1\n") + language + "\n");
        settle();
        session.ok();  // 5 -> 6
        settle();
    }
    // ... and on to the module menu with the given vehicle.
    void startToModuleMenu(bool diesel, int model, char language = '1') {
        startToVehicleLists(language);
        if (diesel) {
            session.selectDiesel(model);
        } else {
            session.selectPetrol(model);
        }
        session.ok();  // 7 -> 13
        settle();
        session.ok();  // 12 -> 8
        settle();
    }
    // Request frames the box received since `from`.
    std::vector<std::vector<std::uint8_t>> requestsSince(std::size_t from) const {
        const auto& all = box.requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }

    TempDir dir;
    link::VirtualClock clock;
    sim::Box box;
    sim::InMemoryPort simPort;
    RecordingPort port;
    link::Link link;
    link::Requests requests;
    RecordingView view;
    CodeJournal journal;
    Session session;
};

}  // namespace tvx::session::testing
