#include <windows.h>

#include <algorithm>

#include "datadir/durable_file.h"

namespace tvx::session {
namespace {

// Windows has no directory fsync. NTFS logs every change to a directory in its own
// journal, and FlushFileBuffers on a file writes that file's metadata too, so a created
// file's name survives a power cut once its data was flushed. Where the file system lets a
// directory be opened for writing (FILE_FLAG_BACKUP_SEMANTICS), its buffers are flushed as
// well; where it does not (FAT, network shares, Wine), that step is skipped, not an error.
void flushDirectory(const std::filesystem::path& directory) {
    const std::filesystem::path dir = directory.empty() ? "." : directory;
    HANDLE handle = CreateFileW(dir.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(handle);
        CloseHandle(handle);
    }
}

}  // namespace

bool appendDurably(const std::filesystem::path& path, std::string_view text, std::string& error) {
    HANDLE file = CreateFileW(path.wstring().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open the file (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // OPEN_ALWAYS says whether the file was there: ERROR_ALREADY_EXISTS when it was.
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0) {
            error = "cannot write the file (error " + std::to_string(GetLastError()) + ")";
            ok = false;
        }
        done += written;
    }
    if (ok && !FlushFileBuffers(file)) {
        error = "cannot flush the file (error " + std::to_string(GetLastError()) + ")";
        ok = false;
    }
    CloseHandle(file);
    if (ok && created) {
        flushDirectory(path.parent_path());
    }
    return ok;
}

}  // namespace tvx::session
