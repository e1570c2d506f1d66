#pragma once

#include <optional>
#include <string>
#include <vector>

#include "record/record.h"
#include "record/report_texts.h"

namespace tvx::record {

// A code of a module's first read in the visit, against the same module's first read in
// the previous visit of the same VIN.
enum class CodeSince { New, StillPresent, Gone, NoComparison };

struct ModuleCodes {
    int module = 1;
    bool readOk = false;
    std::vector<std::pair<TroubleCode, CodeSince>> codes;  // the first good read's, then gone
};

struct ClearReport {
    Clear clear;
    std::vector<TroubleCode> before;
    std::optional<std::vector<TroubleCode>> after;  // none: not read again
};

struct RecordingReport {
    Recording recording;
    std::vector<ChannelSummary> channels;
};

// Everything a customer's report of one visit shows.
struct VisitReport {
    std::string workshop;
    Visit visit;
    std::optional<VisitSummary> previous;  // the VIN's previous visit
    std::vector<ModuleCodes> modules;      // modules whose codes were read, in module order
    std::vector<ClearReport> clears;
    std::vector<RecordingReport> recordings;
};

// Gathers the report of a visit; none when there is no such visit.
std::optional<VisitReport> buildReport(Record& record, std::int64_t visit,
                                       const std::string& workshop);

std::string reportHtml(const VisitReport& report, ReportLanguage language);
std::string reportJson(const VisitReport& report, ReportLanguage language);

// Names shared by the report's forms.
std::string_view moduleName(int module);  // "PCM" .. "Cluster"
// The number an injector slot's panel carries (the injectors in firing order 1, 3, 4, 2).
int injectorNumber(int slot);
// Local time "2025-06-01 14:03" (English) or "01.06.2025 14:03" (Turkish).
std::string localTime(std::int64_t ms, ReportLanguage language);

}  // namespace tvx::record
