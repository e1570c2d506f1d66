#include <gtest/gtest.h>

#include "doctor/port_hint.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using testing::textLines;

TEST(StartUp, FirstStartWithoutSettingsCreatesThemAndAsksForPortAndLanguage) {
    Bench bench;
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_EQ(bench.dir.read("tarvol.txt"), textLines({"1", "1"}));
    EXPECT_EQ(bench.view.captions["EXIT"], "exit");
    EXPECT_EQ(bench.view.captions["Setting"], "Setting");
    EXPECT_EQ(bench.view.captions["HELP"], "Help");
    EXPECT_EQ(bench.view.selection("RGCom"), 0);
    EXPECT_EQ(bench.view.selection("Language"), 0);
    EXPECT_TRUE(bench.view.panel("Frame41"));
    EXPECT_FALSE(bench.view.panel("Frame21", true));
    EXPECT_EQ(bench.view.lines[0], " SELECT COM AND LANGUAGE");
    EXPECT_EQ(bench.view.colour, kGreen);
    EXPECT_TRUE(bench.port.opened.empty());
}

// A settings file whose port line is bad is not replaced by the defaults: its language
// stays, on the screen and in the file, until the mechanic confirms a port.
class BadPortLine : public ::testing::TestWithParam<const char*> {};

TEST_P(BadPortLine, KeepsTheFileAndItsLanguage) {
    Bench bench;
    bench.dir.write("tarvol.txt", GetParam());
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_EQ(bench.dir.read("tarvol.txt"), GetParam());
    EXPECT_EQ(bench.session.LanguageCode, '2');
    EXPECT_EQ(bench.view.lines[0], " COM PORT VE DiL SECiNiZ");
    EXPECT_EQ(bench.view.captions["EXIT"], "\xC3\xA7\xC4\xB1k\xC4\xB1\xC5\x9F");
    EXPECT_EQ(bench.view.selection("Language"), 1);
    EXPECT_EQ(bench.view.selection("RGCom"), 0);
    bench.session.selectCom(2);
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarTypeWait);
    EXPECT_EQ(bench.dir.read("tarvol.txt"), textLines({"3", "2"}));
}

INSTANTIATE_TEST_SUITE_P(Files, BadPortLine,
                         ::testing::Values("x\n2\n", "\n2\n", "9\r\n2\r\n", "\xEF\xBB\xBF\n2\n",
                                           "COM3\n2\n"));

TEST(StartUp, AByteOrderMarkBeforeThePortReadsAsNothing) {
    Bench bench;
    bench.dir.write("tarvol.txt",
                    "\xEF\xBB\xBF"
                    "3\n2\n");
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::StartPanel);
    ASSERT_FALSE(bench.port.opened.empty());
    EXPECT_EQ(bench.port.opened.back(), 2);
    EXPECT_EQ(bench.session.LanguageCode, '2');
    EXPECT_EQ(bench.dir.read("tarvol.txt"),
              "\xEF\xBB\xBF"
              "3\n2\n");
}

TEST(StartUp, ConfirmingTheSettingsOpensThePortAndStoresTheChoice) {
    Bench bench;
    bench.settle();
    bench.session.selectCom(4);
    bench.session.selectLanguage(1);
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarTypeWait);
    EXPECT_EQ(bench.port.opened.back(), 4);
    EXPECT_EQ(bench.dir.read("tarvol.txt"), textLines({"5", "2"}));
    EXPECT_EQ(bench.session.LanguageCode, '2');
    EXPECT_EQ(bench.view.lines[0], "  ARAC TiPiNi SECiNiZ   ");
    EXPECT_EQ(bench.view.captions["live"], "Sensörler");
    EXPECT_EQ(bench.view.hints["pcm"], "motor beyni");
    EXPECT_EQ(bench.view.captions["cppp"], "DEBRİYAJ");
    EXPECT_TRUE(bench.view.panel("Frame31"));
}

