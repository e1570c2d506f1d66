#include <gtest/gtest.h>

#include <limits>

#include "session/live_pages.h"
#include "trend/csv_layout.h"

namespace tvx::trend {
namespace {

struct SplitCase {
    const char* line;
    std::vector<std::string> fields;
};

class CsvSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CsvSplit, ReadsBackWhatTheLayoutWrites) {
    const auto fields = splitCsvLine(GetParam().line);
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(*fields, GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(Lines, CsvSplit,
                         ::testing::Values(SplitCase{"0.000,805,34", {"0.000", "805", "34"}},
                                           SplitCase{"1.5,,ON,", {"1.5", "", "ON", ""}},
                                           SplitCase{"\"a,b\",c", {"a,b", "c"}},
                                           SplitCase{"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
                                           SplitCase{"", {""}}));

TEST(CsvSplit, RefusesAQuoteLeftOpen) {
    EXPECT_FALSE(splitCsvLine("1.0,\"805,34").has_value());
}

TEST(CsvLines, QuoteWhatWouldSplitACellAndRoundTrip) {
    const std::vector<std::string> cells{"805", "", "a,b", "say \"hi\""};
    const std::string line = csvRowLine(12.3456, cells);
    EXPECT_EQ(line, "12.346,805,,\"a,b\",\"say \"\"hi\"\"\"\n");
    const auto back = splitCsvLine(line.substr(0, line.size() - 1));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(std::vector<std::string>(back->begin() + 1, back->end()), cells);
}

TEST(CsvLines, TheHeaderNamesTimeThenEachColumnWithItsUnit) {
    const std::vector<LiveColumn> columns{{Gauge::rpmd, "engine speed", "rpm"},
                                          {Gauge::cppd, "clutch pedal", ""}};
    EXPECT_EQ(csvHeaderLine(columns), "time [s],engine speed [rpm],clutch pedal\n");
}

Reading reading(Gauge gauge, std::string text, bool failed = false) {
    Reading r;
    r.gauge = gauge;
    r.text = std::move(text);
    r.failed = failed;
    r.value = failed ? std::numeric_limits<double>::quiet_NaN() : 0.0;
    return r;
}

TEST(CycleCells, HoldTheLastGoodTextOfEachColumnTrimmedAndEmptyForAFailure) {
    const std::vector<LiveColumn> columns{{Gauge::rpmd, "engine speed", "rpm"},
                                          {Gauge::vssd, "vehicle speed", "km/h"},
                                          {Gauge::lmdd, "lambda", "-"},
                                          {Gauge::cppd, "clutch pedal", ""}};
    const std::vector<Reading> readings{
        reading(Gauge::rpmd, " 805"), reading(Gauge::vssd, "12"), reading(Gauge::lmdd, "", true),
        reading(Gauge::vssd, "  13"),  // read twice in a cycle: the last counts
        reading(Gauge::cppd, " ON"),  reading(Gauge::mapd, "7")};
    EXPECT_EQ(cycleCells(columns, readings), (std::vector<std::string>{"805", "13", "", "ON"}));
}

TEST(CycleCells, AFailureAfterAGoodReadOfTheSameGaugeKeepsTheGoodText) {
    const std::vector<LiveColumn> columns{{Gauge::vssd, "vehicle speed", "km/h"}};
    const std::vector<Reading> readings{reading(Gauge::vssd, "12"), reading(Gauge::vssd, "", true)};
    EXPECT_EQ(cycleCells(columns, readings), std::vector<std::string>{"12"});
}

}  // namespace
}  // namespace tvx::trend
