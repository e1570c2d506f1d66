#include "record/outbox.h"

#include <map>
#include <string>

namespace tvx::record {
namespace {

// Each kind of row as JSON, with the uid of its visit, its VIN and its time. The visit is
// the first column's row itself for visits. Binding 1: the row's uid.
const std::map<std::string, std::string>& rowQueries() {
    static const std::map<std::string, std::string> queries = {
        {"visit",
         "SELECT v.uid, v.vin, v.started_at, json_object('started_at', v.started_at, "
         "'ended_at', v.ended_at, 'vehicle', v.vehicle, 'diesel', v.diesel, 'vin', v.vin, "
         "'language', v.language, 'injector_unit', v.injector_unit, 'plate', v.plate, "
         "'customer', v.customer, 'odometer_km', v.odometer_km, 'findings', v.findings, "
         "'recommendation', v.recommendation, 'modules', (SELECT json_group_array(json_array("
         "module, protocol)) FROM visit_modules WHERE visit_id = v.id)) FROM visits v WHERE "
         "v.uid = ?1"},
        {"code_read",
         "SELECT v.uid, v.vin, r.at, json_object('module', r.module, 'at', r.at, 'ok', r.ok, "
         "'count', r.count, 'catalogue_missing', r.catalogue_missing, 'language', r.language, "
         "'codes', (SELECT json_group_array(json_array(code, code_text, description)) FROM "
         "(SELECT * FROM codes WHERE read_id = r.id ORDER BY position))) FROM code_reads r JOIN "
         "visits v ON v.id = r.visit_id WHERE r.uid = ?1"},
        {"clear",
         "SELECT v.uid, v.vin, r.at, json_object('module', r.module, 'at', r.at, 'ok', r.ok, "
         "'before_read', (SELECT uid FROM code_reads WHERE id = r.before_read_id), "
         "'after_read', (SELECT uid FROM code_reads WHERE id = r.after_read_id)) FROM clears r "
         "JOIN visits v ON v.id = r.visit_id WHERE r.uid = ?1"},
        {"injector_read",
         "SELECT v.uid, v.vin, r.at, json_object('at', r.at, 'ok', r.ok, 'codes', r.codes, "
         "'blocks', hex(r.blocks)) FROM injector_reads r JOIN visits v ON v.id = r.visit_id "
         "WHERE r.uid = ?1"},
        {"programming_run",
         "SELECT v.uid, v.vin, r.started_at, json_object('injector', r.injector, 'started_at', "
         "r.started_at, 'ended_at', r.ended_at, 'code_before', r.code_before, 'code_new', "
         "r.code_new, 'codes_read', r.codes_read, 'blocks', hex(r.blocks), 'result', r.result, "
         "'unit_holds', r.unit_holds, 'code_after', r.code_after, 'restore_tried', "
         "r.restore_tried, 'restore_run', r.restore_run, 'steps', (SELECT json_group_array("
         "json_array(at, half, request, ok, restore)) FROM (SELECT * FROM programming_steps "
         "WHERE run_id = r.id ORDER BY seq))) FROM programming_runs r JOIN visits v ON v.id = "
         "r.visit_id WHERE r.uid = ?1"},
        {"recording",
         "SELECT v.uid, v.vin, r.started_at, json_object('page', r.page, 'started_at', "
         "r.started_at, 'ended_at', r.ended_at, 'cycles', r.cycles, 'duration_ms', "
         "r.duration_ms, 'channels', (SELECT json_group_array(json_array("
         "channel, gauge, name, unit)) FROM (SELECT * FROM recording_channels WHERE "
         "recording_id = r.id ORDER BY channel)), 'readings', (SELECT json_group_array("
         "json_array(t_ms, channel, value)) FROM (SELECT * FROM readings WHERE recording_id = "
         "r.id ORDER BY seq))) FROM recordings r JOIN visits v ON v.id = r.visit_id WHERE r.uid "
         "= ?1"},
    };
    return queries;
}

// A read transaction (deferred: it takes no write lock, so the session's writes go on while
// the push reads).
class ReadSnapshot {
public:
    explicit ReadSnapshot(Database& db) : m_db(db) { m_db.exec("BEGIN"); }
    ~ReadSnapshot() {
        try {
            m_db.exec("COMMIT");
        } catch (const DbError&) {
        }
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database& m_db;
};

}  // namespace

std::int64_t Outbox::waiting() {
    return m_db.queryInteger("SELECT count(*) FROM outbox");
}

std::vector<SharedEntry> Outbox::next(int limit) {
    std::vector<SharedEntry> entries;
    std::vector<std::int64_t> gone;
    {
        const ReadSnapshot snapshot(m_db);  // the entries and their rows as of one moment
        Statement queued(m_db,
                         "SELECT seq, entry_uid, kind, row_uid FROM outbox ORDER BY seq LIMIT ?");
        queued.bind(1, limit);
        while (queued.step()) {
            SharedEntry entry;
            entry.baySeq = queued.integer(0);
            entry.uid = queued.text(1);
            entry.kind = queued.text(2);
            entry.rowUid = queued.text(3);
            const auto query = rowQueries().find(entry.kind);
            if (query == rowQueries().end()) {
                gone.push_back(entry.baySeq);  // a kind this build does not know: not ours to send
                continue;
            }
            Statement row(m_db, query->second);
            row.bind(1, entry.rowUid);
            if (row.step()) {
                entry.visitUid = row.text(0);
                if (!row.isNull(1)) {
                    entry.vin = row.text(1);
                }
                entry.at = row.integer(2);
                entry.body = row.text(3);
            } else if (entry.kind == "visit") {
                entry.visitUid = entry.rowUid;
                entry.body = R"({"withdrawn":true})";
            } else {
                gone.push_back(entry.baySeq);  // went with its visit
                continue;
            }
            entries.push_back(std::move(entry));
        }
    }
    if (!gone.empty()) {
        sent(gone);
    }
    return entries;
}

void Outbox::sent(const std::vector<std::int64_t>& seqs) {
    Transaction transaction(m_db);
    Statement remove(m_db, "DELETE FROM outbox WHERE seq = ?");
    for (const std::int64_t seq : seqs) {
        remove.bind(1, seq);
        remove.run();
    }
    transaction.commit();
}

}  // namespace tvx::record
