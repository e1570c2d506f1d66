// The status label: wrapped over the lines its height holds, cut only at its end, the whole
// text in its tooltip.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "ui/fitted_label.h"

namespace tvx::ui {
namespace {

struct FitCase {
    const char* name;
    const char* text;
    int lines;        // the label's height in lines
    bool wholeShown;  // every character of the text is on the label
};

class FittedLabelFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(FittedLabelFit, ShowsTheTextFromItsStartAndAllOfItInTheTooltip) {
    const FitCase& c = GetParam();
    FittedLabel label;
    const QFontMetrics metrics(label.font());
    label.resize(metrics.horizontalAdvance(QStringLiteral("0123456789")) * 4,
                 metrics.lineSpacing() * c.lines + 2);
    const QString text = QString::fromUtf8(c.text);
    label.setFullText(text);

    EXPECT_EQ(label.toolTip(), text);
    EXPECT_EQ(label.fullText(), text);
    const QStringList lines = label.text().split('\n');
    EXPECT_LE(lines.size(), c.lines);
    QString shown;
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), label.contentsRect().width())
            << line.toStdString();
        shown += line;
    }
    const bool cut = shown.endsWith(QChar(0x2026));
    EXPECT_EQ(cut, !c.wholeShown) << label.text().toStdString();
    if (cut)
        shown.chop(1);
    QString plain = text;
    plain.remove(' ');
    shown.remove(' ');
    EXPECT_TRUE(plain.startsWith(shown))
        << "not the text's beginning: " << label.text().toStdString();
    if (c.wholeShown) {
        EXPECT_EQ(shown, plain);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FittedLabelFit,
    ::testing::Values(
        FitCase{"Short", "REC 00:12", 1, true},
        FitCase{"TwoLinesOfWords", "Leave live data first (back), then open it", 2, true},
        FitCase{"LongFileNameBrokenAnywhere", "69 cycles recorded: diesel-van-20261209-091540.csv",
                2, true},
        FitCase{"TooLongForTwoLinesIsCutAtItsEnd",
                "The recording is incomplete: the disk is full and nothing more could be "
                "written to /home/workshop/recordings/diesel-van-20261209-091540.csv",
                2, false},
        FitCase{"OneLineCutAtItsEnd", "Another page began: 69 cycles recorded: a-file.csv", 1,
                false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FittedLabel, RefitsWhenItGrows) {
    FittedLabel label;
    label.show();
    const QFontMetrics metrics(label.font());
    label.resize(metrics.horizontalAdvance(QStringLiteral("0123456789")) * 2,
                 metrics.lineSpacing() + 2);
    const QString text = QStringLiteral("69 cycles recorded: diesel-van-20261209-091540.csv");
    label.setFullText(text);
    EXPECT_TRUE(label.text().endsWith(QChar(0x2026)));
    label.resize(metrics.horizontalAdvance(text) + 20, metrics.lineSpacing() + 2);
    EXPECT_EQ(label.text(), text);
}

}  // namespace
}  // namespace tvx::ui
