#include "datadir/data_directory.h"

namespace tvx::session {

std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& override) {
    return override ? *override : defaultDataDirectory();
}

std::filesystem::path windowsDataDirectory(const std::filesystem::path& localAppData,
                                           bool legacyExists) {
    const std::filesystem::path legacy("C:\\kestron-5820");
    if (legacyExists || localAppData.empty())
        return legacy;
    return localAppData / "Tarvolinex";
}

}  // namespace tvx::session
