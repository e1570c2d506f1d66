#include <windows.h>

#include "session/durable_file.h"

namespace tvx::session {

bool appendDurably(const std::filesystem::path& path, std::string_view text, std::string& error) {
    HANDLE file = CreateFileW(path.wstring().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open the file (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
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
    return ok;
}

}  // namespace tvx::session
