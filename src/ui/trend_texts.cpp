#include "ui/trend_texts.h"

#include "ui/bilingual_qstring.h"

namespace tvx::ui {
namespace {

constexpr Bilingual<TrendText> kTexts[] = {
    {TrendText::RecordingSaved, "%1 cycles recorded: %2", "%1 d\u00f6ng\u00fc kaydedildi: %2"},
    {TrendText::RecordingLineLost, "The line was lost: %1 cycles recorded: %2",
     "Hat koptu: %1 d\u00f6ng\u00fc kaydedildi: %2"},
    {TrendText::RecordingNewPage, "Another page began: %1 cycles recorded: %2",
     "Ba\u015fka sayfa a\u00e7\u0131ld\u0131: %1 d\u00f6ng\u00fc kaydedildi: %2"},
    {TrendText::RecordingNewValues, "Other values are polled: %1 cycles recorded: %2",
     "Ba\u015fka de\u011ferler okunuyor: %1 d\u00f6ng\u00fc kaydedildi: %2"},
    {TrendText::RecordingNotKept, "The recording is incomplete: %1", "Kay\u0131t eksik: %1"},
    {TrendText::CannotRecord, "Cannot record: %1", "Kay\u0131t yap\u0131lam\u0131yor: %1"},
    {TrendText::Exported, "Exported to %1", "Aktar\u0131ld\u0131: %1"},
    {TrendText::CannotExport, "Cannot export: %1", "Aktar\u0131lamad\u0131: %1"},
    {TrendText::CannotReplay, "Cannot replay: %1", "Oynat\u0131lam\u0131yor: %1"},
    {TrendText::ReplayCutShort,
     "%1: line %2 was cut short (the recording ended while it was being written) and is left "
     "out; the %3 whole cycles before it are replayed",
     "%1: %2. sat\u0131r yar\u0131m kalm\u0131\u015f (kay\u0131t yaz\u0131l\u0131rken "
     "kesildi), atland\u0131; ondan \u00f6nceki %3 tam d\u00f6ng\u00fc oynat\u0131l\u0131yor"},
    {TrendText::SessionBusy, "Leave live data first (back), then open the recording",
     "\u00d6nce canl\u0131 veriden \u00e7\u0131k\u0131n (geri), sonra kayd\u0131 a\u00e7\u0131n"},
    {TrendText::ChartFull, "Six values are on the chart: click one off first",
     "Grafikte alt\u0131 de\u011fer var: \u00f6nce birini \u00e7\u0131kar\u0131n"},
    {TrendText::FastNeedsChart, "Fast polls the charted values: click a gauge to chart it first",
     "H\u0131zl\u0131 mod grafikteki de\u011ferleri okur: \u00f6nce bir g\u00f6stergeye "
     "t\u0131klay\u0131n"},
    {TrendText::Paused, "Paused: fast mode polls only the charted values",
     "Duraklat\u0131ld\u0131: h\u0131zl\u0131 mod yaln\u0131zca grafikteki de\u011ferleri "
     "okur"},
    {TrendText::NotRecorded, "Not recorded: this recording was made in fast mode",
     "Kaydedilmedi: bu kay\u0131t h\u0131zl\u0131 modda yap\u0131ld\u0131"},
    {TrendText::OpenNeedsNoLive,
     "Leave live data first (back): a recording plays only while nothing is polled",
     "\u00d6nce canl\u0131 veriden \u00e7\u0131k\u0131n (geri): kay\u0131t yaln\u0131zca "
     "hi\u00e7bir \u015fey okunmazken oynat\u0131l\u0131r"},
    {TrendText::LastPage, "Not live: the last live page's values, ended %1",
     "Canl\u0131 de\u011fil: son canl\u0131 sayfan\u0131n de\u011ferleri, biti\u015f %1"},
};

}  // namespace

QString trendText(TrendText text, char languageCode) {
    return QString::fromUtf8(bilingualText(kTexts, text, languageCode == '2'));
}

QString replayDisplayLine(int line, char languageCode) {
    // Upper case and plain letters, as every screen of the display.
    static const char* const kEnglish[] = {"         REPLAY         ", "  RECORDED, NOT LIVE    ",
                                           "  NOTHING SENT TO CAR   "};
    static const char* const kTurkish[] = {"         REPLAY         ", "  KAYIT, CANLI DEGIL    ",
                                           "  ARACA VERI GITMEZ     "};
    if (line < 1 || line > 3)
        return QString(24, QLatin1Char(' '));
    return QString::fromLatin1((languageCode == '2' ? kTurkish : kEnglish)[line - 1]);
}

}  // namespace tvx::ui
