// The views that handle the session's calls as values (the view log, the screen history, the
// window's queue): every kind of call is written as its own line and reaches the view behind
// as it was made.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "session/view_log.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::TempDir;

struct LoggedCall {
    const char* name;
    std::function<void(SessionView&)> call;
    std::string line;  // as the log writes it after the time; empty: none
};

const LoggedCall kCalls[] = {
    {"Line", [](SessionView& v) { v.setLine(2, "A\rB"); }, "line 2 \"A B\""},
    {"DisplayColour", [](SessionView& v) { v.setDisplayColour(65280); }, "colour display 65280"},
    {"Frame", [](SessionView& v) { v.showOnlyFrame("Frame61"); }, "frame Frame61"},
    {"NoFrame", [](SessionView& v) { v.showOnlyFrame(""); }, "frame -"},
    {"PanelVisible", [](SessionView& v) { v.setPanelVisible("rpmp", false); }, "panel rpmp 0"},
    {"PanelColour", [](SessionView& v) { v.setPanelColour("Panel1", 32768); },
     "colour Panel1 32768"},
    {"ControlEnabled", [](SessionView& v) { v.setControlEnabled("OK", true); }, "enabled OK 1"},
    {"ControlVisible", [](SessionView& v) { v.setControlVisible("pcm", false); }, "visible pcm 0"},
    {"ButtonDown", [](SessionView& v) { v.setButtonDown("tcm"); }, "down tcm"},
    {"Gauge", [](SessionView& v) { v.setGauge("rpmd", "812"); }, "gauge rpmd \"812\""},
    {"EditText", [](SessionView& v) { v.setEditText("E1", "12 34"); }, "edit E1 \"12 34\""},
    {"GridRow", [](SessionView& v) { v.setGridRow(3, "P0171\nlean"); }, "row 3 \"P0171 lean\""},
    {"Caption", [](SessionView& v) { v.setCaption("BACK", "geri"); }, "caption BACK \"geri\""},
    {"Hint", [](SessionView& v) { v.setHint("pcm", "motor beyni"); }, "hint pcm \"motor beyni\""},
    {"ListSelection", [](SessionView& v) { v.setListSelection("DG1", -1); }, "selected DG1 -1"},
    {"Repaint", [](SessionView& v) { v.repaint(); }, ""},
};

std::string contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class LoggedCallTest : public ::testing::TestWithParam<LoggedCall> {};

// A log in front of another: the one behind sees the call as it was made, so both write the
// same line.
TEST_P(LoggedCallTest, IsWrittenAsItsLineAndPassedOnUnchanged) {
    const LoggedCall& row = GetParam();
    link::VirtualClock clock;
    clock.advance(250);
    RecordingView shown;
    ViewLog behind(shown, clock);
    ViewLog front(behind, clock);
    TempDir dir;
    const std::string frontPath = (dir.path() / "front.txt").string();
    const std::string behindPath = (dir.path() / "behind.txt").string();
    ASSERT_TRUE(front.open(frontPath));
    ASSERT_TRUE(behind.open(behindPath));
    row.call(front);
    const std::string expected = row.line.empty() ? "" : "250 " + row.line + "\n";
    EXPECT_EQ(contents(frontPath), expected);
    EXPECT_EQ(contents(behindPath), expected);
}

TEST(LoggedCall, ARepaintReachesTheViewBehind) {
    link::VirtualClock clock;
    RecordingView shown;
    ViewLog log(shown, clock);
    log.repaint();
    log.repaint();
    EXPECT_EQ(shown.repaintCount, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, LoggedCallTest, ::testing::ValuesIn(kCalls),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvx::session
