#pragma once

#include <cstdint>
#include <string>

#include "record/sqlite_db.h"

namespace tvx::record {

// Builds the visits of other bays again from the newest version of each of their rows in
// remote_entries. Its statements are prepared once and reused for every visit of a pull's
// batch; each visit's rows come back in one query, in the order they are built (the visit,
// then code reads before the clears that name them, ...). Runs inside the pull's
// transaction, with sync_writing set.
class RemoteVisitBuilder {
public:
    explicit RemoteVisitBuilder(Database& db);
    void rebuild(const std::string& visitUid);

private:
    void addRow(const std::string& kind, const std::string& uid, std::int64_t visit,
                const std::string& body);
    std::int64_t insert(Statement& statement, const std::string& uid, std::int64_t visit,
                        const std::string& body);

    Database& m_db;
    Statement m_remove;
    Statement m_rows;
    Statement m_visit;
    Statement m_modules;
    Statement m_codeRead;
    Statement m_codes;
    Statement m_clear;
    Statement m_injectorRead;
    Statement m_run;
    Statement m_steps;
    Statement m_recording;
    Statement m_channels;
    Statement m_readings;
};

}  // namespace tvx::record
