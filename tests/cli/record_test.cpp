#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "cli_fixture.h"
#include "link/injector_codes.h"
#include "record/html_query.h"
#include "record/record.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kVehicle = "MONDEO 2.0 TDCI";
constexpr const char* kNewCode = "0123456789ABCDEF";
constexpr int kInjector = 3;  // on the unit's slot 2
constexpr int kSlot = 2;
// The unit's requests of the read that precedes a run; the run's follow.
constexpr int kRunStart = 14;

std::string hex(const std::array<std::uint8_t, 8>& bytes) {
    return session::injectorCodeText(bytes);
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<record::Record> readRecord(const DataDir& data) {
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(data.file(record::Record::kFileName), options);
    EXPECT_TRUE(opened.record) << opened.problem;
    return std::move(opened.record);
}

CliResult program(SimulatedCar& car, const DataDir& data, const std::string& code = kNewCode) {
    return runCli(onCar(
        car, data,
        {"--vehicle", kVehicle, "injectors", "program", std::to_string(kInjector), code, "--yes"}));
}

TEST(CliRecord, AVisitWithReadClearReadIsOneVisitInHistoryAndTheReport) {
    SimulatedCar car("diesel-van");
    DataDir data;
    for (const char* command : {"read", "clear", "read"}) {
        std::vector<std::string> args{"--vehicle", kVehicle, "dtc", command, "PCM"};
        if (std::string(command) == "clear") {
            args.push_back("--yes");
        }
        const CliResult result = runCli(onCar(car, data, args));
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_THAT(result.err, Not(HasSubstr("record")));
    }
    ASSERT_EQ(runCli({"--data-dir", data.path(), "workshop", "Usta Oto & Sons"}).code, 0);

    const CliResult history = runCli({"--data-dir", data.path(), "history"});
    ASSERT_EQ(history.code, 0) << history.err;
    EXPECT_THAT(history.out, HasSubstr("MONDEO 2.0 TDCI"));
    EXPECT_THAT(history.out, HasSubstr("WF0XXXTTGX8C12345"));
    // One visit: two reads, three codes, one clear.
    const std::string row = history.out.substr(history.out.find('\n') + 1);
    EXPECT_THAT(row, ::testing::StartsWith("1 "));
    EXPECT_THAT(row,
                ::testing::EndsWith(
                    "WF0XXXTTGX8C12345  -                 2      3       1         0     0\n"));

    const auto html = data.file("visit.html");
    const CliResult report =
        runCli({"--data-dir", data.path(), "report", "--last", "--html", html.string()});
    ASSERT_EQ(report.code, 0) << report.err;
    EXPECT_EQ(report.out, "Report of visit 1 written to " + html.string() + "\n");
    const record::testing::Html page(fileText(html));
    EXPECT_EQ(page.texts("//span[@class='workshop']"), std::vector<std::string>{"Usta Oto & Sons"});
    const auto rows =
        page.texts("//h3[.='Engine (PCM)']/following-sibling::table[1]//tr[td]/td[1]");
    EXPECT_EQ(rows, (std::vector<std::string>{"P0087", "P0401", "P2263"}));
    const auto clears = page.texts("//p[@class='clear']");
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_THAT(clears[0], HasSubstr("codes before: P0087, P0401, P2263"));
    EXPECT_THAT(clears[0], HasSubstr("codes read after: none"));

    const auto json = data.file("visit.json");
    ASSERT_EQ(
        runCli({"--data-dir", data.path(), "--lang", "tr", "report", "1", "--json", json.string()})
            .code,
        0);
    const auto parsed = nlohmann::json::parse(fileText(json));
    EXPECT_EQ(parsed["language"], "tr");
    EXPECT_EQ(parsed["clears"][0]["codes_before"].size(), 3u);
    EXPECT_EQ(parsed["clears"][0]["codes_after"].size(), 0u);
    EXPECT_EQ(parsed["visit"]["vehicle"], kVehicle);
}

// A run whose n-th unit request goes unanswered, for each request of both halves: what the
// unit holds, what the record holds, what is said and the exit code.
struct FailCase {
    const char* name;
    int request;  // of the run, 0 = its first
    int exitCode;
    bool unitHasNew;
    const char* said;
    const char* result;  // as the record keeps it
    const char* holds;
};

void PrintTo(const FailCase& c, std::ostream* os) {
    *os << c.name;
}

class CliProgrammingFault : public ::testing::TestWithParam<FailCase> {};

TEST_P(CliProgrammingFault, TheOldCodeIsNeverLost) {
    const FailCase& c = GetParam();
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string before = hex(car.injectorCode(kSlot));
    car.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(kRunStart + c.request));
    const CliResult result = program(car, data);

    EXPECT_EQ(result.code, c.exitCode) << result.err;
    EXPECT_THAT(result.err, HasSubstr(c.said));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), c.unitHasNew ? std::string(kNewCode) : before);
    auto record = readRecord(data);
    const auto run = record->lastRunOf(kSlot, std::nullopt, std::nullopt);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->codeBefore, before);
    EXPECT_EQ(run->codeNew, kNewCode);
    EXPECT_EQ(run->result, c.result);
    EXPECT_EQ(run->unitHolds, c.holds);
    ASSERT_FALSE(run->steps.empty());
    EXPECT_FALSE(run->steps[static_cast<std::size_t>(c.request)].ok);
}

