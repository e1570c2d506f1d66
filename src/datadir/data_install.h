#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tvx::session {

// The files the tester ships in data/ and keeps in its data directory.
const std::vector<std::string>& shippedDataFiles();  // DTC5820EN.txt, DTC5820TR.txt, start.jpg

// The directory of the running program (argv0 only where the system cannot tell).
std::filesystem::path programDirectory(const char* argv0);

// Where the shipped files are looked for, first match wins: `data/` next to the executable,
// `../share/tarvolinex/` next to it (an installed program), then the source tree's `data/`
// as it was when the program was built.
std::vector<std::filesystem::path> shippedDataDirectories(
    const std::filesystem::path& executableDir);

struct InstallReport {
    std::vector<std::string> installed;  // files copied now
    std::vector<std::string> repaired;   // cut-short copies replaced now
    std::vector<std::string> missing;    // files found in no source directory
    std::vector<std::string> errors;     // files that could not be copied, with the reason
};

// Copies each shipped file into dataDir when it is not there yet (creating dataDir), through
// a temporary file renamed into place, so a failed copy (a full disk) never leaves a cut
// file under the real name. A file already in the data directory is never touched (the
// mechanic may have edited it), except a strict beginning of the shipped file: that is an
// earlier copy cut short, and it is replaced.
InstallReport installDataFiles(const std::vector<std::filesystem::path>& sourceDirs,
                               const std::filesystem::path& dataDir);

// One line per file, each starting with "program: ": the installed ones to `done`, the
// missing and failed ones to `problems`.
void reportInstall(const InstallReport& report, const std::filesystem::path& dataDir,
                   std::string_view program, std::ostream& done, std::ostream& problems);

}  // namespace tvx::session
