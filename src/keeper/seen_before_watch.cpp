#include "keeper/seen_before_watch.h"

#if TVX_HAVE_RECORD
#include "record/record.h"
#include "record/seen_before.h"
#endif

namespace tvx::session {

#if TVX_HAVE_RECORD
namespace {

std::unique_ptr<record::Record> glance(const std::filesystem::path& dataDirectory) {
    const auto path = dataDirectory / record::Record::kFileName;
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        return nullptr;
    }
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    options.openBudgetMs = 500;  // a glance: never hold the session up
    return record::Record::open(path, options).record;
}

}  // namespace

std::string otherBayOfVisit(const std::filesystem::path& dataDirectory, std::int64_t visit) {
    const auto record = visit > 0 ? glance(dataDirectory) : nullptr;
    try {
        return record ? record::otherBayOf(*record, visit) : "";
    } catch (const record::DbError&) {
        return "";
    }
}
#else
std::string otherBayOfVisit(const std::filesystem::path&, std::int64_t) {
    return "";
}
#endif

SeenBeforeWatch::SeenBeforeWatch(std::filesystem::path dataDirectory, char languageCode,
                                 std::int64_t since, Tell tell)
    : m_dataDirectory(std::move(dataDirectory)),
      m_languageCode(languageCode),
      m_since(since),
      m_tell(std::move(tell)) {}

void SeenBeforeWatch::vinRead(const VinReading& e) {
#if TVX_HAVE_RECORD
    if (!e.read || !m_told.insert(e.vin).second) {
        return;
    }
    const auto record = glance(m_dataDirectory);
    if (!record) {
        return;
    }
    try {
        const bool tr = m_languageCode == '2';
        std::vector<std::string> lines = record::seenBefore(
            *record, e.vin, m_since,
            tr ? record::ReportLanguage::Turkish : record::ReportLanguage::English);
        for (std::string& line : lines) {
            line = (tr ? "araç daha önce görüldü: " : "seen before: ") + line;
        }
        if (!lines.empty()) {
            m_tell(lines);
        }
    } catch (const record::DbError&) {
        // Busy or damaged: the keeper says so; this is only a hint.
    }
#else
    (void)e;
#endif
}

}  // namespace tvx::session
