#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "session/session_state.h"
#include "trend/csv_layout.h"
#include "trend/live_columns.h"
#include "trend/recording_csv.h"

namespace tvx::trend {
namespace {

const session::LivePage& dieselPage() {
    return *session::livePageForModel(true, 4);  // "FOCUS 1.8 TDCI": every diesel panel
}

// A recording of every gauge of the page for `cycles` cycles, 500 ms apart; the gauges named
// in `failing` fail in odd cycles.
LiveRecording recordingOf(const session::LivePage& page, std::uint32_t cycles,
                          std::vector<Gauge> failing = {}) {
    LiveRecording recording;
    recording.page = &page;
    for (std::uint32_t cycle = 0; cycle < cycles; ++cycle) {
        std::uint64_t time = cycle * 500;
        for (const Gauge gauge : pageGauges(page)) {
            Reading reading;
            reading.gauge = gauge;
            reading.timeMs = time;
            time += 20;
            reading.cycle = cycle;
            const bool fails =
                cycle % 2 == 1 && std::find(failing.begin(), failing.end(), gauge) != failing.end();
            if (fails) {
                reading.failed = true;
                reading.value = std::numeric_limits<double>::quiet_NaN();
            } else if (gauge == Gauge::cppd || gauge == Gauge::bppd || gauge == Gauge::klimad) {
                reading.text = cycle % 3 == 0 ? " ON" : "OFF";
                reading.value = cycle % 3 == 0 ? 1 : 0;
            } else {
                reading.value = 800 + cycle * 1.25;
                char text[16];
                std::snprintf(text, sizeof text, "%.2f", reading.value);
                reading.text = text;
            }
            recording.readings.push_back(std::move(reading));
        }
    }
    return recording;
}

std::string csvOf(const LiveRecording& recording) {
    std::ostringstream out;
    writeRecordingCsv(recording, out);
    return out.str();
}

RecordingRead readBack(const std::string& text) {
    std::istringstream in(text);
    return readRecordingCsv(in);
}

TEST(RecordingCsv, ReadsBackEveryCycleWithItsTimeTextsAndFailures) {
    const LiveRecording recording = recordingOf(dieselPage(), 4, {Gauge::rpmd, Gauge::cppd});
    const std::string text = csvOf(recording);
    const RecordingRead read = readBack(text);
    ASSERT_TRUE(read.recording) << read.error;
    const LiveRecording& back = *read.recording;
    EXPECT_EQ(back.page, &dieselPage());

    const auto cycles = cyclesOf(back);
    ASSERT_EQ(cycles.size(), 4u);
    for (std::size_t c = 0; c < cycles.size(); ++c) {
        EXPECT_EQ(cycles[c].timeMs, c * 500) << "each row at the time of its first reading";
        for (std::size_t i = cycles[c].first; i < cycles[c].end; ++i) {
            const Reading& reading = back.readings[i];
            EXPECT_EQ(reading.timeMs, c * 500);
            const bool shouldFail =
                c % 2 == 1 && (reading.gauge == Gauge::rpmd || reading.gauge == Gauge::cppd);
            EXPECT_EQ(reading.failed, shouldFail) << reading.gauge << " in cycle " << c;
            if (reading.failed) {
                EXPECT_TRUE(reading.text.empty());
                EXPECT_TRUE(std::isnan(reading.value));
            } else if (reading.gauge == Gauge::cppd || reading.gauge == Gauge::bppd ||
                       reading.gauge == Gauge::klimad) {
                EXPECT_EQ(reading.text, c % 3 == 0 ? " ON" : "OFF") << "as the field shows it";
                EXPECT_EQ(reading.value, c % 3 == 0 ? 1 : 0);
            } else {
                EXPECT_DOUBLE_EQ(reading.value, 800 + static_cast<double>(c) * 1.25);
            }
        }
    }
    // Written again, the file is the same to the byte.
    EXPECT_EQ(csvOf(back), text);
}

class EveryPage : public ::testing::TestWithParam<session::LivePage> {};

// The header alone tells the page, so a log carries everything a replay needs.
TEST_P(EveryPage, IsKnownAgainByItsHeader) {
    const session::LivePage& page = *session::livePageForState(GetParam().pollState);
    const RecordingRead read = readBack(csvOf(recordingOf(page, 2)));
    ASSERT_TRUE(read.recording) << read.error;
    EXPECT_EQ(read.recording->page, &page);
    EXPECT_EQ(read.recording->readings.size(), 2 * liveColumns(page).size());
}

INSTANTIATE_TEST_SUITE_P(AllPages, EveryPage, ::testing::ValuesIn(session::allLivePages()),
                         [](const auto& info) {
                             return "State" +
                                    std::to_string(session::stateNumber(info.param.pollState));
                         });

// Fast mode's recording: some of a page's columns, in its order. A header naming a whole
// page stays that page's.
TEST(RecordingCsv, SomeColumnsOfAPageAreThatPagesValues) {
    std::istringstream in(
        "time [s],engine speed [rpm],fuel rail pressure [bar]\n0.000,805,250\n"
        "0.040,810,\n");
    const RecordingRead read = readRecordingCsv(in);
    ASSERT_TRUE(read.recording) << read.error;
    ASSERT_NE(read.recording->page, nullptr);
    EXPECT_EQ(read.recording->gauges, (std::vector<Gauge>{Gauge::rpmd, Gauge::frpd}));
    ASSERT_EQ(read.recording->readings.size(), 4u);
    EXPECT_TRUE(read.recording->readings[3].failed);
    std::ostringstream out;
    writeRecordingCsv(*read.recording, out);
    EXPECT_EQ(out.str(),
              "time [s],engine speed [rpm],fuel rail pressure [bar]\n0.000,805,250\n"
              "0.040,810,\n");
}

TEST(RecordingCsv, TakesWindowsLineEndsAndAByteOrderMark) {
    std::string text = csvOf(recordingOf(dieselPage(), 3));
    std::string windows = "\xEF\xBB\xBF";
    for (const char c : text) {
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const RecordingRead read = readBack(windows);
    ASSERT_TRUE(read.recording) << read.error;
    EXPECT_EQ(cyclesOf(*read.recording).size(), 3u);
}

// A recording whose writing stopped part-way (a full disk, a kill) ends in a line without its
// line break: whatever byte it stops at, the whole cycles before it read back exactly and the
// cut line is named, never taken as a cycle or as a bad file.
TEST(RecordingCsv, ACutAtEveryByteOfTheLastLinesKeepsTheWholeCyclesBefore) {
    const LiveRecording written = recordingOf(dieselPage(), 4, {Gauge::rpmd});
    const std::string text = csvOf(written);
    const std::size_t lastTwoRows = text.rfind('\n', text.rfind('\n', text.size() - 2) - 1) + 1;
    const std::vector<CycleSpan> cycles = cyclesOf(written);
    for (std::size_t cut = lastTwoRows; cut < text.size(); ++cut) {
        const std::string kept = text.substr(0, cut);
        const RecordingRead read = readBack(kept);
        ASSERT_TRUE(read.recording) << "cut at " << cut << ": " << read.error;
        const auto whole = static_cast<std::size_t>(std::count(kept.begin(), kept.end(), '\n')) - 1;
        ASSERT_EQ(cyclesOf(*read.recording).size(), whole) << "cut at " << cut;
        EXPECT_EQ(read.cutLine, kept.back() == '\n' ? 0u : whole + 2) << "cut at " << cut;
        const std::size_t lastWhole = cycles[whole - 1].end;
        EXPECT_EQ(read.recording->readings.size(), lastWhole) << "cut at " << cut;
        EXPECT_EQ(read.recording->readings.back().text, written.readings[lastWhole - 1].text);
    }
}

struct BadCase {
    const char* name;
    std::string text;
    std::string error;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

std::string header() {
    return csvHeaderLine(liveColumns(dieselPage()));
}

std::string row(const std::string& time, std::size_t cells, const std::string& cell = "1") {
    std::string line = time;
    for (std::size_t i = 0; i < cells; ++i) {
        line += "," + cell;
    }
    return line + "\n";
}

TEST(RecordingCsv, AHeaderCutShortHoldsNothingAndSaysSo) {
    const std::string text = header();
    const RecordingRead read = readBack(text.substr(0, text.size() - 5));
    EXPECT_FALSE(read.recording);
    EXPECT_EQ(read.error, "line 1: the header line was cut short: the recording holds nothing");
}

const std::size_t kDieselCells = 20;  // 18 reads, the switch read filling three fields

class BadRecording : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadRecording, IsRefusedWithTheLineAndWhatIsWrong) {
    ASSERT_EQ(liveColumns(dieselPage()).size(), kDieselCells);
    const RecordingRead read = readBack(GetParam().text);
    EXPECT_FALSE(read.recording.has_value());
    EXPECT_EQ(read.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadRecording,
    ::testing::Values(
        BadCase{"empty file", "", "line 1: the file is empty: no header \"time [s],...\""},
        BadCase{"not a log", "name,address\nBob,Leeds\n",
                "line 1: not a live-data recording: the first column must be \"time [s]\""},
        BadCase{"columns of no page", "time [s],engine speed [rpm],colour\n0,1,2\n",
                "line 1: the columns are those of no live-data page"},
        BadCase{"header only", header(), "line 2: the recording holds no readings"},
        BadCase{"columns out of the page's order",
                "time [s],fuel rail pressure [bar],engine speed [rpm]\n0,1,2\n",
                "line 1: the columns are those of no live-data page"},
        BadCase{"the time alone", "time [s]\n0\n",
                "line 1: the columns are those of no live-data page"},
        BadCase{"a row cut short", header() + row("0.000", kDieselCells) + row("0.5", 3),
                "line 3: 4 cells where the header has 21"},
        BadCase{"a time that is no number", header() + row("soon", kDieselCells),
                "line 2: \"soon\" is not a time in seconds"},
        BadCase{"a negative time", header() + row("-1", kDieselCells),
                "line 2: \"-1\" is not a time in seconds"},
        BadCase{"time going back",
                header() + row("2.000", kDieselCells) + row("1.500", kDieselCells),
                "line 3: the time goes back (1.500 s after 2.000 s)"},
        BadCase{"a quote never closed", header() + "0.000,\"805\n",
                "line 2: a quote is never closed"}));

}  // namespace
}  // namespace tvx::trend