TEST(StartUp, OkWithNoPortChosenOnlyDisablesOk) {
    Bench bench;
    bench.port.failing = {0};
    bench.dir.write("tarvol.txt", "1\n1\n");
    bench.settle();  // COM1 fails: red screen, then the settings screen without a port
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_EQ(bench.view.selection("RGCom"), -1);
    EXPECT_EQ(bench.session.comSelection(), -1);
    const auto opened = bench.port.opened.size();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_FALSE(bench.view.enabled("OK", true));
    EXPECT_EQ(bench.port.opened.size(), opened);
    EXPECT_EQ(bench.dir.read("tarvol.txt"), "1\n1\n");
}

TEST(StartUp, APortThatDoesNotOpenShowsTheRedScreenForTwoSeconds) {
    Bench bench;
    bench.port.failing = {2};
    bench.dir.write("tarvol.txt", "3\n2\n");
    bench.session.step();
    bench.session.step();  // reads the settings, COM3 fails
    EXPECT_EQ(bench.session.state(), State::PortFailed);
    const auto before = bench.clock.nowMs();
    bench.session.step();
    EXPECT_EQ(bench.view.lines[0], "  COM PORT KULLANIMDA   ");
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_EQ(bench.clock.nowMs() - before, 2000u);
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_FALSE(bench.view.enabled("OK", true));
    // A new port confirmed there keeps the stored language.
    bench.session.selectCom(0);
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.dir.read("tarvol.txt"), textLines({"1", "2"}));
    EXPECT_EQ(bench.session.LanguageCode, '2');
}

// The screen keeps its words; the port list's hint says why and what to do, in the
// language of the moment, and goes when a port opens.
TEST(StartUp, APortThatMayNotBeUsedIsExplainedInThePortListsHint) {
    Bench bench;
    bench.port.failing = {2};
    bench.port.failure = {link::OpenFailure::Permission, "Permission denied"};
    bench.dir.write("tarvol.txt", "3\n2\n");
    bench.steps(3);  // reads the settings, COM3 fails, the red screen
    EXPECT_EQ(bench.view.lines[0], "  COM PORT KULLANIMDA   ");
    EXPECT_EQ(bench.view.hints["RGCom"],
              "Seri portu kullanma izniniz yok: kullanıcınızı dialout grubuna ekleyin "
              "(sudo usermod -aG dialout $USER), sonra oturumu kapatıp yeniden açın. "
              "(Permission denied)");
    bench.session.selectCom(0);
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.port.opened.back(), 0);
    EXPECT_EQ(bench.view.hints["RGCom"], "");
}

TEST(PortOpenHint, NamesWhatToDoForEachFailureInBothLanguages) {
    using link::OpenFailure;
    for (OpenFailure failure : {OpenFailure::Missing, OpenFailure::Permission, OpenFailure::Busy,
                                OpenFailure::NotSerialPort, OpenFailure::Other}) {
        const std::string english = portOpenHint({failure, ""}, '1');
        const std::string turkish = portOpenHint({failure, ""}, '2');
        EXPECT_FALSE(english.empty());
        EXPECT_FALSE(turkish.empty());
        EXPECT_NE(english, turkish);
    }
    EXPECT_NE(portOpenHint({OpenFailure::Missing, ""}, '1'),
              portOpenHint({OpenFailure::Busy, ""}, '1'));
    EXPECT_EQ(portOpenHint({OpenFailure::None, ""}, '1'), "");
    EXPECT_EQ(portOpenHint({OpenFailure::Busy, "Access is denied"}, '1'),
              "The serial port is in use by another program: close that program, or choose "
              "another port. (Access is denied)");
}

TEST(StartUp, SettingsThatCannotBeSavedSaySoInRedAndKeepTheOldFile) {
    Bench bench;
    bench.dir.write("tarvol.txt", "1\n1\n");
    // The new file cannot be made (as in a read-only data folder).
    std::filesystem::create_directories(bench.dir.path() / "tarvol.txt.new");
    bench.settle();
    bench.session.setting();
    bench.settle();
    bench.session.selectCom(1);
    bench.session.selectLanguage(1);
    bench.session.ok();
    bench.view.clearLogs();
    bench.session.step();  // 3: the port opens, the file is not written
    EXPECT_EQ(bench.view.lineLog.at(0).second, "   SETTINGS NOT SAVED   ");
    EXPECT_EQ(bench.view.colour, kRed);
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::CarTypeWait);
    EXPECT_EQ(bench.port.opened.back(), 1);
    EXPECT_EQ(bench.session.LanguageCode, '1');
    EXPECT_EQ(bench.dir.read("tarvol.txt"), "1\n1\n");
}

