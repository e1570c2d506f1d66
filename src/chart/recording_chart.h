#pragma once

#include <optional>
#include <vector>

#include "record/record.h"
#include "record/report.h"

namespace tvx::chart {

// The picture of a recording's chart in a customer's report, drawn with the window's chart:
// its first values that are figures (switches, the code count and the odometer left out), in
// the report's language, over the shortest of the chart's time windows the recording fits
// (a longer one shows its last ten minutes). None when no such value was read.
std::optional<record::ChartPicture> recordingChart(const record::Recording& recording,
                                                   const std::vector<record::Reading>& readings,
                                                   record::ReportLanguage language);

// Draws the chart of every recording of the report. Needs a QApplication.
void addRecordingCharts(record::VisitReport& report, record::Record& record,
                        record::ReportLanguage language);

}  // namespace tvx::chart
