#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include "full_visit.h"
#include "keeper/report_catalogue.h"
#include "pdf_tools.h"
#include "record/report.h"
#include "record/report_pdf.h"

namespace tvx::record {
namespace {

using testing::FullVisit;
using testing::linesOf;
using testing::pdfText;

// Words of letters and digits (any byte of a UTF-8 letter counts), two or more long.
std::set<std::string> wordsOf(const std::string& text) {
    std::set<std::string> words;
    std::string word;
    for (char c : text + ' ') {
        if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) {
            word += c;
        } else {
            if (word.size() >= 2) {
                words.insert(word);
            }
            word.clear();
        }
    }
    return words;
}

// The text with every run of white space one blank: sentences that wrap read whole.
std::string flat(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = std::isspace(static_cast<unsigned char>(c));
        if (!blank || (!out.empty() && out.back() != ' ')) {
            out += blank ? ' ' : c;
        }
    }
    return out;
}

struct Made {
    std::string html;
    std::string text;  // of the PDF
};

class ReportPdf : public ::testing::TestWithParam<ReportLanguage> {
protected:
    Made make(ReportLanguage language) {
        Workshop workshop{"Usta Oto Servis", "Sanayi Sitesi 12, Kocaeli", "+90 262 555 01 02", {}};
        // The shipped catalogues of both languages.
        const auto report = buildReport(*visit.record, visit.visit, workshop,
                                        session::catalogueDescriber(TVX_CATALOGUE_DIR));
        EXPECT_TRUE(report);
        Made made;
        made.html = reportHtml(*report, language);
        const auto pdf =
            visit.dir.path() / (language == ReportLanguage::Turkish ? "rapor.pdf" : "report.pdf");
        EXPECT_EQ(writeReportPdf(made.html, pdf, "report"), "");
        made.text = pdfText(pdf);
        return made;
    }

    FullVisit visit;
};

TEST_P(ReportPdf, EveryInjectorCodeStandsWholeOnOneLine) {
    const Made made = make(GetParam());
    ASSERT_FALSE(made.text.empty()) << "pdftotext gave nothing";
    std::set<std::string> codes(FullVisit::kCodesBefore.begin(), FullVisit::kCodesBefore.end());
    codes.insert(FullVisit::kCodesAfter.begin(), FullVisit::kCodesAfter.end());
    codes.insert({"FEDCBA9876543210", "1111222233334444"});
    for (const std::string& code : codes) {
        // Each place the code begins, it ends on the same line.
        const testing::CodePlaces places = testing::placesOf(made.text, groupedInjectorCode(code));
        EXPECT_GT(places.whole, 0) << code << "\n" << made.text;
        EXPECT_EQ(places.whole, places.begun) << code << " broken somewhere\n" << made.text;
    }
}

TEST_P(ReportPdf, ShowsNothingInternal) {
    const Made made = make(GetParam());
    ASSERT_FALSE(made.text.empty());
    for (const char* internal : {"Page", "Sayfa", "protocol", "protokol", "degC", "Trouble codes  ",
                                 "Arıza kodları  ", "0.00", "0,00"}) {
        EXPECT_EQ(made.text.find(internal), std::string::npos) << internal << "\n" << made.text;
    }
    // Values in plain names and units; a switch as a share of the time.
    const bool turkish = GetParam() == ReportLanguage::Turkish;
    for (const char* wanted :
         {"°C", turkish ? "Silindir kapağı sıcaklığı" : "Cylinder head temperature",
          turkish ? "devrede kalma oranı: % 25" : "on 25 % of the time",
          turkish ? "187654 km (gösterge panelinden okundu)"
                  : "187654 km (read from the instrument cluster)",
          "34 TVX 204", "Deniz Kaya", "Usta Oto Servis", "+90 262 555 01 02",
          turkish ? "Teknisyen imzası" : "Technician's signature",
          turkish ? "Tespitler" : "Findings", "Boost leak at the intercooler hose."}) {
        EXPECT_NE(made.text.find(wanted), std::string::npos) << wanted << "\n" << made.text;
    }
}

TEST_P(ReportPdf, NumbersItsPagesOneOfN) {
    const Made made = make(GetParam());
    // pdftotext may close up the blanks around the slash.
    const std::regex footer(R"(^\s*(\d+) ?/ ?(\d+)\s*$)");
    std::vector<std::pair<int, int>> numbers;
    for (const std::string& line : linesOf(made.text)) {
        std::smatch match;
        if (std::regex_match(line, match, footer)) {
            numbers.emplace_back(std::stoi(match[1]), std::stoi(match[2]));
        }
    }
    ASSERT_GE(numbers.size(), 2u) << made.text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers[i],
                  std::make_pair(static_cast<int>(i) + 1, static_cast<int>(numbers.size())));
    }
}

