#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "port_holder.h"

namespace tvx::link {
namespace fs = std::filesystem;
namespace {

std::string wholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool processAlive(int pid) {
    std::error_code ignored;
    return pid > 0 && fs::exists(fs::path("/proc") / std::to_string(pid), ignored);
}

// "picocom (pid 4711)": the program's name as the kernel keeps it.
std::string programOf(int pid) {
    std::string name = wholeFile(fs::path("/proc") / std::to_string(pid) / "comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) {
        name.pop_back();
    }
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';  // a process name is not to steer the terminal it is shown on
        }
    }
    return (name.empty() ? std::string("a program") : name) + " (pid " + std::to_string(pid) + ")";
}

// A program other than this one with the device open, found through /proc/PID/fd.
std::optional<int> openedBy(const fs::path& device) {
    const int self = static_cast<int>(::getpid());
    std::error_code error;
    for (fs::directory_iterator proc("/proc", error), end; !error && proc != end;
         proc.increment(error)) {
        const std::string name = proc->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(name) == self) {
            continue;
        }
        std::error_code denied;
        for (fs::directory_iterator fd(proc->path() / "fd", denied), fdEnd; !denied && fd != fdEnd;
             fd.increment(denied)) {
            std::error_code unreadable;
            if (fs::read_symlink(fd->path(), unreadable) == device) {
                return std::stoi(name);
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> lockHolderPid(std::string_view procLocks, unsigned major, unsigned minor,
                                 unsigned long inode) {
    std::istringstream lines{std::string(procLocks)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, pid, file;
        fields >> id >> kind;
        if (kind == "->") {
            continue;  // waits for the lock, does not hold it
        }
        fields >> mode >> access >> pid >> file;
        unsigned fileMajor = 0, fileMinor = 0;
        unsigned long fileInode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &fileMajor, &fileMinor, &fileInode) != 3) {
            continue;
        }
        if (fileMajor == major && fileMinor == minor && fileInode == inode &&
            pid.find_first_not_of("0123456789") == std::string::npos && !pid.empty() &&
            pid.size() < 10) {
            return std::stoi(pid);
        }
    }
    return std::nullopt;
}

std::optional<int> lockFilePid(std::string_view contents) {
    std::string text(contents);
    const auto first = text.find_first_not_of(" \t");
    if (first != std::string::npos && text[first] >= '0' && text[first] <= '9') {
        const auto last = text.find_first_not_of("0123456789", first);
        const std::string digits = text.substr(first, last - first);
        if (digits.size() < 10) {
            return std::stoi(digits);
        }
        return std::nullopt;
    }
    if (contents.size() == sizeof(int)) {
        int pid = 0;
        std::memcpy(&pid, contents.data(), sizeof pid);
        return pid > 0 ? std::optional<int>(pid) : std::nullopt;
    }
    return std::nullopt;
}

std::string deviceHolder(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) {
        return {};
    }
    if (auto pid = lockHolderPid(wholeFile("/proc/locks"), major(info.st_dev), minor(info.st_dev),
                                 static_cast<unsigned long>(info.st_ino));
        pid && processAlive(*pid)) {
        return programOf(*pid);
    }
    const std::string lockName = "LCK.." + fs::path(device).filename().string();
    for (const char* dir : {"/var/lock", "/run/lock"}) {
        std::error_code missing;
        const fs::path lock = fs::path(dir) / lockName;
        if (!fs::exists(lock, missing)) {
            continue;
        }
        if (auto pid = lockFilePid(wholeFile(lock)); pid && processAlive(*pid)) {
            return programOf(*pid);
        }
    }
    std::error_code error;
    const fs::path real = fs::canonical(device, error);
    if (!error) {
        if (auto pid = openedBy(real)) {
            return programOf(*pid);
        }
    }
    return {};
}

std::string deviceGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) {
        return {};
    }
    // getgrgid_r: the tester's threads may look up groups at the same time.
    char buffer[4096];
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        return {};
    }
    return found->gr_name;
}

}  // namespace tvx::link
