#include "record/remote_visits.h"

#include <set>

#include "record/remote_visit_builder.h"

namespace tvx::record {

std::optional<std::string> syncValue(Database& db, const std::string& key) {
    Statement query(db, "SELECT value FROM sync_state WHERE key = ?");
    query.bind(1, key);
    return query.step() ? std::optional<std::string>(query.text(0)) : std::nullopt;
}

void setSyncValue(Database& db, const std::string& key, const std::string& value) {
    Statement(db, "INSERT OR REPLACE INTO sync_state(key, value) VALUES (?, ?)")
        .bind(1, key)
        .bind(2, value)
        .run();
}

std::int64_t RemoteVisits::visitCount() {
    return m_db.queryInteger("SELECT count(*) FROM visits WHERE bay IS NOT NULL");
}

std::int64_t RemoteVisits::store(const std::vector<SharedEntry>& entries,
                                 const std::string& cursor) {
    Transaction transaction(m_db);
    m_db.exec("INSERT INTO sync_writing(active) VALUES (1)");
    Statement insert(m_db,
                     "INSERT OR IGNORE INTO remote_entries(uid, bay, kind, row_uid, visit_uid, "
                     "bay_seq, vin, at, body) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::set<std::string> touched;
    std::int64_t added = 0;
    for (const SharedEntry& entry : entries) {
        insert.bind(1, entry.uid)
            .bind(2, entry.bay)
            .bind(3, entry.kind)
            .bind(4, entry.rowUid)
            .bind(5, entry.visitUid)
            .bind(6, entry.baySeq)
            .bind(7, entry.vin)
            .bind(8, entry.at)
            .bind(9, entry.body);
        insert.run();
        if (m_db.changes() > 0) {
            ++added;
            touched.insert(entry.visitUid);
        }
    }
    RemoteVisitBuilder builder(m_db);
    for (const std::string& visit : touched) {
        builder.rebuild(visit);
    }
    setSyncValue(m_db, kCursorKey, cursor);
    m_db.exec("DELETE FROM sync_writing");
    transaction.commit();
    return added;
}

}  // namespace tvx::record