TEST_P(ReportPdf, SaysWhatWasDoneInSentences) {
    const Made made = make(GetParam());
    const bool turkish = GetParam() == ReportLanguage::Turkish;
    const std::string verified =
        turkish ? "3 numaralı enjektör 2143 6587 A9CB ED0F kodundan 0123 4567 89AB CDEF koduna"
                : "Injector 3 was coded from 2143 6587 A9CB ED0F to 0123 4567 89AB CDEF, read";
    const std::string cleared =
        turkish ? "silmeden sonra hâlâ var: P2263" : "still present after the clear: P2263";
    const std::string keptOld =
        turkish ? "enjektör eski kodunu" : "the injector keeps its old code";
    for (const std::string& wanted : {verified, cleared, keptOld}) {
        EXPECT_NE(flat(made.text).find(wanted), std::string::npos) << wanted << "\n" << made.text;
    }
}

// The descriptions come from the catalogue of the report's language, whatever the session
// that read the codes spoke; a code neither catalogue has says so.
TEST_P(ReportPdf, DescribesCodesInItsOwnLanguage) {
    const Made made = make(GetParam());
    const bool turkish = GetParam() == ReportLanguage::Turkish;
    const std::string own =
        turkish ? "Yakıt Rampası/Sistem Basıncı Çok Düşük" : "Fuel Rail/System Pressure Too Low";
    const std::string other = turkish ? "Fuel Rail" : "Yakıt Rampası";
    EXPECT_NE(made.text.find(own), std::string::npos) << made.text;
    EXPECT_EQ(made.text.find(other), std::string::npos) << made.text;
    EXPECT_NE(
        made.text.find(turkish ? "katalogda açıklaması yok" : "no description in the catalogue"),
        std::string::npos)
        << made.text;
    EXPECT_EQ(made.text.find(turkish ? "Undefined" : "Tanımsız"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReportPdf,
                         ::testing::Values(ReportLanguage::English, ReportLanguage::Turkish),
                         [](const auto& info) {
                             return info.param == ReportLanguage::Turkish ? "Turkish" : "English";
                         });

// Every English word the Turkish report shares with the English one is a name, a code or a
// unit: the texts of the vehicle, the workshop and the mechanic's notes as entered, module
// and code names.
TEST(ReportPdfLanguage, TheTurkishReportHasNoEnglishWords) {
    FullVisit visit;
    Workshop workshop{"Usta Oto Servis", "Sanayi Sitesi 12, Kocaeli", "+90 262 555 01 02", {}};
    const auto report = buildReport(*visit.record, visit.visit, workshop,
                                    session::catalogueDescriber(TVX_CATALOGUE_DIR));
    ASSERT_TRUE(report);
    const auto english = visit.dir.path() / "en.pdf";
    const auto turkish = visit.dir.path() / "tr.pdf";
    ASSERT_EQ(writeReportPdf(reportHtml(*report, ReportLanguage::English), english, "r"), "");
    ASSERT_EQ(writeReportPdf(reportHtml(*report, ReportLanguage::Turkish), turkish, "r"), "");
    const VisitNotes& notes = report->visit.notes;
    std::set<std::string> allowed = wordsOf(
        notes.findings + " " + notes.recommendation + " " + notes.customer + " " + notes.plate +
        " " + report->visit.summary.vehicle + " " + workshop.name + " " + workshop.address);
    for (const char* name : {"PCM", "TCM", "ABS", "ICU", "Cluster", "VIN", "rpm", "km", "°C",
                             "Turbo", "EGR", "ECM", "no" /* Turkish too: "Rapor no." */}) {
        allowed.insert(name);
    }
    const std::string englishText = pdfText(english);
    ASSERT_FALSE(englishText.empty());
    for (const std::string& word : wordsOf(pdfText(turkish))) {
        // Codes hold digits; the groups of an injector code may be letters A to F only.
        const bool code = word.find_first_of("0123456789") != std::string::npos ||
                          word.find_first_not_of("ABCDEF") == std::string::npos;
        const bool letters = std::any_of(word.begin(), word.end(), [](char c) {
            return std::isalpha(static_cast<unsigned char>(c));
        });
        if (letters && !code && !allowed.count(word)) {
            EXPECT_EQ(wordsOf(englishText).count(word), 0u) << "English in Turkish: " << word;
        }
    }
}

}  // namespace
}  // namespace tvx::record

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
