// A whole day at the tester against a box whose answers the fuzzer spoils: start-up and
// settings, the vehicle, connecting (presence test, module probe, VIN), every module with
// its live data, trouble codes read and cleared, the injector codes read and one of them
// programmed, with operator commands thrown in at random moments. Virtual time.
//
// Rules checked while it runs:
// - every display line has 24 characters (the module lines 25, see checks.h);
// - a demonstration sends nothing;
// - an injector code is written only when it is 16 hexadecimal digits, and what is written
//   is the code the operator sees on the selected injector's line (or, after a run failed
//   part-way, a half of the code the unit held before);
// - "PROGRAMMING FINISHED" only after the unit accepted both halves of the code (request
//   download, transfer data and transfer exit answered positively, twice).
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "checks.h"
#include "datadir/code_journal.h"
#include "fuzz_input.h"
#include "fuzz_port.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/screens.h"
#include "session/session.h"
#include "sim/box.h"
#include "tester_bench.h"

namespace tvx::fuzz {
namespace {

using session::Module;
using session::ScreenId;

constexpr std::uint8_t kKwp = 21;
constexpr std::uint8_t kRequestDownload = 0x34;
constexpr std::uint8_t kTransferData = 0x36;
constexpr std::uint8_t kTransferExit = 0x37;

bool isFirstLineOf(ScreenId id, const std::string& text) {
    for (char language : {'1', '2'}) {
        const char* first = session::screenLines(session::screen(id), language)[0];
        if (first != nullptr && text == first) {
            return true;
        }
    }
    return false;
}

std::array<std::uint8_t, 8> codeBytes(const std::string& code) {
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(std::stoul(code.substr(2 * i, 2), nullptr, 16));
    }
    return bytes;
}

// The service of a request framed by 21 (KWP), if it is one.
std::optional<std::uint8_t> kwpService(const WireExchange& exchange) {
    if (exchange.sent.size() >= 3 && exchange.sent[0] == kKwp) {
        return exchange.sent[2];
    }
    return std::nullopt;
}

// The reply the tester read was whole and positive: echo, count, every data byte, and the
// service's positive answer at data index 4.
bool acceptedByTheUnit(const WireExchange& exchange) {
    const auto service = kwpService(exchange);
    const auto& got = exchange.received;
    if (!service || got.size() < 2 || got[0] != kKwp) {
        return false;
    }
    const std::size_t count = got[1];
    return count >= 4 && got.size() >= 2 + count && got[5] == *service + 0x40;
}

class Day {
public:
    Day(FuzzInput& input, sim::Scenario scenario)
        : m_input(input),
          m_box(std::move(scenario)),
          m_port(m_box, m_clock, m_input),
          m_link(m_port, m_clock),
          m_requests(m_link),
          m_session(m_link, m_requests, m_clock, m_view, fuzzDataDirectory()) {
        m_port.onRequest = [this](const std::vector<std::uint8_t>& request) { sent(request); };
        m_session.addListener(m_unitCodes);
        m_session.setProgrammingGuard(&m_journal);
        m_view.onLine = [this](int line, const std::string& text) { shown(line, text); };
    }

    void run() {
        settle();
        m_session.selectCom(0);
        m_session.selectLanguage(static_cast<int>(m_input.below(2)));
        press([this] { m_session.ok(); });  // settings confirmed, or the start panel
        chooseVehicle();
        press([this] { m_session.ok(); });  // vehicle chosen: plug the box in
        press([this] { m_session.ok(); });  // connect
        for (Module module :
             {Module::Pcm, Module::Tcm, Module::Abs, Module::AirBag, Module::Cluster}) {
            press([&] { m_session.selectModule(module); });
            if (module == Module::Pcm || module == Module::Cluster) {
                m_session.live();
                steps(1 + m_input.below(3));
            }
            press([this] { m_session.readDtc(); });
            press([this] { m_session.clearDtc(); });
        }
        press([this] { m_session.selectModule(Module::Icu); });
        press([this] { m_session.readInjectors(); });
        press([this] { m_session.programInjectors(); });
        press([this] { m_session.ok(); });  // ignition off
        press([this] { m_session.ok(); });  // ignition on
        const int injector = 1 + static_cast<int>(m_input.below(4));
        m_session.injectorPanelClick(injector);
        type(injector);
        press([this] { m_session.ok(); });  // entry screen
        press([this] { m_session.ok(); });  // are you sure: write
        press([this] { m_session.ok(); });  // ignition off
        press([this] { m_session.ok(); });  // ignition on
        press([this] { m_session.ok(); });  // finished: back to the modules
        press([this] { m_session.back(); });
    }

private:
    // The session's ticks until it waits for the operator; a live page never waits, so the
    // count is bounded (a countdown takes 32 ticks).
    void settle() {
        for (int tick = 0; tick < 40 && !m_session.isWaiting(); ++tick) {
            m_session.step();
        }
    }
    void steps(unsigned count) {
        for (unsigned tick = 0; tick < count; ++tick) {
            m_session.step();
        }
    }
    template <typename Command>
    void press(Command command) {
        anything();
        command();
        settle();
    }

