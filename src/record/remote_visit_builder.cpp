#include "record/remote_visit_builder.h"

#include <vector>

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

// The newest version of each row of a visit: its kind, uid, body and bay, whether it is
// withdrawn and its injector blocks (hex), the visit first and each kind after what it
// names. Kinds a newer Tarvolinex sends come last and are left out.
constexpr const char* kRows =
    "SELECT e.kind, e.row_uid, e.body, e.bay, json_extract(e.body, '$.withdrawn') IS NOT NULL, "
    "json_extract(e.body, '$.blocks') FROM remote_entries e WHERE e.visit_uid = ?1 AND "
    "e.bay_seq = (SELECT max(bay_seq) FROM remote_entries WHERE row_uid = e.row_uid AND kind = "
    "e.kind) ORDER BY CASE e.kind WHEN 'visit' THEN 0 WHEN 'code_read' THEN 1 WHEN 'clear' THEN "
    "2 WHEN 'injector_read' THEN 3 WHEN 'programming_run' THEN 4 WHEN 'recording' THEN 5 ELSE 6 "
    "END, e.at, e.bay_seq";
constexpr int kBlocksColumn = 5;

}  // namespace

// Each row's insert takes ?1 its uid, ?2 the visit's id, ?3 its JSON body and, for rows
// with injector blocks, ?4 their bytes; the inserts of a row's parts take ?1 the row's id
// and ?2 its body.
RemoteVisitBuilder::RemoteVisitBuilder(Database& db)
    : m_db(db),
      m_remove(db, "DELETE FROM visits WHERE uid = ? AND bay IS NOT NULL"),
      m_rows(db, kRows),
      m_visit(db,
              "INSERT INTO visits(uid, bay, started_at, ended_at, demo, vehicle, diesel, vin, "
              "language, injector_unit, plate, customer, odometer_km, findings, recommendation) "
              "SELECT ?1, ?2, json_extract(?3, '$.started_at'), json_extract(?3, '$.ended_at'), "
              "0, json_extract(?3, '$.vehicle'), json_extract(?3, '$.diesel'), json_extract(?3, "
              "'$.vin'), json_extract(?3, '$.language'), json_extract(?3, '$.injector_unit'), "
              "json_extract(?3, '$.plate'), json_extract(?3, '$.customer'), json_extract(?3, "
              "'$.odometer_km'), json_extract(?3, '$.findings'), json_extract(?3, "
              "'$.recommendation')"),
      m_modules(db,
                "INSERT INTO visit_modules(visit_id, module, protocol) SELECT ?1, "
                "json_extract(value, '$[0]'), json_extract(value, '$[1]') FROM json_each(?2, "
                "'$.modules')"),
      m_codeRead(db,
                 "INSERT INTO code_reads(uid, visit_id, module, at, ok, count, "
                 "catalogue_missing, language) SELECT ?1, ?2, json_extract(?3, '$.module'), "
                 "json_extract(?3, '$.at'), json_extract(?3, '$.ok'), json_extract(?3, "
                 "'$.count'), json_extract(?3, '$.catalogue_missing'), json_extract(?3, "
                 "'$.language')"),
      m_codes(db,
              "INSERT INTO codes(read_id, position, code, code_text, description) SELECT ?1, "
              "key, json_extract(value, '$[0]'), json_extract(value, '$[1]'), "
              "json_extract(value, '$[2]') FROM json_each(?2, '$.codes')"),
      m_clear(db,
              "INSERT INTO clears(uid, visit_id, module, at, ok, before_read_id, after_read_id) "
              "SELECT ?1, ?2, json_extract(?3, '$.module'), json_extract(?3, '$.at'), "
              "json_extract(?3, '$.ok'), (SELECT id FROM code_reads WHERE uid = json_extract(?3, "
              "'$.before_read')), (SELECT id FROM code_reads WHERE uid = json_extract(?3, "
              "'$.after_read'))"),
      m_injectorRead(db,
                     "INSERT INTO injector_reads(uid, visit_id, at, ok, codes, blocks) SELECT ?1, "
                     "?2, json_extract(?3, '$.at'), json_extract(?3, '$.ok'), json_extract(?3, "
                     "'$.codes'), ?4"),
      m_run(db,
            "INSERT INTO programming_runs(uid, visit_id, injector, started_at, ended_at, "
            "code_before, code_new, codes_read, blocks, result, unit_holds, code_after, "
            "restore_tried, restore_run) SELECT ?1, ?2, json_extract(?3, '$.injector'), "
            "json_extract(?3, '$.started_at'), json_extract(?3, '$.ended_at'), "
            "json_extract(?3, '$.code_before'), json_extract(?3, '$.code_new'), "
            "json_extract(?3, '$.codes_read'), ?4, json_extract(?3, '$.result'), "
            "json_extract(?3, '$.unit_holds'), json_extract(?3, '$.code_after'), "
            "json_extract(?3, '$.restore_tried'), json_extract(?3, '$.restore_run')"),
      m_steps(db,
              "INSERT INTO programming_steps(run_id, seq, at, half, request, ok, restore) SELECT "
              "?1, key, json_extract(value, '$[0]'), json_extract(value, '$[1]'), "
              "json_extract(value, '$[2]'), json_extract(value, '$[3]'), json_extract(value, "
              "'$[4]') FROM json_each(?2, '$.steps')"),
      m_recording(db,
                  "INSERT INTO recordings(uid, visit_id, page, started_at, ended_at, cycles, "
                  "duration_ms) SELECT ?1, ?2, json_extract(?3, '$.page'), json_extract(?3, "
                  "'$.started_at'), json_extract(?3, '$.ended_at'), json_extract(?3, "
                  "'$.cycles'), json_extract(?3, '$.duration_ms')"),
      m_channels(db,
                 "INSERT INTO recording_channels(recording_id, channel, gauge, name, unit) "
                 "SELECT ?1, json_extract(value, '$[0]'), json_extract(value, '$[1]'), "
                 "json_extract(value, '$[2]'), json_extract(value, '$[3]') FROM json_each(?2, "
                 "'$.channels')"),
      m_readings(db,
                 "INSERT INTO readings(recording_id, seq, t_ms, channel, value) SELECT ?1, key, "
                 "json_extract(value, '$[0]'), json_extract(value, '$[1]'), json_extract(value, "
                 "'$[2]') FROM json_each(?2, '$.readings')") {}

