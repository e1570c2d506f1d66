#include "trend/chart_model.h"

#include <algorithm>
#include <cstdio>

namespace tvx::trend {
namespace {

constexpr std::int64_t kAgeEveryMs = 2000;

int decimalsOf(const std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos) {
        return 0;
    }
    int decimals = 0;
    for (std::size_t i = point + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        ++decimals;
    }
    return decimals;
}

std::string formatted(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::int64_t windowMs(TimeWindow window) {
    switch (window) {
        case TimeWindow::Seconds30:
            return 30 * 1000;
        case TimeWindow::Minutes2:
            return 2 * 60 * 1000;
        case TimeWindow::Minutes10:
            return 10 * 60 * 1000;
    }
    return 30 * 1000;
}

ChartModel::Toggle ChartModel::toggle(Gauge gauge, std::string caption, std::uint32_t gaugeColour) {
    ++m_revision;
    const auto it = std::find_if(m_series.begin(), m_series.end(),
                                 [gauge](const ChartedSeries& s) { return s.gauge == gauge; });
    if (it != m_series.end()) {
        m_series.erase(it);
        return Toggle::Removed;
    }
    if (m_series.size() >= kMaxSeries) {
        return Toggle::Full;
    }
    m_series.push_back({gauge, std::move(caption), colourFor(gaugeColour)});
    return Toggle::Added;
}

bool ChartModel::charted(Gauge gauge) const {
    return std::any_of(m_series.begin(), m_series.end(),
                       [gauge](const ChartedSeries& s) { return s.gauge == gauge; });
}

void ChartModel::clearSeries() {
    m_series.clear();
    ++m_revision;
}

std::uint32_t ChartModel::colourFor(std::uint32_t gaugeColour) const {
    auto taken = [this](std::uint32_t colour) {
        return std::any_of(m_series.begin(), m_series.end(),
                           [colour](const ChartedSeries& s) { return s.colour == colour; });
    };
    if (!taken(gaugeColour)) {
        return gaugeColour;
    }
    for (const std::uint32_t colour : kPalette) {
        if (!taken(colour)) {
            return colour;
        }
    }
    return gaugeColour;  // not reached: there are as many colours as series
}

void ChartModel::startPage(std::span<const Gauge> gauges, bool samePage) {
    ++m_revision;
    m_cursor.reset();
    if (samePage) {
        // Nothing was read between the two visits of the page.
        for (auto& [gauge, values] : m_values) {
            values.points.addGap(m_now);
        }
    } else {
        m_values.clear();
        m_origin.reset();
        m_frozen.reset();
        m_frozenAt.reset();
        m_now = 0;
        m_lastAgedMs = 0;
        std::erase_if(m_series, [gauges](const ChartedSeries& s) {
            return std::find(gauges.begin(), gauges.end(), s.gauge) == gauges.end();
        });
    }
    for (const Gauge gauge : gauges) {
        m_values[gauge];
    }
}

void ChartModel::add(const Reading& reading) {
    // A value off the chart moves the view's end too, but that waits for the next drawing.
    if (charted(reading.gauge)) {
        ++m_revision;
    }
    const auto timeMs = static_cast<std::int64_t>(reading.timeMs);
    if (!m_origin) {
        m_origin = timeMs;
    }
    Values& values = m_values[reading.gauge];
    if (reading.failed) {
        values.points.addGap(timeMs);
    } else if (reading.value == reading.value) {
        values.points.add(timeMs, reading.value);
        values.decimals = decimalsOf(reading.text);
    }
    // A text that is no number draws nothing and breaks nothing.
    m_now = std::max(m_now, timeMs);
    ageIfDue();
}

void ChartModel::lineLost(std::int64_t timeMs) {
    ++m_revision;
    for (auto& [gauge, values] : m_values) {
        values.points.addGap(timeMs);
    }
    m_now = std::max(m_now, timeMs);
}

void ChartModel::setNow(std::int64_t timeMs) {
    if (timeMs != m_now) {
        ++m_revision;
        m_now = timeMs;
        ageIfDue();
    }
}

void ChartModel::pause() {
    if (!m_frozenAt) {
        m_frozenAt = m_now;
        m_frozen = m_values;
        ++m_revision;
    }
}

void ChartModel::resume() {
    if (m_frozenAt) {
        m_frozenAt.reset();
        m_frozen.reset();
        ++m_revision;
    }
}

ChartModel::View ChartModel::view() const {
    const std::int64_t to = m_frozenAt.value_or(m_now);
    return {to - windowMs(m_window), to};
}

const ChartModel::Values* ChartModel::shown(Gauge gauge) const {
    const ValueMap& values = m_frozen ? *m_frozen : m_values;
    const auto it = values.find(gauge);
    return it == values.end() ? nullptr : &it->second;
}

std::vector<ChartModel::CursorValue> ChartModel::valuesAt(std::int64_t timeMs) const {
    std::vector<CursorValue> out;
    for (const ChartedSeries& series : m_series) {
        CursorValue cursor{series.gauge, {}, {}};
        if (const Values* values = shown(series.gauge)) {
            cursor.value = values->points.valueAt(timeMs);
            if (cursor.value.state == ValueAt::State::Value) {
                cursor.text = formatted(cursor.value.value, values->decimals);
            } else if (cursor.value.state == ValueAt::State::Failed) {
                cursor.text = "--";
            }
        }
        out.push_back(std::move(cursor));
    }
    return out;
}

std::vector<std::vector<TrendPoint>> ChartModel::runs(std::size_t series, int columns) const {
    return runs(series, view(), columns);
}

std::vector<std::vector<TrendPoint>> ChartModel::runs(std::size_t series, View during,
                                                      int columns) const {
    if (series >= m_series.size()) {
        return {};
    }
    const Values* values = shown(m_series[series].gauge);
    if (values == nullptr) {
        return {};
    }
    return values->points.runs(during.fromMs, during.toMs, columns);
}

AxisRange ChartModel::axis(std::size_t series) const {
    return axis(series, view());
}

AxisRange ChartModel::axis(std::size_t series, View during) const {
    if (series >= m_series.size()) {
        return {};
    }
    const Gauge gauge = m_series[series].gauge;
    const Values* values = shown(gauge);
    return axisFor(axisFit(gauge),
                   values ? values->points.range(during.fromMs, during.toMs) : std::nullopt);
}

std::size_t ChartModel::pointCount() const {
    std::size_t count = 0;
    for (const ValueMap* map : {&m_values, m_frozen ? &*m_frozen : nullptr}) {
        if (map != nullptr) {
            for (const auto& [gauge, values] : *map) {
                count += values.points.size();
            }
        }
    }
    return count;
}

void ChartModel::ageIfDue() {
    if (m_now < m_lastAgedMs || m_now - m_lastAgedMs >= kAgeEveryMs) {
        age();
    }
}

void ChartModel::age() {
    m_lastAgedMs = m_now;
    for (auto& [gauge, values] : m_values) {
        values.points.age(m_now - kKeepMs, m_now - kKeepAllMs, kBucketMs);
    }
}

}  // namespace tvx::trend
