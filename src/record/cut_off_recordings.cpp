#include "record/cut_off_recordings.h"

namespace tvx::record {

std::int64_t endCutOffRecordings(Database& db, std::int64_t before) {
    Transaction transaction(db);
    // A reading's time counts from the recording's start; without readings it ends where it
    // began. Other bays' recordings are theirs to end.
    Statement(db,
              "UPDATE recordings SET ended_at = started_at + coalesce((SELECT max(t_ms) FROM "
              "readings WHERE recording_id = recordings.id), 0) WHERE ended_at IS NULL AND "
              "started_at < ? AND visit_id IN (SELECT id FROM visits WHERE bay IS NULL)")
        .bind(1, before)
        .run();
    const std::int64_t ended = db.changes();
    transaction.commit();
    return ended;
}

}  // namespace tvx::record
