// The diesel van's report as a workshop hands it over: two A4 pages in either language,
// with the pictures of both recordings, nothing cut or left hanging at a page's end.
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>

#include "chart/recording_chart.h"
#include "keeper/report_catalogue.h"
#include "pdf_tools.h"
#include "record/report.h"
#include "record/report_pdf.h"
#include "record_fixture.h"
#include "van_visit.h"

namespace tvx::record {
namespace {

using testing::linesOf;
using testing::VanVisit;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\f");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t\f") - first + 1);
}

// The lines of a page with words on them, the page number at the foot left out.
std::vector<std::string> contentLines(const std::string& page) {
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(page)) {
        if (!trimmed(line).empty()) {
            lines.push_back(trimmed(line));
        }
    }
    if (!lines.empty() && lines.back().find('/') != std::string::npos &&
        lines.back().find_first_not_of("0123456789 /") == std::string::npos) {
        lines.pop_back();
    }
    return lines;
}

class ReportPages : public ::testing::TestWithParam<ReportLanguage> {
protected:
    void SetUp() override {
        m_record = testing::openOrFail(m_dir.db());
        ASSERT_TRUE(m_record);
        m_visit = VanVisit::fill(*m_record);
        auto report = buildReport(*m_record, m_visit,
                                  {"Usta Oto Servis",
                                   "Sanayi Sitesi 4. Blok No 12, İzmit / Kocaeli",
                                   "+90 262 555 01 02",
                                   {}},
                                  session::catalogueDescriber(TVX_CATALOGUE_DIR));
        ASSERT_TRUE(report);
        chart::addRecordingCharts(*report, *m_record, GetParam());
        ASSERT_EQ(std::count_if(report->recordings.begin(), report->recordings.end(),
                                [](const auto& item) { return item.chart.has_value(); }),
                  2);
        const bool turkish = GetParam() == ReportLanguage::Turkish;
        m_pdf = m_dir.path() / (turkish ? "report-tr.pdf" : "report-en.pdf");
        ASSERT_EQ(writeReportPdf(reportHtml(*report, GetParam()), m_pdf, "report"), "");
        m_pages = testing::pdfPages(m_pdf);
        // docs/screenshots/take-report.sh keeps them for the README's pictures.
        if (const QByteArray keep = qgetenv("TVX_KEEP_REPORT_PDFS"); !keep.isEmpty()) {
            const QString copy = QString::fromLocal8Bit(keep) + '/' +
                                 QString::fromStdString(m_pdf.filename().string());
            QFile::remove(copy);
            QFile::copy(QString::fromStdString(m_pdf.string()), copy);
        }
    }
    std::string t(ReportText text) const { return std::string(reportText(text, GetParam())); }

    testing::Dir m_dir;
    std::unique_ptr<Record> m_record;
    std::int64_t m_visit = 0;
    std::filesystem::path m_pdf;
    int m_pages = 0;
};

TEST_P(ReportPages, TheVansVisitFitsTwoPagesWithBothPictures) {
    EXPECT_EQ(m_pages, 2) << testing::pdfText(m_pdf);
    // A picture cut by a page's end would be drawn on both pages: listed twice.
    std::istringstream list(testing::commandOutput("pdfimages -list '" + m_pdf.string() + "'"));
    int images = 0;
    for (std::string line; std::getline(list, line);) {
        images += line.find(" image ") != std::string::npos;
    }
    EXPECT_EQ(images, 2);
}

TEST_P(ReportPages, EveryInjectorCodeIsWholeAndTheSignaturesEndTheLastPage) {
    ASSERT_GE(m_pages, 1);
    const std::string text = testing::pdfText(m_pdf);
    std::vector<std::string> codes(VanVisit::kInjectorCodes.begin(),
                                   VanVisit::kInjectorCodes.end());
    codes.push_back(VanVisit::kNewCode);
    for (const std::string& code : codes) {
        const testing::CodePlaces places = testing::placesOf(text, groupedInjectorCode(code));
        EXPECT_GT(places.whole, 0) << code << "\n" << text;
        EXPECT_EQ(places.whole, places.begun) << code << " broken somewhere\n" << text;
    }
    const std::vector<std::string> last = contentLines(testing::pdfPageText(m_pdf, m_pages));
    ASSERT_GE(last.size(), 2u);
    // The two signatures side by side, then the two date lines.
    EXPECT_NE(last[last.size() - 2].find(t(ReportText::TechnicianSignature)), std::string::npos)
        << last[last.size() - 2];
    EXPECT_NE(last[last.size() - 2].find(t(ReportText::CustomerSignature)), std::string::npos);
    EXPECT_EQ(last.back().rfind(t(ReportText::Date) + ": ____", 0), 0u) << last.back();
    EXPECT_NE(testing::pdfPageText(m_pdf, m_pages).find(t(ReportText::Recommendation)),
              std::string::npos)
        << "the notes stay with the signatures";
}

