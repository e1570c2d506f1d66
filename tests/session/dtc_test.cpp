#include <gtest/gtest.h>

#include <algorithm>

#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;

const char* kEnglishCatalogue =
    "Generic powertrain codes\n"
    "P0171;System too lean (bank 1)\n"
    "P0300;Random/multiple cylinder misfire detected\n"
    "P0300;a second line that is never shown\n"
    "C0210 Right rear wheel speed sensor\n"
    "P0100;Mass or volume air flow circuit\n"
    "P0200;Injector circuit\n";
const char* kTurkishCatalogue =
    "P0171;Sistem cok fakir (sira 1)\n"
    "P0300;Rastgele/coklu silindir teklemesi\n";

bool logged(const RecordingView& view, int line, const std::string& text) {
    return std::any_of(view.lineLog.begin(), view.lineLog.end(),
                       [&](const auto& entry) { return entry == std::make_pair(line, text); });
}

class TroubleCodes : public ::testing::Test {
protected:
    void menu(char language = '1', const char* vehicle = "petrol-car") {
        bench_ = std::make_unique<Bench>(vehicle);
        bench_->startToModuleMenu(false, 0, language);
        ASSERT_EQ(bench_->session.state(), State::ModuleMenu);
    }
    void read(Module module) {
        bench_->session.selectModule(module);
        bench_->session.readDtc();
        bench_->settle();
    }
    Bench& bench() { return *bench_; }
    std::unique_ptr<Bench> bench_;
};

TEST_F(TroubleCodes, ThreeCodesAreListedWithTheirDescriptions) {
    menu();
    bench().dir.write("DTC5820EN.txt", kEnglishCatalogue);
    bench().session.selectModule(Module::Pcm);
    const std::string moduleScreen = bench().view.screen();
    bench().session.readDtc();
    EXPECT_EQ(bench().session.state(), State::ReadDtcPcm);
    EXPECT_EQ(bench().view.lines[0], "      READING DTCS      ");
    EXPECT_EQ(bench().view.colour, kYellow);
    // Another click while the codes are read or listed changes nothing.
    bench().session.readDtc();
    bench().session.clearDtc();
    bench().session.live();
    EXPECT_EQ(bench().session.state(), State::ReadDtcPcm);
    const auto start = bench().clock.nowMs();
    bench().session.step();
    EXPECT_GE(bench().clock.nowMs() - start, 3000u);
    EXPECT_EQ(bench().session.state(), State::ListDtc);
    EXPECT_EQ(bench().session.DtcCount, 3);
    bench().session.readDtc();
    EXPECT_EQ(bench().session.state(), State::ListDtc);
    bench().settle();
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_TRUE(bench().view.panel("Frame111"));
    EXPECT_EQ(bench().view.gridRows[1], "P0171 System too lean (bank 1)");
    EXPECT_EQ(bench().view.gridRows[2], "P0300 Random/multiple cylinder misfire detected");
    EXPECT_EQ(bench().view.gridRows[3], "P0420 UNDEFINED DTC           ");
    EXPECT_EQ(bench().view.gridRows[4], "");
    EXPECT_EQ(bench().view.screen(), moduleScreen);
    EXPECT_EQ(bench().view.colour, kGreen);
}

TEST_F(TroubleCodes, NoStoredCodesSayDtcNotFoundAndRestoreTheScreen) {
    menu('2');
    bench().dir.write("DTC5820TR.txt", kTurkishCatalogue);
    bench().session.selectModule(Module::AirBag);
    const std::string moduleScreen = bench().view.screen();
    bench().session.readDtc();
    bench().settle();
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_EQ(bench().session.DtcCount, 0);
    EXPECT_TRUE(logged(bench().view, 1, " ARACINIZDA KAYITLI BiR "));
    EXPECT_TRUE(logged(bench().view, 2, " ARIZA KODU BULUNAMADI  "));
    EXPECT_EQ(bench().view.screen(), moduleScreen);
    EXPECT_FALSE(bench().view.panel("Frame111", true));
}

TEST_F(TroubleCodes, AMissingCatalogueAsksForItInRed) {
    menu();
    read(Module::Pcm);
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_EQ(bench().view.lines[0], "PLEASE COPY DTC5820E.TXT");
    EXPECT_EQ(bench().view.lines[1], "UNDER THE SAME DIRECTORY");
    EXPECT_EQ(bench().view.colour, kRed);
    for (int row = 1; row <= 6; ++row) {
        EXPECT_EQ(bench().view.gridRows[row], "") << row;
    }
}

