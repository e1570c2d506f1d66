#include <gtest/gtest.h>

#include <set>
#include <string>

#include "session/captions.h"
#include "session/live_pages.h"
#include "session/screens.h"
#include "session/session_view.h"

namespace tvx::session {
namespace {

bool isModuleScreen(ScreenId id) {
    return id >= ScreenId::ModulePcm && id <= ScreenId::ModuleIcu;
}

TEST(Screens, EveryLineIsAsWideAsTheDisplayInBothLanguages) {
    for (const Screen& s : allScreens()) {
        const std::size_t width = isModuleScreen(s.id) ? 25 : kLineWidth;
        for (char language : {'1', '2'}) {
            for (const char* line : screenLines(s, language)) {
                if (line != nullptr) {
                    EXPECT_EQ(std::string(line).size(), width)
                        << "screen " << static_cast<int>(s.id) << " language " << language << ": \""
                        << line << "\"";
                }
            }
        }
    }
}

TEST(Screens, EveryScreenIdHasExactlyOneRow) {
    std::set<ScreenId> seen;
    for (const Screen& s : allScreens()) {
        EXPECT_TRUE(seen.insert(s.id).second) << static_cast<int>(s.id);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(ScreenId::ModuleIcu) + 1);
}

TEST(Screens, FailureScreensAreRedInBothLanguages) {
    for (ScreenId id :
         {ScreenId::PortInUse, ScreenId::ConnectionFailed, ScreenId::ConnectionFailure,
          ScreenId::LineLost, ScreenId::DtcReadFailed, ScreenId::DtcClearFailed,
          ScreenId::InjectorReadFailed, ScreenId::ProgrammingFailed, ScreenId::CodeNotRead,
          ScreenId::CodeBadCharacter, ScreenId::CodeTooShort, ScreenId::CatalogueMissing}) {
        ASSERT_TRUE(screen(id).colour.has_value());
        EXPECT_EQ(*screen(id).colour, kRed) << static_cast<int>(id);
        EXPECT_STRNE(screen(id).english[0], screen(id).turkish[0]) << static_cast<int>(id);
    }
}

std::string joined(const std::array<const char*, 4>& lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
    }
    return text;
}

// A failure that wrote nothing says so, and one that stopped after writing began never
// reads as if nothing changed: in both languages.
TEST(Screens, FailureScreensSayWhetherAnythingWasWritten) {
    struct Case {
        ScreenId id;
        const char* english;
        const char* turkish;
    };
    for (const Case& c : {Case{ScreenId::InjectorReadFailed, "NOTHING WAS WRITTEN", "HiCBiR SEY"},
                          Case{ScreenId::ProgrammingFailed, "NOTHING WAS WRITTEN", "HiCBiR SEY"},
                          Case{ScreenId::CodesNotKept, "NOTHING WAS", "HiCBiR"},
                          Case{ScreenId::UnitNotReadAfterFailure, "AFTER THE  ", "YAZMADA"}}) {
        EXPECT_NE(joined(screen(c.id).english).find(c.english), std::string::npos)
            << joined(screen(c.id).english);
        EXPECT_NE(joined(screen(c.id).turkish).find(c.turkish), std::string::npos)
            << joined(screen(c.id).turkish);
    }
    EXPECT_NE(joined(screen(ScreenId::InjectorReadFailed).english).find("UNCHANGED"),
              std::string::npos);
}

TEST(Screens, CountdownTemplateHasTheSecondsAtCharactersThirteenAndFourteen) {
    EXPECT_EQ(kCountdownTemplate.size(), kLineWidth);
    EXPECT_EQ(kCountdownTemplate.substr(12, 2), "xx");
}

TEST(Captions, EveryCaptionAndHintExistsInBothLanguages) {
    for (auto table : {captions(), gaugeCaptions(), hints(), startCaptions()}) {
        for (const ControlText& text : table) {
            EXPECT_FALSE(text.english.empty()) << text.control;
            EXPECT_FALSE(text.turkish.empty()) << text.control;
        }
    }
}

TEST(Captions, EveryPanelOfEveryLivePageHasOneHintAndOneCaption) {
    for (auto table : {hints(), gaugeCaptions()}) {
        std::set<std::string_view> named;
        for (const ControlText& text : table) {
            EXPECT_TRUE(named.insert(text.control).second) << "two texts for " << text.control;
        }
        for (const LivePage& page : allLivePages()) {
            for (const PanelVisibility& panel : page.panels) {
                EXPECT_TRUE(named.count(panel.panel)) << panel.panel;
            }
        }
        for (std::string_view cluster : {"kmp", "flip", "cdtp"}) {
            EXPECT_TRUE(named.count(cluster)) << cluster;
        }
    }
}

}  // namespace
}  // namespace tvx::session
