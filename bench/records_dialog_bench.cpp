// The records dialog and the report on paper: the dialog opening on a record of 10,000 visits
// (the list of the newest 1,000 and the report of the first), and a two-page PDF of a full
// diesel-van visit with the pictures of its two recordings, drawn for it. Medians of five
// runs; Release build, offscreen platform.
//   records_dialog_bench [FILE]   (FILE: where to keep the report's PDF for a look)
#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "chart/recording_chart.h"
#include "keeper/report_catalogue.h"
#include "record/record.h"
#include "record/report.h"
#include "record/report_pdf.h"
#include "record/van_visit.h"
#include "ui/records_dialog.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace tvx;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double cpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The main thread's time waiting for a processor while ready to run (Linux's
// /proc/thread-self/schedstat, second field, in ns); 0 where there is none.
double runQueueMs() {
    std::ifstream stat("/proc/thread-self/schedstat");
    double running = 0;
    double waiting = 0;
    return stat >> running >> waiting ? waiting / 1e6 : 0;
}

std::string loadAverage() {
    std::ifstream load("/proc/loadavg");
    std::string one;
    return load >> one ? one : std::string("?");
}

// Wall time, the processor time of the program, and the time its main thread waited for a
// processor while ready: on a machine busy with other work the wall time grows with the
// load, the processor time stays what the work costs. Wall time less both is time spent
// blocked (disk, fonts, another process).
struct Times {
    double wallMs = 0;
    double cpuMs = 0;
    double queuedMs = 0;
    std::string load;        // the one-minute load average after the runs
    double firstWallMs = 0;  // the first run's, with what Qt loads once (fonts, plugins)
    double firstCpuMs = 0;
    double firstQueuedMs = 0;
};

template <typename Run>
Times median(Run run) {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> queued;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        const double cpuStart = cpuMs();
        const double queuedStart = runQueueMs();
        run();
        wall.push_back(msSince(start));
        cpu.push_back(cpuMs() - cpuStart);
        queued.push_back(runQueueMs() - queuedStart);
    }
    const Times first{0, 0, 0, {}, wall[0], cpu[0], queued[0]};
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(queued.begin(), queued.end());
    return {wall[2],           cpu[2],           queued[2],          loadAverage(),
            first.firstWallMs, first.firstCpuMs, first.firstQueuedMs};
}

// 10,000 visits of 2,000 cars, each with a read of two codes; written in one transaction.
void fillVisits(record::Record& record) {
    record::Database& db = record.database();
    db.exec("BEGIN");
    record::Statement visit(db,
                            "INSERT INTO visits(id, started_at, ended_at, vehicle, diesel, vin, "
                            "plate) VALUES (?, ?, ?, 'FOCUS 1.8 TDCI', 1, ?, ?)");
    record::Statement read(db,
                           "INSERT INTO code_reads(id, visit_id, module, at, ok, count) VALUES "
                           "(?, ?, 1, ?, 1, 2)");
    record::Statement code(db,
                           "INSERT INTO codes(read_id, position, code, code_text, description) "
                           "VALUES (?, ?, ?, ?, '')");
    for (int id = 1; id <= 10000; ++id) {
        const std::int64_t at = 1700000000000 + std::int64_t{id} * 3600000;
        const std::string car = std::to_string(10000 + id % 2000);
        visit.bind(1, id)
            .bind(2, at)
            .bind(3, at + 900000)
            .bind(4, "WF0XXXTTGXAB" + car)
            .bind(5, "34 TVX " + car);
        visit.run();
        read.bind(1, id).bind(2, id).bind(3, at + 1000);
        read.run();
        for (int position = 0; position < 2; ++position) {
            code.bind(1, id)
                .bind(2, position)
                .bind(3, 0x87 + position)
                .bind(4, position == 0 ? "P0087" : "P0088");
            code.run();
        }
    }
    db.exec("COMMIT");
}

int pagesOf(const fs::path& pdf) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf.string())});
    info.waitForFinished(20000);
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    const auto at = out.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : out.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const fs::path dir =
        fs::temp_directory_path() / ("tvx-records-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
        fs::copy_file(fs::path(TVX_DATA_DIR) / name, dir / name);
    }
    std::int64_t van = 0;
    {
        auto opened = record::Record::open(dir / record::Record::kFileName);
        if (!opened.record) {
            std::fprintf(stderr, "cannot make the record: %s\n", opened.problem.c_str());
            return 1;
        }
        fillVisits(*opened.record);
        van = record::testing::VanVisit::fill(*opened.record);
    }

    {
        auto reader = record::Record::open(dir / record::Record::kFileName);
        const Times list = median([&] { reader.record->visits({"", false, 1000}); });
        std::printf(
            "the list's query alone (newest 1,000 of 10,001): %.0f ms (processor %.0f ms, "
            "waiting for a processor %.0f ms; load %s)\n",
            list.wallMs, list.cpuMs, list.queuedMs, list.load.c_str());
    }
    const Times open = median([&] {
        ui::RecordsDialog dialog(dir, '1');
        dialog.show();
        QApplication::processEvents();
    });
    std::printf(
        "records dialog opening on 10,001 visits (newest 1,000 listed): %.0f ms (processor %.0f "
        "ms, waiting for a processor %.0f ms; load %s; bound 300 ms)\n",
        open.wallMs, open.cpuMs, open.queuedMs, open.load.c_str());
    std::printf(
        "  the first opening: %.0f ms (processor %.0f ms, waiting for a processor %.0f ms)\n",
        open.firstWallMs, open.firstCpuMs, open.firstQueuedMs);

    auto opened = record::Record::open(dir / record::Record::kFileName);
    const fs::path pdf = dir / "report.pdf";
    std::size_t pictures = 0;
    const Times made = median([&] {
        auto report = record::buildReport(*opened.record, van,
                                          {"Usta Oto Servis", "Sanayi 12", "+90 262 555 01 02", {}},
                                          session::catalogueDescriber(dir));
        chart::addRecordingCharts(*report, *opened.record, record::ReportLanguage::English);
        pictures = static_cast<std::size_t>(
            std::count_if(report->recordings.begin(), report->recordings.end(),
                          [](const auto& item) { return item.chart.has_value(); }));
        record::writeReportPdf(record::reportHtml(*report, record::ReportLanguage::English), pdf,
                               "report");
    });
    std::printf(
        "report PDF of the diesel-van visit, %d pages with %zu chart pictures, made from the "
        "record: %.0f ms (processor %.0f ms, waiting for a processor %.0f ms; load %s; bound "
        "500 ms)\n",
        pagesOf(pdf), pictures, made.wallMs, made.cpuMs, made.queuedMs, made.load.c_str());
    if (argc > 1) {
        fs::copy_file(pdf, argv[1], fs::copy_options::overwrite_existing);
    }
    fs::remove_all(dir);
    return open.cpuMs < 300 && made.cpuMs < 500 ? 0 : 1;
}
