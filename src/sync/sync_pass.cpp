#include "sync/sync_pass.h"

#include <chrono>

#include "record/outbox.h"
#include "record/remote_visits.h"
#include "sync/server_schema.h"
#include "sync/sync_state.h"

namespace tvx::sync {

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::int64_t pushBatch(PgConnection& server, const SyncSettings& settings,
                       const std::vector<record::SharedEntry>& entries, const PassHooks& hooks) {
    if (entries.empty()) {
        return 0;
    }
    constexpr int kColumns = 10;
    std::string sql =
        "INSERT INTO tvx.history(uid, workshop, bay, kind, row_uid, visit_uid, bay_seq, vin, "
        "at, body) VALUES ";
    std::vector<std::optional<std::string>> params;
    params.reserve(entries.size() * kColumns);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const record::SharedEntry& entry = entries[i];
        const std::size_t p = i * kColumns;
        sql += (i ? ", (" : "(");
        for (std::size_t c = 1; c <= kColumns; ++c) {
            sql += '$';
            sql += std::to_string(p + c);
            sql += c == kColumns ? "::jsonb)" : ", ";
        }
        params.insert(params.end(), {entry.uid, settings.workshop, settings.bay, entry.kind,
                                     entry.rowUid, entry.visitUid, std::to_string(entry.baySeq),
                                     entry.vin, std::to_string(entry.at), entry.body});
    }
    sql += " ON CONFLICT (uid) DO NOTHING";
    std::int64_t stored = 0;
    server.transaction([&] {
        stored = server.exec(sql, params).affected();
        if (hooks.beforeCommit) {
            hooks.beforeCommit();
        }
    });
    if (hooks.afterCommit) {
        hooks.afterCommit();
    }
    return stored;
}

std::vector<record::SharedEntry> pullSince(PgConnection& server, const SyncSettings& settings,
                                           const std::string& cursor, std::string& next) {
    // One snapshot: every transaction older than its oldest running one is finished, so the
    // next pull starts there and misses nothing that commits late (repeats are kept once).
    std::vector<record::SharedEntry> entries;
    server.transaction(
        [&] {
            next = server.exec("SELECT pg_snapshot_xmin(pg_current_snapshot())::text").text(0, 0);
            const PgRows rows = server.exec(
                "SELECT uid, bay, kind, row_uid, visit_uid, bay_seq, vin, at, body::text FROM "
                "tvx.history WHERE workshop = $1 AND bay <> $2 AND tx >= $3::xid8 ORDER BY tx, "
                "bay_seq",
                {settings.workshop, settings.bay, cursor});
            entries.reserve(static_cast<std::size_t>(rows.size()));
            for (int r = 0; r < rows.size(); ++r) {
                record::SharedEntry entry;
                entry.uid = rows.text(r, 0);
                entry.bay = rows.text(r, 1);
                entry.kind = rows.text(r, 2);
                entry.rowUid = rows.text(r, 3);
                entry.visitUid = rows.text(r, 4);
                entry.baySeq = std::stoll(rows.text(r, 5));
                entry.vin = rows.at(r, 6);
                entry.at = std::stoll(rows.text(r, 7));
                entry.body = rows.text(r, 8);
                entries.push_back(std::move(entry));
            }
        },
        "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    return entries;
}

namespace {

void push(PgConnection& server, const SyncSettings& settings, record::Database& db,
          const PassOptions& options, PassResult& result) {
    record::Outbox outbox(db);
    for (;;) {
        const auto entries = outbox.next(options.batchSize);
        if (entries.empty()) {
            break;
        }
        const std::int64_t stored = pushBatch(server, settings, entries, options.hooks);
        std::vector<std::int64_t> seqs;
        for (const auto& entry : entries) {
            seqs.push_back(entry.baySeq);
        }
        outbox.sent(seqs);
        result.sent += stored;
        result.repeated += static_cast<std::int64_t>(entries.size()) - stored;
        ++result.batches;
    }
    result.pushed = true;
}

void pull(PgConnection& server, const SyncSettings& settings, record::Database& db,
          const PassOptions& options, PassResult& result) {
    const std::string cursor =
        record::syncValue(db, record::RemoteVisits::kCursorKey).value_or("0");
    std::string next;
    const auto entries = pullSince(server, settings, cursor, next);
    record::RemoteVisits remote(db);
    const std::size_t chunk = static_cast<std::size_t>(options.pullChunk);
    // Short transactions, the cursor moving with the last: the session's writes go between.
    for (std::size_t at = 0; at < entries.size() || at == 0; at += chunk) {
        const std::size_t end = std::min(entries.size(), at + chunk);
        const std::vector<record::SharedEntry> part(entries.begin() + static_cast<long>(at),
                                                    entries.begin() + static_cast<long>(end));
        result.received += remote.store(part, end == entries.size() ? next : cursor);
        if (end == entries.size()) {
            break;
        }
    }
    result.pulled = true;
}

}  // namespace

PassResult syncPass(const SyncSettings& settings, record::Database& db, const PassOptions& options,
                    std::unique_ptr<PgConnection>* kept) {
    PassResult result;
    std::unique_ptr<PgConnection> own;
    std::unique_ptr<PgConnection>& connection = kept ? *kept : own;
    try {
        if (!connection) {
            connection = std::make_unique<PgConnection>(settings.conninfo);
        }
        PgConnection& server = *connection;
        requireServerSchema(server);
        push(server, settings, db, options, result);
        pull(server, settings, db, options, result);
    } catch (const SyncRefused& refused) {
        result.refused = true;
        result.problem = refused.what();
    } catch (const PgError& error) {
        connection.reset();  // the next pass connects again
        result.unreachable = error.unreachable();
        result.refused = !result.unreachable;
        result.problem = result.unreachable
                             ? "the server cannot be reached: " + std::string(error.what())
                             : "the server refused: " + std::string(error.what());
    } catch (const record::DbError& error) {
        result.problem = std::string("the record could not be used: ") + error.what();
    }
    try {
        result.waiting = record::Outbox(db).waiting();
        keepPassResult(db, result, nowMs());
    } catch (const record::DbError&) {
        // The record is busy: the next pass tells again.
    }
    return result;
}

}  // namespace tvx::sync
