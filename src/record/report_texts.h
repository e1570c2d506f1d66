#pragma once

#include <string>
#include <string_view>

namespace tvx::record {

// The report's languages.
enum class ReportLanguage { English, Turkish };

// Every fixed text of the report, in both languages.
enum class ReportText {
    Title,
    Demo,
    ReportNumber,
    Date,
    Vehicle,
    Vin,
    NotRead,
    Plate,
    Customer,
    Odometer,
    ReadFromCluster,
    LastVisit,
    ModulesFound,
    WorkDone,
    TroubleCodes,
    ReadFailed,
    NoCodes,
    Code,
    Description,
    ComparedWithLastVisit,
    New,
    StillPresent,
    Gone,
    FirstVisit,
    None,
    Cleared,
    ClearFailed,
    CodesBefore,
    CodesAfter,
    NotReadAgain,
    NotInCatalogue,
    InjectorCodes,
    Injector,
    ReadAt,
    ProgrammingRuns,
    Before,
    NewCode,
    Result,
    LiveValues,
    RecordedAt,
    Duration,
    Cycles,
    Parameter,
    Minimum,
    Mean,
    Maximum,
    OnShare,
    ChartOfTheLast,
    Findings,
    Recommendation,
    TechnicianSignature,
    CustomerSignature,
};

std::string_view reportText(ReportText text, ReportLanguage language);
// The record's words for results and states ("finished", "old", "start" ...) in the language.
std::string translatedWord(std::string_view word, ReportLanguage language);

}  // namespace tvx::record
