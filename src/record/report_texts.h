#pragma once

#include <string>
#include <string_view>

namespace tvx::record {

// The report's languages.
enum class ReportLanguage { English, Turkish };

// Every fixed text of the report, in both languages.
enum class ReportText {
    Title,
    Workshop,
    Date,
    Vehicle,
    Vin,
    NotRead,
    Demo,
    ModulesFound,
    Module,
    Protocol,
    Absent,
    InjectorUnit,
    Yes,
    TroubleCodes,
    Code,
    Description,
    ComparedWithLastVisit,
    New,
    StillPresent,
    Gone,
    FirstVisit,
    NoCodes,
    ReadFailed,
    Cleared,
    ClearFailed,
    CodesBefore,
    CodesAfter,
    NotReadAgain,
    None,
    InjectorCodes,
    Injector,
    Time,
    ProgrammingRuns,
    Before,
    NewCode,
    Result,
    UnitHolds,
    ReadBack,
    Steps,
    Half,
    Request,
    Restore,
    Ok,
    Failed,
    LiveValues,
    Page,
    Duration,
    Parameter,
    Unit,
    Minimum,
    Mean,
    Maximum,
    Readings,
    LastVisit,
    Visit,
};

std::string_view reportText(ReportText text, ReportLanguage language);
// The record's words for results and states ("finished", "old", "start" ...) in the language.
std::string translatedWord(std::string_view word, ReportLanguage language);

}  // namespace tvx::record
