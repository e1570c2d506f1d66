#include <nlohmann/json.hpp>

#include "record/html_query.h"
#include "record/report.h"
#include "record/report_values.h"
#include "record_fixture.h"

namespace tvx::record {
namespace {

using testing::code;
using testing::codeRead;
using testing::Dir;
using testing::Html;
using testing::openOrFail;

// Two visits of one van: the second with a read, a clear and a read, a programming run that
// restored the old code, and a recording.
struct TwoVisits {
    TwoVisits() {
        record = openOrFail(dir.db());
        first = record->beginVisit({1000, false, "FOCUS 1.8 TDCI", true, "en"});
        record->setVisitVin(first, "WF0XXXTTGXAB00001");
        record->addCodeRead(first, codeRead(1, {code(0x0087, "P0087", "Fuel rail pressure too low"),
                                                code(0x0401, "P0401", "EGR flow insufficient")}));
        second = record->beginVisit({86400000, false, "FOCUS 1.8 TDCI", true, "en"});
        record->setVisitVin(second, "WF0XXXTTGXAB00001");
        record->setVisitModules(second, {0, 2, 2, 0, 2, 2, 0}, true);
        record->addCodeRead(second,
                            codeRead(1, {code(0x0087, "P0087", "Fuel rail pressure too low"),
                                         code(0x2263, "P2263", "Turbo boost performance")}));
        record->addClear(second, 1, 86401000, true);
        record->addCodeRead(second, codeRead(1, {}, 86402000));
        record->addInjectorRead(second, {0,
                                         86403000,
                                         true,
                                         {"123456789ABCDEF0", "21436587A9CBED0F",
                                          "0A1B2C3D4E5F6071", "8877665544332211"},
                                         {}});
        ProgrammingRun run;
        run.injector = 2;
        run.startedAt = 86404000;
        run.codeBefore = "21436587A9CBED0F";
        run.codeNew = "0123456789ABCDEF";
        const auto id = record->beginProgrammingRun(second, run);
        record->addProgrammingStep(id, {86404001, 1, "store", false, false});
        record->addProgrammingStep(id, {86404002, 1, "store", true, true});
        ProgrammingRun end;
        end.endedAt = 86405000;
        end.result = "failed";
        end.unitHolds = "old";
        end.codeAfter = run.codeBefore;
        end.restoreTried = true;
        record->endProgrammingRun(id, end);
        const auto recording = record->beginRecording(
            second, 71, 86406000,
            {{0, "rpmd", "engine speed", "rpm"}, {1, "batd", "battery", "V"}});
        record->addReadings(recording,
                            {{0, 0, 780.0}, {1, 1, 13.9}, {90, 0, 820.0}, {91, 1, 14.1}});
        record->endRecording(recording, 86466000);
    }
    Dir dir;
    std::unique_ptr<Record> record;
    std::int64_t first = 0;
    std::int64_t second = 0;
};

TEST(Report, TheHtmlHoldsTheVisitAsTheCustomerReadsIt) {
    TwoVisits visits;
    const auto report =
        buildReport(*visits.record, visits.second, {"Usta Oto & Sons", "Sanayi 1", "555", {}});
    ASSERT_TRUE(report);
    const Html html(reportHtml(*report, ReportLanguage::English));
    ASSERT_TRUE(html.parsed());

    EXPECT_EQ(html.texts("//span[@class='workshop']"), std::vector<std::string>{"Usta Oto & Sons"});
    EXPECT_EQ(html.texts("//h1"), std::vector<std::string>{"Vehicle diagnostic report"});
    const auto cells = html.texts("//table[@class='facts']//td");
    EXPECT_NE(std::find(cells.begin(), cells.end(), "WF0XXXTTGXAB00001"), cells.end());
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FOCUS 1.8 TDCI"), cells.end());
    // The modules found in plain words, without the protocol each speaks.
    EXPECT_NE(std::find(cells.begin(), cells.end(),
                        "Engine (PCM), Transmission (TCM), Airbag (AirBag), Instrument cluster "
                        "(Cluster), Injector control unit (ICU)"),
              cells.end());
    // The PCM's codes against the previous visit: one still there, one new, one gone.
    const auto rows = html.texts("//h3[.='Engine (PCM)']/following-sibling::table[1]//tr[td]");
    EXPECT_EQ(rows, (std::vector<std::string>{"P0087Fuel rail pressure too lowstill present",
                                              "P2263Turbo boost performancenew",
                                              "P0401EGR flow insufficientgone"}));
    // The new code and the gone one stand out.
    EXPECT_EQ(html.texts("//span[@class='new']"), std::vector<std::string>{"new"});
    EXPECT_EQ(html.texts("//span[@class='gone']"), std::vector<std::string>{"gone"});
    // The clear with the codes before and the read after.
    const auto clears = html.texts("//p[@class='clear']");
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_NE(clears[0].find("codes before: P0087, P2263"), std::string::npos) << clears[0];
    EXPECT_NE(clears[0].find("codes read after: none"), std::string::npos) << clears[0];
    // The programming run: injector 3 (slot 2) failed, the old code kept; said in a sentence.
    const auto done = html.texts("//h2[.='Work done']/following-sibling::ul[1]/li");
    EXPECT_NE(std::find(done.begin(), done.end(),
                        "Coding injector 3 from 2143\u00a06587\u00a0A9CB\u00a0ED0F to "
                        "0123\u00a04567\u00a089AB\u00a0CDEF failed; the injector keeps its old "
                        "code 2143\u00a06587\u00a0A9CB\u00a0ED0F."),
              done.end())
        << ::testing::PrintToString(done);
    // Live values: lowest, average and highest per value, with its unit.
    const auto live = html.texts("//h2[.='Live values']/following-sibling::table[1]//tr[td]");
    EXPECT_EQ(live, (std::vector<std::string>{"Engine speed780\u00a0rpm800\u00a0rpm820\u00a0rpm",
                                              "Battery voltage13.9\u00a0V14.0\u00a0V14.1\u00a0V"}));
}

TEST(Report, TheTurkishReportHasTurkishTexts) {
    TwoVisits visits;
    const auto report = buildReport(*visits.record, visits.second, {"Usta Oto", "", "", {}});
    const Html html(reportHtml(*report, ReportLanguage::Turkish));
    EXPECT_EQ(html.texts("//h1"), std::vector<std::string>{"Araç arıza teşhis raporu"});
    const auto rows = html.texts("//h3[.='Motor (PCM)']/following-sibling::table[1]//tr[td]");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(rows[0].find("hâlâ var"), std::string::npos);
    EXPECT_NE(rows[2].find("giderildi"), std::string::npos);
    EXPECT_EQ(html.texts("//html/@lang"), std::vector<std::string>{"tr"});
}

TEST(Report, TheJsonHoldsTheSameFacts) {
    TwoVisits visits;
    const auto report = buildReport(*visits.record, visits.second, {"Usta Oto", "", "", {}});
    const auto json = nlohmann::json::parse(reportJson(*report, ReportLanguage::English));
    EXPECT_EQ(json["visit"]["vin"], "WF0XXXTTGXAB00001");
    EXPECT_EQ(json["previous_visit"], visits.first);
    EXPECT_EQ(json["modules"]["PCM"], 2);
    EXPECT_TRUE(json["modules"]["ABS"].is_null());
    // How each code stands against the previous visit, in the same words whatever the language.
    EXPECT_EQ(json["trouble_codes"][0]["codes"][0]["since_last_visit"], "still present");
    EXPECT_EQ(json["trouble_codes"][0]["codes"][1]["since_last_visit"], "new");
    EXPECT_EQ(json["trouble_codes"][0]["codes"][2]["since_last_visit"], "gone");
    const auto firstVisit = buildReport(*visits.record, visits.first, {"Usta Oto", "", "", {}});
    ASSERT_TRUE(firstVisit);
    const auto first = nlohmann::json::parse(reportJson(*firstVisit, ReportLanguage::Turkish));
    EXPECT_EQ(first["trouble_codes"][0]["codes"][0]["since_last_visit"], "first read");
    EXPECT_EQ(json["trouble_codes"][0]["codes"][2]["code"], "P0401");
    EXPECT_EQ(json["clears"][0]["codes_before"].size(), 2u);
    EXPECT_EQ(json["injectors"]["reads"][0]["codes"]["3"], "21436587A9CBED0F");
    EXPECT_EQ(json["injectors"]["programming"][0]["unit_holds"], "old");
    EXPECT_EQ(json["live"][0]["channels"][0]["mean"], 800.0);
    EXPECT_EQ(json["live"][0]["duration_s"], 60.0);
}

TEST(Report, HtmlSpecialCharactersAndControlBytesAreEscaped) {
    Dir dir;
    auto record = openOrFail(dir.db());
    const auto visit = record->beginVisit({1000, true, "<b>KA</b>", false, "en"});
    record->setVisitVin(visit, std::string("AB\x01<script>", 11));
    const auto report = buildReport(*record, visit, {"A & B", "", "", {}});
    const std::string text = reportHtml(*report, ReportLanguage::English);
    EXPECT_EQ(text.find("<script>"), std::string::npos);
    EXPECT_EQ(text.find("<b>KA"), std::string::npos);
    const Html html(text);
    EXPECT_EQ(html.texts("//p[@class='demo']").size(), 1u);
    const auto json = nlohmann::json::parse(reportJson(*report, ReportLanguage::English));
    EXPECT_EQ(json["visit"]["vin"], "AB?<script>");
    EXPECT_TRUE(json["visit"]["demo"]);
}

TEST(Report, NoSuchVisitGivesNoReport) {
    Dir dir;
    auto record = openOrFail(dir.db());
    EXPECT_FALSE(buildReport(*record, 42, {}));
}

// A recorded value's name and unit as the report gives them, from the table of names.
struct ValueTextCase {
    const char* name;
    const char* unit;
    ReportLanguage language;
    const char* shownName;
    const char* shownUnit;
};

class LiveValueTexts : public ::testing::TestWithParam<ValueTextCase> {};

TEST_P(LiveValueTexts, AreTheTablesNamesOrTheRecordedNameCapitalised) {
    const ValueTextCase& c = GetParam();
    const LiveValueText text = liveValueText(Channel{0, "rpmd", c.name, c.unit}, c.language);
    EXPECT_EQ(text.name, c.shownName);
    EXPECT_EQ(text.unit, c.shownUnit);
    EXPECT_EQ(hasTurkishName(c.name), std::string_view(c.name) != "boost pressure");
}

INSTANTIATE_TEST_SUITE_P(
    Names, LiveValueTexts,
    ::testing::Values(
        ValueTextCase{"engine speed", "rpm", ReportLanguage::English, "Engine speed", "rpm"},
        ValueTextCase{"engine speed", "rpm", ReportLanguage::Turkish, "Motor devri", "rpm"},
        ValueTextCase{"coolant temperature", "degC", ReportLanguage::Turkish,
                      "Soğutma suyu sıcaklığı", "°C"},
        ValueTextCase{"desired fuel", "g/stroke", ReportLanguage::Turkish, "İstenen yakıt miktarı",
                      "g/strok"},
        ValueTextCase{"odometer", "km", ReportLanguage::Turkish, "Kilometre sayacı", "km"},
        ValueTextCase{"boost pressure", "-", ReportLanguage::Turkish, "Boost pressure", ""}));

}  // namespace
}  // namespace tvx::record
