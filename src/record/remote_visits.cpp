#include "record/remote_visits.h"

#include <array>
#include <set>

namespace tvx::record {
namespace {

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    }
    return bytes;
}

// The newest version of each row of one kind of a visit.
constexpr const char* kNewest =
    "SELECT e.row_uid, e.body, e.bay FROM remote_entries e WHERE e.visit_uid = ?1 AND e.kind "
    "= ?2 AND e.bay_seq = (SELECT max(bay_seq) FROM remote_entries WHERE row_uid = e.row_uid "
    "AND kind = e.kind) ORDER BY e.at, e.bay_seq";

// Inserts one row of a visit from its JSON body: ?1 its uid, ?2 the visit, ?3 the body and,
// when the row has injector blocks, ?4 their bytes (hex in the body). Returns its id.
std::int64_t insertRow(Database& db, const std::string& sql, const std::string& uid,
                       std::int64_t visit, const std::string& body, bool blocks = false) {
    Statement insert(db, sql);
    insert.bind(1, uid).bind(2, visit).bind(3, body);
    if (blocks) {
        Statement hex(db, "SELECT json_extract(?, '$.blocks')");
        hex.bind(1, body).step();
        const auto bytes = fromHex(hex.isNull(0) ? std::string() : hex.text(0));
        insert.bindBlob(4, bytes.data(), bytes.size());
    }
    insert.run();
    return db.lastInsertId();
}

// Inserts the rows of a JSON array of a body under their parent: ?1 the parent's id, ?2 the
// body.
void insertEach(Database& db, const std::string& sql, std::int64_t parent,
                const std::string& body) {
    Statement(db, sql).bind(1, parent).bind(2, body).run();
}

// The rows of a visit besides the visit itself, by the kind of their entries, in the order
// they are rebuilt (a clear names the code reads it came between). `insert` takes what
// insertRow gives it; `children` (insertEach) the rows of the arrays of the row's body.
struct RowKind {
    const char* kind;
    const char* insert;
    bool blocks;  // the row has injector blocks
    std::array<const char*, 2> children;
};

const RowKind kRowKinds[] = {
    {"code_read",
     "INSERT INTO code_reads(uid, visit_id, module, at, ok, count, catalogue_missing, language) "
     "SELECT ?1, ?2, json_extract(?3, '$.module'), json_extract(?3, '$.at'), json_extract(?3, "
     "'$.ok'), json_extract(?3, '$.count'), json_extract(?3, '$.catalogue_missing'), "
     "json_extract(?3, '$.language')",
     false,
     {"INSERT INTO codes(read_id, position, code, code_text, description) SELECT ?1, key, "
      "json_extract(value, '$[0]'), json_extract(value, '$[1]'), json_extract(value, '$[2]') "
      "FROM json_each(?2, '$.codes')",
      nullptr}},
    {"clear",
     "INSERT INTO clears(uid, visit_id, module, at, ok, before_read_id, after_read_id) SELECT "
     "?1, ?2, json_extract(?3, '$.module'), json_extract(?3, '$.at'), json_extract(?3, '$.ok'), "
     "(SELECT id FROM code_reads WHERE uid = json_extract(?3, '$.before_read')), (SELECT id "
     "FROM code_reads WHERE uid = json_extract(?3, '$.after_read'))",
     false,
     {nullptr, nullptr}},
    {"injector_read",
     "INSERT INTO injector_reads(uid, visit_id, at, ok, codes, blocks) SELECT ?1, ?2, "
     "json_extract(?3, '$.at'), json_extract(?3, '$.ok'), json_extract(?3, '$.codes'), ?4",
     true,
     {nullptr, nullptr}},
    {"programming_run",
     "INSERT INTO programming_runs(uid, visit_id, injector, started_at, ended_at, code_before, "
     "code_new, codes_read, blocks, result, unit_holds, code_after, restore_tried, restore_run) "
     "SELECT ?1, ?2, json_extract(?3, '$.injector'), json_extract(?3, '$.started_at'), "
     "json_extract(?3, '$.ended_at'), json_extract(?3, '$.code_before'), json_extract(?3, "
     "'$.code_new'), json_extract(?3, '$.codes_read'), ?4, json_extract(?3, '$.result'), "
     "json_extract(?3, '$.unit_holds'), json_extract(?3, '$.code_after'), json_extract(?3, "
     "'$.restore_tried'), json_extract(?3, '$.restore_run')",
     true,
     {"INSERT INTO programming_steps(run_id, seq, at, half, request, ok, restore) SELECT ?1, "
      "key, json_extract(value, '$[0]'), json_extract(value, '$[1]'), json_extract(value, "
      "'$[2]'), json_extract(value, '$[3]'), json_extract(value, '$[4]') FROM json_each(?2, "
      "'$.steps')",
      nullptr}},
    {"recording",
     "INSERT INTO recordings(uid, visit_id, page, started_at, ended_at) SELECT ?1, ?2, "
     "json_extract(?3, '$.page'), json_extract(?3, '$.started_at'), json_extract(?3, "
     "'$.ended_at')",
     false,
     {"INSERT INTO recording_channels(recording_id, channel, gauge, name, unit) SELECT ?1, "
      "json_extract(value, '$[0]'), json_extract(value, '$[1]'), json_extract(value, '$[2]'), "
      "json_extract(value, '$[3]') FROM json_each(?2, '$.channels')",
      "INSERT INTO readings(recording_id, seq, t_ms, channel, value) SELECT ?1, key, "
      "json_extract(value, '$[0]'), json_extract(value, '$[1]'), json_extract(value, '$[2]') "
      "FROM json_each(?2, '$.readings')"}},
};

}  // namespace

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
    for (const std::string& visit : touched) {
        rebuild(visit);
    }
    setSyncValue(m_db, kCursorKey, cursor);
    m_db.exec("DELETE FROM sync_writing");
    transaction.commit();
    return added;
}

