// The injector code entry: after a read of the unit, the operator selects an injector,
// types texts into the edit boxes (any bytes, any length, into any box) and confirms.
// Rules: the selected injector is programmed exactly when the text it holds is 16
// hexadecimal digits, and then with exactly that code and "PROGRAMMING FINISHED";
// otherwise nothing at all is sent, every injector keeps its code and a red screen names
// the injector. The other injectors never change.
#include <array>
#include <cstdint>
#include <string>

#include "checks.h"
#include "datadir/code_journal.h"
#include "fuzz_input.h"
#include "link/clock.h"
#include "link/injector_codes.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/screens.h"
#include "session/session.h"
#include "session/session_view.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "tester_bench.h"

namespace {

using tvx::fuzz::require;
using tvx::session::Module;

struct Bench {
    tvx::link::VirtualClock clock;
    tvx::sim::Box box{tvx::sim::vehicleScenario("diesel-van")};
    tvx::sim::InMemoryPort port{box, clock};
    tvx::link::Link link{port, clock};
    tvx::link::Requests requests{link};
    tvx::fuzz::CheckingView view;
    tvx::session::CodeJournal journal{tvx::fuzz::fuzzDataDirectory()};
    tvx::session::Session session{link, requests, clock, view, tvx::fuzz::fuzzDataDirectory()};
    Bench() { session.setProgrammingGuard(&journal); }

    void settle() {
        for (int tick = 0; tick < 40 && !session.isWaiting(); ++tick) {
            session.step();
        }
    }
    void press(void (tvx::session::Session::*command)()) {
        (session.*command)();
        settle();
    }
};

std::array<std::uint8_t, 8> bytesOf(const std::string& code) {
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(std::stoul(code.substr(2 * i, 2), nullptr, 16));
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tvx::session::Session;
    static const std::string kStoredSettings = "1\n1\n";
    tvx::fuzz::putSettingsFile(&kStoredSettings);
    tvx::fuzz::FuzzInput input(data, size);
    Bench bench;
    bench.settle();
    bench.press(&Session::ok);      // start panel
    bench.session.selectDiesel(4);  // FOCUS 1.8 TDCI
    bench.press(&Session::ok);      // vehicle chosen
    bench.press(&Session::ok);      // connected: the module menu
    bench.session.selectModule(Module::Icu);
    bench.press(&Session::readInjectors);
    bench.press(&Session::programInjectors);
    bench.press(&Session::ok);  // ignition off
    bench.press(&Session::ok);  // ignition on: the entry screen
    require(bench.view.gauge("edis1").size() == 16, "the entry screen follows a read");

    std::array<std::string, 5> held;
    std::array<std::array<std::uint8_t, 8>, 5> before{};
    for (int n = 1; n <= 4; ++n) {
        held[n] = bench.view.gauge("edis" + std::to_string(n));
        before[n] = bench.box.injectorCode(n);
    }
    const int selected = 1 + static_cast<int>(input.below(4));
    bench.session.injectorPanelClick(selected);
    for (unsigned typed = 1 + input.below(3); typed > 0; --typed) {
        const int box = 1 + static_cast<int>(input.below(4));
        held[box] = input.text(40);
        bench.session.injectorOk(box, held[box]);
    }
    bench.press(&Session::ok);  // "are you sure"
    const std::size_t sentBefore = bench.box.requests().size();
    bench.press(&Session::ok);  // write, or refuse
    const bool nothingSent = bench.box.requests().size() == sentBefore;
    const bool valid = tvx::fuzz::isInjectorCode(held[selected]);
    if (valid) {
        bench.press(&Session::ok);  // ignition off
        bench.press(&Session::ok);  // ignition on
        const auto& finished = tvx::session::screenLines(
            tvx::session::screen(tvx::session::ScreenId::ProgrammingFinished), '1');
        require(bench.view.lines[0] == finished[0], "a well-formed code is programmed to the end",
                bench.view.screen());
    } else {
        require(nothingSent, "a refused code sends nothing");
        require(bench.view.colour == tvx::session::kRed, "a refusal is shown in red");
        const char label = static_cast<char>('0' + tvx::session::injectorLabelNumber(selected));
        require(bench.view.lines[0].find(label) != std::string::npos,
                "a refusal names the injector", bench.view.screen());
    }
    for (int n = 1; n <= 4; ++n) {
        const auto expected = n == selected && valid ? bytesOf(held[n]) : before[n];
        require(bench.box.injectorCode(n) == expected,
                "only the selected injector changes, and only to a well-formed code",
                "injector " + std::to_string(n) + " held \"" + held[n] + "\"");
    }
    return 0;
}
