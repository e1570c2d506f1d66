#include "trend/trend_series.h"

#include <algorithm>
#include <limits>

namespace tvx::trend {
namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

bool earlier(const TrendPoint& point, std::int64_t timeMs) {
    return point.timeMs < timeMs;
}

std::int64_t bucketOf(std::int64_t timeMs, std::int64_t bucketMs) {
    // Floor division: buckets stay put for times before zero too.
    return timeMs >= 0 ? timeMs / bucketMs : -((-timeMs + bucketMs - 1) / bucketMs);
}

// Keeps the lowest and the highest point of points[first, end), in time order.
template <typename Points, typename Out>
void keepExtremes(const Points& points, std::size_t first, std::size_t end, Out& out) {
    std::size_t low = first;
    std::size_t high = first;
    for (std::size_t i = first; i < end; ++i) {
        if (points[i].value < points[low].value) {
            low = i;
        }
        if (points[i].value > points[high].value) {
            high = i;
        }
    }
    out.push_back(points[std::min(low, high)]);
    if (low != high) {
        out.push_back(points[std::max(low, high)]);
    }
}

std::vector<TrendPoint> thinned(std::vector<TrendPoint> run, std::int64_t fromMs, std::int64_t toMs,
                                int columns) {
    if (columns < 1 || run.size() <= static_cast<std::size_t>(2 * columns)) {
        return run;
    }
    const std::int64_t bucketMs = std::max<std::int64_t>(1, (toMs - fromMs) / columns);
    const std::vector<TrendPoint>& points = run;
    std::vector<TrendPoint> out;
    for (std::size_t i = 0; i < points.size();) {
        std::size_t j = i + 1;
        const std::int64_t bucket = bucketOf(points[i].timeMs - fromMs, bucketMs);
        while (j < points.size() && bucketOf(points[j].timeMs - fromMs, bucketMs) == bucket) {
            ++j;
        }
        keepExtremes(points, i, j, out);
        i = j;
    }
    return out;
}

}  // namespace

void TrendSeries::add(std::int64_t timeMs, double value) {
    const TrendPoint point{timeMs, value};
    if (m_points.empty() || m_points.back().timeMs <= timeMs) {
        m_points.push_back(point);
        return;
    }
    const auto at =
        std::upper_bound(m_points.begin(), m_points.end(), timeMs,
                         [](std::int64_t t, const TrendPoint& p) { return t < p.timeMs; });
    if (static_cast<std::size_t>(at - m_points.begin()) < m_aged) {
        ++m_aged;
    }
    m_points.insert(at, point);
}

void TrendSeries::addGap(std::int64_t timeMs) {
    add(timeMs, kGap);
}

void TrendSeries::age(std::int64_t fromMs, std::int64_t fullFromMs, std::int64_t bucketMs) {
    while (!m_points.empty() && m_points.front().timeMs < fromMs) {
        m_points.pop_front();
        m_aged -= m_aged > 0 ? 1 : 0;
    }
    bucketMs = std::max<std::int64_t>(1, bucketMs);
    // Points [m_aged, read) are thinned into [m_aged, write), in place.
    std::size_t write = m_aged;
    std::size_t read = m_aged;
    for (; read < m_points.size() && m_points[read].timeMs < fullFromMs; ++read) {
        const TrendPoint point = m_points[read];
        if (point.isGap()) {
            m_points[write++] = point;
            continue;
        }
        // The good points of the same bucket just before (at most two, already thinned).
        const std::int64_t bucket = bucketOf(point.timeMs, bucketMs);
        std::size_t group = 0;
        while (group < 2 && write > group && !m_points[write - 1 - group].isGap() &&
               bucketOf(m_points[write - 1 - group].timeMs, bucketMs) == bucket) {
            ++group;
        }
        std::vector<TrendPoint> candidates(
            m_points.begin() + static_cast<std::ptrdiff_t>(write - group),
            m_points.begin() + static_cast<std::ptrdiff_t>(write));
        candidates.push_back(point);
        std::vector<TrendPoint> kept;
        keepExtremes(candidates, 0, candidates.size(), kept);
        write -= group;
        for (const TrendPoint& k : kept) {
            m_points[write++] = k;
        }
    }
    m_points.erase(m_points.begin() + static_cast<std::ptrdiff_t>(write),
                   m_points.begin() + static_cast<std::ptrdiff_t>(read));
    m_aged = write;
}

std::vector<std::vector<TrendPoint>> TrendSeries::runs(std::int64_t fromMs, std::int64_t toMs,
                                                       int columns) const {
    std::vector<std::vector<TrendPoint>> runs;
    auto first = std::lower_bound(m_points.begin(), m_points.end(), fromMs, earlier);
    if (first != m_points.begin()) {
        --first;  // the point the line comes in from
    }
    std::vector<TrendPoint> run;
    auto close = [&] {
        if (!run.empty()) {
            runs.push_back(thinned(std::move(run), fromMs, toMs, columns));
            run.clear();
        }
    };
    for (auto it = first; it != m_points.end(); ++it) {
        if (it->isGap()) {
            close();
        } else {
            run.push_back(*it);
        }
        if (it->timeMs > toMs) {
            break;  // the point the line goes out to
        }
    }
    close();
    // A stretch that lies wholly before the view (only its last point came in) is not seen.
    std::erase_if(runs, [fromMs](const std::vector<TrendPoint>& r) {
        return r.size() == 1 && r.front().timeMs < fromMs;
    });
    return runs;
}

ValueAt TrendSeries::valueAt(std::int64_t timeMs) const {
    auto after = std::upper_bound(m_points.begin(), m_points.end(), timeMs,
                                  [](std::int64_t t, const TrendPoint& p) { return t < p.timeMs; });
    if (after == m_points.begin()) {
        return {};
    }
    const TrendPoint& last = *std::prev(after);
    if (last.isGap()) {
        return {ValueAt::State::Failed, 0.0};
    }
    return {ValueAt::State::Value, last.value};
}

std::optional<std::pair<double, double>> TrendSeries::range(std::int64_t fromMs,
                                                            std::int64_t toMs) const {
    std::optional<std::pair<double, double>> range;
    for (auto it = std::lower_bound(m_points.begin(), m_points.end(), fromMs, earlier);
         it != m_points.end() && it->timeMs <= toMs; ++it) {
        if (it->isGap()) {
            continue;
        }
        if (!range) {
            range.emplace(it->value, it->value);
        } else {
            range->first = std::min(range->first, it->value);
            range->second = std::max(range->second, it->value);
        }
    }
    return range;
}

}  // namespace tvx::trend
