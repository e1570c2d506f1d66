#include "record/record.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "record/schema.h"

namespace tvx::record {
namespace {

// Blocks as 7 bytes each: three of address (high first), four of data.
std::vector<std::uint8_t> blockBytes(const std::vector<Block>& blocks) {
    std::vector<std::uint8_t> bytes;
    for (const Block& block : blocks) {
        bytes.push_back(static_cast<std::uint8_t>(block.address >> 16));
        bytes.push_back(static_cast<std::uint8_t>(block.address >> 8));
        bytes.push_back(static_cast<std::uint8_t>(block.address));
        bytes.insert(bytes.end(), block.data.begin(), block.data.end());
    }
    return bytes;
}

std::vector<Block> blocksOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<Block> blocks;
    for (std::size_t at = 0; at + 7 <= bytes.size(); at += 7) {
        Block block;
        block.address =
            (std::uint32_t{bytes[at]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) | bytes[at + 2];
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 3), 4, block.data.begin());
        blocks.push_back(block);
    }
    return blocks;
}

std::string joined(const std::array<std::string, 4>& codes) {
    return codes[0] + " " + codes[1] + " " + codes[2] + " " + codes[3];
}

std::array<std::string, 4> split(const std::string& text) {
    std::array<std::string, 4> codes;
    std::istringstream in(text);
    for (std::string& code : codes) {
        in >> code;
    }
    return codes;
}

}  // namespace

std::string Record::plainProblem(const DbError& error) {
    switch (error.primary()) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "the record file is locked by another program";
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "the record file cannot be written (read-only or not allowed)";
        case SQLITE_FULL:
            return "the disk is full";
        case SQLITE_MISMATCH:
            return error.what();
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return std::string("the record file is damaged (") + error.what() + ")";
        case SQLITE_IOERR:
            return std::string("the record file cannot be read or written (") + error.what() + ")";
        default:
            return std::string("the record file cannot be used: ") + error.what();
    }
}

Record::Record(std::unique_ptr<Database> db) : m_db(std::move(db)) {}

Record::~Record() = default;

// ---- writes

std::int64_t Record::beginVisit(const VisitStart& start) {
    Statement(*m_db,
              "INSERT INTO visits(started_at, ended_at, demo, vehicle, diesel, language) "
              "VALUES (?, ?, ?, ?, ?, ?)")
        .binds(1, start.startedAt, start.startedAt, start.demo, start.vehicle, start.diesel,
               start.language)
        .run();
    return m_db->lastInsertId();
}

void Record::setVisitVehicle(std::int64_t visit, const std::string& vehicle, bool diesel) {
    Statement(*m_db, "UPDATE visits SET vehicle = ?, diesel = ? WHERE id = ?")
        .binds(1, vehicle, diesel, visit)
        .run();
}

void Record::setVisitVin(std::int64_t visit, const std::string& vin) {
    Statement(*m_db, "UPDATE visits SET vin = ? WHERE id = ?").bind(1, vin).bind(2, visit).run();
}

void Record::setVisitModules(std::int64_t visit, const std::array<int, 7>& protocols,
                             bool injectorUnit) {
    Transaction transaction(*m_db);
    Statement(*m_db, "DELETE FROM visit_modules WHERE visit_id = ?").bind(1, visit).run();
    Statement insert(*m_db,
                     "INSERT INTO visit_modules(visit_id, module, protocol) VALUES (?, ?, ?)");
    for (int module = 1; module <= 5; ++module) {
        insert.bind(1, visit).bind(2, module).bind(3, protocols[static_cast<std::size_t>(module)]);
        insert.run();
    }
    Statement(*m_db, "UPDATE visits SET injector_unit = ? WHERE id = ?")
        .bind(1, injectorUnit ? 1 : 0)
        .bind(2, visit)
        .run();
    transaction.commit();
}

bool Record::setVisitNotes(std::int64_t visit, const VisitNotes& notes) {
    Statement update(*m_db,
                     "UPDATE visits SET plate = ?, customer = ?, odometer_km = ?, findings = ?, "
                     "recommendation = ? WHERE id = ?");
    update
        .binds(1, notes.plate, notes.customer, notes.odometerKm, notes.findings,
               notes.recommendation, visit)
        .run();
    return m_db->changes() > 0;
}

