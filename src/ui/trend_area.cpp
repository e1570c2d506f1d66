#include "ui/trend_area.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include "chart/trend_chart.h"
#include "ui/fitted_label.h"

namespace tvx::ui {
namespace {

QPushButton* key(const char* name, const QString& caption, QWidget* parent,
                 bool checkable = false) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCheckable(checkable);
    button->setProperty("trendKey", true);
    return button;
}

QFrame* strip(const char* name, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setProperty("trendFrame", true);
    frame->hide();
    return frame;
}

// Buttons of which exactly one is down.
void oneOf(std::initializer_list<QPushButton*> buttons, QObject* owner) {
    auto* group = new QButtonGroup(owner);
    group->setExclusive(true);
    for (QPushButton* button : buttons) {
        button->setCheckable(true);
        group->addButton(button);
    }
    (*buttons.begin())->setChecked(true);
}

void buildBar(TrendArea& area, QWidget* window) {
    area.bar = strip("trendBar", window);
    auto* row = new QHBoxLayout(area.bar);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(6);
    area.record = key("recordLive", QStringLiteral("Record"), area.bar, true);
    area.record->setEnabled(false);
    area.gaugesOnly = key("gaugesOnly", QStringLiteral("Gauges"), area.bar);
    area.gaugesAndChart = key("gaugesAndChart", QStringLiteral("Gauges + chart"), area.bar);
    area.chartOnly = key("chartOnly", QStringLiteral("Chart"), area.bar);
    oneOf({area.gaugesOnly, area.gaugesAndChart, area.chartOnly}, area.bar);
    area.exportCsv = key("exportCsv", QStringLiteral("Export CSV"), area.bar);
    area.exportCsv->setEnabled(false);
    area.openRecording = key("openRecording", QStringLiteral("Open recording"), area.bar);
    area.status = new FittedLabel(area.bar);
    area.status->setObjectName(QStringLiteral("trendStatus"));
    for (QWidget* widget :
         {static_cast<QWidget*>(area.record), static_cast<QWidget*>(area.gaugesOnly),
          static_cast<QWidget*>(area.gaugesAndChart), static_cast<QWidget*>(area.chartOnly),
          static_cast<QWidget*>(area.exportCsv), static_cast<QWidget*>(area.openRecording)})
        row->addWidget(widget);
    row->addWidget(area.status, 1);
}

void buildReplayBar(TrendArea& area, QWidget* window) {
    area.replayBar = strip("replayBar", window);
    auto* row = new QHBoxLayout(area.replayBar);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(6);
    area.replayMark = new QLabel(QStringLiteral("REPLAY"), area.replayBar);
    area.replayMark->setObjectName(QStringLiteral("replayMark"));
    area.replayMark->setAlignment(Qt::AlignCenter);
    area.play = key("replayPlay", QStringLiteral("\u25B6"), area.replayBar, true);
    area.stepBack = key("replayStepBack", QStringLiteral("\u25C0|"), area.replayBar);
    area.step = key("replayStep", QStringLiteral("|\u25B6"), area.replayBar);
    area.speed = key("replaySpeed", QStringLiteral("x1"), area.replayBar);
    area.seek = new QSlider(Qt::Horizontal, area.replayBar);
    area.seek->setObjectName(QStringLiteral("replaySeek"));
    area.seek->setFocusPolicy(Qt::NoFocus);
    area.position = new QLabel(area.replayBar);
    area.position->setObjectName(QStringLiteral("replayPosition"));
    area.closeReplay = key("replayClose", QStringLiteral("Close replay"), area.replayBar);
    row->addWidget(area.replayMark);
    for (QPushButton* button : {area.play, area.stepBack, area.step, area.speed})
        row->addWidget(button);
    row->addWidget(area.seek, 1);
    row->addWidget(area.position);
    row->addWidget(area.closeReplay);
}

void buildChartArea(TrendArea& area, QWidget* window) {
    area.chartArea = strip("chartArea", window);
    auto* column = new QVBoxLayout(area.chartArea);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto* controls = new QHBoxLayout;
    controls->setSpacing(4);
    area.window30s = key("chartWindow30s", QStringLiteral("30 s"), area.chartArea);
    area.window2min = key("chartWindow2min", QStringLiteral("2 min"), area.chartArea);
    area.window10min = key("chartWindow10min", QStringLiteral("10 min"), area.chartArea);
    oneOf({area.window30s, area.window2min, area.window10min}, area.chartArea);
    area.pause = key("chartPause", QStringLiteral("Pause"), area.chartArea, true);
    area.values = key("chartValues", QStringLiteral("Values"), area.chartArea);
    area.values->setMenu(new QMenu(area.values));
    area.fast = key("chartFast", QStringLiteral("Fast"), area.chartArea, true);
    area.fast->setEnabled(false);
    area.rates = new QLabel(area.chartArea);
    area.rates->setObjectName(QStringLiteral("chartRates"));
    area.rates->setTextFormat(Qt::RichText);
    area.cursor = new QLabel(area.chartArea);
    area.cursor->setObjectName(QStringLiteral("chartCursor"));
    area.cursor->setTextFormat(Qt::RichText);
    for (QPushButton* button :
         {area.window30s, area.window2min, area.window10min, area.pause, area.values, area.fast}) {
        button->setProperty("chartKey", true);
        controls->addWidget(button);
    }
    controls->addWidget(area.rates);
    controls->addWidget(area.cursor, 1);
    column->addLayout(controls);
    area.chart = new chart::TrendChart(area.chartArea);
    area.chart->setObjectName(QStringLiteral("liveChart"));
    column->addWidget(area.chart, 1);
    area.ended = new QLabel(area.chartArea);
    area.ended->setObjectName(QStringLiteral("chartEnded"));
    area.ended->setAlignment(Qt::AlignCenter);
    column->addWidget(area.ended);
    area.ended->hide();
}

}  // namespace

TrendArea buildTrendArea(QWidget* window) {
    TrendArea area;
    buildBar(area, window);
    buildReplayBar(area, window);
    buildChartArea(area, window);
    return area;
}

}  // namespace tvx::ui
