#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "datadir/restore_choice.h"
#include "link/injector_codes.h"
#include "session/session_events.h"

namespace tvx::session {

// A programming run that never finished (the tester was killed or lost power during it)
// and that no later run on its injector followed: the unit may hold a mixed code.
struct UnfinishedRun {
    int injector = 1;  // as labelled, 1..4
    RunFacts run;
};

// The unfinished runs of one car (vin; "" for the runs whose car's VIN was not read), or
// of every car when vin is nullopt, as the record and the journal keep them.
std::vector<UnfinishedRun> unfinishedRuns(const std::filesystem::path& dataDirectory,
                                          const std::optional<std::string>& vin);

// One warning per run in the language ('2' Turkish, else English): that it never
// finished, what the unit holds (`codes`, when they were read) or may hold, and how to
// put it right.
std::vector<std::string> unfinishedRunWarnings(const std::vector<UnfinishedRun>& runs,
                                               const InjectorCodes* codes, char languageCode);

// Says, once per car, when the car a session connects to has an unfinished run: every
// program that connects with a data directory listens with one of these.
class UnfinishedRunWatch final : public SessionEvents {
public:
    using Tell = std::function<void(const std::string& warning)>;
    UnfinishedRunWatch(std::filesystem::path dataDirectory, std::function<char()> languageCode,
                       Tell tell);

    void vinRead(const VinReading& e) override;

private:
    std::filesystem::path m_dataDirectory;
    std::function<char()> m_languageCode;
    Tell m_tell;
    std::set<std::string> m_told;  // the cars already warned about
};

}  // namespace tvx::session
