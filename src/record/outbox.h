#pragma once

#include <cstdint>
#include <vector>

#include "record/shared_entry.h"
#include "record/sqlite_db.h"

namespace tvx::record {

// The rows of this PC not yet on the server (the triggers of the record queue them in the
// transaction that writes them), read for the push and removed once the server has them.
class Outbox {
public:
    explicit Outbox(Database& db) : m_db(db) {}

    // How many entries wait.
    std::int64_t waiting();
    // Up to `limit` entries, oldest first, each row as it is now (read in one transaction,
    // so the rows agree with each other). A row of a visit that is gone is a withdrawal
    // when it is the visit itself, and is left out (and removed) otherwise.
    std::vector<SharedEntry> next(int limit);
    // The entries the server has committed. An entry replaced meanwhile (the row changed
    // again) stays: its own seq differs.
    void sent(const std::vector<std::int64_t>& seqs);

private:
    Database& m_db;
};

}  // namespace tvx::record
