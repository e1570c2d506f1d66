// The support file: written, parsed back, and free of what is nobody else's business; and
// the screen history it takes its screens from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/recording_view.h"
#include "session/null_view.h"
#include "session/view_log.h"
#include "session_fixture.h"
#include "support/support_file.h"

namespace tvx::session {
namespace {

using nlohmann::json;
using testing::TempDir;

SupportReport sampleReport() {
    SupportReport report;
    report.program = "tarvolinex";
    report.version = programVersion();
    report.operatingSystem = "Linux 6.1 x86_64";
    link::PortInfo adapter;
    adapter.device = "/dev/ttyUSB0";
    adapter.comIndex = 0;
    adapter.kind = link::PortKind::UsbSerial;
    adapter.vendor = "FTDI";
    adapter.serialNumber = "A10K3VQ1";
    link::PortInfo far;
    far.device = "/dev/ttyUSB9";
    far.kind = link::PortKind::UsbSerial;
    report.ports = {adapter, far};
    report.comPortIndex = 2;
    report.languageCode = '2';
    report.vehicle = "FOCUS 1.8 TDCI";
    report.line = {{10, link::LineEvent::Kind::Purged, 0, 0},
                   {12, link::LineEvent::Kind::Sent, 0x01, 0},
                   {1012, link::LineEvent::Kind::TimedOut, 0, 1000}};
    report.lineEventsTotal = 25000;
    report.screens = {{1012,
                       255,
                       {"   CONNECTION FAILED    ", " ********************** ",
                        "  PLEASE TURN KEY ON    ", std::string(24, ' ')}}};
    DoctorObservations seen;
    seen.opened = true;
    seen.port = "COM3";
    seen.presence = PresenceResult::Silent;
    report.finding = diagnose(seen);
    report.vin = "WF0XXXGAJX1A23456";
    return report;
}

json writtenAndRead(const SupportReport& report, const TempDir& dir) {
    const auto file = dir.path() / "support.json";
    std::string error;
    EXPECT_TRUE(writeSupportFile(file, report, error)) << error;
    std::ifstream in(file);
    return json::parse(in);
}

TEST(SupportFile, ParsesBackWithEverythingItHolds) {
    TempDir dir;
    const json root = writtenAndRead(sampleReport(), dir);
    EXPECT_EQ(root["format"], "tarvolinex-support");
    EXPECT_EQ(root["program"]["name"], "tarvolinex");
    EXPECT_EQ(root["program"]["version"], "2.03");
    EXPECT_EQ(root["operatingSystem"], "Linux 6.1 x86_64");
    EXPECT_EQ(root["settings"]["comPort"], "COM3");
    EXPECT_EQ(root["settings"]["language"], "tr");
    EXPECT_EQ(root["settings"]["vehicle"], "FOCUS 1.8 TDCI");
    ASSERT_EQ(root["ports"].size(), 2u);
    EXPECT_EQ(root["ports"][0]["com"], "COM1");
    EXPECT_EQ(root["ports"][0]["serialNumber"], "A10K3VQ1");
    EXPECT_TRUE(root["ports"][1]["com"].is_null());
    EXPECT_EQ(root["line"]["kept"], 3);
    EXPECT_EQ(root["line"]["total"], 25000);
    EXPECT_EQ(root["line"]["events"][1]["event"], "TX");
    EXPECT_EQ(root["line"]["events"][1]["byte"], 1);
    EXPECT_EQ(root["line"]["events"][2]["event"], "timeout");
    EXPECT_EQ(root["line"]["events"][2]["timeoutMs"], 1000);
    EXPECT_EQ(root["line"]["events"][2]["t"], 1012);
    EXPECT_EQ(root["screens"][0]["colour"], "red");
    EXPECT_EQ(root["screens"][0]["lines"][2], "  PLEASE TURN KEY ON    ");
    EXPECT_EQ(root["doctor"]["stage"], "box-silent");
    EXPECT_NE(root["doctor"]["turkish"].get<std::string>().find("hiçbir şey cevap vermiyor"),
              std::string::npos)
        << "Turkish stays readable";
    EXPECT_EQ(root["vehicle"]["vin"], "WF0XXXGAJX1A23456");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "support.json.part"));
}

TEST(SupportFile, AFullRingOfLineEventsFitsAndComesBack) {
    TempDir dir;
    SupportReport report = sampleReport();
    report.line.clear();
    for (std::uint64_t i = 0; i < link::LineRing::kCapacity; ++i) {
        report.line.push_back(
            {i, i % 2 ? link::LineEvent::Kind::Received : link::LineEvent::Kind::Sent,
             static_cast<std::uint8_t>(i), 0});
    }
    const json root = writtenAndRead(report, dir);
    ASSERT_EQ(root["line"]["events"].size(), link::LineRing::kCapacity);
    EXPECT_EQ(root["line"]["events"][19999]["event"], "RX");
    EXPECT_EQ(root["line"]["events"][19999]["byte"], 19999 % 256);
}

