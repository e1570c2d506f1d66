#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tvx::session {

// Appends text to a file (created when missing) and waits until the system has it on disk:
// the data (fsync; FlushFileBuffers on Windows) and, when the file was created, the
// directory entry that names it, so that a power cut cannot leave the data without a
// name. Empty text only makes sure the file exists and can be written. One file per
// platform implements it.
bool appendDurably(const std::filesystem::path& path, std::string_view text, std::string& error);

}  // namespace tvx::session
