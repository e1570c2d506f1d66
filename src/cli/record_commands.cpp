#include "cli/record_commands.h"

#include <fstream>
#include <iomanip>
#include <sstream>

#include "cli/injector_runs.h"
#include "session/session.h"

#if TVX_HAVE_RECORD
#include "keeper/record_keeper.h"
#include "keeper/report_catalogue.h"
#include "record/record.h"
#include "record/report.h"
#include "record/workshop_name.h"
#endif
#if TVX_HAVE_PDF
#include "record/report_pdf.h"
#endif
#if TVX_HAVE_CHARTS
#include <QApplication>

#include "chart/recording_chart.h"
#include "record/offscreen_application.h"
#endif

namespace tvx::cli {
namespace {

constexpr const char* kNoRecord =
    "this build of the tester keeps no workshop record (it was built without SQLite)";

#if TVX_HAVE_RECORD
std::unique_ptr<record::Record> openForReading(const std::filesystem::path& dataDirectory,
                                               Console& console) {
    const auto path = dataDirectory / record::Record::kFileName;
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        console.err << "tarvolinex-cli: there is no workshop record in " << dataDirectory.string()
                    << " yet\n";
        return nullptr;
    }
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    record::Record::Opened opened = record::Record::open(path, options);
    if (!opened.record) {
        console.err << "tarvolinex-cli: the workshop record cannot be read: " << opened.problem
                    << '\n';
    }
    return std::move(opened.record);
}

// A query failed: said in words; a damaged file is noted so that the next command that
// records checks it and moves it aside.
ExitCode readFailed(const std::filesystem::path& dataDirectory, const record::DbError& error,
                    Console& console) {
    console.err << "tarvolinex-cli: the workshop record cannot be read: "
                << record::Record::plainProblem(error);
    if (record::Record::isDamage(error)) {
        record::Record::suspectDamage(dataDirectory / record::Record::kFileName, error.what());
        console.err << "; the next command that records moves it aside and keeps what can "
                       "still be read";
    }
    console.err << '\n';
    return ExitCode::RecordFailed;
}

ExitCode writePdf(const record::VisitReport& report, record::ReportLanguage language,
                  const std::string& path, Console& console) {
#if TVX_HAVE_PDF
    const std::string problem = record::writeReportPdf(
        record::reportHtml(report, language), path,
        std::string(record::reportText(record::ReportText::Title, language)));
    if (!problem.empty()) {
        console.err << "tarvolinex-cli: " << problem << '\n';
        return ExitCode::BadInput;
    }
    return ExitCode::Ok;
#else
    (void)report;
    (void)language;
    (void)path;
    console.err << "tarvolinex-cli: this build cannot write PDF (it was built without Qt); use "
                   "--html FILE and print that\n";
    return ExitCode::BadInput;
#endif
}

// The visit a command names: VISIT, or --last; none said on stderr.
std::optional<std::int64_t> namedVisit(const Invocation& invocation, record::Record& record,
                                       Console& console) {
    const auto visit = invocation.last ? record.lastVisit(invocation.common.demo)
                                       : std::optional<std::int64_t>(*invocation.visit);
    if (!visit || !record.visit(*visit)) {
        console.err << "tarvolinex-cli: "
                    << (invocation.last ? std::string("no visit is recorded yet")
                                        : "there is no visit " + std::to_string(*visit))
                    << "; see 'history'\n";
        return std::nullopt;
    }
    return visit;
}

ExitCode runReport(const Invocation& invocation, Console& console,
                   const std::filesystem::path& dataDirectory, char languageCode) {
    auto record = openForReading(dataDirectory, console);
    if (!record) {
        return ExitCode::RecordFailed;
    }
    try {
        const auto visit = namedVisit(invocation, *record, console);
        auto report =
            visit ? record::buildReport(*record, *visit, record::readWorkshop(dataDirectory),
                                        session::catalogueDescriber(dataDirectory))
                  : std::nullopt;
        if (!report) {
            return ExitCode::BadInput;
        }
        const auto language =
            languageCode == '2' ? record::ReportLanguage::Turkish : record::ReportLanguage::English;
#if TVX_HAVE_CHARTS
        // The charts of the recordings, for the HTML and the PDF; the application lives on
        // for the PDF's drawing.
        const auto application =
            invocation.jsonPath ? nullptr : record::offscreenApplication<QApplication>();
        if (!invocation.jsonPath) {
            chart::addRecordingCharts(*report, *record, language);
        }
#endif
        if (invocation.pdfPath) {
            if (const ExitCode written = writePdf(*report, language, *invocation.pdfPath, console);
                written != ExitCode::Ok) {
                return written;
            }
            console.out << "Report of visit " << *visit << " written to " << *invocation.pdfPath
                        << '\n';
            return ExitCode::Ok;
        }
        const std::string& path = invocation.htmlPath ? *invocation.htmlPath : *invocation.jsonPath;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << (invocation.htmlPath ? record::reportHtml(*report, language)
                                    : record::reportJson(*report, language));
        if (!out.flush()) {
            console.err << "tarvolinex-cli: cannot write " << path << '\n';
            return ExitCode::BadInput;
        }
        console.out << "Report of visit " << *visit << " written to " << path << '\n';
        return ExitCode::Ok;
    } catch (const record::DbError& error) {
        return readFailed(dataDirectory, error, console);
    }
}

ExitCode runHistory(const Invocation& invocation, Console& console,
                    const std::filesystem::path& dataDirectory) {
    auto record = openForReading(dataDirectory, console);
    if (!record) {
        return ExitCode::RecordFailed;
    }
    try {
        record::VisitFilter filter;
        filter.text = invocation.vin.value_or("");
        filter.demo = invocation.common.demo;
        const auto visits = record->visits(filter);
        console.out << std::left << std::setw(7) << "visit" << std::setw(18) << "date"
                    << std::setw(26) << "vehicle" << std::setw(19) << "VIN" << std::setw(13)
                    << "plate" << std::right << std::setw(6) << "reads" << std::setw(7) << "codes"
                    << std::setw(8) << "clears" << std::setw(10) << "injector" << std::setw(6)
                    << "live" << '\n';
        for (const record::VisitSummary& v : visits) {
            console.out << std::left << std::setw(7) << v.id << std::setw(18)
                        << record::localTime(v.startedAt, record::ReportLanguage::English)
                        << std::setw(26) << (v.vehicle.empty() ? "-" : v.vehicle) << std::setw(19)
                        << v.vin.value_or("-") << std::setw(13) << (v.plate.empty() ? "-" : v.plate)
                        << std::right << std::setw(6) << v.codeReads << std::setw(7) << v.codesRead
                        << std::setw(8) << v.clears << std::setw(10) << v.programmingRuns
                        << std::setw(6) << v.recordings
                        << (v.bay.empty() ? "" : "  at bay " + v.bay) << '\n';
        }
        if (visits.empty()) {
            console.err << "tarvolinex-cli: no " << (invocation.common.demo ? "demonstration " : "")
                        << "visit recorded"
                        << (filter.text.empty() ? "" : " for \"" + filter.text + "\"") << '\n';
        }
        return ExitCode::Ok;
    } catch (const record::DbError& error) {
        return readFailed(dataDirectory, error, console);
    }
}

void showWorkshop(const record::Workshop& workshop, Console& console) {
    const auto field = [&console](const char* label, const std::string& value) {
        console.out << label << (value.empty() ? "(not set)" : value) << '\n';
    };
    field("Workshop name: ", workshop.name);
    field("Address:       ", workshop.address);
    field("Phone:         ", workshop.phone);
    field("Logo:          ", workshop.logo.string());
}

ExitCode runWorkshop(const Invocation& invocation, Console& console,
                     const std::filesystem::path& dataDirectory) {
    record::Workshop workshop = record::readWorkshop(dataDirectory);
    if (!invocation.workshop && !invocation.address && !invocation.phone && !invocation.logo) {
        showWorkshop(workshop, console);
        return ExitCode::Ok;
    }
    std::filesystem::create_directories(dataDirectory);
    if (invocation.logo) {
        if (invocation.logo->empty()) {
            std::error_code ignored;
            std::filesystem::remove(workshop.logo, ignored);
        } else if (const std::string problem =
                       record::setWorkshopLogo(dataDirectory, *invocation.logo);
                   !problem.empty()) {
            console.err << "tarvolinex-cli: " << problem << '\n';
            return ExitCode::BadInput;
        }
    }
    workshop.name = invocation.workshop.value_or(workshop.name);
    workshop.address = invocation.address.value_or(workshop.address);
    workshop.phone = invocation.phone.value_or(workshop.phone);
    if (!record::writeWorkshop(dataDirectory, workshop)) {
        console.err << "tarvolinex-cli: cannot write " << record::kWorkshopFileName << " in "
                    << dataDirectory.string() << '\n';
        return ExitCode::RecordFailed;
    }
    showWorkshop(record::readWorkshop(dataDirectory), console);
    return ExitCode::Ok;
}

void showNotes(const record::VisitNotes& notes, Console& console) {
    const auto field = [&console](const char* label, const std::string& value) {
        console.out << label << (value.empty() ? "-" : value) << '\n';
    };
    field("Plate:          ", notes.plate);
    field("Customer:       ", notes.customer);
    field("Odometer:       ", notes.odometerKm ? std::to_string(*notes.odometerKm) + " km" : "");
    field("Findings:       ", notes.findings);
    field("Recommendation: ", notes.recommendation);
}

ExitCode runNotes(const Invocation& invocation, Console& console,
                  const std::filesystem::path& dataDirectory) {
    const bool change = invocation.plate || invocation.customer || invocation.odometerKm ||
                        invocation.findings || invocation.recommendation;
    std::unique_ptr<record::Record> record;
    if (change) {
        record::Record::Opened opened =
            record::Record::open(dataDirectory / record::Record::kFileName);
        if (!opened.record) {
            console.err << "tarvolinex-cli: the workshop record cannot be written: "
                        << opened.problem << '\n';
            return ExitCode::RecordFailed;
        }
        record = std::move(opened.record);
    } else if (!(record = openForReading(dataDirectory, console))) {
        return ExitCode::RecordFailed;
    }
    try {
        const auto visit = namedVisit(invocation, *record, console);
        if (!visit) {
            return ExitCode::BadInput;
        }
        record::VisitNotes notes = record->visit(*visit)->notes;
        if (change) {
            notes.plate = invocation.plate.value_or(notes.plate);
            notes.customer = invocation.customer.value_or(notes.customer);
            if (invocation.odometerKm) {
                notes.odometerKm = *invocation.odometerKm;
            }
            notes.findings = invocation.findings.value_or(notes.findings);
            notes.recommendation = invocation.recommendation.value_or(notes.recommendation);
            record->setVisitNotes(*visit, notes);
        }
        console.out << "Visit " << *visit << '\n';
        showNotes(notes, console);
        return ExitCode::Ok;
    } catch (const record::DbError& error) {
        console.err << "tarvolinex-cli: the workshop record cannot be "
                    << (change ? "written: " : "read: ") << record::Record::plainProblem(error)
                    << '\n';
        return ExitCode::RecordFailed;
    }
}
#endif

}  // namespace

