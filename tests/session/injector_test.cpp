#include <gtest/gtest.h>

#include "link/injector_codes.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;

class Injectors : public ::testing::Test {
protected:
    explicit Injectors(char language = '1') : language_(language) {}
    void SetUp() override {
        bench.startToModuleMenu(true, 5, language_);
        ASSERT_EQ(bench.session.state(), State::ModuleMenu);
        ASSERT_TRUE(bench.view.enabled("ICU"));
        bench.session.selectModule(Module::Icu);
    }
    void readCodes() {
        bench.session.readInjectors();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::OfferProgramming);
    }
    // From Prog Injector up to the entry screen.
    void toEntryScreen() {
        bench.session.programInjectors();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::IgnitionOffWait);
        bench.session.ok();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::IgnitionOnWait);
        bench.session.ok();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::EntryWait);
    }
    // Entry screen through "are you sure" to the programming step.
    void confirm() {
        bench.session.ok();
        bench.settle();
        ASSERT_EQ(bench.session.state(), State::AreYouSureWait);
        bench.session.ok();
        ASSERT_EQ(bench.session.state(), State::Program);
    }

    char language_;
    Bench bench{"diesel-van"};
};

TEST_F(Injectors, ReadShowsTheFourCodesOfTheUnit) {
    readCodes();
    for (int n = 1; n <= 4; ++n) {
        const std::string expected = injectorCodeText(bench.box.injectorCode(n));
        EXPECT_EQ(bench.session.InjectorCode[n], expected) << n;
        EXPECT_EQ(bench.view.gauge("edis" + std::to_string(n)), expected) << n;
    }
    EXPECT_EQ(bench.session.InjectorCode[1], "123456789ABCDEF0");
    EXPECT_TRUE(bench.view.panel("Frame91"));
    EXPECT_EQ(bench.view.colourOf("Panel3"), kRed);
    EXPECT_FALSE(bench.view.visible("E1", true));
    EXPECT_FALSE(bench.view.enabled("OK", true));
    EXPECT_TRUE(bench.session.isWaiting());  // prog_inj is offered next
    EXPECT_TRUE(bench.view.enabled("prog_inj"));
}

TEST_F(Injectors, ReadingGoesDownFromTheAddressTheUnitReports) {
    const std::size_t before = bench.box.requests().size();
    readCodes();
    const auto sent = bench.requestsSince(before);
    std::vector<std::vector<std::uint8_t>> reads;
    for (const auto& frame : sent) {
        if (frame.size() == 6 && frame[0] == 21 && frame[2] == 35) {
            reads.push_back(frame);
        }
    }
    ASSERT_EQ(reads.size(), 8u);
    const std::uint32_t end = bench.box.scenario().injectorEndAddress;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const std::uint32_t address = end - 4 * static_cast<std::uint32_t>(i + 1);
        EXPECT_EQ(reads[i][3], (address >> 16) & 0xFF);
        EXPECT_EQ(reads[i][4], (address >> 8) & 0xFF);
        EXPECT_EQ(reads[i][5], address & 0xFF);
    }
    EXPECT_EQ(sent.front(), (std::vector<std::uint8_t>{21, 1, 16}));
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{21, 1, 16}));
}

TEST_F(Injectors, AFailedReadKeepsNoCodeAndOffersNoProgramming) {
    sim::Fault fault = testing::fault(sim::FaultKind::CutShort, sim::kIcu);
    fault.amount = 2;
    fault.count = 1;
    bench.box.addFault(fault);
    bench.session.readInjectors();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_EQ(bench.view.lines[0], "  INJECTOR READ FAILED  ");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_EQ(bench.session.InjectorCode[1], "----------------");
    EXPECT_FALSE(bench.view.enabled("prog_inj", true));
}

TEST_F(Injectors, CountdownShowsThirtyDownToZeroOneSecondEach) {
    readCodes();
    bench.session.programInjectors();
    bench.settle();
    bench.session.ok();
    bench.view.clearLogs();
    const auto start = bench.clock.nowMs();
    int ticks = 0;
    while (bench.session.state() == State::PleaseWaitOff) {
        bench.session.step();
        ++ticks;
    }
    EXPECT_EQ(ticks, 32);
    EXPECT_EQ(bench.clock.nowMs() - start, 32000u);
    std::vector<std::string> shown;
    for (const auto& [line, text] : bench.view.lineLog) {
        if (line == 4) {
            shown.push_back(text);
        }
    }
    ASSERT_EQ(shown.size(), 32u);
    EXPECT_EQ(shown.front(), "         00:30          ");
    EXPECT_EQ(shown[21], "         00:09          ");
    EXPECT_EQ(shown[30], "         00:00          ");
    EXPECT_EQ(shown[31], "         00:00          ");
    EXPECT_EQ(bench.view.lines[0], "      PLEASE WAIT       ");
    EXPECT_FALSE(bench.view.enabled("OK", true));
    EXPECT_EQ(bench.session.state(), State::IgnitionOn);
}

