// First start: the shipped catalogues and picture land in the data directory once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "session/data_install.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class DataInstall : public ::testing::Test {
protected:
    fs::path dir(const char* name) { return m_root.path() / name; }
    testing::TempDir m_root;
};

TEST_F(DataInstall, CopiesEveryMissingFileIntoANewDirectory) {
    for (const std::string& file : shippedDataFiles())
        writeFile(dir("src") / file, file + "\n");
    const fs::path target = dir("home/.local/share/tarvolinex");
    const InstallReport report = installDataFiles({dir("src")}, target);
    EXPECT_EQ(report.installed, shippedDataFiles());
    EXPECT_TRUE(report.missing.empty());
    EXPECT_TRUE(report.errors.empty());
    for (const std::string& file : shippedDataFiles())
        EXPECT_EQ(readAll(target / file), file + "\n");
}

TEST_F(DataInstall, NeverOverwritesAFileTheMechanicHasThere) {
    writeFile(dir("src") / "DTC5820EN.txt", "shipped\n");
    writeFile(dir("data") / "DTC5820EN.txt", "edited\n");
    const InstallReport report = installDataFiles({dir("src")}, dir("data"));
    EXPECT_EQ(readAll(dir("data") / "DTC5820EN.txt"), "edited\n");
    EXPECT_TRUE(std::find(report.installed.begin(), report.installed.end(), "DTC5820EN.txt") ==
                report.installed.end());
}

TEST_F(DataInstall, TheFirstSourceHoldingAFileWins) {
    writeFile(dir("near") / "DTC5820TR.txt", "near\n");
    writeFile(dir("far") / "DTC5820TR.txt", "far\n");
    writeFile(dir("far") / "start.jpg", "picture");
    const InstallReport report = installDataFiles({dir("near"), dir("far")}, dir("data"));
    EXPECT_EQ(readAll(dir("data") / "DTC5820TR.txt"), "near\n");
    EXPECT_EQ(readAll(dir("data") / "start.jpg"), "picture");
    EXPECT_EQ(report.missing, std::vector<std::string>{"DTC5820EN.txt"});
    EXPECT_FALSE(fs::exists(dir("data") / "DTC5820EN.txt"));  // the missing-catalogue screen
    std::ostringstream done;
    std::ostringstream problems;
    reportInstall(report, dir("data"), "tvx", done, problems);
    const std::string installed = done.str();
    EXPECT_EQ(std::count(installed.begin(), installed.end(), '\n'), 2) << installed;
    EXPECT_EQ(problems.str(), "tvx: DTC5820EN.txt is not in " + dir("data").string() +
                                  " and no copy to install was found\n");
}

TEST_F(DataInstall, ADataDirectoryThatCannotBeMadeIsReported) {
    writeFile(dir("blocker"), "a file where a directory should be");
    const InstallReport report = installDataFiles({dir("src")}, dir("blocker") / "data");
    ASSERT_EQ(report.errors.size(), 1u);
    EXPECT_NE(report.errors.front().find("blocker"), std::string::npos);
    EXPECT_TRUE(report.installed.empty());
}

TEST(ShippedData, LooksNextToTheProgramFirstThenInTheSourceTree) {
    const auto dirs = shippedDataDirectories("/opt/tvx/bin");
    ASSERT_GE(dirs.size(), 3u);
    EXPECT_EQ(dirs[0], fs::path("/opt/tvx/bin/data"));
    EXPECT_EQ(dirs[1], fs::path("/opt/tvx/bin/../share/tarvolinex"));
    EXPECT_TRUE(fs::exists(dirs.back() / "start.jpg")) << dirs.back();
#ifdef _WIN32
    const char* self = "session_tests.exe";
#else
    const char* self = "session_tests";
#endif
    EXPECT_TRUE(fs::exists(programDirectory("elsewhere/session_tests") / self));
}

}  // namespace
}  // namespace tvx::session