void Record::setVisitOdometerRead(std::int64_t visit, double km) {
    Statement(*m_db, "UPDATE visits SET odometer_read_km = ? WHERE id = ?")
        .bind(1, km)
        .bind(2, visit)
        .run();
}

void Record::touchVisit(std::int64_t visit, std::int64_t at) {
    Statement(*m_db, "UPDATE visits SET ended_at = max(ended_at, ?) WHERE id = ?")
        .bind(1, at)
        .bind(2, visit)
        .run();
}

std::int64_t Record::continueVisit(std::int64_t visit, const std::string& vin, std::int64_t now,
                                   std::int64_t withinMs) {
    Transaction transaction(*m_db);
    Statement earlier(*m_db,
                      "SELECT p.id FROM visits v JOIN visits p ON p.vin = ?2 AND p.vehicle = "
                      "v.vehicle AND p.demo = v.demo AND p.id <> v.id AND p.ended_at >= ?3 AND "
                      "p.bay IS NULL WHERE "
                      "v.id = ?1 AND NOT EXISTS (SELECT 1 FROM code_reads WHERE visit_id = v.id) "
                      "AND NOT EXISTS (SELECT 1 FROM clears WHERE visit_id = v.id) AND NOT EXISTS "
                      "(SELECT 1 FROM injector_reads WHERE visit_id = v.id) AND NOT EXISTS (SELECT "
                      "1 FROM programming_runs WHERE visit_id = v.id) AND NOT EXISTS (SELECT 1 "
                      "FROM recordings WHERE visit_id = v.id) ORDER BY p.ended_at DESC LIMIT 1");
    earlier.bind(1, visit).bind(2, vin).bind(3, now - withinMs);
    std::int64_t result = visit;
    if (earlier.step()) {
        result = earlier.integer(0);
        earlier.reset();
        Statement(*m_db, "DELETE FROM visits WHERE id = ?").bind(1, visit).run();
    } else {
        earlier.reset();
        Statement(*m_db, "UPDATE visits SET vin = ? WHERE id = ?")
            .bind(1, vin)
            .bind(2, visit)
            .run();
    }
    touchVisit(result, now);
    transaction.commit();
    return result;
}

std::int64_t Record::addCodeRead(std::int64_t visit, const CodeRead& read) {
    Transaction transaction(*m_db);
    Statement(*m_db,
              "INSERT INTO code_reads(visit_id, module, at, ok, count, catalogue_missing, "
              "language) VALUES (?, ?, ?, ?, ?, ?, ?)")
        .binds(1, visit, read.module, read.at, read.ok, read.count, read.catalogueMissing,
               read.language)
        .run();
    const std::int64_t id = m_db->lastInsertId();
    Statement insert(*m_db,
                     "INSERT INTO codes(read_id, position, code, code_text, description) "
                     "VALUES (?, ?, ?, ?, ?)");
    for (std::size_t i = 0; i < read.codes.size(); ++i) {
        const TroubleCode& code = read.codes[i];
        insert.binds(1, id, static_cast<int>(i), code.code, code.text, code.description);
        insert.run();
    }
    if (read.ok) {
        Statement(*m_db,
                  "UPDATE clears SET after_read_id = ?1 WHERE id = (SELECT max(id) FROM clears "
                  "WHERE visit_id = ?2 AND module = ?3 AND after_read_id IS NULL AND ok = 1)")
            .binds(1, id, visit, read.module)
            .run();
    }
    touchVisit(visit, read.at);
    transaction.commit();
    return id;
}

std::int64_t Record::addClear(std::int64_t visit, int module, std::int64_t at, bool ok) {
    Transaction transaction(*m_db);
    Statement(
        *m_db,
        "INSERT INTO clears(visit_id, module, at, ok, before_read_id) VALUES (?1, ?2, ?3, "
        "?4, (SELECT max(id) FROM code_reads WHERE visit_id = ?1 AND module = ?2 AND ok = 1))")
        .binds(1, visit, module, at, ok)
        .run();
    const std::int64_t id = m_db->lastInsertId();
    touchVisit(visit, at);
    transaction.commit();
    return id;
}

