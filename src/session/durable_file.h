#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tvx::session {

// Appends text to a file (created when missing) and waits until the system has it on disk
// (fsync; FlushFileBuffers on Windows). One file per platform implements it.
bool appendDurably(const std::filesystem::path& path, std::string_view text, std::string& error);

}  // namespace tvx::session
