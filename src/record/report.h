#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plain/injector_label.h"
#include "record/record.h"
#include "record/report_texts.h"
#include "record/workshop_name.h"

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

// A recording's chart as the window draws it, made where Qt is built (the record itself is
// plain C++): a PNG picture and the stretch of time it shows.
struct ChartPicture {
    std::string png;
    int width = 0;  // in pixels
    int height = 0;
    std::int64_t shownMs = 0;
    bool whole = true;  // false: the recording is longer, its last shownMs are shown
};

struct RecordingReport {
    Recording recording;
    std::vector<ChannelSummary> channels;
    std::optional<ChartPicture> chart;  // none: not drawn (no Qt, or no value to chart)
};

// A code's description from the catalogue of a language, looked up when the report is made
// (the text kept at read time is in the language of that session); none when the
// catalogue has no row for the code. The row as the catalogue has it, code first or not.
using DescribeCode =
    std::function<std::optional<std::string>(std::string_view codeText, ReportLanguage)>;

// Everything a customer's report of one visit shows.
struct VisitReport {
    Workshop workshop;
    DescribeCode describe;  // none: the descriptions kept at read time
    Visit visit;
    std::optional<double> clusterOdometerKm;  // as the instrument cluster showed it
    std::optional<VisitSummary> previous;     // the VIN's previous visit
    std::vector<ModuleCodes> modules;         // modules whose codes were read, in module order
    std::vector<ClearReport> clears;
    std::vector<RecordingReport> recordings;
};

// Gathers the report of a visit; none when there is no such visit.
std::optional<VisitReport> buildReport(Record& record, std::int64_t visit, const Workshop& workshop,
                                       DescribeCode describe = {});

std::string reportHtml(const VisitReport& report, ReportLanguage language);
std::string reportJson(const VisitReport& report, ReportLanguage language);

// Names shared by the report's forms.
std::string_view moduleName(int module);  // "PCM" .. "Cluster"
// The module in plain words: "Engine (PCM)", "Motor (PCM)".
std::string modulePlainName(int module, ReportLanguage language);
// A code's description in the report's language, without the code in front; "not in the
// catalogue" in that language when the catalogue lacks it.
std::string codeDescription(const VisitReport& report, const TroubleCode& code,
                            ReportLanguage language);
// "1234 5678 9ABC DEF0": an injector code in groups of four, for reading aloud and typing.
std::string groupedInjectorCode(std::string_view code);
// The sentences of "work done", in the report's language; `code` writes a code into a
// sentence (escaped and set apart for HTML, say). The fixed words need no escaping.
std::vector<std::string> workDone(const VisitReport& report, ReportLanguage language,
                                  const std::function<std::string(std::string_view)>& code);
// "20 s", "1 min 5 s" ("20 sn", "1 dk 5 sn"), rounded to the second.
std::string duration(std::int64_t ms, ReportLanguage language);
// The number an injector slot's panel carries (the injectors in firing order 1, 3, 4, 2).
using tvx::injectorLabelNumber;
// Local time "2025-06-01 14:03" (English) or "01.06.2025 14:03" (Turkish).
std::string localTime(std::int64_t ms, ReportLanguage language);

}  // namespace tvx::record