void RemoteVisits::rebuild(const std::string& visitUid) {
    Statement(m_db, "DELETE FROM visits WHERE uid = ? AND bay IS NOT NULL").bind(1, visitUid).run();
    Statement head(m_db, kNewest);
    head.bind(1, visitUid).bind(2, "visit");
    // Until the visit itself arrives, its rows wait in the entries.
    if (!head.step()) {
        return;
    }
    const std::string body = head.text(1);
    const std::string bay = head.text(2);
    head.reset();
    {
        Statement withdrawn(m_db, "SELECT json_extract(?, '$.withdrawn') IS NOT NULL");
        withdrawn.bind(1, body);
        if (withdrawn.step() && withdrawn.integer(0) != 0) {
            return;
        }
    }
    Statement(m_db,
              "INSERT INTO visits(uid, bay, started_at, ended_at, demo, vehicle, diesel, vin, "
              "language, injector_unit, plate, customer, odometer_km, findings, recommendation) "
              "SELECT ?1, ?2, json_extract(?3, '$.started_at'), json_extract(?3, '$.ended_at'), "
              "0, json_extract(?3, '$.vehicle'), json_extract(?3, '$.diesel'), json_extract(?3, "
              "'$.vin'), json_extract(?3, '$.language'), json_extract(?3, '$.injector_unit'), "
              "json_extract(?3, '$.plate'), json_extract(?3, '$.customer'), json_extract(?3, "
              "'$.odometer_km'), json_extract(?3, '$.findings'), json_extract(?3, "
              "'$.recommendation')")
        .bind(1, visitUid)
        .bind(2, bay)
        .bind(3, body)
        .run();
    const std::int64_t visit = m_db.lastInsertId();
    Statement(
        m_db,
        "INSERT INTO visit_modules(visit_id, module, protocol) SELECT ?1, json_extract(value, "
        "'$[0]'), json_extract(value, '$[1]') FROM json_each(?2, '$.modules')")
        .bind(1, visit)
        .bind(2, body)
        .run();

    for (const RowKind& rows : kRowKinds) {
        Statement newest(m_db, kNewest);
        newest.bind(1, visitUid).bind(2, rows.kind);
        while (newest.step()) {
            const std::string body = newest.text(1);
            const std::int64_t id =
                insertRow(m_db, rows.insert, newest.text(0), visit, body, rows.blocks);
            for (const char* children : rows.children) {
                if (children != nullptr) {
                    insertEach(m_db, children, id, body);
                }
            }
        }
    }
}

}  // namespace tvx::record