#if TVX_HAVE_RECORD
struct CommandRecord::Kept {
    session::Session& session;
    session::RecordKeeper keeper;
    session::ProgrammingGuard* journal = nullptr;  // the guard the record stands in for
};

CommandRecord::CommandRecord(HeadlessTester& tester, const std::filesystem::path& dataDirectory,
                             char languageCode, Console& console) {
    session::RecordKeeper::Options options;
    options.language = languageCode == '2' ? "tr" : "en";
    // The writer thread's notices are written by this thread, which owns the console.
    options.noticesOnSessionThread = true;
    m_kept.reset(
        new Kept{tester.session(),
                 session::RecordKeeper(dataDirectory, options, [&console](const std::string& text) {
                     console.err << "tarvolinex-cli: " << text << '\n';
                 })});
    tester.session().addListener(m_kept->keeper);
    m_kept->journal = tester.session().setProgrammingGuard(&m_kept->keeper);
}

CommandRecord::~CommandRecord() {
    m_kept->session.setProgrammingGuard(m_kept->journal);
    m_kept->session.removeListener(m_kept->keeper);
}

trend::RecordingStore* CommandRecord::liveStore() {
    return &m_kept->keeper.liveStore();
}

ExitCode runRecordCommand(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory, char languageCode) {
    switch (invocation.command) {
        case CommandKind::Report:
            return runReport(invocation, console, dataDirectory, languageCode);
        case CommandKind::History:
            return runHistory(invocation, console, dataDirectory);
        case CommandKind::Workshop:
            return runWorkshop(invocation, console, dataDirectory);
        case CommandKind::Notes:
            return runNotes(invocation, console, dataDirectory);
        case CommandKind::InjectorsRuns:
            return runInjectorsRuns(invocation, console, dataDirectory);
        default:
            return ExitCode::Unexpected;
    }
}

#else

struct CommandRecord::Kept {};

CommandRecord::CommandRecord(HeadlessTester&, const std::filesystem::path&, char, Console&) {}
CommandRecord::~CommandRecord() = default;
trend::RecordingStore* CommandRecord::liveStore() {
    return nullptr;
}

ExitCode runRecordCommand(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory, char) {
    if (invocation.command == CommandKind::InjectorsRuns) {
        return runInjectorsRuns(invocation, console, dataDirectory);
    }
    console.err << "tarvolinex-cli: " << kNoRecord << '\n';
    return ExitCode::RecordFailed;
}

#endif

}  // namespace tvx::cli