TEST_F(Injectors, ProgrammingChangesOnlyTheSelectedInjectorInTheUnit) {
    readCodes();
    const auto injector1 = bench.box.injectorCode(1);
    const auto injector3 = bench.box.injectorCode(3);
    toEntryScreen();
    EXPECT_EQ(bench.view.colourOf("Panel1"), kPanelGreen);
    EXPECT_EQ(bench.view.editText["e2"], injectorCodeText(bench.box.injectorCode(2)));
    bench.session.injectorPanelClick(2);
    EXPECT_EQ(bench.view.colourOf("Panel2"), kPanelGreen);
    EXPECT_EQ(bench.view.colourOf("Panel1"), kRed);
    bench.session.injectorOk(2, "0011223344556677");
    confirm();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::IgnitionOffAfterWait);  // ignition off again
    EXPECT_EQ(bench.box.injectorCode(2),
              (std::array<std::uint8_t, 8>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
    EXPECT_EQ(bench.box.injectorCode(1), injector1);
    EXPECT_EQ(bench.box.injectorCode(3), injector3);
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
    EXPECT_EQ(bench.view.lines[0], "  PROGRAMMING FINISHED  ");
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_EQ(bench.session.InjectorCode[2], "----------------");

    // Read back: the unit now reports the new code.
    bench.session.selectModule(Module::Icu);
    readCodes();
    EXPECT_EQ(bench.session.InjectorCode[2], "0011223344556677");
}

TEST_F(Injectors, DemoModeShowsInventedCodesAndTheWholeSequenceWithNothingSent) {
    bench.session.demo();
    bench.settle();
    bench.session.selectModule(Module::Icu);
    const std::size_t before = bench.box.requests().size();
    readCodes();
    EXPECT_EQ(bench.session.InjectorCode[1].size(), 16u);
    EXPECT_EQ(checkInjectorCode(bench.session.InjectorCode[1]).problem, CodeProblem::None);
    toEntryScreen();
    confirm();
    bench.settle();
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.view.lines[0], "  PROGRAMMING FINISHED  ");
    EXPECT_EQ(bench.box.requests().size(), before);
}

TEST_F(Injectors, ALowerCaseCodeIsProgrammedWithItsUpperCaseValue) {
    readCodes();
    toEntryScreen();
    bench.session.injectorPanelClick(4);
    bench.session.injectorOk(4, "a1b2c3d4e5f60718");
    confirm();
    bench.settle();
    EXPECT_EQ(bench.box.injectorCode(4),
              (std::array<std::uint8_t, 8>{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}));
}

struct BadCode {
    const char* typed;  // nullptr: the codes were never read
    const char* englishLine1;
    const char* englishLine2;
    const char* turkishLine1;
    const char* turkishLine2;
};

class RefusedCode : public ::testing::TestWithParam<std::tuple<BadCode, char>> {};

TEST_P(RefusedCode, StopsBeforeAnythingIsSentAndNamesTheInjector) {
    const auto& [code, language] = GetParam();
    Bench bench("diesel-van");
    bench.startToModuleMenu(true, 7, language);
    bench.session.selectModule(Module::Icu);
    if (code.typed != nullptr) {
        bench.session.readInjectors();
        bench.settle();
    }
    bench.session.programInjectors();
    bench.settle();
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::EntryWait);
    bench.session.injectorPanelClick(2);  // labelled "Injector 3"
    if (code.typed != nullptr) {
        bench.session.injectorOk(2, code.typed);
    }
    const auto before = bench.box.injectorCode(2);
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    const std::size_t sent = bench.box.requests().size();
    bench.settle();
    EXPECT_EQ(bench.box.requests().size(), sent);
    EXPECT_EQ(bench.box.injectorCode(2), before);
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
    EXPECT_EQ(bench.view.colour, kRed);
    if (language == '1') {
        EXPECT_EQ(bench.view.lines[0], code.englishLine1);
        EXPECT_EQ(bench.view.lines[1], code.englishLine2);
    } else {
        EXPECT_EQ(bench.view.lines[0], code.turkishLine1);
        EXPECT_EQ(bench.view.lines[1], code.turkishLine2);
    }
    EXPECT_TRUE(bench.view.enabled("OK"));
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RefusedCode,
    ::testing::Combine(
        ::testing::Values(
            BadCode{nullptr, "  INJECTOR 3 CODE WAS   ", "  NOT READ: READ THE    ",
                    "  ENJEKTOR 3 KODU       ", "  OKUNMADI: ONCE        "},
            BadCode{"12345", "  INJECTOR 3 CODE IS    ", "  TOO SHORT: IT NEEDS   ",
                    "  ENJEKTOR 3 KODU       ", "  EKSiK: 16 HANE        "},
            BadCode{"0123456789ABCDEZ", "  INJECTOR 3 CODE HAS   ", "  A WRONG CHARACTER:    ",
                    "  ENJEKTOR 3 KODUNDA    ", "  HATALI KARAKTER VAR:  "},
            BadCode{"01234567-9ABCDEF", "  INJECTOR 3 CODE HAS   ", "  A WRONG CHARACTER:    ",
                    "  ENJEKTOR 3 KODUNDA    ", "  HATALI KARAKTER VAR:  "},
            // Longer than 16: refused like a short one, never cut to fit.
            BadCode{"0123456789ABCDEF0", "  INJECTOR 3 CODE IS    ", "  TOO LONG: IT NEEDS    ",
                    "  ENJEKTOR 3 KODU       ", "  FAZLA: 16 HANE        "},
            BadCode{"0123456789ABCDEF0123", "  INJECTOR 3 CODE IS    ", "  TOO LONG: IT NEEDS    ",
                    "  ENJEKTOR 3 KODU       ", "  FAZLA: 16 HANE        "}),
        ::testing::Values('1', '2')));

