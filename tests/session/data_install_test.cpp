// First start: the shipped catalogues and picture land in the data directory once.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "datadir/data_install.h"
#include "session_fixture.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

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

// What the data directory holds besides the shipped files: nothing may be left behind.
std::vector<std::string> strayFiles(const fs::path& dataDir) {
    std::vector<std::string> stray;
    const auto& shipped = shippedDataFiles();
    for (const auto& entry : fs::directory_iterator(dataDir))
        if (std::find(shipped.begin(), shipped.end(), entry.path().filename().string()) ==
            shipped.end())
            stray.push_back(entry.path().filename().string());
    return stray;
}

// An installed catalogue against the shipped one: a strict beginning of it is a copy that
// was cut short and is replaced; anything else is the mechanic's and stays.
struct InstalledCase {
    const char* installed;
    bool replaced;
};

class InstalledCatalogue : public DataInstall,
                           public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(InstalledCatalogue, OnlyACutShortCopyIsReplaced) {
    const std::string shipped = "P0100 first\nP0200 second\n";
    writeFile(dir("src") / "DTC5820EN.txt", shipped);
    writeFile(dir("data") / "DTC5820EN.txt", GetParam().installed);
    const InstallReport report = installDataFiles({dir("src")}, dir("data"));
    EXPECT_EQ(readAll(dir("data") / "DTC5820EN.txt"),
              GetParam().replaced ? shipped : std::string(GetParam().installed));
    EXPECT_TRUE(strayFiles(dir("data")).empty());
    EXPECT_TRUE(report.installed.empty());
    EXPECT_EQ(report.repaired.size(), GetParam().replaced ? 1u : 0u);
    std::ostringstream done;
    std::ostringstream problems;
    reportInstall(report, dir("data"), "tvx", done, problems);
    EXPECT_EQ(done.str(), GetParam().replaced ? "tvx: replaced the cut-short DTC5820EN.txt in " +
                                                    dir("data").string() + "\n"
                                              : std::string());
}

INSTANTIATE_TEST_SUITE_P(
    Copies, InstalledCatalogue,
    ::testing::Values(InstalledCase{"", true}, InstalledCase{"P0100 first\nP02", true},
                      InstalledCase{"P0100 first\nP0200 second", true},
                      InstalledCase{"P0100 first\nP0200 second\n", false},
                      InstalledCase{"P0100 first\nP0200 second\nP0300 mine\n", false},
                      InstalledCase{"P0100 FIRST\n", false}, InstalledCase{"x", false}));

#ifndef _WIN32
// A disk that fills up during a copy, as the file size limit makes it: writes past the
// limit fail (the signal that would end the program is ignored meanwhile).
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
};

TEST_F(DataInstall, AFullDiskLeavesNoCutCatalogueAndTheNextStartInstallsItWhole) {
    std::string shipped;
    for (int code = 0; code < 1000; ++code)
        shipped += "P" + std::to_string(1000 + code) + " a description of this code\n";
    writeFile(dir("src") / "DTC5820EN.txt", shipped);
    fs::create_directories(dir("data"));
    {
        FullDisk full(4096);
        const InstallReport report = installDataFiles({dir("src")}, dir("data"));
        EXPECT_EQ(report.errors.size(), 1u);
    }
    EXPECT_FALSE(fs::exists(dir("data") / "DTC5820EN.txt"));
    EXPECT_TRUE(strayFiles(dir("data")).empty());
    installDataFiles({dir("src")}, dir("data"));
    EXPECT_EQ(readAll(dir("data") / "DTC5820EN.txt"), shipped);
}
#endif

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