    void chooseVehicle() {
        const std::uint8_t pick = m_input.byte();
        if ((pick & 0x80) == 0) {
            // Mostly the diesels with an injector unit.
            m_session.selectDiesel((pick & 0x40) == 0 ? 4 + pick % 4 : pick % 8);
        } else {
            m_session.selectPetrol(pick % 11);
        }
    }

    // What the operator types for an injector: nothing (the code read), a well-formed
    // code, or any text at all.
    void type(int injector) {
        switch (m_input.below(3)) {
            case 1: {
                static constexpr char kHex[] = "0123456789ABCDEFabcdef";
                std::string code(16, '0');
                for (char& c : code) {
                    c = kHex[m_input.below(22)];
                }
                m_session.injectorOk(injector, code);
                break;
            }
            case 2:
                m_session.injectorOk(injector, m_input.text(24));
                break;
            default:
                break;
        }
    }

    // Now and then the operator does something unplanned.
    void anything() {
        const std::uint8_t choice = m_input.byte();
        if (choice < 0xE0) {
            return;
        }
        const int arg = static_cast<int>(m_input.byte()) - 2;
        switch (choice & 0x1F) {
            case 0:
                m_session.ok();
                break;
            case 1:
                m_session.back();
                break;
            case 2:
                m_session.demo();
                break;
            case 3:
                m_session.setting();
                break;
            case 4:
                m_session.selectCom(arg % 10);
                break;
            case 5:
                m_session.selectLanguage(arg % 3);
                break;
            case 6:
                m_session.selectPetrol(arg % 13);
                break;
            case 7:
                m_session.selectDiesel(arg % 10);
                break;
            case 8:
                m_session.live();
                break;
            case 9:
                m_session.readDtc();
                break;
            case 10:
                m_session.clearDtc();
                break;
            case 11:
                m_session.readInjectors();
                break;
            case 12:
                m_session.programInjectors();
                break;
            case 13:
                m_session.selectModule(static_cast<Module>((arg + 2) % 6));
                break;
            case 14:
                m_session.injectorPanelClick(arg % 6);
                break;
            case 15:
                m_session.injectorOk(arg % 6, m_input.text(20));
                break;
            default:
                steps(1 + m_input.below(8));
                break;
        }
    }

    // Every request as it leaves the tester.
    void sent(const std::vector<std::uint8_t>& request) {
        require(!m_link.DemoMode, "a demonstration sends nothing");
        const bool transferData = request.size() == 9 && request[0] == kKwp && request[1] == 7 &&
                                  request[2] == kTransferData;
        if (!transferData) {
            return;
        }
        const int injector = m_session.SelectedInjector;
        const std::string shown = m_view.gauge("edis" + std::to_string(injector));
        require(isInjectorCode(shown), "only a 16-digit code is written",
                "injector " + std::to_string(injector) + " shows \"" + shown + "\"");
        const auto bytes = codeBytes(shown);
        const std::array<std::uint8_t, 4> data{request[3], request[4], request[5], request[6]};
        const bool firstHalf = std::equal(data.begin(), data.end(), bytes.begin());
        const bool secondHalf = std::equal(data.begin(), data.end(), bytes.begin() + 4);
        // After a run failed part-way, each half it may have changed gets the bytes the unit
        // held before.
        const std::string& before = m_unitCodes.codes[static_cast<std::size_t>(injector)];
        bool oldHalf = false;
        if (!m_writes.empty() && isInjectorCode(before)) {
            const auto old = codeBytes(before);
            oldHalf = std::equal(data.begin(), data.end(), old.begin()) ||
                      std::equal(data.begin(), data.end(), old.begin() + 4);
        }
        require(firstHalf || secondHalf || oldHalf,
                "what is written is the code shown, or a half of the old code put back",
                "injector " + std::to_string(injector) + " shows " + shown + ", held " + before);
        if (oldHalf && !firstHalf && !secondHalf) {
            return;  // not a half of the new code
        }
        m_writes.push_back({m_port.exchanges().size() - 1, bytes});
    }