TEST_F(Injectors, ATypedCodeIsNotWrittenWithoutAReadOfTheUnit) {
    // The unit's block addresses come from the read; typing alone must not program.
    bench.session.programInjectors();
    bench.settle();
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.state(), State::EntryWait);
    bench.session.injectorOk(1, "0123456789ABCDEF");
    const auto before = bench.box.injectorCode(1);
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    const std::size_t sent = bench.box.requests().size();
    bench.settle();
    EXPECT_EQ(bench.box.requests().size(), sent);
    EXPECT_EQ(bench.box.injectorCode(1), before);
    EXPECT_EQ(bench.view.lines[0], "  INJECTOR 1 CODE WAS   ");
}

class FailedProgramming : public Injectors, public ::testing::WithParamInterface<sim::FaultKind> {};

TEST_P(FailedProgramming, EndsWithARedFailureScreenNotFinished) {
    readCodes();
    toEntryScreen();
    const auto before = bench.box.injectorCode(1);
    bench.session.injectorOk(1, "FFFFFFFFFFFFFFFF");
    bench.session.ok();
    bench.settle();
    bench.session.ok();
    sim::Fault fault = testing::fault(GetParam(), sim::kIcu);
    fault.count = 1;
    bench.box.addFault(fault);
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::FinishedWait);
    EXPECT_EQ(bench.view.lines[0], "  PROGRAMMING FAILED    ");
    EXPECT_EQ(bench.view.lines[1], "  ON INJECTOR 1         ");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_EQ(bench.box.injectorCode(1), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedProgramming,
                         ::testing::Values(sim::FaultKind::WrongEcho, sim::FaultKind::CountZero,
                                           sim::FaultKind::SilentModule, sim::FaultKind::CutShort));

TEST_F(Injectors, PanelClicksOutsideTheEntryScreenChangeNothing) {
    readCodes();
    bench.view.panelColour.clear();
    bench.session.injectorPanelClick(3);
    EXPECT_TRUE(bench.view.panelColour.empty());
    EXPECT_EQ(bench.session.SelectedInjector, 1);
}

TEST_F(Injectors, SelectingPanelThreeThenOneLeavesOnlyEditBoxOne) {
    readCodes();
    toEntryScreen();
    bench.session.injectorPanelClick(3);
    bench.session.injectorPanelClick(1);
    EXPECT_TRUE(bench.view.visible("E1"));
    EXPECT_TRUE(bench.view.visible("OK1"));
    for (const char* hidden : {"e2", "e3", "e4", "ok2", "ok3", "ok4"}) {
        EXPECT_FALSE(bench.view.visible(hidden, true)) << hidden;
    }
    EXPECT_EQ(bench.view.colourOf("Panel1"), kPanelGreen);
    EXPECT_EQ(bench.view.colourOf("Panel3"), kRed);
    EXPECT_EQ(bench.session.SelectedInjector, 1);
}

TEST_F(Injectors, TypedTextIsShownAndKeptWhole) {
    bench.session.injectorOk(3, "0123456789ABCDEF0123");
    EXPECT_EQ(bench.view.gauge("edis3"), "0123456789ABCDEF0123");
    EXPECT_EQ(bench.session.InjectorCode[3], "0123456789ABCDEF0123");
}

TEST_F(Injectors, BackDuringTheSequenceReturnsToTheModuleMenu) {
    readCodes();
    toEntryScreen();
    bench.session.back();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::ModuleMenu);
    EXPECT_EQ(bench.view.lines[0], "     SELECT THE ECU     ");
}

}  // namespace
}  // namespace tvx::session