void RemoteVisitBuilder::rebuild(const std::string& visitUid) {
    m_remove.bind(1, visitUid).run();
    m_rows.bind(1, visitUid);
    // Until the visit itself arrives, its rows wait in the entries; a withdrawn one stays
    // away.
    if (!m_rows.step() || m_rows.text(0) != "visit" || m_rows.integer(4) != 0) {
        m_rows.reset();
        return;
    }
    m_visit.bind(1, visitUid).bind(2, m_rows.text(3)).bind(3, m_rows.text(2)).run();
    const std::int64_t visit = m_db.lastInsertId();
    m_modules.bind(1, visit).bind(2, m_rows.text(2)).run();
    while (m_rows.step()) {
        addRow(m_rows.text(0), m_rows.text(1), visit, m_rows.text(2));
    }
    m_rows.reset();
}

void RemoteVisitBuilder::addRow(const std::string& kind, const std::string& uid, std::int64_t visit,
                                const std::string& body) {
    const auto blocks = [&](Statement& statement) -> Statement& {
        const auto bytes = fromHex(m_rows.isNull(kBlocksColumn) ? "" : m_rows.text(kBlocksColumn));
        return statement.bindBlob(4, bytes.data(), bytes.size());
    };
    if (kind == "code_read") {
        m_codes.bind(1, insert(m_codeRead, uid, visit, body)).bind(2, body).run();
    } else if (kind == "clear") {
        insert(m_clear, uid, visit, body);
    } else if (kind == "injector_read") {
        insert(blocks(m_injectorRead), uid, visit, body);
    } else if (kind == "programming_run") {
        m_steps.bind(1, insert(blocks(m_run), uid, visit, body)).bind(2, body).run();
    } else if (kind == "recording") {
        const std::int64_t id = insert(m_recording, uid, visit, body);
        m_channels.bind(1, id).bind(2, body).run();
        m_readings.bind(1, id).bind(2, body).run();
    }
}

std::int64_t RemoteVisitBuilder::insert(Statement& statement, const std::string& uid,
                                        std::int64_t visit, const std::string& body) {
    statement.bind(1, uid).bind(2, visit).bind(3, body).run();
    return m_db.lastInsertId();
}

}  // namespace tvx::record
