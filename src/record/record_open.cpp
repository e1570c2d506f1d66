// Opening the workshop record: a new file, one to bring up to date, one of a newer
// Tarvolinex, a damaged one, and reading where nothing can be written.
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <thread>

#include "plain/local_time.h"
#include "record/cut_off_recordings.h"
#include "record/open_elsewhere.h"
#include "record/record.h"
#include "record/schema.h"

namespace tvx::record {
namespace {

namespace fs = std::filesystem;

// Where the keeper notes a file that answered as damaged while it was in use.
fs::path suspicionNote(const fs::path& path) {
    fs::path note = path;
    note += ".check";
    return note;
}

fs::path companion(const fs::path& path, const char* suffix) {
    fs::path result = path;
    result += suffix;
    return result;
}

std::string stamp(const char* format) {
    return formatLocalTime(static_cast<std::int64_t>(std::time(nullptr)) * 1000, format);
}

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);  // an error (a loop, no permission) counts as absent
}

std::uintmax_t sizeOf(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : size;
}

// The first 100 bytes of the file: SQLite's header. Read through a connection of SQLite's
// own, never a descriptor of ours: closing one would drop every lock this program holds on
// the file (POSIX locks belong to the process), and another program could then delete the
// log of changes under a connection still writing to it.
std::optional<std::array<unsigned char, 100>> headerOf(const fs::path& path) {
    try {
        Database db(path, Database::Mode::ReadOnly);
        sqlite3_file* file = nullptr;
        std::array<unsigned char, 100> header{};
        if (sqlite3_file_control(db.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) !=
                SQLITE_OK ||
            file == nullptr || file->pMethods == nullptr ||
            file->pMethods->xRead(file, header.data(), static_cast<int>(header.size()), 0) !=
                SQLITE_OK) {
            return std::nullopt;
        }
        return header;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

std::uint32_t bigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

// The file's length as its header gives it (page size times pages), 0 when not known.
std::uintmax_t lengthInHeader(const fs::path& path) {
    const auto header = headerOf(path);
    if (!header) {
        return 0;
    }
    std::uint32_t pageSize = (std::uint32_t{(*header)[16]} << 8) | (*header)[17];
    pageSize = pageSize == 1 ? 65536 : pageSize;
    const bool pagesValid = bigEndian(header->data() + 24) == bigEndian(header->data() + 92);
    return pagesValid && pageSize >= 512 ? std::uintmax_t{bigEndian(header->data() + 28)} * pageSize
                                         : 0;
}

// A file shorter than its header says it is was cut (a copy cut short, a full disk while it
// was copied). SQLite opens it; it fails once it reads, later.
bool looksCut(const fs::path& path) {
    return sizeOf(path) < lengthInHeader(path);
}

bool isDatabaseFile(const fs::path& path) {
    const auto header = headerOf(path);
    return header && std::memcmp(header->data(), "SQLite format 3", 16) == 0;
}

// What is wrong with the file, or nothing when it checks whole.
std::optional<std::string> damageOf(const fs::path& path) {
    if (!isDatabaseFile(path)) {
        return present(path) ? std::optional<std::string>("it is not a database file")
                             : std::nullopt;
    }
    try {
        Database db(path, Database::Mode::ReadOnly);
        Statement check(db, "PRAGMA integrity_check(3)");
        std::string found;
        while (check.step()) {
            found += (found.empty() ? "" : "; ") + check.text(0);
        }
        if (found == "ok") {
            return std::nullopt;
        }
        return "its integrity check fails: " + found;
    } catch (const DbError& error) {
        return std::string("its integrity check fails: ") + error.what();
    }
}

// Keeps a damaged file (and its log and shared-memory files) under a new name.
std::optional<fs::path> moveAside(const fs::path& path, std::string& problem) {
    const std::string base = path.string() + ".damaged-" + stamp("%Y%m%d-%H%M%S");
    fs::path aside = base;
    for (int n = 2; present(aside); ++n) {
        aside = base + "-" + std::to_string(n);
    }
    std::error_code error;
    fs::rename(path, aside, error);
    if (error) {
        problem = "the record file " + path.string() + " is damaged and cannot be moved aside (" +
                  error.message() + "); it is left as it is";
        return std::nullopt;
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::rename(companion(path, suffix), companion(aside, suffix), error);  // absent: fine
    }
    return aside;
}

// Copies what can still be read of the file moved aside into the new record, table by
// table in the order their references need, each row as it was (its id too). A table stops
// at its first row that cannot be read; the rows before it are kept.
std::int64_t salvage(Database& db, const fs::path& aside) {
    static constexpr const char* kTables[] = {
        "visits",     "visit_modules",      "code_reads",       "codes",
        "clears",     "injector_reads",     "programming_runs", "programming_steps",
        "recordings", "recording_channels", "readings"};
    std::int64_t kept = 0;
    // Read from a copy made whole in length: SQLite refuses a file shorter than its header
    // says, though its first pages are all there. The file aside stays as it was.
    const fs::path copy = companion(aside, ".reading");
    std::error_code error;
    fs::copy_file(aside, copy, fs::copy_options::overwrite_existing, error);
    if (error) {
        return 0;
    }
    if (const auto length = lengthInHeader(copy); length > sizeOf(copy)) {
        fs::resize_file(copy, length, error);
    }
    try {
        Statement(db, "ATTACH ? AS old").bind(1, copy.string()).run();
    } catch (const DbError&) {
        fs::remove(copy, error);
        return 0;
    }
    db.exec("PRAGMA foreign_keys=OFF");
    for (const char* table : kTables) {
        try {
            Transaction transaction(db);
            Statement read(db, std::string("SELECT * FROM old.") + table);
            Statement columns(
                db, std::string("SELECT count(*) FROM pragma_table_info('") + table + "')");
            columns.step();
            const int count = static_cast<int>(columns.integer(0));
            std::string sql = std::string("INSERT OR IGNORE INTO main.") + table + " VALUES (";
            for (int c = 0; c < count; ++c) {
                sql += c == 0 ? "?" : ", ?";
            }
            Statement write(db, sql + ")");
            try {
                while (read.step()) {
                    for (int c = 0; c < count; ++c) {
                        write.bindValue(c + 1, read, c);
                    }
                    write.run();
                    kept += db.changes();
                }
            } catch (const DbError&) {
                // The rest of this table is in the damaged part.
            }
            transaction.commit();
        } catch (const DbError&) {
            // Not even the table's start can be read: nothing of it is kept.
        }
    }
    db.exec("PRAGMA foreign_keys=ON");
    try {
        db.exec("DETACH old");
    } catch (const DbError&) {
    }
    fs::remove(copy, error);
    return kept;
}

// The note next to a file moved aside: when, why, and what became of its rows.
void writeReason(const fs::path& aside, const fs::path& path, const std::string& damage,
                 std::int64_t kept) {
    std::ofstream note(companion(aside, ".txt"));
    note << "Tarvolinex moved this workshop record aside on " << stamp("%Y-%m-%d %H:%M:%S")
         << " because " << damage << ".\n"
         << kept << " rows that could still be read were copied into the new record "
         << path.string() << ".\nThis file is kept as it was; nothing was deleted.\n";
}

// True when a read-only open failed for want of the shared-memory or log file SQLite makes
// next to the record (a read-only directory, a full disk).
bool cannotMakeCompanions(const DbError& error) {
    switch (error.primary()) {
        case SQLITE_CANTOPEN:
        case SQLITE_READONLY:
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_PERM:
            return true;
        default:
            return false;
    }
}

std::unique_ptr<Database> connect(const fs::path& path, const Record::Options& options,
                                  Database::Mode mode) {
    auto db = std::make_unique<Database>(path, mode);
    sqlite3_busy_timeout(db->handle(), options.busyTimeoutMs);
    if (mode == Database::Mode::ReadWrite) {
        // The first statement reads the file: a file that is no database fails here.
        db->exec("PRAGMA journal_mode=WAL");
        db->exec("PRAGMA synchronous=NORMAL");
        if (options.maxPageCount > 0) {
            db->exec("PRAGMA max_page_count=" + std::to_string(options.maxPageCount));
        }
        migrate(*db);
    } else {
        const int version = schemaVersion(*db);
        refuseNewer(version);
        if (version < kSchemaVersion) {
            throw DbError(SQLITE_MISMATCH,
                          version == 0 ? "the record file holds no workshop record yet"
                                       : "the record was written by an older Tarvolinex (schema " +
                                             std::to_string(version) +
                                             "); a command that records brings it up to date");
        }
    }
    db->exec("PRAGMA foreign_keys=ON");
    return db;
}

std::unique_ptr<Database> connectForReading(const fs::path& path, const Record::Options& options) {
    try {
        return connect(path, options, Database::Mode::ReadOnly);
    } catch (const DbError& error) {
        // With no log waiting to be replayed the file holds everything: read it as it is.
        if (!cannotMakeCompanions(error) || sizeOf(companion(path, "-wal")) > 0) {
            throw;
        }
        return connect(path, options, Database::Mode::Immutable);
    }
}

}  // namespace

bool Record::isDamage(const DbError& error) {
    return error.primary() == SQLITE_NOTADB || error.primary() == SQLITE_CORRUPT;
}

bool Record::isBusy(const DbError& error) {
    return error.primary() == SQLITE_BUSY || error.primary() == SQLITE_LOCKED;
}

bool Record::suspectDamage(const fs::path& path, const std::string& reason) {
    std::ofstream note(suspicionNote(path));
    note << reason << '\n';
    return static_cast<bool>(note.flush());
}

Record::Opened Record::open(const fs::path& path, const Options& options) {
    const auto giveUpAt =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.openBudgetMs);
    // Asked before this program's own connection holds locks on the file: with no other
    // program there, a recording still open was cut off.
    bool alone = options.mode == Database::Mode::ReadWrite && !openElsewhere(path);
    const std::int64_t checkedAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count();
    unsigned pauseMs = 10;
    while (true) {
        bool busy = false;
        Opened opened = openOnce(path, options, busy);
        if (!busy || std::chrono::steady_clock::now() >= giveUpAt) {
            if (alone && opened.record) {
                try {
                    endCutOffRecordings(opened.record->database(), checkedAt);
                } catch (const DbError&) {
                    // Another program came meanwhile: the next start ends them.
                }
            }
            return opened;
        }
        alone = false;  // another program holds it
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        pauseMs = std::min(pauseMs * 2, 500u);
    }
}