    void shown(int line, const std::string& text) {
        if (m_trace) {  // replaying a finding: TVX_FUZZ_TRACE=1 shows the day
            std::fprintf(stderr, "d%d %s\n", line, text.c_str());
        }
        if (line != 1) {
            return;
        }
        if (isFirstLineOf(ScreenId::AreYouSure, text)) {
            m_attemptStart = m_port.exchanges().size();
        } else if (isFirstLineOf(ScreenId::ProgrammingFinished, text) && !m_link.DemoMode) {
            require(bothHalvesAccepted(),
                    "PROGRAMMING FINISHED only after both halves were accepted");
        }
    }

    // Since the last "are you sure": request download, transfer data and transfer exit all
    // accepted, once with the code's first four bytes and then with its last four.
    bool bothHalvesAccepted() const {
        const auto& exchanges = m_port.exchanges();
        int half = 0;
        for (std::size_t i = m_attemptStart; i + 2 < exchanges.size() && half < 2; ++i) {
            if (kwpService(exchanges[i]) != kRequestDownload ||
                kwpService(exchanges[i + 1]) != kTransferData ||
                kwpService(exchanges[i + 2]) != kTransferExit) {
                continue;
            }
            if (!acceptedByTheUnit(exchanges[i]) || !acceptedByTheUnit(exchanges[i + 1]) ||
                !acceptedByTheUnit(exchanges[i + 2])) {
                continue;
            }
            for (const Write& write : m_writes) {
                const auto& data = exchanges[i + 1].sent;
                if (write.exchange == i + 1 &&
                    std::equal(data.begin() + 3, data.begin() + 7, write.code.begin() + 4 * half)) {
                    ++half;
                    break;
                }
            }
        }
        return half == 2;
    }

    struct Write {
        std::size_t exchange;
        std::array<std::uint8_t, 8> code;
    };

    // The codes as the unit last reported them: what a failed run puts back.
    struct UnitCodes final : session::SessionEvents {
        session::InjectorCodes codes = session::blankInjectorCodes();
        void injectorCodesRead(const session::InjectorRead& read) override {
            if (read.ok && !read.demo) {
                codes = read.codes;
            }
        }
    };

    FuzzInput& m_input;
    link::VirtualClock m_clock;
    sim::Box m_box;
    FuzzPort m_port;
    link::Link m_link;
    link::Requests m_requests;
    CheckingView m_view;
    UnitCodes m_unitCodes;  // outlives the session that tells it
    session::CodeJournal m_journal{fuzzDataDirectory()};
    session::Session m_session;
    const bool m_trace = std::getenv("TVX_FUZZ_TRACE") != nullptr;
    std::size_t m_attemptStart = 0;
    std::vector<Write> m_writes;
};

}  // namespace
}  // namespace tvx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx::fuzz;
    FuzzInput input(data, size);
    switch (input.below(4)) {
        case 0: {
            const std::string stored = "1\n1\n";
            putSettingsFile(&stored);
            break;
        }
        case 1:
            putSettingsFile(nullptr);
            break;
        case 2: {
            const std::string stored = "2\n2\n";
            putSettingsFile(&stored);
            break;
        }
        default: {
            const std::string stored = input.text(8);
            putSettingsFile(&stored);
            break;
        }
    }
    Day day(input, tvx::sim::vehicleScenario(input.below(2) == 0 ? "diesel-van" : "petrol-car"));
    day.run();
    return 0;
}
