#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace tvx::trend {

// A value of a series at a time; a value that is NaN is a gap: a failed read or a lost line,
// across which the line is never drawn.
struct TrendPoint {
    std::int64_t timeMs = 0;
    double value = 0.0;

    bool isGap() const { return value != value; }
};

// What a series shows at a time.
struct ValueAt {
    enum class State { None, Failed, Value };
    State state = State::None;
    double value = 0.0;
};

// The points of one value of a live page, in time order.
class TrendSeries {
public:
    // A value, or a gap for NaN. A point older than the last goes in its place.
    void add(std::int64_t timeMs, double value);
    void addGap(std::int64_t timeMs);
    void clear() {
        m_points.clear();
        m_aged = 0;
    }

    // Drops the points before fromMs and thins out those before fullFromMs: of the good
    // points of each bucketMs wide bucket between two gaps, the lowest and the highest stay,
    // in time order; gaps stay. Points thinned once are not looked at again, so calling it
    // often costs only what has aged since.
    void age(std::int64_t fromMs, std::int64_t fullFromMs, std::int64_t bucketMs);

    // The stretches of good points that reach into fromMs..toMs, each with the point just
    // outside either end (the line leaves the view there), thinned to at most two points
    // per column of the drawing.
    std::vector<std::vector<TrendPoint>> runs(std::int64_t fromMs, std::int64_t toMs,
                                              int columns) const;

    // The last point at or before the time: its value, Failed for a gap, None before any.
    ValueAt valueAt(std::int64_t timeMs) const;

    // The lowest and highest good value within fromMs..toMs.
    std::optional<std::pair<double, double>> range(std::int64_t fromMs, std::int64_t toMs) const;

    std::size_t size() const { return m_points.size(); }
    const std::deque<TrendPoint>& points() const { return m_points; }

private:
    std::deque<TrendPoint> m_points;
    std::size_t m_aged = 0;  // points [0, m_aged) are thinned
};

}  // namespace tvx::trend
