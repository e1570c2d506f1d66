#include "record/seen_before.h"

#include "plain/local_time.h"

namespace tvx::record {
namespace {

std::string when(std::int64_t ms) {
    return formatLocalTime(ms, "%Y-%m-%d %H:%M");
}

std::string count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string line(const VisitSummary& v, ReportLanguage language) {
    const bool tr = language == ReportLanguage::Turkish;
    std::string text = when(v.startedAt) + ", ";
    if (v.bay.empty()) {
        text += tr ? "bu bilgisayarda" : "at this PC";
    } else {
        text += tr ? "bölme " + v.bay + " içinde" : "at bay " + v.bay;
    }
    std::vector<std::string> done;
    if (v.codeReads > 0) {
        done.push_back(tr ? std::to_string(v.codesRead) + " arıza kodu"
                          : count(v.codesRead, "trouble code", "trouble codes"));
    }
    if (v.clears > 0) {
        done.push_back(tr ? std::to_string(v.clears) + " silme"
                          : count(v.clears, "clear", "clears"));
    }
    if (v.injectorReads > 0) {
        done.push_back(tr ? "enjektör kodları okundu" : "injector codes read");
    }
    if (v.programmingRuns > 0) {
        done.push_back(
            tr ? std::to_string(v.programmingRuns) + " enjektör programlama"
               : count(v.programmingRuns, "injector programming run", "injector programming runs"));
    }
    if (v.recordings > 0) {
        done.push_back(tr ? std::to_string(v.recordings) + " canlı kayıt"
                          : count(v.recordings, "live recording", "live recordings"));
    }
    text += ": ";
    if (done.empty()) {
        return text + (tr ? "kayıtlı bir işlem yok" : "nothing recorded");
    }
    for (std::size_t i = 0; i < done.size(); ++i) {
        text += (i ? ", " : "") + done[i];
    }
    return text;
}

}  // namespace

std::vector<std::string> seenBefore(Record& record, const std::string& vin, std::int64_t before,
                                    ReportLanguage language, int limit) {
    std::vector<std::string> lines;
    if (vin.empty()) {
        return lines;
    }
    VisitFilter filter;
    filter.text = vin;
    for (const VisitSummary& v : record.visits(filter)) {
        if (v.vin != vin || v.startedAt >= before) {
            continue;  // another car whose VIN holds this one, or the visit going on now
        }
        lines.push_back(line(v, language));
        if (static_cast<int>(lines.size()) == limit) {
            break;
        }
    }
    return lines;
}

std::string otherBayOf(Record& record, std::int64_t visit) {
    const auto found = record.visit(visit);
    if (!found || found->summary.bay.empty()) {
        return "";
    }
    return found->summary.bay + " (" + when(found->summary.startedAt) + ")";
}

}  // namespace tvx::record
