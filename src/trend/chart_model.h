#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "trend/axis_range.h"
#include "trend/reading.h"
#include "trend/trend_series.h"

namespace tvx::trend {

// How much time the chart shows.
enum class TimeWindow { Seconds30, Minutes2, Minutes10 };
std::int64_t windowMs(TimeWindow window);

// A value on the chart: its gauge, the caption above the gauge (name and unit, in the
// language shown) and the colour of its line (0x00BBGGRR).
struct ChartedSeries {
    Gauge gauge;
    std::string caption;
    std::uint32_t colour = 0;
};

// The live-data chart without a window: the values of the page over time, which of them are
// charted (up to six), the moving time window, pause and the cursor.
//
// It keeps the recent history of every value of the page, so a value clicked onto the chart
// shows its last minutes at once. Memory stays flat however long it runs: points older than
// the longest window are dropped, and those older than two minutes are thinned to the
// lowest and highest of each second. Pause freezes the view while readings keep coming: the
// view then shows a copy of what was kept at the moment of the pause.
class ChartModel {
public:
    static constexpr std::size_t kMaxSeries = 6;
    // The gauges' colours first, then two more in the same lit style.
    static constexpr std::uint32_t kPalette[kMaxSeries] = {0x0000FF, 0x00FFFF, 0x00FF00,
                                                           0xFFFF00, 0x0080FF, 0xFF60FF};

    // Adds the value to the chart, or takes it off when it is on. A value gets its gauge's
    // colour unless a charted value has it already; then the first free one of the palette.
    enum class Toggle { Added, Removed, Full };
    Toggle toggle(Gauge gauge, std::string caption, std::uint32_t gaugeColour);
    bool charted(Gauge gauge) const;
    const std::vector<ChartedSeries>& series() const { return m_series; }
    void clearSeries();

    // A page begins: its values start afresh. The same page again keeps what was read and
    // breaks every line (nothing was read in between); another page drops the values and
    // takes off the charted ones it does not have.
    void startPage(std::span<const Gauge> gauges, bool samePage);
    // A reading of the page; a failed one breaks its line.
    void add(const Reading& reading);
    // The line was lost: every line breaks.
    void lineLost(std::int64_t timeMs);
    // The time the view ends at when not paused: the newest reading's, or a replay's position.
    void setNow(std::int64_t timeMs);
    std::int64_t now() const { return m_now; }

    void setWindow(TimeWindow window) {
        m_window = window;
        ++m_revision;
    }
    TimeWindow window() const { return m_window; }
    void pause();
    void resume();
    bool paused() const { return m_frozenAt.has_value(); }

    // The stretch of time shown: the window up to now, or up to the moment of the pause.
    struct View {
        std::int64_t fromMs = 0;
        std::int64_t toMs = 0;
    };
    View view() const;

    // The cursor: a time whose values are read out.
    void setCursor(std::optional<std::int64_t> timeMs) {
        m_cursor = timeMs;
        ++m_revision;
    }
    std::optional<std::int64_t> cursor() const { return m_cursor; }
    struct CursorValue {
        Gauge gauge;
        ValueAt value;
        std::string text;  // as the gauge would show it ("--" for a failed read, "" for none)
    };
    // Every charted value at the time, in chart order.
    std::vector<CursorValue> valuesAt(std::int64_t timeMs) const;

    // The stretches of line of a charted value in view (see TrendSeries::runs), or in the
    // stretch of time given.
    std::vector<std::vector<TrendPoint>> runs(std::size_t series, int columns) const;
    std::vector<std::vector<TrendPoint>> runs(std::size_t series, View during, int columns) const;
    // The time of the page's first reading (0 before any): where the time axis counts from.
    std::int64_t origin() const { return m_origin.value_or(0); }
    // The y-axis of a charted value: its fit and what is in view (or in the stretch given).
    AxisRange axis(std::size_t series) const;
    AxisRange axis(std::size_t series, View during) const;

    // Points kept, over every value: what the chart holds in memory.
    std::size_t pointCount() const;
    // Changes each time something the drawing shows changed: a charted value's reading,
    // the charted values, the window, pause, the cursor, a page or a lost line.
    std::uint64_t revision() const { return m_revision; }

private:
    struct Values {
        TrendSeries points;
        int decimals = 0;  // of the gauge's last text
    };
    using ValueMap = std::map<Gauge, Values>;
    void ageIfDue();
    void age();
    std::uint32_t colourFor(std::uint32_t gaugeColour) const;
    // The values the view shows: the copy made at the pause, else the live ones.
    const Values* shown(Gauge gauge) const;

    std::vector<ChartedSeries> m_series;
    ValueMap m_values;
    std::optional<ValueMap> m_frozen;
    std::int64_t m_now = 0;
    std::optional<std::int64_t> m_frozenAt;
    std::optional<std::int64_t> m_cursor;
    std::optional<std::int64_t> m_origin;
    TimeWindow m_window = TimeWindow::Seconds30;
    std::int64_t m_lastAgedMs = 0;
    std::uint64_t m_revision = 0;
};

// Thinning and keeping, in ms: every point of the last two minutes stays, older ones to the
// longest window are thinned to a bucket of a second each.
inline constexpr std::int64_t kKeepAllMs = 2 * 60 * 1000 + 5000;
inline constexpr std::int64_t kKeepMs = 10 * 60 * 1000 + 5000;
inline constexpr std::int64_t kBucketMs = 1000;

}  // namespace tvx::trend
