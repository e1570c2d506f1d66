#include "chart/recording_chart.h"

#include <QBuffer>
#include <algorithm>
#include <limits>
#include <string_view>

#include "chart/chart_picture.h"
#include "record/report_values.h"
#include "session/live_columns.h"

namespace tvx::chart {
namespace {

// Four lines with an axis each are as many as a picture the width of a page shows legibly.
constexpr std::size_t kChartedValues = 4;
// The chart's size on paper in the chart's own pixels (its text is 8 points at 96 dpi), and
// twice as many pixels in the picture for print.
constexpr QSize kSize(800, 240);
constexpr qreal kRatio = 2;

std::string caption(const record::Channel& channel, record::ReportLanguage language) {
    const record::LiveValueText text = record::liveValueText(channel, language);
    return text.unit.empty() ? text.name : text.name + " (" + text.unit + ")";
}

// The first values worth a line, by channel number.
std::vector<int> chartedChannels(const record::Recording& recording,
                                 const std::vector<record::Reading>& readings) {
    std::vector<bool> read(recording.channels.size(), false);
    for (const record::Reading& reading : readings) {
        if (reading.value && reading.channel >= 0 &&
            static_cast<std::size_t>(reading.channel) < read.size()) {
            read[static_cast<std::size_t>(reading.channel)] = true;
        }
    }
    std::vector<int> charted;
    for (const record::Channel& channel : recording.channels) {
        const auto index = static_cast<std::size_t>(channel.channel);
        if (charted.size() < kChartedValues && index < read.size() && read[index] &&
            !record::isSwitch(channel) && !record::leftOutOfLiveValues(channel)) {
            charted.push_back(channel.channel);
        }
    }
    return charted;
}

trend::TimeWindow windowFor(std::int64_t spanMs) {
    for (const trend::TimeWindow window :
         {trend::TimeWindow::Seconds30, trend::TimeWindow::Minutes2}) {
        if (spanMs <= trend::windowMs(window)) {
            return window;
        }
    }
    return trend::TimeWindow::Minutes10;
}

// The record keeps a channel's gauge by its control's name; a name this program never gave
// is taken for the value of the channel's name on the recording's page. None: not charted.
std::optional<session::Gauge> channelGauge(const record::Channel& channel, int pageNumber) {
    if (const auto gauge = session::gaugeNamed(channel.gauge)) {
        return gauge;
    }
    for (const session::LivePage& page : session::allLivePages()) {
        if (session::stateNumber(page.pollState) != pageNumber) {
            continue;
        }
        for (const session::LiveColumn& column : session::liveColumns(page)) {
            if (column.name == channel.name) {
                return column.gauge;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<record::ChartPicture> recordingChart(const record::Recording& recording,
                                                   const std::vector<record::Reading>& readings,
                                                   record::ReportLanguage language) {
    const std::vector<int> charted = chartedChannels(recording, readings);
    if (charted.empty()) {
        return std::nullopt;
    }
    std::vector<std::optional<session::Gauge>> gauges(recording.channels.size());
    std::vector<session::Gauge> known;
    for (const record::Channel& channel : recording.channels) {
        if (channel.channel >= 0 && static_cast<std::size_t>(channel.channel) < gauges.size()) {
            gauges[static_cast<std::size_t>(channel.channel)] =
                channelGauge(channel, recording.page);
        }
    }
    for (const std::optional<session::Gauge>& gauge : gauges) {
        if (gauge) {
            known.push_back(*gauge);
        }
    }
    trend::ChartModel model;
    model.startPage(known, false);
    for (std::size_t i = 0; i < charted.size(); ++i) {
        const record::Channel& channel = recording.channels[static_cast<std::size_t>(charted[i])];
        if (const auto gauge = gauges[static_cast<std::size_t>(charted[i])]) {
            model.toggle(*gauge, caption(channel, language), trend::ChartModel::kPalette[i]);
        }
    }
    std::int64_t firstMs = -1;
    std::int64_t lastMs = 0;
    for (const record::Reading& reading : readings) {
        if (std::find(charted.begin(), charted.end(), reading.channel) == charted.end() ||
            !gauges[static_cast<std::size_t>(reading.channel)]) {
            continue;
        }
        trend::Reading value;
        value.timeMs = static_cast<std::uint64_t>(std::max<std::int64_t>(0, reading.tMs));
        value.gauge = *gauges[static_cast<std::size_t>(reading.channel)];
        value.failed = !reading.value;
        value.value = reading.value.value_or(std::numeric_limits<double>::quiet_NaN());
        model.add(value);
        firstMs = firstMs < 0 ? reading.tMs : firstMs;
        lastMs = std::max(lastMs, reading.tMs);
    }
    // The time axis counts from the first reading; a recording that fits its window is shown
    // from its start.
    const trend::TimeWindow window = windowFor(lastMs - firstMs);
    model.setWindow(window);
    const std::int64_t shownMs = trend::windowMs(window);
    const bool whole = lastMs - firstMs <= shownMs;
    model.setNow(std::max(lastMs, model.origin() + shownMs));

    const QImage image = drawChart(model, kSize, kRatio);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return record::ChartPicture{png.toStdString(), image.width(), image.height(), shownMs, whole};
}

void addRecordingCharts(record::VisitReport& report, record::Record& record,
                        record::ReportLanguage language) {
    for (record::RecordingReport& item : report.recordings) {
        item.chart =
            recordingChart(item.recording, record.readingsOfRecording(item.recording.id), language);
    }
}

}  // namespace tvx::chart
