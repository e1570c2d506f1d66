#include "ui/data_install.h"

#include <system_error>

namespace tvx::ui {

namespace fs = std::filesystem;

const std::vector<std::string>& shippedDataFiles() {
    static const std::vector<std::string> files{"DTC5820EN.txt", "DTC5820TR.txt", "start.jpg"};
    return files;
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

}  // namespace tvx::ui
