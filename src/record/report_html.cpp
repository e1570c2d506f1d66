#include <cstdint>
#include <sstream>

#include "record/code_since.h"
#include "record/report.h"
#include "record/report_values.h"

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

// Text the mechanic typed, line ends kept.
std::string paragraphs(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("<br>") : c == '\r' ? std::string() : escaped({&c, 1});
    }
    return out;
}

// A code to be copied by hand: fixed-width, never broken across lines (the blanks between
// groups of four do not break either).
std::string codeSpan(std::string_view code, bool grouped) {
    std::string text = escaped(grouped ? groupedInjectorCode(code) : std::string(code));
    for (auto at = text.find(' '); at != std::string::npos; at = text.find(' ', at)) {
        text.replace(at, 1, "&nbsp;");
    }
    return "<span class=\"code\">" + text + "</span>";
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left > 1) {
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            group |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
        out += left > 2 ? kDigits[group & 63] : '=';
    }
    return out;
}

// The width a chart takes on the page: the text's width on A4 at 96 pixels to the inch.
constexpr int kChartWidth = 680;

std::string fileUrl(const std::filesystem::path& path) {
    std::string url = std::filesystem::absolute(path).generic_string();
    return (url.front() == '/' ? "file://" : "file:///") + escaped(url);
}

// Writes the report; every method is one part of it.
class HtmlReport {
public:
    HtmlReport(const VisitReport& report, ReportLanguage language)
        : m_report(report), m_language(language) {}

    std::string render() {
        head();
        facts();
        workDoneList();
        troubleCodes();
        injectors();
        liveValues();
        notes();
        signatures();
        m_out << "</body>\n</html>\n";
        return m_out.str();
    }

private:
    std::string t(T text) const { return escaped(reportText(text, m_language)); }
    std::string time(std::int64_t at) const { return localTime(at, m_language).substr(11); }

    // A row of headings (tag "th") is repeated at the top of the next page when the table
    // goes on there.
    void row(std::initializer_list<std::string> cells, const char* tag = "td") {
        const bool head = tag[1] == 'h';
        m_out << (head ? "<thead><tr>" : "<tr>");
        for (const std::string& cell : cells) {
            m_out << '<' << tag << '>' << cell << "</" << tag << '>';
        }
        m_out << (head ? "</tr></thead>\n" : "</tr>\n");
    }
    void tableStart(const char* cssClass = "grid") {
        m_out << "<table class=\"" << cssClass
              << "\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">\n";
    }
    void tableEnd() { m_out << "</table>\n"; }
    void heading(T text) { m_out << "<h2>" << t(text) << "</h2>\n"; }

    void head() {
        const Workshop& workshop = m_report.workshop;
        m_out << "<!DOCTYPE html>\n<html lang=\""
              << (m_language == ReportLanguage::Turkish ? "tr" : "en") << "\">\n<head>\n"
              << "<meta charset=\"utf-8\">\n<title>" << t(T::Title)
              << "</title>\n"
              // Compact enough for two pages; margins in px, the unit Qt's rich text reads.
              << "<style>body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 10pt; } "
                 "h1 { font-size: 15pt; margin-top: 2px; margin-bottom: 6px; } "
                 "h2 { font-size: 11.5pt; margin-top: 8px; margin-bottom: 2px; } "
                 "h3 { font-size: 10pt; margin-top: 5px; margin-bottom: 2px; } "
                 "table.grid, table.facts { border-collapse: collapse; border-color: #999999; "
                 "font-size: 9pt; } "
                 "th { background-color: #e4e4e4; text-align: left; } "
                 "table.facts th { background-color: #f2f2f2; font-weight: normal; } "
                 "ul { margin-top: 0px; margin-bottom: 0px; } "
                 "p { margin-top: 3px; margin-bottom: 3px; } "
                 ".code { font-family: 'DejaVu Sans Mono', 'Courier New', monospace; "
                 "white-space: nowrap; } "
                 "td.nowrap { white-space: nowrap; } "
                 ".new { color: #b00000; font-weight: bold; } .gone { color: #007000; } "
                 ".demo { color: #b00000; font-weight: bold; } "
                 ".workshop { font-size: 12pt; font-weight: bold; }</style>\n"
              << "</head>\n<body>\n";
        if (!workshop.name.empty() || !workshop.logo.empty()) {
            m_out << "<table class=\"header\" width=\"100%\" cellspacing=\"0\" "
                     "cellpadding=\"0\"><tr>";
            if (!workshop.logo.empty()) {
                m_out << "<td width=\"30%\"><img src=\"" << fileUrl(workshop.logo)
                      << "\" height=\"60\"></td>";
            }
            m_out << "<td align=\"right\"><span class=\"workshop\">" << escaped(workshop.name)
                  << "</span>";
            for (const std::string* line : {&workshop.address, &workshop.phone}) {
                if (!line->empty()) {
                    m_out << "<br>" << escaped(*line);
                }
            }
            m_out << "</td></tr></table>\n";
        }
        m_out << "<h1>" << t(T::Title) << "</h1>\n";
        if (m_report.visit.summary.demo) {
            m_out << "<p class=\"demo\">" << t(T::Demo) << "</p>\n";
        }
    }

