#include <sys/stat.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "record/open_elsewhere.h"

namespace tvx::record {

// Another program holds SQLite's locks on the file or its shared memory: it has the record
// open. Read from the kernel's lock table, so no descriptor of the file is opened and
// closed here (closing one would drop this program's own locks on it).
bool openElsewhere(const std::filesystem::path& path) {
#ifdef __linux__
    std::filesystem::path shm = path;
    shm += "-shm";
    std::vector<std::string> keys;
    for (const std::filesystem::path& file : {path, shm}) {
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0) {
            char key[64];
            std::snprintf(key, sizeof key, " %02x:%02x:%llu ", major(info.st_dev),
                          minor(info.st_dev), static_cast<unsigned long long>(info.st_ino));
            keys.emplace_back(key);
        }
    }
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        for (const std::string& key : keys) {
            if (line.find(key) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
#else
    (void)path;
    return false;
#endif
}

}  // namespace tvx::record
