// The window opens only where there is a display to open it on.
#include <gtest/gtest.h>

#include <string>

#include "ui/display_check.h"

namespace tvx::ui {
namespace {

struct DisplayCase {
    const char* display;
    const char* wayland;
    const char* platform;
    bool expected;
};

class DisplayCheck : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, AnyDisplayOrAnExplicitPlatformWillDo) {
    const DisplayCase& c = GetParam();
    const auto environment = [&](const char* name) -> std::string {
        if (std::string(name) == "DISPLAY")
            return c.display;
        if (std::string(name) == "WAYLAND_DISPLAY")
            return c.wayland;
        if (std::string(name) == "QT_QPA_PLATFORM")
            return c.platform;
        return "";
    };
    EXPECT_EQ(haveDisplay(environment), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Environments, DisplayCheck,
                         ::testing::Values(DisplayCase{"", "", "", false},
                                           DisplayCase{":0", "", "", true},
                                           DisplayCase{"", "wayland-0", "", true},
                                           DisplayCase{"", "", "offscreen", true}));

}  // namespace
}  // namespace tvx::ui
