#include "record/report.h"

#include "plain/local_time.h"
#include "record/report_values.h"

#include <algorithm>
#include <ctime>

namespace tvx::record {
namespace {

const CodeRead* firstGoodRead(const Visit& visit, int module) {
    for (const CodeRead& read : visit.codeReads) {
        if (read.module == module && read.ok) {
            return &read;
        }
    }
    return nullptr;
}

const CodeRead* readById(const Visit& visit, std::optional<std::int64_t> id) {
    for (const CodeRead& read : visit.codeReads) {
        if (id && read.id == *id) {
            return &read;
        }
    }
    return nullptr;
}

bool holds(const CodeRead& read, int code) {
    return std::any_of(read.codes.begin(), read.codes.end(),
                       [code](const TroubleCode& c) { return c.code == code; });
}

}  // namespace

std::string_view moduleName(int module) {
    static constexpr std::string_view kNames[] = {"",       "PCM",     "TCM", "ABS",
                                                  "AirBag", "Cluster", "ICU"};
    return module >= 1 && module <= 6 ? kNames[module] : "?";
}

std::string localTime(std::int64_t ms, ReportLanguage language) {
    return formatLocalTime(
        ms, language == ReportLanguage::Turkish ? "%d.%m.%Y %H:%M" : "%Y-%m-%d %H:%M");
}

std::string modulePlainName(int module, ReportLanguage language) {
    static constexpr std::pair<const char*, const char*> kPlain[] = {
        {"", ""},
        {"Engine", "Motor"},
        {"Transmission", "Şanzıman"},
        {"Brakes", "Fren"},
        {"Airbag", "Hava yastığı"},
        {"Instrument cluster", "Gösterge paneli"},
        {"Injector control unit", "Enjektör kontrol ünitesi"}};
    if (module < 1 || module > 6) {
        return std::string(moduleName(module));
    }
    const auto& [english, turkish] = kPlain[module];
    return std::string(language == ReportLanguage::Turkish ? turkish : english) + " (" +
           std::string(moduleName(module)) + ")";
}

std::string codeDescription(const VisitReport& report, const TroubleCode& code,
                            ReportLanguage language) {
    std::optional<std::string> row =
        report.describe ? report.describe(code.text, language) : std::optional(code.description);
    if (!row || row->empty()) {
        return std::string(reportText(ReportText::NotInCatalogue, language));
    }
    std::string_view text = *row;
    if (text.substr(0, code.text.size()) == code.text) {
        text.remove_prefix(code.text.size());
    }
    const auto start = text.find_first_not_of(" \t:-");
    return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

std::string groupedInjectorCode(std::string_view code) {
    std::string grouped;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (i > 0 && i % 4 == 0) {
            grouped += ' ';
        }
        grouped += code[i];
    }
    return grouped;
}

std::optional<VisitReport> buildReport(Record& record, std::int64_t visitId,
                                       const Workshop& workshop, DescribeCode describe) {
    std::optional<Visit> visit = record.visit(visitId);
    if (!visit) {
        return std::nullopt;
    }
    VisitReport report;
    report.workshop = workshop;
    report.describe = std::move(describe);
    std::optional<Visit> previous;
    if (visit->summary.vin) {
        if (const auto previousId = record.previousVisitOfVin(visitId)) {
            previous = record.visit(*previousId);
            report.previous = previous->summary;
        }
    }
    for (int module = 1; module <= 5; ++module) {
        const bool read = std::any_of(visit->codeReads.begin(), visit->codeReads.end(),
                                      [module](const CodeRead& r) { return r.module == module; });
        if (!read) {
            continue;
        }
        ModuleCodes codes;
        codes.module = module;
        const CodeRead* now = firstGoodRead(*visit, module);
        const CodeRead* before = previous ? firstGoodRead(*previous, module) : nullptr;
        codes.readOk = now != nullptr;
        if (now != nullptr) {
            for (const TroubleCode& code : now->codes) {
                const CodeSince since = before == nullptr           ? CodeSince::NoComparison
                                        : holds(*before, code.code) ? CodeSince::StillPresent
                                                                    : CodeSince::New;
                codes.codes.emplace_back(code, since);
            }
            if (before != nullptr) {
                for (const TroubleCode& code : before->codes) {
                    if (!holds(*now, code.code)) {
                        codes.codes.emplace_back(code, CodeSince::Gone);
                    }
                }
            }
        }
        report.modules.push_back(std::move(codes));
    }
    for (const Clear& clear : visit->clears) {
        ClearReport item;
        item.clear = clear;
        if (const CodeRead* before = readById(*visit, clear.beforeReadId)) {
            item.before = before->codes;
        }
        if (const CodeRead* after = readById(*visit, clear.afterReadId)) {
            item.after = after->codes;
        }
        report.clears.push_back(std::move(item));
    }
    report.clusterOdometerKm = visit->odometerReadKm;
    for (const Recording& recording : visit->recordings) {
        report.recordings.push_back({recording, record.recordingSummary(recording.id), {}});
        for (const ChannelSummary& channel : report.recordings.back().channels) {
            if (!visit->odometerReadKm && channel.channel.gauge == kOdometerGauge &&
                channel.count > 0) {
                report.clusterOdometerKm =
                    std::max(report.clusterOdometerKm.value_or(0), channel.max);
            }
        }
    }
    report.visit = std::move(*visit);
    return report;
}

}  // namespace tvx::record