// No user folder, no odd bytes: device names from the command line are cleaned; the
// computer's name never goes in.
TEST(SupportFile, HoldsNoHomeFolderAndNoRawBytes) {
    const char* home = std::getenv("HOME");
    if (home == nullptr) {
        home = std::getenv("USERPROFILE");
    }
    if (home == nullptr || std::string(home).size() < 2) {
        GTEST_SKIP() << "no home folder to leave out";
    }
    TempDir dir;
    SupportReport report = sampleReport();
    report.portDevice = std::string(home) + "/my-pty\x1b[2J";
    report.finding->english = "on " + std::string(home) + "/my-pty";
    report.vin = std::string("WF0\x07XXX");
    const std::string text = supportJson(report);
    EXPECT_EQ(text.find(home), std::string::npos) << text;
    const json root = json::parse(text);
    EXPECT_EQ(root["settings"]["portDevice"], "~/my-pty\\x1B[2J");
    EXPECT_EQ(root["doctor"]["english"], "on ~/my-pty");
    EXPECT_EQ(root["vehicle"]["vin"], "WF0\\x07XXX");
    EXPECT_TRUE(root["vehicle"]["vin"].is_string());
}

TEST(SupportFile, WithoutAFindingOrVinTheirPlacesAreEmpty) {
    SupportReport report = sampleReport();
    report.finding.reset();
    report.vin.reset();
    const json root = json::parse(supportJson(report));
    EXPECT_TRUE(root["doctor"].is_null());
    EXPECT_TRUE(root["vehicle"]["vin"].is_null());
}

TEST(SupportFile, AFolderThatCannotBeWrittenIsSaid) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writeSupportFile(dir.path() / "no-such-folder" / "s.json", sampleReport(), error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
}

TEST(ScreenHistory, KeepsEachScreenOnceItIsWrittenAndPassesEverythingOn) {
    link::VirtualClock clock;
    RecordingView shown;
    ScreenHistory history(shown, clock);
    auto screen = [&](const char* first, std::uint32_t colour) {
        history.setDisplayColour(colour);
        for (int line = 1; line <= 4; ++line) {
            history.setLine(line, line == 1 ? first : "");
        }
        history.repaint();
        clock.advance(10);
    };
    screen("ONE", 65280);
    screen("ONE", 65280);  // the same again: kept once
    screen("TWO", 255);
    history.setLine(1, "THREE");  // still being written
    const auto shots = history.screens();
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_EQ(shots[0].lines[0], "ONE");
    EXPECT_EQ(shots[1].lines[0], "TWO");
    EXPECT_EQ(shots[1].colour, 255u);
    EXPECT_EQ(shots[1].timeMs, 20u);
    EXPECT_EQ(shots[2].lines[0], "THREE");
    EXPECT_EQ(shown.lines[0], "THREE") << "every call reaches the view behind";
    EXPECT_EQ(shown.repaintCount, 3);
}

TEST(ScreenHistory, KeepsOnlyTheLastScreens) {
    link::VirtualClock clock;
    NullView nothing;
    ScreenHistory history(nothing, clock);
    for (std::size_t i = 0; i < ScreenHistory::kScreensKept + 10; ++i) {
        history.setLine(1, std::to_string(i));
        history.setControlEnabled("OK", true);
    }
    const auto shots = history.screens();
    ASSERT_EQ(shots.size(), ScreenHistory::kScreensKept);
    EXPECT_EQ(shots.front().lines[0], "10");
    EXPECT_EQ(shots.back().lines[0], std::to_string(ScreenHistory::kScreensKept + 9));
}

// The view log is read by scripts that drive the window from outside: one flushed line per
// call, in the order the window applied them, with texts whole.
TEST(ViewLog, WritesEachCallAsOneLineAndPassesItOn) {
    link::VirtualClock clock;
    RecordingView shown;
    ViewLog log(shown, clock);
    log.setLine(1, "no file yet");  // nothing is written before open()
    TempDir dir;
    const std::string path = (dir.path() / "view-log.txt").string();
    ASSERT_TRUE(log.open(path));
    clock.advance(1500);
    log.setLine(1, "  SELECT THE CAR TYPE   ");
    log.setControlEnabled("OK", true);
    log.showOnlyFrame("Frame31");
    log.setGauge("rpmd", "812");
    log.setGridRow(2, "P0087 line\nend");
    log.setListSelection("DG1", -1);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();  // read while the log is still open: every line is flushed
    EXPECT_EQ(text.str(),
              "1500 line 1 \"  SELECT THE CAR TYPE   \"\n"
              "1500 enabled OK 1\n"
              "1500 frame Frame31\n"
              "1500 gauge rpmd \"812\"\n"
              "1500 row 2 \"P0087 line end\"\n"
              "1500 selected DG1 -1\n");
    EXPECT_EQ(shown.lines[0], "  SELECT THE CAR TYPE   ");
    EXPECT_EQ(shown.screen(), "  SELECT THE CAR TYPE   |||")
        << "every call reaches the view behind";
    EXPECT_FALSE(log.open((dir.path() / "no-such-folder" / "view-log.txt").string()));
}

}  // namespace
}  // namespace tvx::session
