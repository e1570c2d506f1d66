#include <gtest/gtest.h>

#include <cstdlib>

#include "datadir/data_directory.h"
#include "datadir/settings.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::TempDir;
using testing::textLines;

struct SettingsCase {
    const char* content;
    SettingsStatus status;
    int port;
    char language;
};

class SettingsFile : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFile, ReadsOnlyTheFirstCharacterOfEachLine) {
    TempDir dir;
    dir.write("tarvol.txt", GetParam().content);
    const SettingsRead read = readSettings(settingsPath(dir.path()));
    EXPECT_EQ(read.status, GetParam().status);
    EXPECT_EQ(read.settings.comPortIndex, GetParam().port);
    EXPECT_EQ(read.settings.languageCode, GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SettingsFile,
    ::testing::Values(SettingsCase{"1\n1\n", SettingsStatus::Read, 0, '1'},
                      SettingsCase{"3\n2\n", SettingsStatus::Read, 2, '2'},
                      SettingsCase{"8\r\n2\r\n", SettingsStatus::Read, 7, '2'},
                      SettingsCase{"42 extra\n2 more\n", SettingsStatus::Read, 3, '2'},
                      // Any language other than Turkish reads as English.
                      SettingsCase{"2\n7\n", SettingsStatus::Read, 1, '1'},
                      SettingsCase{"2\n", SettingsStatus::Read, 1, '1'},
                      SettingsCase{"2\n\n", SettingsStatus::Read, 1, '1'},
                      // A port line that is not 1..8 makes the file unusable.
                      SettingsCase{"", SettingsStatus::Corrupt, 0, '1'},
                      SettingsCase{"9\n1\n", SettingsStatus::Corrupt, 0, '1'},
                      SettingsCase{"0\n1\n", SettingsStatus::Corrupt, 0, '1'},
                      SettingsCase{"\xff\xfe\x00\x01", SettingsStatus::Corrupt, 0, '1'},
                      // A byte-order mark (an editor's UTF-8 save) reads as nothing.
                      SettingsCase{"\xEF\xBB\xBF"
                                   "3\n2\n",
                                   SettingsStatus::Read, 2, '2'},
                      SettingsCase{"\xEF\xBB\xBF", SettingsStatus::Corrupt, 0, '1'},
                      // A bad port line still leaves the language line to be kept.
                      SettingsCase{"x\n2\n", SettingsStatus::Corrupt, 0, '2'},
                      SettingsCase{"\xEF\xBB\xBF"
                                   "9\r\n2\r\n",
                                   SettingsStatus::Corrupt, 0, '2'}));

TEST(SettingsFileWrite, WritesTwoLinesAndLeavesNoTemporaryFile) {
    TempDir dir;
    ASSERT_TRUE(writeSettings(settingsPath(dir.path()), Settings{4, '2'}));
    EXPECT_EQ(dir.read("tarvol.txt"), textLines({"5", "2"}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "tarvol.txt.new"));
}

TEST(SettingsFileWrite, CreatesAMissingDataDirectory) {
    TempDir dir;
    const auto nested = dir.path() / "a" / "b";
    ASSERT_TRUE(writeSettings(settingsPath(nested), Settings{1, '1'}));
    EXPECT_EQ(readSettings(settingsPath(nested)).settings.comPortIndex, 1);
}

TEST(SettingsFileWrite, AFailedWriteLeavesTheOldFileAsItWas) {
    TempDir dir;
    dir.write("tarvol.txt", "3\n2\n");
    // The new file cannot be created: a directory stands in its place.
    std::filesystem::create_directory(dir.path() / "tarvol.txt.new");
    EXPECT_FALSE(writeSettings(settingsPath(dir.path()), Settings{0, '1'}));
    EXPECT_EQ(dir.read("tarvol.txt"), "3\n2\n");
}

// On Windows the data lives under %LOCALAPPDATA%, unless the PC already has the old folder,
// whose settings, catalogues and record stay in use; with no %LOCALAPPDATA% the old folder.
struct WindowsDataCase {
    const char* localAppData;
    bool legacyExists;
    bool expectLegacy;
};

class WindowsDataDirectory : public ::testing::TestWithParam<WindowsDataCase> {};

TEST_P(WindowsDataDirectory, FollowsLocalAppDataUnlessTheOldFolderIsThere) {
    const WindowsDataCase c = GetParam();
    const std::filesystem::path local(c.localAppData);
    const std::filesystem::path dir = windowsDataDirectory(local, c.legacyExists);
    if (c.expectLegacy) {
        EXPECT_EQ(dir, std::filesystem::path("C:\\kestron-5820"));
    } else {
        EXPECT_EQ(dir.parent_path(), local);
        EXPECT_EQ(dir.filename(), "Tarvolinex");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsDataDirectory,
    ::testing::Values(WindowsDataCase{"C:\\Users\\usta\\AppData\\Local", false, false},
                      WindowsDataCase{"C:\\Users\\usta\\AppData\\Local", true, true},
                      WindowsDataCase{"", false, true}, WindowsDataCase{"", true, true}));

#ifdef _WIN32
// The real environment under Wine: a fresh prefix has no C:\kestron-5820.
TEST(WindowsDataDirectoryHere, IsUnderLocalAppData) {
    if (std::filesystem::exists("C:\\kestron-5820"))
        GTEST_SKIP() << "this PC has the old folder, which stays in use";
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(defaultDataDirectory(), std::filesystem::path(local) / "Tarvolinex");
}
#endif

#ifndef _WIN32
class DataDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* xdg = std::getenv("XDG_DATA_HOME")) {
            savedXdg_ = xdg;
        }
        if (const char* home = std::getenv("HOME")) {
            savedHome_ = home;
        }
    }
    void TearDown() override {
        restore("XDG_DATA_HOME", savedXdg_);
        restore("HOME", savedHome_);
    }
    static void restore(const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    std::optional<std::string> savedXdg_;
    std::optional<std::string> savedHome_;
};

TEST_F(DataDirectory, FollowsXdgDataHome) {
    setenv("XDG_DATA_HOME", "/data/user", 1);
    EXPECT_EQ(defaultDataDirectory(), std::filesystem::path("/data/user/tarvolinex"));
}

TEST_F(DataDirectory, FallsBackToTheHomeDirectory) {
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/mechanic", 1);
    EXPECT_EQ(defaultDataDirectory(),
              std::filesystem::path("/home/mechanic/.local/share/tarvolinex"));
}

TEST_F(DataDirectory, TheCommandLineOverrides) {
    setenv("XDG_DATA_HOME", "/data/user", 1);
    EXPECT_EQ(dataDirectory(std::filesystem::path("/srv/tester")),
              std::filesystem::path("/srv/tester"));
    EXPECT_EQ(dataDirectory(std::nullopt), std::filesystem::path("/data/user/tarvolinex"));
}
#endif

}  // namespace
}  // namespace tvx::session
