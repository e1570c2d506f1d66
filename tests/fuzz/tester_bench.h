#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "common/recording_view.h"

namespace tvx::fuzz {

// A data directory of this process (removed at exit) holding two small catalogues.
const std::filesystem::path& fuzzDataDirectory();
// Writes (or with nullptr removes) the settings file of that directory.
void putSettingsFile(const std::string* content);

// The session's view as the tests record it, with every display line checked against the
// display rule as it is written; onLine sees each line after the check.
class CheckingView final : public session::RecordingView {
public:
    void setLine(int line, const std::string& text) override;

    std::function<void(int line, const std::string& text)> onLine;
};

}  // namespace tvx::fuzz
