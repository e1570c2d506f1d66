#include <nlohmann/json.hpp>

#include "record/code_since.h"
#include "record/report.h"

namespace tvx::record {
namespace {

using json = nlohmann::ordered_json;

json codesJson(const std::vector<TroubleCode>& codes) {
    json list = json::array();
    for (const TroubleCode& code : codes) {
        list.push_back({{"code", code.text}, {"description", code.description}});
    }
    return list;
}

// A VIN as the module sent it may hold bytes that are not UTF-8; JSON needs text.
std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte >= 0x7F ? '?' : c;
    }
    return out;
}

json visitJson(const VisitReport& report) {
    const Visit& visit = report.visit;
    return {
        {"id", visit.summary.id},
        {"started", localTime(visit.summary.startedAt, ReportLanguage::English)},
        {"ended", localTime(visit.summary.endedAt, ReportLanguage::English)},
        {"started_ms", visit.summary.startedAt},
        {"ended_ms", visit.summary.endedAt},
        {"demo", visit.summary.demo},
        {"vehicle", visit.summary.vehicle},
        {"vin", visit.summary.vin ? json(printable(*visit.summary.vin)) : json(nullptr)},
        {"plate", visit.notes.plate},
        {"customer", visit.notes.customer},
        {"odometer_km", report.clusterOdometerKm ? json(*report.clusterOdometerKm)
                        : visit.notes.odometerKm ? json(*visit.notes.odometerKm)
                                                 : json(nullptr)},
        {"odometer_from_cluster", report.clusterOdometerKm.has_value()},
        {"findings", visit.notes.findings},
        {"recommendation", visit.notes.recommendation},
    };
}

// Each module's protocol, null where it did not answer.
json modulesJson(const Visit& visit) {
    json modules = json::object();
    for (int module = 1; module <= 5; ++module) {
        const int protocol = visit.protocols[static_cast<std::size_t>(module)];
        modules[std::string(moduleName(module))] = protocol == 0 ? json(nullptr) : json(protocol);
    }
    return modules;
}

json troubleCodesJson(const VisitReport& report, ReportLanguage language) {
    json codes = json::array();
    for (const ModuleCodes& module : report.modules) {
        json list = json::array();
        for (const auto& [code, since] : module.codes) {
            list.push_back({{"code", code.text},
                            {"description", codeDescription(report, code, language)},
                            {"since_last_visit",
                             std::string(reportText(sinceWords(since), ReportLanguage::English))}});
        }
        codes.push_back(
            {{"module", moduleName(module.module)}, {"read_ok", module.readOk}, {"codes", list}});
    }
    return codes;
}

json clearsJson(const VisitReport& report) {
    json clears = json::array();
    for (const ClearReport& clear : report.clears) {
        clears.push_back({{"module", moduleName(clear.clear.module)},
                          {"ok", clear.clear.ok},
                          {"time", localTime(clear.clear.at, ReportLanguage::English)},
                          {"codes_before", codesJson(clear.before)},
                          {"codes_after", clear.after ? codesJson(*clear.after) : json(nullptr)}});
    }
    return clears;
}

json injectorsJson(const Visit& visit) {
    json reads = json::array();
    for (const InjectorRead& read : visit.injectorReads) {
        json byInjector = json::object();
        if (read.ok) {
            for (int slot = 1; slot <= 4; ++slot) {
                byInjector[std::to_string(injectorLabelNumber(slot))] =
                    read.codes[static_cast<std::size_t>(slot - 1)];
            }
        }
        reads.push_back({{"time", localTime(read.at, ReportLanguage::English)},
                         {"ok", read.ok},
                         {"codes", byInjector}});
    }
    json runs = json::array();
    for (const ProgrammingRun& run : visit.runs) {
        json steps = json::array();
        for (const ProgrammingStepRow& step : run.steps) {
            steps.push_back({{"half", step.half},
                             {"request", step.request},
                             {"ok", step.ok},
                             {"restore", step.restore}});
        }
        runs.push_back({{"injector", injectorLabelNumber(run.injector)},
                        {"time", localTime(run.startedAt, ReportLanguage::English)},
                        {"code_before", run.codeBefore},
                        {"code_new", run.codeNew},
                        {"result", run.result},
                        {"unit_holds", run.unitHolds},
                        {"code_after", run.codeAfter},
                        {"restore_tried", run.restoreTried},
                        {"steps", steps}});
    }
    return {{"reads", reads}, {"programming", runs}};
}

// Each recording with its channels' figures (none for a channel without readings).
json liveJson(const VisitReport& report) {
    json live = json::array();
    for (const RecordingReport& item : report.recordings) {
        json channels = json::array();
        for (const ChannelSummary& channel : item.channels) {
            json entry = {{"gauge", channel.channel.gauge},
                          {"name", channel.channel.name},
                          {"unit", channel.channel.unit},
                          {"readings", channel.count}};
            if (channel.count > 0) {
                entry["min"] = channel.min;
                entry["mean"] = channel.mean;
                entry["max"] = channel.max;
            }
            channels.push_back(entry);
        }
        json entry = {
            {"page", item.recording.page},
            {"started", localTime(item.recording.startedAt, ReportLanguage::English)},
            {"duration_s", static_cast<double>(recordingDurationMs(item.recording)) / 1000.0}};
        if (item.recording.cycles) {
            entry["cycles"] = *item.recording.cycles;
        }
        entry["channels"] = channels;
        live.push_back(entry);
    }
    return live;
}

}  // namespace

// Field names are English in both languages, for programs; the values that are words
// (results, what the unit holds) are the record's own; dates are ISO-like local times.
std::string reportJson(const VisitReport& report, ReportLanguage language) {
    json root;
    root["language"] = language == ReportLanguage::Turkish ? "tr" : "en";
    root["workshop"] = {{"name", report.workshop.name},
                        {"address", report.workshop.address},
                        {"phone", report.workshop.phone}};
    root["visit"] = visitJson(report);
    root["previous_visit"] = report.previous ? json(report.previous->id) : json(nullptr);
    root["modules"] = modulesJson(report.visit);
    root["injector_unit"] = report.visit.injectorUnit;
    root["trouble_codes"] = troubleCodesJson(report, language);
    root["clears"] = clearsJson(report);
    root["injectors"] = injectorsJson(report.visit);
    root["live"] = liveJson(report);
    return root.dump(2) + "\n";
}

}  // namespace tvx::record