    std::string odometer() const {
        const VisitNotes& notes = m_report.visit.notes;
        if (m_report.clusterOdometerKm) {
            return reportNumber(*m_report.clusterOdometerKm, m_language) + " km (" +
                   t(T::ReadFromCluster) + ")";
        }
        return notes.odometerKm ? std::to_string(*notes.odometerKm) + " km" : std::string();
    }

    // The visit's facts two to a row (label, value, label, value), the modules found across.
    void facts() {
        const Visit& visit = m_report.visit;
        const VisitNotes& notes = visit.notes;
        std::vector<std::pair<std::string, std::string>> cells = {
            {t(T::ReportNumber), std::to_string(visit.summary.id)},
            {t(T::Date), localTime(visit.summary.startedAt, m_language) + " &ndash; " +
                             time(visit.summary.endedAt)},
            {t(T::Vehicle), escaped(visit.summary.vehicle)},
            {t(T::Vin), visit.summary.vin ? codeSpan(*visit.summary.vin, false) : t(T::NotRead)},
            {t(T::Plate), escaped(notes.plate)},
            {t(T::Customer), escaped(notes.customer)},
            {t(T::Odometer), odometer()}};
        if (m_report.previous) {
            cells.emplace_back(t(T::LastVisit),
                               localTime(m_report.previous->startedAt, m_language));
        }
        tableStart("facts");
        for (std::size_t i = 0; i < cells.size(); i += 2) {
            m_out << "<tr><th>" << cells[i].first << "</th><td"
                  << (i + 1 < cells.size() ? ">" : " colspan=\"3\">") << cells[i].second << "</td>";
            if (i + 1 < cells.size()) {
                m_out << "<th>" << cells[i + 1].first << "</th><td>" << cells[i + 1].second
                      << "</td>";
            }
            m_out << "</tr>\n";
        }
        std::string found;
        for (int module = 1; module <= 5; ++module) {
            if (visit.protocols[static_cast<std::size_t>(module)] != 0) {
                found += (found.empty() ? "" : ", ") + modulePlainName(module, m_language);
            }
        }
        if (visit.injectorUnit) {
            found += (found.empty() ? "" : ", ") + modulePlainName(6, m_language);
        }
        if (!found.empty()) {
            m_out << "<tr><th>" << t(T::ModulesFound) << "</th><td colspan=\"3\">" << escaped(found)
                  << "</td></tr>\n";
        }
        tableEnd();
    }

    void workDoneList() {
        const auto sentences = workDone(m_report, m_language, [](std::string_view code) {
            return codeSpan(code, code.size() == 16);
        });
        if (sentences.empty()) {
            return;
        }
        heading(T::WorkDone);
        m_out << "<ul>\n";
        for (const std::string& sentence : sentences) {
            m_out << "<li>" << sentence << "</li>\n";
        }
        m_out << "</ul>\n";
    }

    // A new code and a gone one stand out (the style sheet colours them).
    std::string sinceText(CodeSince since) const {
        const std::string words = t(sinceWords(since));
        if (since == CodeSince::New) {
            return "<span class=\"new\">" + words + "</span>";
        }
        return since == CodeSince::Gone ? "<span class=\"gone\">" + words + "</span>" : words;
    }

    std::string codeList(const std::vector<TroubleCode>& codes) const {
        if (codes.empty()) {
            return t(T::None);
        }
        std::string text;
        for (const TroubleCode& code : codes) {
            text += (text.empty() ? "" : ", ") + codeSpan(code.text, false);
        }
        return text;
    }

