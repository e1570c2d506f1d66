// Fast mode of the window: the charted values polled alone, the other gauges paused, and
// each charted value's samples per second.
#include <QPushButton>

#include "ui/trend_area.h"
#include "ui/trend_controller.h"
#include "ui/trend_texts.h"
#include "widgets/color_code.h"

namespace tvx::ui {

void TrendController::connectFast() {
    connect(m_area.fast, &QPushButton::clicked, this, &TrendController::fast);
}

void TrendController::fast(bool on) {
    if (!on) {
        if (focusLive)
            focusLive({});
        return;  // the button follows the session's word (liveFocusChanged)
    }
    focusOnChart();
}

void TrendController::focusOnChart() {
    std::vector<session::Gauge> gauges;
    for (const trend::ChartedSeries& series : m_chart.series())
        gauges.push_back(series.gauge);
    if (gauges.empty()) {
        m_area.fast->setChecked(false);
        if (m_fast && focusLive)
            focusLive({});
        else
            showStatus(trendText(TrendText::FastNeedsChart, language()));
        return;
    }
    if (focusLive)
        focusLive(std::move(gauges));
}

void TrendController::liveFocusChanged(bool whole, const std::vector<session::Gauge>& paused) {
    // During a replay the marks are the recording's; closing it shows the live ones again.
    if (!replaying())
        showPaused(false);
    m_paused = whole ? std::vector<session::Gauge>{} : paused;
    if (!replaying())
        showPaused(true);
    m_fast = !whole;
    m_area.fast->setChecked(m_fast);
    m_rates.clear();  // the pace changed: count afresh
    showRates();
}

void TrendController::showPaused(bool paused) {
    const QString why = paused ? trendText(TrendText::Paused, language()) : QString();
    for (const session::Gauge gauge : m_paused)
        m_marks.setPaused(gauge, paused, why);
}

void TrendController::showRates() {
    QString text;
    if (!replaying()) {
        for (const trend::ChartedSeries& series : m_chart.series()) {
            const std::optional<double> rate = m_rates.perSecond(series.gauge);
            if (!rate)
                continue;
            text += QStringLiteral("<span style=\"color:%1\">%2&nbsp;%3/s</span>&nbsp;&nbsp;")
                        .arg(widgets::colorFromCode(series.colour).name(),
                             QString::fromStdString(series.caption).toHtmlEscaped())
                        .arg(*rate, 0, 'f', 1);
        }
    }
    if (text != m_area.rates->text())
        m_area.rates->setText(text);
    m_ratesShown.start();
}

}  // namespace tvx::ui