// Every value of the diesel page in its unit, the fuel quantity's in the report's language.
TEST_P(ReportPages, GivesEachValueInItsUnit) {
    const std::string text = testing::pdfText(m_pdf);
    const bool turkish = GetParam() == ReportLanguage::Turkish;
    for (const char* unit : {" rpm", " bar", " °C", " V", " mbar", " km/h", " %",
                             turkish ? " g/strok" : " g/stroke"}) {
        EXPECT_NE(text.find(unit), std::string::npos) << unit << "\n" << text;
    }
    if (turkish) {
        EXPECT_EQ(text.find("stroke"), std::string::npos) << text;
    }
}

// No page but the last ends with a heading, a recording's first line or a table's headings
// alone: what they head goes on with them on the next page.
TEST_P(ReportPages, NoPageEndsWithWhatHeadsTheNext) {
    const std::vector<std::string> headings = {
        t(ReportText::WorkDone),        t(ReportText::TroubleCodes),   t(ReportText::InjectorCodes),
        t(ReportText::ProgrammingRuns), t(ReportText::LiveValues),     t(ReportText::Findings),
        t(ReportText::Recommendation),  modulePlainName(1, GetParam())};
    const std::vector<std::string> tableHeads = {t(ReportText::Description), t(ReportText::ReadAt),
                                                 t(ReportText::Before), t(ReportText::Minimum)};
    for (int page = 1; page < m_pages; ++page) {
        const std::vector<std::string> lines = contentLines(testing::pdfPageText(m_pdf, page));
        ASSERT_FALSE(lines.empty()) << "page " << page;
        const std::string& end = lines.back();
        for (const std::string& heading : headings) {
            EXPECT_NE(end, heading) << "page " << page;
        }
        EXPECT_EQ(end.find(t(ReportText::RecordedAt)), std::string::npos)
            << "page " << page << ": " << end;
        for (const std::string& head : tableHeads) {
            EXPECT_EQ(end.find(head), std::string::npos) << "page " << page << ": " << end;
        }
    }
}

// Laid out on paper: the page (from 1) each of the texts is on, 0 where none is.
std::vector<int> pagesOf(const std::string& body, const std::vector<std::string>& texts,
                         const std::filesystem::path& pdf) {
    EXPECT_EQ(writeReportPdf("<html><body>" + body + "</body></html>", pdf, "t"), "");
    std::vector<int> pages(texts.size(), 0);
    for (int page = 1; page <= testing::pdfPages(pdf); ++page) {
        const std::string text = testing::pdfPageText(pdf, page);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            pages[i] = pages[i] == 0 && text.find(texts[i]) != std::string::npos ? page : pages[i];
        }
    }
    return pages;
}

std::string fillerLines(int count) {
    std::string lines;
    for (int i = 1; i <= count; ++i) {
        lines += "<p>row " + std::to_string(i) + "</p>";
    }
    return lines;
}

// A heading and a one-row table (the signatures) at every place near the first page's end:
// the heading goes on with the first lines it heads, the table stays whole.
TEST(ReportPageEnds, AHeadingGoesOnWithItsTextAndASignatureRowIsNeverCut) {
    testing::Dir dir;
    const auto pdf = dir.path() / "ends.pdf";
    // How many lines the first page holds.
    const std::vector<std::string> fillers = [] {
        std::vector<std::string> texts;
        for (int i = 1; i <= 120; ++i) {
            texts.push_back("row " + std::to_string(i) + "\n");
        }
        return texts;
    }();
    const std::vector<int> where = pagesOf(fillerLines(120), fillers, pdf);
    const auto firstOnTwo = std::find(where.begin(), where.end(), 2) - where.begin();
    ASSERT_GT(firstOnTwo, 10) << "the first page holds lines";
    for (int before = static_cast<int>(firstOnTwo) - 6; before <= firstOnTwo; ++before) {
        const std::vector<int> heading =
            pagesOf(fillerLines(before) + "<h2>Recommendation</h2><p>the text it heads</p>",
                    {"Recommendation", "the text it heads"}, pdf);
        EXPECT_EQ(heading[0], heading[1]) << before << " lines before the heading";
        const std::vector<int> signatures =
            pagesOf(fillerLines(before) +
                        "<table><tr><td>______<br>Technician's signature<br><br>Date: ____</td>"
                        "</tr></table>",
                    {"______", "Technician's signature", "Date: ____"}, pdf);
        EXPECT_EQ(signatures[0], signatures[1]) << before << " lines before the signatures";
        EXPECT_EQ(signatures[1], signatures[2]) << before << " lines before the signatures";
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReportPages,
                         ::testing::Values(ReportLanguage::English, ReportLanguage::Turkish),
                         [](const auto& info) {
                             return info.param == ReportLanguage::Turkish ? "Turkish" : "English";
                         });

}  // namespace
}  // namespace tvx::record
