#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "record/report.h"

namespace tvx::record {
namespace {

using T = ReportText;

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control bytes (a VIN as a module sent it) are shown as '?'.
                out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

std::string number(double value) {
    char text[32];
    const double magnitude = std::fabs(value);
    std::snprintf(text, sizeof text,
                  magnitude >= 100  ? "%.0f"
                  : magnitude >= 10 ? "%.1f"
                                    : "%.2f",
                  value);
    return text;
}

// Writes the report; every method is one part of it.
class HtmlReport {
public:
    HtmlReport(const VisitReport& report, ReportLanguage language)
        : m_report(report), m_language(language) {}

    std::string render() {
        head();
        modules();
        troubleCodes();
        injectors();
        liveValues();
        m_out << "</body>\n</html>\n";
        return m_out.str();
    }

private:
    std::string t(T text) const { return escaped(reportText(text, m_language)); }
    std::string word(std::string_view w) const { return escaped(translatedWord(w, m_language)); }
    std::string okOrFailed(bool ok) const { return t(ok ? T::Ok : T::Failed); }

    void row(std::initializer_list<std::string> cells, const char* tag = "td") {
        m_out << "<tr>";
        for (const std::string& cell : cells) {
            m_out << '<' << tag << '>' << cell << "</" << tag << '>';
        }
        m_out << "</tr>\n";
    }
    void tableStart() { m_out << "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"; }
    void tableEnd() { m_out << "</table>\n"; }

    std::string codeList(const std::vector<TroubleCode>& codes) const {
        if (codes.empty()) {
            return t(T::None);
        }
        std::string text;
        for (const TroubleCode& code : codes) {
            text += (text.empty() ? "" : ", ") + escaped(code.text);
        }
        return text;
    }

    void head() {
        const Visit& visit = m_report.visit;
        m_out << "<!DOCTYPE html>\n<html lang=\""
              << (m_language == ReportLanguage::Turkish ? "tr" : "en") << "\">\n<head>\n"
              << "<meta charset=\"utf-8\">\n<title>" << t(T::Title) << "</title>\n"
              << "<style>body { font-family: sans-serif; font-size: 10pt; } "
                 "h1 { font-size: 16pt; } h2 { font-size: 12pt; margin-top: 14pt; } "
                 "th { background-color: #dddddd; text-align: left; } "
                 ".new { color: #b00000; font-weight: bold; } .gone { color: #007000; } "
                 ".demo { color: #b00000; font-weight: bold; }</style>\n"
              << "</head>\n<body>\n";
        if (!m_report.workshop.empty()) {
            m_out << "<p class=\"workshop\"><b>" << escaped(m_report.workshop) << "</b></p>\n";
        }
        m_out << "<h1>" << t(T::Title) << "</h1>\n";
        if (visit.summary.demo) {
            m_out << "<p class=\"demo\">" << t(T::Demo) << "</p>\n";
        }
        tableStart();
        row({t(T::Visit), std::to_string(visit.summary.id)});
        row({t(T::Date), localTime(visit.summary.startedAt, m_language) + " &ndash; " +
                             localTime(visit.summary.endedAt, m_language).substr(11)});
        row({t(T::Vehicle), escaped(visit.summary.vehicle)});
        row({t(T::Vin), visit.summary.vin ? escaped(*visit.summary.vin) : t(T::NotRead)});
        if (m_report.previous) {
            row({t(T::LastVisit), localTime(m_report.previous->startedAt, m_language) + " (" +
                                      t(T::Visit) + " " + std::to_string(m_report.previous->id) +
                                      ")"});
        }
        tableEnd();
    }

    void modules() {
        const Visit& visit = m_report.visit;
        m_out << "<h2>" << t(T::ModulesFound) << "</h2>\n";
        tableStart();
        std::string protocolHeader = t(T::Protocol);
        protocolHeader[0] =
            static_cast<char>(std::toupper(static_cast<unsigned char>(protocolHeader[0])));
        row({t(T::Module), protocolHeader}, "th");
        for (int module = 1; module <= 5; ++module) {
            const int protocol = visit.protocols[static_cast<std::size_t>(module)];
            row({std::string(moduleName(module)),
                 protocol == 0 ? t(T::Absent) : t(T::Protocol) + " " + std::to_string(protocol)});
        }
        if (visit.injectorUnit) {
            row({t(T::InjectorUnit), t(T::Yes)});
        }
        tableEnd();
    }

    std::string sinceText(CodeSince since) const {
        switch (since) {
            case CodeSince::New:
                return "<span class=\"new\">" + t(T::New) + "</span>";
            case CodeSince::StillPresent:
                return t(T::StillPresent);
            case CodeSince::Gone:
                return "<span class=\"gone\">" + t(T::Gone) + "</span>";
            case CodeSince::NoComparison:
                break;
        }
        return t(T::FirstVisit);
    }