    void troubleCodes() {
        if (m_report.modules.empty() && m_report.clears.empty()) {
            return;
        }
        heading(T::TroubleCodes);
        for (const ModuleCodes& module : m_report.modules) {
            m_out << "<h3>" << escaped(modulePlainName(module.module, m_language)) << "</h3>\n";
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
                row({codeSpan(code.text, false),
                     escaped(codeDescription(m_report, code, m_language)), sinceText(since)});
            }
            tableEnd();
        }
        for (const ClearReport& clear : m_report.clears) {
            m_out << "<p class=\"clear\"><b>"
                  << escaped(modulePlainName(clear.clear.module, m_language)) << ": "
                  << t(clear.clear.ok ? T::Cleared : T::ClearFailed) << "</b> ("
                  << time(clear.clear.at) << "); " << t(T::CodesBefore) << ": "
                  << codeList(clear.before) << "; " << t(T::CodesAfter) << ": "
                  << (clear.after ? codeList(*clear.after) : t(T::NotReadAgain)) << ".</p>\n";
        }
    }

    void injectors() {
        const Visit& visit = m_report.visit;
        if (visit.injectorReads.empty() && visit.runs.empty()) {
            return;
        }
        heading(T::InjectorCodes);
        if (!visit.injectorReads.empty()) {
            // One row per injector, by the number on it (not the unit's slot); a column per read.
            tableStart();
            m_out << "<thead><tr><th>" << t(T::Injector) << "</th>";
            for (const InjectorRead& read : visit.injectorReads) {
                m_out << "<th>" << t(T::ReadAt) << ' ' << time(read.at) << "</th>";
            }
            m_out << "</tr></thead>\n";
            for (int number = 1; number <= 4; ++number) {
                m_out << "<tr><td>" << number << "</td>";
                for (const InjectorRead& read : visit.injectorReads) {
                    int slot = 1;
                    while (injectorLabelNumber(slot) != number) {
                        ++slot;
                    }
                    m_out << "<td class=\"nowrap\">"
                          << (read.ok
                                  ? codeSpan(read.codes[static_cast<std::size_t>(slot - 1)], true)
                                  : t(T::ReadFailed))
                          << "</td>";
                }
                m_out << "</tr>\n";
            }
            tableEnd();
        }
        if (visit.runs.empty()) {
            return;
        }
        m_out << "<h3>" << t(T::ProgrammingRuns) << "</h3>\n";
        tableStart();
        row({t(T::Injector), t(T::Before), t(T::NewCode), t(T::Result)}, "th");
        for (const ProgrammingRun& run : visit.runs) {
            m_out << "<tr><td>" << injectorLabelNumber(run.injector) << "</td><td class=\"nowrap\">"
                  << codeSpan(run.codeBefore, true) << "</td><td class=\"nowrap\">"
                  << codeSpan(run.codeNew, true) << "</td><td>"
                  << escaped(translatedWord(run.result, m_language)) << "</td></tr>\n";
        }
        tableEnd();
    }

    void liveValues() {
        if (m_report.recordings.empty()) {
            return;
        }
        heading(T::LiveValues);
        for (const RecordingReport& item : m_report.recordings) {
            const Recording& recording = item.recording;
            // A sub-heading: kept on the page of its table.
            m_out << "<h3>" << escaped(modulePlainName(recordedModule(recording), m_language))
                  << " &ndash; " << t(T::RecordedAt) << ' ' << time(recording.startedAt) << ", "
                  << t(T::Duration) << ' ' << duration(recordingDurationMs(recording), m_language);
            if (recording.cycles) {
                std::string cycles = t(T::Cycles);
                cycles.replace(cycles.find("{n}"), 3, std::to_string(*recording.cycles));
                m_out << ", " << cycles;
            }
            m_out << "</h3>\n";
            tableStart();
            row({t(T::Parameter), t(T::Minimum), t(T::Mean), t(T::Maximum)}, "th");
            for (const ChannelSummary& channel : item.channels) {
                if (leftOutOfLiveValues(channel.channel) || channel.count == 0) {
                    continue;
                }
                const LiveValueText text = liveValueText(channel.channel, m_language);
                if (isSwitch(channel.channel)) {
                    const auto percent = static_cast<int>(channel.mean * 100 + 0.5);
                    std::string share = t(T::OnShare);
                    share.replace(share.find("{n}"), 3, std::to_string(percent));
                    m_out << "<tr><td>" << escaped(text.name) << "</td><td colspan=\"3\">" << share
                          << "</td></tr>\n";
                    continue;
                }
                const std::string unit = text.unit.empty() ? "" : "&nbsp;" + escaped(text.unit);
                row({escaped(text.name), reportNumber(channel.min, m_language) + unit,
                     reportNumber(channel.mean, m_language) + unit,
                     reportNumber(channel.max, m_language) + unit});
            }
            tableEnd();
            if (item.chart) {
                chart(*item.chart);
            }
        }
    }

    // The picture goes into the file itself, so that the report stands alone.
    void chart(const ChartPicture& picture) {
        const int height = picture.width > 0 ? kChartWidth * picture.height / picture.width : 0;
        m_out << "<p class=\"chart\"><img src=\"data:image/png;base64," << base64(picture.png)
              << "\" width=\"" << kChartWidth << "\" height=\"" << height << "\" alt=\""
              << t(T::LiveValues) << "\"></p>\n";
        if (!picture.whole) {
            std::string text = t(T::ChartOfTheLast);
            text.replace(text.find("{d}"), 3, duration(picture.shownMs, m_language));
            m_out << "<p>" << text << "</p>\n";
        }
    }

    void notes() {
        const VisitNotes& notes = m_report.visit.notes;
        for (const auto& [text, title] : {std::pair{&notes.findings, T::Findings},
                                          std::pair{&notes.recommendation, T::Recommendation}}) {
            heading(title);
            m_out << "<p class=\"notes\">" << (text->empty() ? "&nbsp;" : paragraphs(*text))
                  << "</p>\n";
        }
    }

    void signatures() {
        m_out << "<br><table class=\"signatures\" width=\"100%\" cellspacing=\"0\" "
                 "cellpadding=\"6\"><tr>";
        for (T who : {T::TechnicianSignature, T::CustomerSignature}) {
            m_out << "<td width=\"50%\"><br><br>______________________________<br>" << t(who)
                  << "<br><br>" << t(T::Date) << ": ____________________</td>";
        }
        m_out << "</tr></table>\n";
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
