#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "datadir/durable_file.h"

namespace tvx::session {
namespace {

// Opens for appending; `created` tells whether this call made the file.
int openForAppend(const std::filesystem::path& path, bool& created) {
    created = false;
    while (true) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) {
            return fd;
        }
        const int made =
            ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (made >= 0 || errno != EEXIST) {
            created = made >= 0;
            return made;
        }
        // Made by another process in between: open it as it is.
    }
}

// The new name is only durable once its directory is.
bool syncDirectory(const std::filesystem::path& directory, std::string& error) {
    const std::filesystem::path dir = directory.empty() ? "." : directory;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open its directory: ") + std::strerror(errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    if (!ok) {
        error = std::string("cannot sync its directory: ") + std::strerror(errno);
    }
    ::close(fd);
    return ok;
}

}  // namespace

bool appendDurably(const std::filesystem::path& path, std::string_view text, std::string& error) {
    bool created = false;
    const int fd = openForAppend(path, created);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n == 0 ? "nothing was written" : std::strerror(errno);
            ok = false;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (ok && ::fsync(fd) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    return ok && (!created || syncDirectory(path.parent_path(), error));
}

}  // namespace tvx::session