    void troubleCodes() {
        if (m_report.modules.empty() && m_report.clears.empty()) {
            return;
        }
        m_out << "<h2>" << t(T::TroubleCodes) << "</h2>\n";
        for (const ModuleCodes& module : m_report.modules) {
            m_out << "<h3>" << moduleName(module.module) << "</h3>\n";
            if (!module.readOk) {
                m_out << "<p>" << t(T::ReadFailed) << "</p>\n";
                continue;
            }
            if (module.codes.empty()) {
                m_out << "<p>" << t(T::NoCodes) << "</p>\n";
                continue;
            }
            tableStart();
            row({t(T::Code), t(T::Description), t(T::ComparedWithLastVisit)}, "th");
            for (const auto& [code, since] : module.codes) {
                row({escaped(code.text), escaped(code.description), sinceText(since)});
            }
            tableEnd();
        }
        for (const ClearReport& clear : m_report.clears) {
            m_out << "<p class=\"clear\"><b>" << moduleName(clear.clear.module) << ": "
                  << t(clear.clear.ok ? T::Cleared : T::ClearFailed) << "</b> ("
                  << localTime(clear.clear.at, m_language).substr(11) << "). " << t(T::CodesBefore)
                  << ": " << codeList(clear.before) << "; " << t(T::CodesAfter) << ": "
                  << (clear.after ? codeList(*clear.after) : t(T::NotReadAgain)) << ".</p>\n";
        }
    }

    void injectors() {
        const Visit& visit = m_report.visit;
        if (visit.injectorReads.empty() && visit.runs.empty()) {
            return;
        }
        m_out << "<h2>" << t(T::InjectorCodes) << "</h2>\n";
        tableStart();
        row({t(T::Time), t(T::Injector) + " 1", t(T::Injector) + " 2", t(T::Injector) + " 3",
             t(T::Injector) + " 4"},
            "th");
        for (const InjectorRead& read : visit.injectorReads) {
            if (!read.ok) {
                row({localTime(read.at, m_language).substr(11), t(T::ReadFailed), "", "", ""});
                continue;
            }
            // Columns by the number on the injector, not by the unit's slot.
            std::array<std::string, 5> byNumber;
            for (int slot = 1; slot <= 4; ++slot) {
                byNumber[static_cast<std::size_t>(injectorNumber(slot))] =
                    escaped(read.codes[static_cast<std::size_t>(slot - 1)]);
            }
            row({localTime(read.at, m_language).substr(11), byNumber[1], byNumber[2], byNumber[3],
                 byNumber[4]});
        }
        tableEnd();
        for (const ProgrammingRun& run : visit.runs) {
            m_out << "<h3>" << t(T::ProgrammingRuns) << ": " << t(T::Injector) << ' '
                  << injectorNumber(run.injector) << "</h3>\n";
            tableStart();
            row({t(T::Time), localTime(run.startedAt, m_language).substr(11)});
            row({t(T::Before), escaped(run.codeBefore)});
            row({t(T::NewCode), escaped(run.codeNew)});
            row({t(T::Result), "<b>" + word(run.result) + "</b>"});
            if (!run.unitHolds.empty()) {
                row({t(T::UnitHolds), word(run.unitHolds)});
            }
            if (!run.codeAfter.empty()) {
                row({t(T::ReadBack), escaped(run.codeAfter)});
            }
            tableEnd();
            if (run.steps.empty()) {
                continue;
            }
            m_out << "<p>" << t(T::Steps) << ":</p>\n";
            tableStart();
            row({t(T::Half), t(T::Request), t(T::Result)}, "th");
            for (const ProgrammingStepRow& step : run.steps) {
                std::string request = word(step.request);
                if (step.restore) {
                    request += " (" + t(T::Restore) + ")";
                }
                row({step.half == 0 ? std::string() : std::to_string(step.half), request,
                     okOrFailed(step.ok)});
            }
            tableEnd();
        }
    }

    void liveValues() {
        if (m_report.recordings.empty()) {
            return;
        }
        m_out << "<h2>" << t(T::LiveValues) << "</h2>\n";
        for (const RecordingReport& item : m_report.recordings) {
            const Recording& recording = item.recording;
            const std::int64_t end = recording.endedAt.value_or(recording.startedAt);
            m_out << "<p>" << t(T::Page) << ' ' << recording.page << ", "
                  << localTime(recording.startedAt, m_language).substr(11) << ", " << t(T::Duration)
                  << ' ' << (end - recording.startedAt) / 1000 << " s</p>\n";
            tableStart();
            row({t(T::Parameter), t(T::Unit), t(T::Minimum), t(T::Mean), t(T::Maximum),
                 t(T::Readings)},
                "th");
            for (const ChannelSummary& channel : item.channels) {
                const bool any = channel.count > 0;
                row({escaped(channel.channel.name), escaped(channel.channel.unit),
                     any ? number(channel.min) : "", any ? number(channel.mean) : "",
                     any ? number(channel.max) : "", std::to_string(channel.count)});
            }
            tableEnd();
        }
    }

    const VisitReport& m_report;
    ReportLanguage m_language;
    std::ostringstream m_out;
};

}  // namespace

std::string reportHtml(const VisitReport& report, ReportLanguage language) {
    return HtmlReport(report, language).render();
}

}  // namespace tvx::record
