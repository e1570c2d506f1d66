#include <windows.h>

#include "record/open_elsewhere.h"

namespace tvx::record {

// SQLite keeps the file open, shared for reading and writing, for as long as a connection
// to it lives (its locks are byte ranges of that handle). Asking for the file shared with
// no one therefore fails with a sharing violation while any program has it open. Unlike a
// POSIX descriptor, closing this handle leaves every lock of this program's connections
// as it was. A connection of this same program also counts: the file is then left where
// it is, which is the safe side.
bool openElsewhere(const std::filesystem::path& path) {
    HANDLE handle = CreateFileW(path.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_SHARING_VIOLATION;
    }
    CloseHandle(handle);
    return false;
}

}  // namespace tvx::record