INSTANTIATE_TEST_SUITE_P(
    EachRequest, CliProgrammingFault,
    ::testing::Values(
        FailCase{"Start", 0, 7, false, "before anything was written", "failed", "old"},
        FailCase{"Open", 1, 7, false, "before anything was written", "failed", "old"},
        FailCase{"SelectFirst", 2, 7, false, "before anything was written", "failed", "old"},
        FailCase{"WriteFirst", 3, 10, false, "was written back and read", "failed", "old"},
        FailCase{"StoreFirst", 4, 10, false, "was written back and read", "failed", "old"},
        FailCase{"SelectSecond", 5, 10, false, "was written back and read", "failed", "old"},
        FailCase{"WriteSecond", 6, 10, false, "was written back and read", "failed", "old"},
        FailCase{"StoreSecond", 7, 10, false, "was written back and read", "failed", "old"},
        FailCase{"Close", 8, 0, true, "the last step failed", "failed", "new"},
        FailCase{"StartAgain", 9, 0, true, "the last step failed", "failed", "new"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliRecord, AMixedCodeIsShownHalfByHalfAndRestoreWritesTheOldCodeBack) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string before = hex(car.injectorCode(kSlot));
    car.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(kRunStart + 4));
    car.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(kRunStart + 5 + 3));
    const CliResult failed = program(car, data);
    EXPECT_EQ(failed.code, 11) << failed.err;
    const std::string mixed = std::string(kNewCode).substr(0, 8) + before.substr(8);
    EXPECT_EQ(hex(car.injectorCode(kSlot)), mixed);
    EXPECT_THAT(failed.err,
                HasSubstr("MIXED code: first half 01234567, second half " + before.substr(8)));
    EXPECT_THAT(failed.err, HasSubstr("injectors restore 3"));

    const CliResult restored =
        runCli(onCar(car, data, {"--vehicle", kVehicle, "injectors", "restore", "3", "--yes"}));
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_THAT(restored.err, HasSubstr("the record holds " + before));
    EXPECT_EQ(restored.out, "Injector 3 programmed: " + before + " (read back)\n");
    EXPECT_EQ(hex(car.injectorCode(kSlot)), before);
}

TEST(CliRecord, RestoreTakesTheCodeOfTheVisitNamedAndWaitsForConfirmation) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string original = hex(car.injectorCode(kSlot));
    ASSERT_EQ(program(car, data).code, 0);
    ASSERT_EQ(program(car, data, "FEDCBA9876543210").code, 0);  // the same visit goes on
    ASSERT_EQ(hex(car.injectorCode(kSlot)), "FEDCBA9876543210");

    // Without --visit: the latest run's old code. Declined, nothing is written.
    const CliResult declined =
        runCli(onCar(car, data, {"--vehicle", kVehicle, "injectors", "restore", "3"}), "\n\nn\n");
    EXPECT_EQ(declined.code, 8) << declined.err;
    EXPECT_THAT(declined.err, HasSubstr("the record holds " + std::string(kNewCode)));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), "FEDCBA9876543210");

    // The first run of the visit holds the code the car came in with.
    auto record = readRecord(data);
    const auto visit = record->lastVisit(false);
    ASSERT_TRUE(visit);
    const auto runs = record->visit(*visit)->runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].codeBefore, original);
    const CliResult restored = runCli(onCar(car, data,
                                            {"--vehicle", kVehicle, "injectors", "restore", "3",
                                             "--visit", std::to_string(*visit), "--yes"}));
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_THAT(restored.err, HasSubstr("the record holds " + std::string(kNewCode)));
}

