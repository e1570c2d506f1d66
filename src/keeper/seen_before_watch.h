#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "session/session_events.h"

namespace tvx::session {

// When a VIN is read, says when and where the vehicle was seen before (at this PC or at the
// workshop's other bays, as far as the record holds them) and what was found and done.
// Nothing when the record is not kept or the vehicle is new.
class SeenBeforeWatch final : public SessionEvents {
public:
    // The lines of one vehicle at once, each "seen before: ..." in the session's language.
    using Tell = std::function<void(const std::vector<std::string>& lines)>;
    SeenBeforeWatch(std::filesystem::path dataDirectory, char languageCode, std::int64_t since,
                    Tell tell);

    void vinRead(const VinReading& e) override;

private:
    std::filesystem::path m_dataDirectory;
    char m_languageCode;
    std::int64_t m_since;  // visits that began from here on are this run's own
    Tell m_tell;
    std::set<std::string> m_told;
};

// "bay-2 (2026-12-09 14:05)" when the record's visit was at another bay of the workshop;
// "" when it was at this PC, or the record cannot tell.
std::string otherBayOfVisit(const std::filesystem::path& dataDirectory, std::int64_t visit);

}  // namespace tvx::session
