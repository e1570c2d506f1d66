#pragma once

#include <QImage>
#include <QSize>

#include "trend/chart_model.h"

namespace tvx::chart {

// Draws the model as the window's chart would show it at `size`, offscreen, into a picture
// of `ratio` pixels to each of the chart's (2 for print: the text and lines stay sharp).
// Needs a QApplication.
QImage drawChart(const trend::ChartModel& model, QSize size, qreal ratio);

}  // namespace tvx::chart
