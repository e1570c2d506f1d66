#pragma once

#include <QString>

namespace tvx::ui {

// The texts the chart, recording and replay show besides their buttons' captions (those are
// the session's, with every other caption), in the language the window shows.
enum class TrendText {
    RecordingSaved,      // %1 cycles, %2 file
    RecordingLineLost,   // %1 cycles, %2 file
    RecordingNewPage,    // %1 cycles, %2 file
    RecordingNewValues,  // %1 cycles, %2 file
    RecordingNotKept,    // %1 why
    CannotRecord,        // %1 why
    Exported,            // %1 file
    CannotExport,        // %1 why
    CannotReplay,        // %1 why
    ReplayCutShort,      // %1 file, %2 the line left out, %3 whole cycles
    SessionBusy,
    ChartFull,
    FastNeedsChart,
    Paused,           // a gauge's tooltip in fast mode
    NotRecorded,      // a gauge's tooltip in the replay of a fast recording
    OpenNeedsNoLive,  // the open button's tooltip during live data
    LastPage,         // under the chart once live data is left: %1 the time it ended
};

// '1' English, '2' Turkish.
QString trendText(TrendText text, char languageCode);

// The 24-character display lines a replay shows, in the language.
QString replayDisplayLine(int line, char languageCode);

}  // namespace tvx::ui