TEST_F(TroubleCodes, OnlyTheCatalogueOfTheCurrentLanguageIsRead) {
    menu('2');
    bench().dir.write("DTC5820EN.txt", kEnglishCatalogue);
    read(Module::Pcm);
    EXPECT_EQ(bench().view.lines[0], " DTC5820.TXT DOSYASINI  ");
    EXPECT_EQ(bench().view.gridRows[1], "");

    bench().dir.write("DTC5820TR.txt", kTurkishCatalogue);
    read(Module::Pcm);
    EXPECT_EQ(bench().view.gridRows[1], "P0171 Sistem cok fakir (sira 1)");
    EXPECT_EQ(bench().view.gridRows[3], "P0420 TANIMSIZ ARIZA KODU     ");
}

TEST_F(TroubleCodes, RowsOfAnEarlierReadAreClearedByTheNextOne) {
    menu();
    bench().dir.write("DTC5820EN.txt", kEnglishCatalogue);
    read(Module::Pcm);
    ASSERT_FALSE(bench().view.gridRows[3].empty());
    read(Module::Abs);
    EXPECT_EQ(bench().view.gridRows[1], "C0210 Right rear wheel speed sensor");
    EXPECT_EQ(bench().view.gridRows[2], "");
    EXPECT_EQ(bench().view.gridRows[3], "");
}

TEST_F(TroubleCodes, DemoModeReportsThreeCodesWithoutAskingTheCar) {
    menu();
    bench().dir.write("DTC5820EN.txt", kEnglishCatalogue);
    bench().session.demo();
    bench().settle();
    const std::size_t before = bench().box.requests().size();
    read(Module::Pcm);
    EXPECT_EQ(bench().box.requests().size(), before);
    EXPECT_EQ(bench().view.gridRows[1], "P0100 Mass or volume air flow circuit");
    EXPECT_EQ(bench().view.gridRows[2], "P0200 Injector circuit");
    EXPECT_EQ(bench().view.gridRows[3], "P0300 Random/multiple cylinder misfire detected");
}

class FailedRead : public TroubleCodes, public ::testing::WithParamInterface<sim::FaultKind> {};

TEST_P(FailedRead, ShowsARedReadFailureInsteadOfStaleCodes) {
    menu();
    bench().dir.write("DTC5820EN.txt", kEnglishCatalogue);
    read(Module::Pcm);
    ASSERT_FALSE(bench().view.gridRows[1].empty());
    bench().session.selectModule(Module::Pcm);
    const std::string moduleScreen = bench().view.screen();
    sim::Fault fault = testing::fault(GetParam(), sim::kPcm);
    fault.count = 1;
    bench().box.addFault(fault);
    bench().session.readDtc();
    bench().settle();
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_TRUE(logged(bench().view, 1, "    DTC READ FAILED     "));
    EXPECT_FALSE(logged(bench().view, 1, "      DTC NOT FOUND     "));
    for (int row = 1; row <= 6; ++row) {
        EXPECT_EQ(bench().view.gridRows[row], "") << row;
    }
    EXPECT_EQ(bench().view.screen(), moduleScreen);
    EXPECT_EQ(bench().view.colour, kGreen);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedRead,
                         ::testing::Values(sim::FaultKind::WrongEcho, sim::FaultKind::CountZero,
                                           sim::FaultKind::SilentModule));

TEST_F(TroubleCodes, ClearingWaitsThreeSecondsThenTheCodesAreGone) {
    menu();
    bench().session.selectModule(Module::Pcm);
    const std::string moduleScreen = bench().view.screen();
    const auto start = bench().clock.nowMs();
    bench().session.clearDtc();
    EXPECT_EQ(bench().clock.nowMs() - start, 3000u);
    EXPECT_EQ(bench().session.state(), State::ClearDtcPcm);
    // A read clicked during the clear's wait does not replace the clear still to be sent.
    bench().session.readDtc();
    EXPECT_EQ(bench().session.state(), State::ClearDtcPcm);
    EXPECT_TRUE(logged(bench().view, 1, "      DELETING DTCS     "));
    EXPECT_EQ(bench().view.screen(), moduleScreen);
    EXPECT_EQ(bench().view.colour, kGreen);
    EXPECT_FALSE(bench().box.storedCodes(sim::kPcm).empty());
    bench().settle();
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_TRUE(bench().box.storedCodes(sim::kPcm).empty());
    bench().view.lineLog.clear();
    read(Module::Pcm);
    EXPECT_TRUE(logged(bench().view, 1, "      DTC NOT FOUND     "));
}

TEST_F(TroubleCodes, AFailedClearSaysSo) {
    menu('2');
    bench().session.selectModule(Module::Abs);
    const std::string moduleScreen = bench().view.screen();
    bench().session.clearDtc();
    bench().box.addFault(testing::fault(sim::FaultKind::SilentModule, sim::kAbs));
    bench().settle();
    EXPECT_EQ(bench().session.state(), State::ModuleMenu);
    EXPECT_TRUE(logged(bench().view, 1, "ARIZA KODLARI SiLiNEMEDi"));
    EXPECT_EQ(bench().view.screen(), moduleScreen);
    EXPECT_EQ(bench().view.colour, kGreen);
}

}  // namespace
}  // namespace tvx::session
