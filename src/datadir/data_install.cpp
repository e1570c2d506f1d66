#include "datadir/data_install.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tvx::session {

namespace fs = std::filesystem;

const std::vector<std::string>& shippedDataFiles() {
    static const std::vector<std::string> files{"DTC5820EN.txt", "DTC5820TR.txt", "start.jpg"};
    return files;
}

fs::path programDirectory(const char* argv0) {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return fs::path(std::wstring(buffer, length)).parent_path();
#else
    // A program found on PATH has a bare name in argv[0]; the kernel knows the real file.
    std::error_code error;
    if (const fs::path self = fs::read_symlink("/proc/self/exe", error); !error)
        return self.parent_path();
#endif
    std::error_code ignored;
    return fs::absolute(argv0 != nullptr ? argv0 : "", ignored).parent_path();
}

std::vector<fs::path> shippedDataDirectories(const fs::path& executableDir) {
    std::vector<fs::path> dirs{executableDir / "data",
                               executableDir / ".." / "share" / "tarvolinex"};
#ifdef TVX_SOURCE_DATA_DIR
    dirs.emplace_back(TVX_SOURCE_DATA_DIR);
#endif
    return dirs;
}

namespace {

// True when `installed` holds fewer bytes than `shipped` and every one of them is the
// shipped file's byte at that place: a copy that was cut short (a full disk, a crash).
bool isCutShortCopy(const fs::path& installed, const fs::path& shipped) {
    std::error_code error;
    const auto installedSize = fs::file_size(installed, error);
    if (error) {
        return false;
    }
    const auto shippedSize = fs::file_size(shipped, error);
    if (error || installedSize >= shippedSize) {
        return false;
    }
    std::ifstream a(installed, std::ios::binary);
    std::ifstream b(shipped, std::ios::binary);
    std::array<char, 4096> left{};
    std::array<char, 4096> right{};
    for (std::uintmax_t remaining = installedSize; remaining > 0;) {
        const auto chunk =
            static_cast<std::streamsize>(std::min<std::uintmax_t>(remaining, left.size()));
        if (!a.read(left.data(), chunk) || !b.read(right.data(), chunk) ||
            !std::equal(left.begin(), left.begin() + chunk, right.begin())) {
            return false;
        }
        remaining -= static_cast<std::uintmax_t>(chunk);
    }
    return true;
}

// Copies to a temporary name beside the target and renames it into place, so the target
// name only ever holds a whole copy. The temporary file goes on failure.
bool installOne(const fs::path& source, const fs::path& target, std::string& problem) {
    fs::path partial = target;
    partial += ".part";
    std::error_code error;
    fs::copy_file(source, partial, fs::copy_options::overwrite_existing, error);
    if (!error) {
        fs::rename(partial, target, error);
    }
    if (error) {
        problem = target.string() + ": " + error.message();
        std::error_code ignored;
        fs::remove(partial, ignored);
        return false;
    }
    return true;
}

}  // namespace

InstallReport installDataFiles(const std::vector<fs::path>& sourceDirs, const fs::path& dataDir) {
    InstallReport report;
    std::error_code error;
    fs::create_directories(dataDir, error);
    if (error) {
        report.errors.push_back(dataDir.string() + ": " + error.message());
        return report;
    }
    for (const std::string& file : shippedDataFiles()) {
        const fs::path target = dataDir / file;
        const fs::path* source = nullptr;
        for (const fs::path& dir : sourceDirs)
            if (fs::is_regular_file(dir / file, error)) {
                source = &dir;
                break;
            }
        const bool present = fs::exists(target, error);
        if (present && (source == nullptr || !isCutShortCopy(target, *source / file)))
            continue;  // the mechanic's file, edited or not, stays
        if (source == nullptr) {
            report.missing.push_back(file);
            continue;
        }
        std::string problem;
        if (!installOne(*source / file, target, problem))
            report.errors.push_back(problem);
        else if (present)
            report.repaired.push_back(file);
        else
            report.installed.push_back(file);
    }
    return report;
}

void reportInstall(const InstallReport& report, const fs::path& dataDir, std::string_view program,
                   std::ostream& done, std::ostream& problems) {
    for (const std::string& file : report.installed)
        done << program << ": installed " << file << " into " << dataDir.string() << '\n';
    for (const std::string& file : report.repaired)
        done << program << ": replaced the cut-short " << file << " in " << dataDir.string()
             << '\n';
    for (const std::string& file : report.missing)
        problems << program << ": " << file << " is not in " << dataDir.string()
                 << " and no copy to install was found\n";
    for (const std::string& error : report.errors)
        problems << program << ": cannot install " << error << '\n';
}

}  // namespace tvx::session