std::int64_t Record::addInjectorRead(std::int64_t visit, const InjectorRead& read) {
    Transaction transaction(*m_db);
    const auto bytes = blockBytes(read.blocks);
    Statement(*m_db,
              "INSERT INTO injector_reads(visit_id, at, ok, codes, blocks) VALUES (?, ?, ?, ?, ?)")
        .binds(1, visit, read.at, read.ok, read.ok ? joined(read.codes) : std::string())
        .bindBlob(5, bytes.data(), bytes.size())
        .run();
    const std::int64_t id = m_db->lastInsertId();
    touchVisit(visit, read.at);
    transaction.commit();
    return id;
}

std::int64_t Record::beginProgrammingRun(std::int64_t visit, const ProgrammingRun& run,
                                         const std::function<bool()>& stillWanted) {
    Transaction transaction(*m_db, true);
    const auto bytes = blockBytes(run.blocks);
    Statement(*m_db,
              "INSERT INTO programming_runs(visit_id, injector, started_at, code_before, "
              "code_new, codes_read, blocks, restore_run) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
        .binds(1, visit, run.injector, run.startedAt, run.codeBefore, run.codeNew,
               joined(run.codesRead))
        .bindBlob(7, bytes.data(), bytes.size())
        .bind(8, run.restore ? 1 : 0)
        .run();
    const std::int64_t id = m_db->lastInsertId();
    touchVisit(visit, run.startedAt);
    if (stillWanted && !stillWanted()) {
        return 0;  // rolled back
    }
    transaction.commit();
    return id;
}

void Record::addProgrammingStep(std::int64_t run, const ProgrammingStepRow& step) {
    Statement(
        *m_db,
        "INSERT INTO programming_steps(run_id, seq, at, half, request, ok, restore) VALUES "
        "(?1, (SELECT count(*) FROM programming_steps WHERE run_id = ?1), ?2, ?3, ?4, ?5, ?6)")
        .binds(1, run, step.at, step.half, step.request, step.ok, step.restore)
        .run();
}

void Record::endProgrammingRun(std::int64_t run, const ProgrammingRun& end) {
    Transaction transaction(*m_db, true);
    Statement(*m_db,
              "UPDATE programming_runs SET ended_at = ?, result = ?, unit_holds = ?, "
              "code_after = ?, restore_tried = ? WHERE id = ?")
        .binds(1, end.endedAt, end.result, end.unitHolds, end.codeAfter, end.restoreTried, run)
        .run();
    Statement(*m_db,
              "UPDATE visits SET ended_at = max(ended_at, ?1) WHERE id = (SELECT visit_id FROM "
              "programming_runs WHERE id = ?2)")
        .bind(1, end.endedAt.value_or(0))
        .bind(2, run)
        .run();
    transaction.commit();
}

std::int64_t Record::beginRecording(std::int64_t visit, int page, std::int64_t startedAt,
                                    const std::vector<Channel>& channels) {
    Transaction transaction(*m_db);
    Statement(*m_db, "INSERT INTO recordings(visit_id, page, started_at) VALUES (?, ?, ?)")
        .binds(1, visit, page, startedAt)
        .run();
    const std::int64_t id = m_db->lastInsertId();
    Statement insert(*m_db,
                     "INSERT INTO recording_channels(recording_id, channel, gauge, name, unit) "
                     "VALUES (?, ?, ?, ?, ?)");
    for (const Channel& channel : channels) {
        insert.binds(1, id, channel.channel, channel.gauge, channel.name, channel.unit);
        insert.run();
    }
    touchVisit(visit, startedAt);
    transaction.commit();
    return id;
}

void Record::addReadings(std::int64_t recording, const std::vector<Reading>& readings) {
    if (readings.empty()) {
        return;
    }
    if (m_seqRecording != recording) {
        m_nextSeq = m_db->queryInteger(
            "SELECT count(*) FROM readings WHERE recording_id = " + std::to_string(recording), 0);
        m_seqRecording = recording;
    }
    if (!m_insertReading) {
        m_insertReading = std::make_unique<Statement>(
            *m_db,
            "INSERT INTO readings(recording_id, seq, t_ms, channel, value) VALUES (?, ?, ?, ?, ?)");
    }
    Transaction transaction(*m_db);
    std::int64_t seq = m_nextSeq;
    for (const Reading& reading : readings) {
        m_insertReading->bind(1, recording)
            .bind(2, seq++)
            .bind(3, reading.tMs)
            .bind(4, reading.channel)
            .bind(5, reading.value);
        m_insertReading->run();
    }
    transaction.commit();
    m_nextSeq = seq;
}

void Record::endRecording(std::int64_t recording, std::int64_t endedAt,
                          std::optional<std::int64_t> cycles,
                          std::optional<std::int64_t> durationMs) {
    Statement(*m_db, "UPDATE recordings SET ended_at = ?, cycles = ?, duration_ms = ? WHERE id = ?")
        .binds(1, endedAt, cycles, durationMs, recording)
        .run();
    Statement(*m_db,
              "UPDATE visits SET ended_at = max(ended_at, ?1) WHERE id = (SELECT visit_id FROM "
              "recordings WHERE id = ?2)")
        .bind(1, endedAt)
        .bind(2, recording)
        .run();
}

// ---- queries

namespace {

constexpr const char* kSummaryColumns =
    "SELECT v.id, v.started_at, v.ended_at, v.demo, v.vehicle, v.vin, "
    "(SELECT count(*) FROM code_reads r WHERE r.visit_id = v.id), "
    "(SELECT count(DISTINCT c.code) FROM codes c JOIN code_reads r ON c.read_id = r.id "
    "WHERE r.visit_id = v.id), "
    "(SELECT count(*) FROM clears k WHERE k.visit_id = v.id), "
    "(SELECT count(*) FROM programming_runs p WHERE p.visit_id = v.id), "
    "(SELECT count(*) FROM recordings g WHERE g.visit_id = v.id), "
    "(SELECT count(*) FROM injector_reads i WHERE i.visit_id = v.id), v.plate, v.bay FROM visits "
    "v ";

// Every row of QUERY, each made by ROW_OF.
template <typename RowOf>
auto rowsOf(Statement& query, RowOf rowOf) {
    std::vector<decltype(rowOf(query))> rows;
    while (query.step()) {
        rows.push_back(rowOf(query));
    }
    return rows;
}

// The same for SQL with its one parameter bound to KEY (a visit, read, run or recording).
template <typename RowOf>
auto rowsOf(Database& db, std::string_view sql, std::int64_t key, RowOf rowOf) {
    Statement query(db, sql);
    query.bind(1, key);
    return rowsOf(query, rowOf);
}

VisitSummary summaryOf(const Statement& row) {
    VisitSummary s;
    row.columns(0, s.id, s.startedAt, s.endedAt, s.demo, s.vehicle, s.vin, s.codeReads, s.codesRead,
                s.clears, s.programmingRuns, s.recordings, s.injectorReads, s.plate, s.bay);
    return s;
}

ProgrammingRun runOf(Database& db, const Statement& row) {
    ProgrammingRun run;
    row.columns(0, run.id, run.visitId, run.injector, run.startedAt, run.endedAt, run.codeBefore,
                run.codeNew);
    run.codesRead = split(row.text(7));
    run.blocks = blocksOf(row.blob(8));
    row.columns(9, run.result, run.unitHolds, run.codeAfter, run.restoreTried, run.restore);
    run.steps = rowsOf(db,
                       "SELECT at, half, request, ok, restore FROM programming_steps WHERE run_id "
                       "= ? ORDER BY seq",
                       run.id, [](const Statement& step) {
                           ProgrammingStepRow row;
                           step.columns(0, row.at, row.half, row.request, row.ok, row.restore);
                           return row;
                       });
    return run;
}

constexpr const char* kRunColumns =
    "SELECT id, visit_id, injector, started_at, ended_at, code_before, code_new, codes_read, "
    "blocks, result, unit_holds, code_after, restore_tried, restore_run FROM programming_runs ";

// The runs of injector ?1 that CONDITION keeps (after "WHERE"), with ?2 the car's VIN and ?3
// a visit, either of them NULL where not given.
Statement runsWhere(Database& db, std::string_view condition, int injector,
                    const std::optional<std::string>& vin, std::optional<std::int64_t> visit) {
    Statement query(db, std::string(kRunColumns) + "WHERE " + std::string(condition));
    query.binds(1, injector, vin, visit);
    return query;
}

// What the summary leaves out of a visit.
void readVisitDetails(Database& db, std::int64_t id, Visit& visit) {
    Statement extra(db,
                    "SELECT diesel, language, injector_unit, plate, customer, odometer_km, "
                    "findings, recommendation, odometer_read_km FROM visits WHERE id = ?");
    extra.bind(1, id);
    extra.step();
    VisitNotes& notes = visit.notes;
    extra.columns(0, visit.diesel, visit.language, visit.injectorUnit, notes.plate, notes.customer,
                  notes.odometerKm, notes.findings, notes.recommendation, visit.odometerReadKm);
}

CodeRead codeReadOf(Database& db, const Statement& row) {
    CodeRead read;
    row.columns(0, read.id, read.module, read.at, read.ok, read.count, read.catalogueMissing,
                read.language);
    read.codes = rowsOf(
        db, "SELECT code, code_text, description FROM codes WHERE read_id = ? ORDER BY position",
        read.id, [](const Statement& code) {
            return TroubleCode{static_cast<int>(code.integer(0)), code.text(1), code.text(2)};
        });
    return read;
}

Clear clearOf(const Statement& row) {
    Clear clear;
    row.columns(0, clear.id, clear.module, clear.at, clear.ok, clear.beforeReadId,
                clear.afterReadId);
    return clear;
}

InjectorRead injectorReadOf(const Statement& row) {
    InjectorRead read;
    row.columns(0, read.id, read.at, read.ok);
    read.codes = split(row.text(3));
    read.blocks = blocksOf(row.blob(4));
    return read;
}

Channel channelOf(const Statement& row) {
    return {static_cast<int>(row.integer(0)), row.text(1), row.text(2), row.text(3)};
}

std::vector<Channel> channelsOf(Database& db, std::int64_t recording) {
    return rowsOf(db,
                  "SELECT channel, gauge, name, unit FROM recording_channels WHERE recording_id "
                  "= ? ORDER BY channel",
                  recording, channelOf);
}

Recording recordingOf(Database& db, const Statement& row) {
    Recording recording;
    row.columns(0, recording.id, recording.visitId, recording.page, recording.startedAt,
                recording.endedAt, recording.readingCount, recording.cycles, recording.durationMs);
    recording.channels = channelsOf(db, recording.id);
    return recording;
}

}  // namespace

std::vector<VisitSummary> Record::visits(const VisitFilter& filter) {
    Statement query(*m_db,
                    std::string(kSummaryColumns) +
                        "WHERE v.demo = ?1 AND (?2 = '' OR instr(lower(coalesce(v.vin, '')), "
                        "lower(?2)) > 0 OR instr(lower(v.vehicle), lower(?2)) > 0 OR "
                        "instr(lower(replace(v.plate, ' ', '')), lower(replace(?2, ' ', ''))) > 0) "
                        "ORDER BY v.started_at DESC, v.id DESC LIMIT ?3");
    query.bind(1, filter.demo ? 1 : 0).bind(2, filter.text).bind(3, filter.limit);
    return rowsOf(query, summaryOf);
}

std::optional<Visit> Record::visit(std::int64_t id) {
    Statement head(*m_db, std::string(kSummaryColumns) + "WHERE v.id = ?");
    head.bind(1, id);
    if (!head.step()) {
        return std::nullopt;
    }
    Database& db = *m_db;
    Visit visit;
    visit.summary = summaryOf(head);
    readVisitDetails(db, id, visit);
    Statement modules(db, "SELECT module, protocol FROM visit_modules WHERE visit_id = ?");
    modules.bind(1, id);
    while (modules.step()) {
        visit.protocols[static_cast<std::size_t>(modules.integer(0))] =
            static_cast<int>(modules.integer(1));
    }
    visit.codeReads = rowsOf(db,
                             "SELECT id, module, at, ok, count, catalogue_missing, language FROM "
                             "code_reads WHERE visit_id = ? ORDER BY id",
                             id, [&db](const Statement& row) { return codeReadOf(db, row); });
    visit.clears = rowsOf(db,
                          "SELECT id, module, at, ok, before_read_id, after_read_id FROM clears "
                          "WHERE visit_id = ? ORDER BY id",
                          id, clearOf);
    visit.injectorReads = rowsOf(db,
                                 "SELECT id, at, ok, codes, blocks FROM injector_reads WHERE "
                                 "visit_id = ? ORDER BY id",
                                 id, injectorReadOf);
    visit.runs = rowsOf(db, std::string(kRunColumns) + "WHERE visit_id = ? ORDER BY id", id,
                        [&db](const Statement& row) { return runOf(db, row); });
    visit.recordings = recordingsOfVisit(id);
    return visit;
}

std::optional<std::int64_t> Record::lastVisit(bool demo) {
    Statement query(
        *m_db,
        "SELECT id FROM visits WHERE demo = ? AND bay IS NULL ORDER BY started_at DESC, id DESC "
        "LIMIT 1");
    query.bind(1, demo ? 1 : 0);
    return query.step() ? std::optional<std::int64_t>(query.integer(0)) : std::nullopt;
}

std::optional<std::int64_t> Record::previousVisitOfVin(std::int64_t visit) {
    Statement query(*m_db,
                    "SELECT p.id FROM visits v JOIN visits p ON p.vin = v.vin AND p.demo = v.demo "
                    "AND (p.started_at < v.started_at OR (p.started_at = v.started_at AND p.id < "
                    "v.id)) WHERE v.id = ? ORDER BY p.started_at DESC, p.id DESC LIMIT 1");
    query.bind(1, visit);
    return query.step() ? std::optional<std::int64_t>(query.integer(0)) : std::nullopt;
}

std::vector<Recording> Record::recordingsOfVisit(std::int64_t visit) {
    Database& db = *m_db;
    return rowsOf(db,
                  "SELECT id, visit_id, page, started_at, ended_at, (SELECT count(*) FROM "
                  "readings WHERE recording_id = recordings.id), cycles, duration_ms FROM "
                  "recordings WHERE visit_id = ? ORDER BY id",
                  visit, [&db](const Statement& row) { return recordingOf(db, row); });
}

std::vector<Reading> Record::readingsOfRecording(std::int64_t recording) {
    return rowsOf(
        *m_db, "SELECT t_ms, channel, value FROM readings WHERE recording_id = ? ORDER BY seq",
        recording, [](const Statement& row) {
            return Reading{row.integer(0), static_cast<int>(row.integer(1)), row.optionalReal(2)};
        });
}

std::vector<ChannelSummary> Record::recordingSummary(std::int64_t recording) {
    std::vector<ChannelSummary> result;
    for (Channel& channel : channelsOf(*m_db, recording)) {
        result.push_back({.channel = std::move(channel)});
    }
    // One pass over the readings for every channel at once: an hour is some 10^5 rows.
    Statement values(*m_db,
                     "SELECT channel, count(value), min(value), avg(value), max(value) FROM "
                     "readings WHERE recording_id = ? GROUP BY channel");
    values.bind(1, recording);
    while (values.step()) {
        for (ChannelSummary& summary : result) {
            if (summary.channel.channel == values.integer(0)) {
                summary.count = values.integer(1);
                summary.min = values.real(2);
                summary.mean = values.real(3);
                summary.max = values.real(4);
            }
        }
    }
    return result;
}

std::vector<ProgrammingRun> Record::runsOf(int injector, const std::optional<std::string>& vin,
                                           std::optional<std::int64_t> visit) {
    // With a visit of a known car: that car's runs up to the visit's last one.
    Statement query =
        runsWhere(*m_db,
                  "injector = ?1 AND (CASE WHEN ?3 IS NOT NULL AND (SELECT vin FROM "
                  "visits WHERE id = ?3) IS NOT NULL THEN visit_id IN (SELECT id FROM visits "
                  "WHERE vin = (SELECT vin FROM visits WHERE id = ?3) AND demo = 0) AND "
                  "started_at <= (SELECT max(started_at) FROM programming_runs WHERE "
                  "visit_id = ?3 AND injector = ?1) WHEN ?3 IS NOT NULL THEN visit_id = ?3 "
                  "ELSE ?2 IS NULL OR visit_id IN (SELECT id FROM visits WHERE vin = ?2 AND "
                  "demo = 0) END) ORDER BY started_at, id",
                  injector, vin, visit);
    return rowsOf(query, [this](const Statement& row) { return runOf(*m_db, row); });
}

std::optional<ProgrammingRun> Record::lastRunOf(int injector, const std::optional<std::string>& vin,
                                                std::optional<std::int64_t> visit) {
    Statement query =
        runsWhere(*m_db,
                  "injector = ?1 AND (?2 IS NULL OR visit_id IN (SELECT id FROM "
                  "visits WHERE vin = ?2 AND demo = 0)) AND (?3 IS NULL OR visit_id = ?3) "
                  "AND length(code_before) = 16 ORDER BY started_at DESC, id DESC LIMIT 1",
                  injector, vin, visit);
    if (!query.step()) {
        return std::nullopt;
    }
    return runOf(*m_db, query);
}

}  // namespace tvx::record
