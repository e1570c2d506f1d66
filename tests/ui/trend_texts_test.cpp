#include "ui/trend_texts.h"

#include <gtest/gtest.h>

namespace tvx::ui {
namespace {

// Every text the chart and recorder show has a row in both languages.
TEST(TrendTexts, EveryTextHasBothLanguages) {
    for (int key = static_cast<int>(TrendText::RecordingSaved);
         key <= static_cast<int>(TrendText::LastPage); ++key) {
        const auto text = static_cast<TrendText>(key);
        const QString english = trendText(text, '1');
        const QString turkish = trendText(text, '2');
        EXPECT_FALSE(english.isEmpty()) << key;
        EXPECT_FALSE(turkish.isEmpty()) << key;
        EXPECT_NE(english, turkish) << key;
    }
}

TEST(TrendTexts, TheLanguageCodeChoosesTheColumn) {
    EXPECT_EQ(trendText(TrendText::RecordingSaved, '1'), "%1 cycles recorded: %2");
    EXPECT_EQ(trendText(TrendText::RecordingSaved, '2'),
              QString::fromUtf8("%1 döngü kaydedildi: %2"));
    EXPECT_EQ(trendText(TrendText::LastPage, '2'),
              QString::fromUtf8("Canlı değil: son canlı sayfanın değerleri, bitiş %1"));
    EXPECT_TRUE(trendText(static_cast<TrendText>(-1), '1').isEmpty());
}

}  // namespace
}  // namespace tvx::ui