TEST(CliRecord, RestoreWithoutARecordedRunSaysSoAndSendsNothing) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const CliResult result =
        runCli(onCar(car, data, {"--vehicle", kVehicle, "injectors", "restore", "1", "--yes"}));
    EXPECT_EQ(result.code, 13);
    EXPECT_THAT(result.err, HasSubstr("nothing to restore"));
}

TEST(CliRecord, ADamagedRecordIsMovedAsideAndTheVisitRecordedAnew) {
    SimulatedCar car("petrol-car");
    DataDir data;
    std::ofstream(data.file(record::Record::kFileName)) << "coffee stains";
    const CliResult result = runCli(onCar(car, data, {"dtc", "read", "ABS"}));
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, ::testing::StartsWith("ABS: 1 stored trouble code\nC0210 "));
    EXPECT_THAT(
        result.err,
        HasSubstr("the record file was damaged (it is not a database file); it is kept as"));
    EXPECT_EQ(readRecord(data)->visits({}).size(), 1u);
}

// A file that opens but fails once it is written (a damaged index page): the run that meets
// it says so in words, and the next one moves it aside with its reason and carries on with
// what could be read, instead of failing the same way on every run.
TEST(CliRecord, AFileThatOpensButIsDamagedIsMovedAsideAtTheNextRun) {
    SimulatedCar car("petrol-car");
    DataDir data;
    const auto path = data.file(record::Record::kFileName);
    std::int64_t indexPage = 0;
    std::int64_t pageSize = 0;
    {
        auto opened = record::Record::open(path);
        ASSERT_TRUE(opened.record);
        for (int v = 0; v < 4; ++v) {
            const auto visit = opened.record->beginVisit({1000 + v, false, "FIESTA", false, "en"});
            opened.record->setVisitVin(visit, "WF0AXXGAJA1A0000" + std::to_string(v));
        }
        auto& db = opened.record->database();
        indexPage = db.queryInteger(
            "SELECT rootpage FROM sqlite_master WHERE name = "
            "'visits_by_vin'");
        pageSize = db.queryInteger("PRAGMA page_size");
    }
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp((indexPage - 1) * pageSize);
        file << std::string(static_cast<std::size_t>(pageSize), '\x5A');
    }
    const std::string damaged = fileText(path);

    const CliResult first = runCli(onCar(car, data, {"dtc", "read", "ABS"}));
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_THAT(first.err, HasSubstr("the record file is damaged"));
    EXPECT_THAT(first.err, HasSubstr("moves it aside"));
    EXPECT_EQ(fileText(path), damaged);

    const CliResult second = runCli(onCar(car, data, {"dtc", "read", "ABS"}));
    EXPECT_EQ(second.code, 0) << second.err;
    EXPECT_THAT(second.err, HasSubstr("the record file was damaged (its integrity check fails"));
    EXPECT_THAT(second.err, Not(HasSubstr("not kept")));
    // The four visits read from the old file, and this run's.
    EXPECT_EQ(readRecord(data)->visits({"", false, 100}).size(), 5u);
}

// The record cannot be kept, so the injector code journal guards programming instead (and
// says so); the restore finds the old code there.
TEST(CliRecord, ARecordOfANewerTesterLeavesDiagnosisWorkingAndTheJournalGuardsProgramming) {
    SimulatedCar car("diesel-van");
    DataDir data;
    {
        auto opened = record::Record::open(data.file(record::Record::kFileName));
        ASSERT_TRUE(opened.record);
        opened.record->database().exec("INSERT INTO schema_version(version) VALUES (7)");
    }
    const std::string file = fileText(data.file(record::Record::kFileName));
    const CliResult read = runCli(onCar(car, data, {"dtc", "read", "TCM"}));
    EXPECT_EQ(read.code, 0) << read.err;
    const auto notKept = std::string("the workshop record is not kept");
    EXPECT_THAT(read.err, HasSubstr(notKept));
    // Said once, on one line.
    EXPECT_EQ(read.err.find(notKept), read.err.rfind(notKept));

    const std::string before = hex(car.injectorCode(kSlot));
    const CliResult programmed = program(car, data);
    EXPECT_EQ(programmed.code, 0) << programmed.err;
    EXPECT_THAT(programmed.err, HasSubstr("kept safe in the injector code journal"));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), kNewCode);

    const CliResult restored =
        runCli(onCar(car, data, {"--vehicle", kVehicle, "injectors", "restore", "3", "--yes"}));
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_THAT(restored.err, HasSubstr("the journal holds " + before));
    // The journal kept how the run ended too: it is not taken for a run the tester never
    // finished.
    EXPECT_THAT(restored.err, Not(HasSubstr("never finished")));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), before);
    EXPECT_EQ(fileText(data.file(record::Record::kFileName)), file);  // left alone
}

