// The pictures of recordings in the customer's report: drawn offscreen with the window's
// chart, embedded in the HTML so that the file stands alone, and laid out in the PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <sstream>

#include "chart/recording_chart.h"
#include "full_visit.h"
#include "html_query.h"
#include "pdf_tools.h"
#include "record/report_pdf.h"
#include "keeper/report_catalogue.h"

namespace tvx::record {
namespace {

using testing::FullVisit;

// The chart's size on paper, in the picture's pixels (twice the chart's own for print).
constexpr QSize kPixels(1600, 480);

struct Embedded {
    QImage image;   // as decoded from the data URI
    int width = 0;  // as the HTML lays it out
    int height = 0;
};

std::vector<Embedded> picturesOf(const std::string& html) {
    const testing::Html parsed(html);
    const auto sources = parsed.texts("//img/@src");
    const auto widths = parsed.texts("//img/@width");
    const auto heights = parsed.texts("//img/@height");
    EXPECT_EQ(widths.size(), sources.size());
    EXPECT_EQ(heights.size(), sources.size());
    std::vector<Embedded> pictures;
    const std::string prefix = "data:image/png;base64,";
    for (std::size_t i = 0; i < sources.size() && i < widths.size() && i < heights.size(); ++i) {
        EXPECT_EQ(sources[i].substr(0, prefix.size()), prefix);
        const QByteArray png =
            QByteArray::fromBase64(QByteArray::fromStdString(sources[i].substr(prefix.size())),
                                   QByteArray::AbortOnBase64DecodingErrors);
        Embedded picture;
        EXPECT_TRUE(picture.image.loadFromData(png, "PNG")) << "picture " << i;
        picture.width = std::stoi(widths[i]);
        picture.height = std::stoi(heights[i]);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

// The size of every image in the PDF, as pdfimages lists them (poppler-utils).
std::vector<QSize> pdfImages(const std::filesystem::path& pdf) {
    std::istringstream list(testing::commandOutput("pdfimages -list '" + pdf.string() + "'"));
    std::vector<QSize> sizes;
    bool table = false;
    for (std::string line; std::getline(list, line);) {
        if (line.starts_with("---")) {
            table = true;
            continue;
        }
        std::istringstream row(line);
        int page = 0, number = 0, width = 0, height = 0;
        std::string type;
        if (table && row >> page >> number >> type >> width >> height && type == "image") {
            sizes.emplace_back(width, height);
        }
    }
    return sizes;
}

// Pixels of the colour in a band of columns (shares of the width), below the legend and
// above the time axis.
int pixelsOf(const QImage& image, QColor colour, double fromX, double toX) {
    int count = 0;
    for (int y = image.height() * 3 / 10; y < image.height() * 85 / 100; ++y) {
        for (int x = static_cast<int>(image.width() * fromX);
             x < static_cast<int>(image.width() * toX); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

class ReportCharts : public ::testing::TestWithParam<ReportLanguage> {
protected:
    // The report with its pictures, as HTML and as a PDF written from it.
    std::string make(std::int64_t visitId, const std::filesystem::path& pdf) {
        auto report = buildReport(*visit.record, visitId, {"Usta Oto Servis", "", "", {}},
                                  session::catalogueDescriber(TVX_CATALOGUE_DIR));
        EXPECT_TRUE(report);
        if (!report) {
            return {};
        }
        chart::addRecordingCharts(*report, *visit.record, GetParam());
        const std::string html = reportHtml(*report, GetParam());
        EXPECT_EQ(writeReportPdf(html, pdf, "report"), "");
        return html;
    }

    FullVisit visit;
};

// The engine's recording charts speed and head temperature (the brake switch and the code
// count are left out); the cluster's its fuel level (the odometer is given with the vehicle).
TEST_P(ReportCharts, AVisitWithTwoRecordingsHasTwoPictures) {
    const auto pdf = visit.dir.path() / "two.pdf";
    const std::vector<Embedded> pictures = picturesOf(make(visit.visit, pdf));
    ASSERT_EQ(pictures.size(), 2u);
    for (const Embedded& picture : pictures) {
        EXPECT_EQ(picture.image.size(), kPixels);
        EXPECT_EQ(picture.width * kPixels.height(), picture.height * kPixels.width())
            << "laid out in the picture's proportions";
    }
    EXPECT_EQ(pdfImages(pdf), std::vector<QSize>(2, kPixels));

    // The lines in the chart's palette: the 19 s of the engine's recording fill the first
    // two thirds of its 30 s window, the last part of the plot stays empty.
    const QImage& engine = pictures[0].image;
    for (const QColor colour : {QColor(255, 0, 0), QColor(255, 255, 0)}) {
        EXPECT_GT(pixelsOf(engine, colour, 0.3, 0.5), 100) << colour.name().toStdString();
        EXPECT_EQ(pixelsOf(engine, colour, 0.72, 0.85), 0) << colour.name().toStdString();
    }
    EXPECT_EQ(pixelsOf(pictures[1].image, QColor(255, 255, 0), 0.05, 0.95), 0)
        << "one value on the cluster's chart";
}

TEST_P(ReportCharts, AVisitWithoutRecordingsHasNone) {
    const auto other = visit.record->beginVisit({FullVisit::kDay * 3, false, "FIESTA", false});
    visit.record->addCodeRead(other, testing::codeRead(1, {testing::code(0x0171, "P0171")}));
    const auto pdf = visit.dir.path() / "none.pdf";
    EXPECT_TRUE(picturesOf(make(other, pdf)).empty());
    EXPECT_TRUE(pdfImages(pdf).empty());
    EXPECT_NE(testing::pdfText(pdf).find("P0171"), std::string::npos) << "the PDF is written";
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReportCharts,
                         ::testing::Values(ReportLanguage::English, ReportLanguage::Turkish),
                         [](const auto& info) {
                             return info.param == ReportLanguage::Turkish ? "Turkish" : "English";
                         });

// The time a picture shows: the shortest of the chart's windows the recording fits; a longer
// recording's last ten minutes, which the report says.
struct Span {
    const char* name;
    std::int64_t lastReadingMs;
    std::int64_t shownMs;
    const char* said;  // "" for nothing
};

class ChartSpan : public ::testing::TestWithParam<Span> {};

TEST_P(ChartSpan, ShowsTheShortestWindowTheRecordingFits) {
    const Span& span = GetParam();
    RecordingReport item;
    item.recording.startedAt = 1000;
    item.recording.endedAt = 1000 + span.lastReadingMs + 500;
    item.recording.channels = {{0, "rpmd", "engine speed", "rpm"}};
    std::vector<Reading> readings;
    for (std::int64_t t = 0; t <= span.lastReadingMs; t += 1000) {
        readings.push_back({t, 0, 800.0 + static_cast<double>(t % 7000) / 100});
    }
    item.chart = chart::recordingChart(item.recording, readings, ReportLanguage::English);
    ASSERT_TRUE(item.chart);
    EXPECT_EQ(item.chart->shownMs, span.shownMs);
    VisitReport report;
    report.recordings.push_back(item);
    const std::string html = reportHtml(report, ReportLanguage::English);
    const auto said = html.find("The chart shows the last");
    if (*span.said == '\0') {
        EXPECT_EQ(said, std::string::npos);
    } else {
        EXPECT_NE(html.find(span.said), std::string::npos) << html.substr(0, 200);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, ChartSpan,
    ::testing::Values(Span{"TwentySeconds", 20000, 30000, ""},
                      Span{"ThirtySeconds", 30000, 30000, ""},
                      Span{"SeventySeconds", 70000, 120000, ""},
                      Span{"FiveMinutes", 300000, 600000, ""},
                      Span{"FifteenMinutes", 900000, 600000,
                           "The chart shows the last 10 min 0 s of the recording."}),
    [](const auto& info) { return std::string(info.param.name); });

// Switches, the code count and the odometer make no chart: no picture, not an empty one.
TEST(RecordingChart, NoneWithoutAFigureToChart) {
    Recording recording;
    recording.channels = {{0, "bppd", "brake pedal", ""},
                          {1, "dtcd", "trouble codes", "-"},
                          {2, "kmd", "odometer", "km"},
                          {3, "rpmd", "engine speed", "rpm"}};
    std::vector<Reading> readings = {{0, 0, 1.0}, {0, 1, 2.0}, {0, 2, 187654.0}, {0, 3, {}}};
    EXPECT_FALSE(chart::recordingChart(recording, readings, ReportLanguage::English))
        << "engine speed never read";
    readings.push_back({1000, 3, 812.0});
    EXPECT_TRUE(chart::recordingChart(recording, readings, ReportLanguage::English));
}

}  // namespace
}  // namespace tvx::record

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
