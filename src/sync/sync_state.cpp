#include "sync/sync_state.h"

#include "plain/local_time.h"
#include "record/outbox.h"
#include "record/remote_visits.h"
#include "sync/sync_pass.h"

namespace tvx::sync {
namespace {

std::optional<std::int64_t> number(record::Database& db, const char* key) {
    const auto value = record::syncValue(db, key);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    return std::stoll(*value);
}

}  // namespace

std::string statusLine(const SyncStatus& status, bool turkish) {
    if (status.unreachableSince) {
        const std::string since = formatLocalTime(*status.unreachableSince, "%H:%M");
        return turkish ? "sunucuya " + since + " saatinden beri ulaşılamıyor"
                       : "server unreachable since " + since;
    }
    if (status.refused || !status.problem.empty()) {
        return turkish ? "eşitleme durdu: " + status.problem : "sync stopped: " + status.problem;
    }
    if (status.waiting > 0) {
        return std::to_string(status.waiting) + (turkish ? " bekliyor" : " waiting");
    }
    return turkish ? "eşitlendi" : "synced";
}

void keepPassResult(record::Database& db, const PassResult& result, std::int64_t now) {
    record::Transaction transaction(db);
    if (result.pushed) {
        record::setSyncValue(db, "last_push_at", std::to_string(now));
    }
    if (result.pulled) {
        record::setSyncValue(db, "last_pull_at", std::to_string(now));
    }
    record::setSyncValue(db, "problem", result.problem);
    record::setSyncValue(db, "refused", result.refused ? "1" : "0");
    if (!result.unreachable) {
        record::setSyncValue(db, "unreachable_since", "");
    } else if (!number(db, "unreachable_since")) {
        record::setSyncValue(db, "unreachable_since", std::to_string(now));
    }
    transaction.commit();
}

SyncStatus readSyncStatus(record::Database& db) {
    SyncStatus status;
    status.waiting = record::Outbox(db).waiting();
    status.lastPushAt = number(db, "last_push_at");
    status.lastPullAt = number(db, "last_pull_at");
    status.unreachableSince = number(db, "unreachable_since");
    status.refused = record::syncValue(db, "refused").value_or("0") == "1";
    status.problem = record::syncValue(db, "problem").value_or("");
    status.otherBaysVisits = record::RemoteVisits(db).visitCount();
    return status;
}

}  // namespace tvx::sync