// live --record keeps the recording as a file to replay and, cycle for cycle, in the visit.
TEST(CliRecord, ALiveRecordingIsAlsoKeptInTheVisit) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::filesystem::path file = data.file("road.csv");
    const CliResult recorded = runCli(
        onCar(car, data,
              {"--vehicle", "FOCUS 1.8 TDCI", "live", "--cycles", "3", "--record", file.string()}));
    ASSERT_EQ(recorded.code, 0) << recorded.err;
    ASSERT_TRUE(std::filesystem::exists(file));

    const auto kept = readRecord(data);
    ASSERT_TRUE(kept);
    const auto visits = kept->visits({});
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].recordings, 1);
    const auto recordings = kept->recordingsOfVisit(visits[0].id);
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_TRUE(recordings[0].endedAt.has_value()) << "the recording was ended, not left open";
    // Every reading of the three cycles the file holds, and none after the run stopped.
    const std::string text = fileText(file);
    const auto rows = std::count(text.begin(), text.end(), '\n') - 1;
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(recordings[0].readingCount,
              rows * static_cast<std::int64_t>(recordings[0].channels.size()));

    // Without --record a live run leaves no recording.
    const CliResult plain =
        runCli(onCar(car, data, {"--vehicle", "FOCUS 1.8 TDCI", "live", "--cycles", "2"}));
    ASSERT_EQ(plain.code, 0) << plain.err;
    const auto after = readRecord(data);
    int total = 0;
    for (const auto& visit : after->visits({})) {
        total += visit.recordings;
    }
    EXPECT_EQ(total, 1);
}

// The mechanic's notes and the workshop's address set from the command line reach history and
// the PDF report, in the language asked for.
TEST(CliRecord, NotesAndTheWorkshopReachHistoryAndThePdfReport) {
    SimulatedCar car("diesel-van");
    DataDir data;
    ASSERT_EQ(runCli(onCar(car, data, {"--vehicle", kVehicle, "dtc", "read", "PCM"})).code, 0);
    const CliResult workshop =
        runCli({"--data-dir", data.path(), "workshop", "Usta Oto", "--address", "Sanayi 12, Izmit",
                "--phone", "+90 262 555 01 02"});
    ASSERT_EQ(workshop.code, 0) << workshop.err;
    const CliResult notes =
        runCli({"--data-dir", data.path(), "notes", "--last", "--plate", "41 ABC 204", "--odometer",
                "187000", "--findings", "Boost hose split."});
    ASSERT_EQ(notes.code, 0) << notes.err;
    EXPECT_THAT(notes.out, HasSubstr("Plate:          41 ABC 204"));
    EXPECT_THAT(runCli({"--data-dir", data.path(), "history"}).out, HasSubstr("41 ABC 204"));
    EXPECT_EQ(runCli({"--data-dir", data.path(), "notes", "7", "--plate", "x"}).code, 2);
    EXPECT_EQ(runCli({"--data-dir", data.path(), "notes"}).code, 2);

    const auto pdf = data.file("rapor.pdf");
    const CliResult report = runCli(
        {"--data-dir", data.path(), "--lang", "tr", "report", "--last", "--pdf", pdf.string()});
    ASSERT_EQ(report.code, 0) << report.err;
    std::string text;
    if (FILE* pipe = popen(("pdftotext -layout '" + pdf.string() + "' -").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    for (const char* wanted :
         {"Araç arıza teşhis raporu", "Usta Oto", "Sanayi 12, Izmit", "+90 262 555 01 02",
          "41 ABC 204", "187000 km", "Boost hose split."}) {
        EXPECT_THAT(text, HasSubstr(wanted)) << text;
    }
    // The page number, its blanks as pdftotext may close them up.
    EXPECT_THAT(text, ::testing::AnyOf(HasSubstr("1 / 1"), HasSubstr("1/1"))) << text;
}

TEST(CliRecord, ReportAndHistoryWithoutARecordSaySo) {
    DataDir data;
    const CliResult report =
        runCli({"--data-dir", data.path(), "report", "--last", "--html", data.path() + "/r.html"});
    EXPECT_EQ(report.code, 13);
    EXPECT_THAT(report.err, HasSubstr("no workshop record"));
    EXPECT_EQ(runCli({"--data-dir", data.path(), "report", "--last"}).code, 2);
    EXPECT_EQ(runCli({"--data-dir", data.path(), "report", "3", "--last", "--json", "x"}).code, 2);
}

}  // namespace
}  // namespace tvx::cli::testing