TEST(StartUp, AStoredThreeOpensComThreeWithoutTheSettingsScreen) {
    Bench bench;
    bench.dir.write("tarvol.txt", "3\n1\n");
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::StartPanel);
    EXPECT_EQ(bench.port.opened, std::vector<int>{2});
    EXPECT_EQ(bench.session.ComPortIndex, 2);
    EXPECT_TRUE(bench.view.panel("Frame21"));
    EXPECT_FALSE(bench.view.panel("Frame41", true));
    EXPECT_EQ(bench.view.lines[0], "**  tarvolinex 7340   **");
}

TEST(StartUp, TurkishSettingsCaptionTheStartButtonsInTurkish) {
    Bench bench;
    bench.dir.write("tarvol.txt", "1\n2\n");
    bench.settle();
    EXPECT_EQ(bench.view.captions["EXIT"], "çıkış");
    EXPECT_EQ(bench.view.captions["Setting"], "ayarlar");
    EXPECT_EQ(bench.view.captions["HELP"], "yardım");
}

// A file with no usable port line is left as it is; the settings screen asks, in the
// file's language (English unless its second line says Turkish).
struct CorruptFile {
    std::string content;
    char language;
};

class CorruptSettings : public ::testing::TestWithParam<CorruptFile> {};

TEST_P(CorruptSettings, AreKeptAndTheSettingsScreenFollows) {
    Bench bench;
    bench.dir.write("tarvol.txt", GetParam().content);
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_TRUE(bench.dir.read("tarvol.txt") == GetParam().content);
    EXPECT_EQ(bench.session.LanguageCode, GetParam().language);
    EXPECT_EQ(bench.view.lines[0],
              GetParam().language == '2' ? " COM PORT VE DiL SECiNiZ" : " SELECT COM AND LANGUAGE");
}

INSTANTIATE_TEST_SUITE_P(Contents, CorruptSettings,
                         ::testing::Values(CorruptFile{std::string(), '1'},
                                           CorruptFile{std::string("\n\n"), '1'},
                                           CorruptFile{std::string("x\n1\n"), '1'},
                                           CorruptFile{std::string("9\n2\n"), '2'},
                                           CorruptFile{std::string("\0\0\0", 3), '1'},
                                           CorruptFile{std::string(1000, '\xff'), '1'}),
                         [](const auto& info) { return "File" + std::to_string(info.index); });

TEST(StartUp, AnUnknownLanguageCharacterReadsAsEnglish) {
    Bench bench;
    bench.dir.write("tarvol.txt", "1\nZ\n");
    bench.settle();
    bench.session.ok();
    bench.settle();
    EXPECT_EQ(bench.session.LanguageCode, '1');
    EXPECT_EQ(bench.view.lines[0], "  SELECT THE CAR TYPE   ");
    EXPECT_EQ(bench.view.captions["BACK"], "back");
}

TEST(StartUp, SettingClosesThePortAndShowsTheStoredChoice) {
    Bench bench;
    bench.dir.write("tarvol.txt", "6\n2\n");
    bench.settle();
    ASSERT_TRUE(bench.port.isOpen());
    bench.session.setting();
    EXPECT_FALSE(bench.port.isOpen());
    EXPECT_EQ(bench.view.selection("RGCom"), 5);
    EXPECT_EQ(bench.view.selection("Language"), 1);
    bench.settle();
    EXPECT_EQ(bench.session.state(), State::SettingsScreen);
    EXPECT_FALSE(bench.view.enabled("Setting", true));
}

}  // namespace
}  // namespace tvx::session