Record::Opened Record::openOnce(const fs::path& path, const Options& options, bool& busy) {
    Opened opened;
    if (options.mode != Database::Mode::ReadWrite) {
        try {
            opened.record.reset(new Record(connectForReading(path, options)));
        } catch (const DbError& error) {
            busy = isBusy(error);
            opened.problem = plainProblem(error);
            if (isDamage(error)) {
                opened.problem +=
                    "; it is left as it is, and the next command that records "
                    "moves it aside and keeps what can still be read";
            }
        }
        return opened;
    }
    std::string damage;
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            auto db = connect(path, options, Database::Mode::ReadWrite);
            if (opened.movedAside) {
                opened.rowsKept = salvage(*db, *opened.movedAside);
                writeReason(*opened.movedAside, path, opened.damage, opened.rowsKept);
            } else if (attempt == 0 && (looksCut(path) || present(suspicionNote(path)))) {
                db.reset();
                const auto found = openElsewhere(path) ? std::nullopt : damageOf(path);
                if (found) {
                    throw DbError(SQLITE_CORRUPT, *found);
                }
                if (!openElsewhere(path)) {
                    std::error_code ignored;
                    fs::remove(suspicionNote(path), ignored);  // it checks whole
                }
                db = connect(path, options, Database::Mode::ReadWrite);
            }
            opened.record.reset(new Record(std::move(db)));
            return opened;
        } catch (const DbError& error) {
            if (attempt > 0 || !isDamage(error)) {
                busy = isBusy(error);
                opened.problem = plainProblem(error);
                return opened;
            }
            if (openElsewhere(path)) {
                opened.problem = plainProblem(error) +
                                 "; another program has it open, so it is left as it is: close "
                                 "the other Tarvolinex and start again";
                return opened;
            }
            const auto found = damageOf(path);
            if (!found) {
                continue;  // it checks whole: the answer came from a change under way
            }
            opened.damage = *found;
            opened.movedAside = moveAside(path, opened.problem);
            if (!opened.movedAside) {
                return opened;
            }
            std::error_code ignored;
            fs::remove(suspicionNote(path), ignored);
        }
    }
    return opened;
}

}  // namespace tvx::record
