#include "session/data_install.h"

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
        if (fs::exists(target, error))
            continue;
        const fs::path* source = nullptr;
        for (const fs::path& dir : sourceDirs)
            if (fs::is_regular_file(dir / file, error)) {
                source = &dir;
                break;
            }
        if (source == nullptr) {
            report.missing.push_back(file);
            continue;
        }
        fs::copy_file(*source / file, target, error);
        if (error)
            report.errors.push_back(target.string() + ": " + error.message());
        else
            report.installed.push_back(file);
    }
    return report;
}

void reportInstall(const InstallReport& report, const fs::path& dataDir, std::string_view program,
                   std::ostream& done, std::ostream& problems) {
    for (const std::string& file : report.installed)
        done << program << ": installed " << file << " into " << dataDir.string() << '\n';
    for (const std::string& file : report.missing)
        problems << program << ": " << file << " is not in " << dataDir.string()
                 << " and no copy to install was found\n";
    for (const std::string& error : report.errors)
        problems << program << ": cannot install " << error << '\n';
}

}  // namespace tvx::session
