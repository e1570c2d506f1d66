// What the session shows, applied to the window by control name.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QTableWidget>

#include "common/control_names.h"
#include "ui/form_view.h"
#include "ui/gauge_pages.h"
#include "ui/tform1.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

using widgets::TDotMatrix5x7;
using widgets::TSevenSegment;

class FormViewTest : public ::testing::Test {
protected:
    QList<QWidget*> all(const char* name) { return form.controlsNamed(name); }

    TForm1 form{QString()};
    FormView view{form};
};

// Gauges and panels whose names several pages share: each copy follows the session.
struct SharedName {
    const char* name;
    int copies;
};

class SharedNames : public FormViewTest, public ::testing::WithParamInterface<SharedName> {};

TEST_P(SharedNames, EveryCopyTakesTheText) {
    const SharedName& shared = GetParam();
    ASSERT_EQ(all(shared.name).size(), shared.copies);
    view.setGauge(shared.name, "12.5");
    for (QWidget* widget : all(shared.name))
        EXPECT_EQ(qobject_cast<TSevenSegment*>(widget)->value(), "12.5");
}

INSTANTIATE_TEST_SUITE_P(Gauges, SharedNames,
                         ::testing::Values(SharedName{"rpmd", 2}, SharedName{"dtcd", 3},
                                           SharedName{"mapd", 2}, SharedName{"iatd", 2},
                                           SharedName{"Barod", 2}, SharedName{"loadd", 2}));

TEST_F(FormViewTest, SharedPanelNamesShowAndHideOnEveryPage) {
    ASSERT_EQ(all("loadp").size(), 2);
    view.setPanelVisible("loadp", false);
    for (QWidget* panel : all("loadp"))
        EXPECT_TRUE(panel->isHidden());
    view.setPanelVisible("loadp", true);
    for (QWidget* panel : all("loadp"))
        EXPECT_FALSE(panel->isHidden());
}

TEST_F(FormViewTest, UnknownNamesAndOutOfRangeRowsChangeNothing) {
    view.setGridRow(1, "P0100 kept");
    view.setLine(1, "kept");
    view.setGauge("nosuchgauge", "1");
    view.setCaption("nosuchbutton", "x");
    view.setHint("", "x");
    view.setPanelVisible("Frame999", true);
    view.setPanelColour("Panel9", 255);
    view.setControlEnabled("nothing", false);
    view.setButtonDown("nothing");
    view.setEditText("E9", "x");
    view.setListSelection("nolist", 2);
    view.setLine(0, "x");
    view.setLine(5, "x");
    for (int row : {-1, 0, 7, 100})
        view.setGridRow(row, "x");
    // A name of a control of another kind is ignored by calls that do not fit it.
    view.setGauge("OK", "1");
    view.setEditText("rpmd", "1");
    view.setListSelection("OK", 1);
    auto* table = test::named<QTableWidget>(form, "dtc_table");
    EXPECT_EQ(table->item(0, 0)->text(), "");
    EXPECT_EQ(table->item(1, 0)->text(), "P0100 kept");
    EXPECT_EQ(form.displayLine(1)->value(), "kept");
    EXPECT_EQ(form.button("OK")->text(), "OK");
}

TEST_F(FormViewTest, ALongDescriptionWrapsInItsRowInsteadOfBeingCut) {
    form.show();
    view.setPanelVisible("Frame111", true);
    auto* table = test::named<QTableWidget>(form, "dtc_table");
    const char* longRow =
        "P0684 K\xC4\xB1zd\xC4\xB1rma Bujisi Kontrol Mod\xC3\xBCl\xC3\xBC - Motor "
        "Kontrol Mod\xC3\xBCl\xC3\xBC \xC4\xB0leti\xC5\x9Fim Devresi "
        "Aral\xC4\xB1k/Performans";
    const QFontMetrics metrics(table->font());
    // The item's text has the style's focus-frame margin plus one on each side.
    const int margin =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    const QRect needed = metrics.boundingRect(QRect(0, 0, table->columnWidth(0) - margin, 1000),
                                              Qt::TextWordWrap, QString::fromUtf8(longRow));
    ASSERT_GT(needed.height(), metrics.height());  // the text takes more than one line
    for (int row = 1; row <= 3; ++row)
        view.setGridRow(row, longRow);
    for (int row = 1; row <= 3; ++row)
        EXPECT_GE(table->rowHeight(row), needed.height()) << row;
    // The three code rows stay in view, and a short description takes one line again.
    EXPECT_LE(table->rowViewportPosition(3) + table->rowHeight(3), table->viewport()->height());
    view.setGridRow(2, "P0300 short");
    EXPECT_EQ(table->rowHeight(2), table->rowHeight(4));
}

TEST_F(FormViewTest, LinesAndDisplayColour) {
    view.setLine(2, "   Diagnostic Tester    ");
    view.setDisplayColour(255);
    EXPECT_EQ(form.displayLine(2)->value(), "   Diagnostic Tester    ");
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(form.displayLine(n)->onColor(), QColor(255, 0, 0));
    view.setDisplayColour(65535);
    EXPECT_EQ(form.displayLine(3)->onColor(), QColor(255, 255, 0));
}

// The names are the contract between the session and the window: the window must carry
// every control the session can address.
TEST_F(FormViewTest, TheWindowCarriesEveryControlTheSessionAddresses) {
    const auto names = session::addressedControlNames();
    ASSERT_GT(names.size(), 100u);
    for (std::string_view name : names)
        EXPECT_TRUE(view.knows(name)) << name;
    EXPECT_FALSE(view.knows("Frame999"));
}

TEST_F(FormViewTest, ShowOnlyFrameLeavesExactlyThatFrameVisibleOnTop) {
    form.show();
    for (const QString& frame : TForm1::frameNames())
        view.setPanelVisible(frame.toStdString(), true);
    view.showOnlyFrame("Frame61");
    for (const QString& frame : TForm1::frameNames())
        EXPECT_EQ(test::named<QWidget>(form, frame)->isVisible(), frame == "Frame61")
            << frame.toStdString();
    view.showOnlyFrame("");
    for (const QString& frame : TForm1::frameNames())
        EXPECT_FALSE(test::named<QWidget>(form, frame)->isVisible()) << frame.toStdString();
}

TEST_F(FormViewTest, AFrameShownLastLiesOnTop) {
    form.show();
    view.setPanelVisible("Frame21", false);
    view.setPanelVisible("Frame131", true);
    view.setPanelVisible("Frame111", true);
    view.setPanelVisible("Frame131", true);
    QWidget* area = test::named<QWidget>(form, "Frame131")->parentWidget();
    QWidget* top = area->childAt(area->rect().center());
    while (top && !top->property("workFrame").toBool())
        top = top->parentWidget();
    EXPECT_EQ(top, test::named<QWidget>(form, "Frame131"));
}

TEST_F(FormViewTest, CaptionsReachButtonsListsLabelsPanelsAndTheGridHeader) {
    view.setCaption("BACK", "geri");
    view.setCaption("PG1", "Benzinli");
    view.setCaption("label1", "Enjekt\xC3\xB6r 1");
    view.setCaption("rpmp", "DEVIR");
    view.setCaption("dtc_table", "CODE");
    EXPECT_EQ(form.button("BACK")->text(), "geri");
    EXPECT_EQ(form.list("PG1")->title(), "Benzinli");
    EXPECT_EQ(test::named<QLabel>(form, "label1")->text(), QString::fromUtf8("Enjekt\xC3\xB6r 1"));
    for (QWidget* panel : all("rpmp"))
        EXPECT_EQ(panelCaption(panel)->text(), "DEVIR");
    EXPECT_EQ(test::named<QTableWidget>(form, "dtc_table")->item(0, 0)->text(), "CODE");
}

TEST_F(FormViewTest, HintsBecomeTooltips) {
    view.setHint("pcm", "motor beyni");
    view.setHint("dtcp", "number of errors");
    EXPECT_EQ(form.button("pcm")->toolTip(), "motor beyni");
    for (QWidget* panel : all("dtcp"))
        EXPECT_EQ(panel->toolTip(), "number of errors");
}

TEST_F(FormViewTest, ButtonsEnabledVisibleAndDown) {
    view.setControlVisible("live", true);
    view.setControlEnabled("live", true);
    EXPECT_TRUE(test::usable(form.button("live")));
    view.setControlEnabled("pcm", true);
    view.setButtonDown("pcm");
    EXPECT_TRUE(form.button("pcm")->isChecked());
    view.setButtonDown("sahte");
    EXPECT_FALSE(form.button("pcm")->isChecked());
    EXPECT_TRUE(form.button("sahte")->isChecked());
}

TEST_F(FormViewTest, InjectorPanelColoursCodesAndEditBoxes) {
    view.setPanelColour("Panel2", 32768);
    view.setGauge("edis2", "0123456789ABCDEF");
    view.setEditText("e2", "0123456789abcdef");
    view.setControlVisible("e2", false);
    EXPECT_EQ(test::named<QWidget>(form, "Panel2")->property("panelColour"), QColor(0, 128, 0));
    EXPECT_EQ(test::named<TDotMatrix5x7>(form, "edis2")->value(), "0123456789ABCDEF");
    EXPECT_EQ(test::named<QLineEdit>(form, "e2")->text(), "0123456789abcdef");
    EXPECT_TRUE(test::named<QWidget>(form, "e2")->isHidden());
}

TEST_F(FormViewTest, ListSelectionIncludingNone) {
    view.setListSelection("RGCom", 2);
    EXPECT_EQ(form.list("RGCom")->itemIndex(), 2);
    view.setListSelection("RGCom", -1);
    EXPECT_EQ(form.list("RGCom")->itemIndex(), -1);
    EXPECT_FALSE(form.list("RGCom")->item(2)->isChecked());
    view.setListSelection("DG1", 7);
    EXPECT_EQ(form.list("DG1")->itemIndex(), 7);
}

TEST_F(FormViewTest, StatusWordsAreDotMatrixFields) {
    view.setGauge("cppd", " ON");
    EXPECT_EQ(test::named<TDotMatrix5x7>(form, "cppd")->value(), " ON");
}

// Enter and Escape act for OK and BACK only when those can be pressed.
TEST_F(FormViewTest, KeysPressOkAndBackOnlyWhenUsable) {
    form.show();
    QSignalSpy ok(form.button("OK"), &QPushButton::clicked);
    QSignalSpy back(form.button("BACK"), &QPushButton::clicked);
    view.setControlEnabled("OK", false);
    view.setControlEnabled("BACK", true);
    QTest::keyClick(&form, Qt::Key_Return);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(ok.count(), 0);
    EXPECT_EQ(back.count(), 1);
    view.setControlEnabled("OK", true);
    QTest::keyClick(&form, Qt::Key_Enter);
    EXPECT_EQ(ok.count(), 1);
    view.setControlVisible("BACK", false);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(back.count(), 1);
}

TEST_F(FormViewTest, EnterInAnInjectorBoxTakesThatCode) {
    form.show();
    view.setPanelVisible("Frame91", true);
    auto* edit = test::named<QLineEdit>(form, "e3");
    QSignalSpy okThree(form.injectors().okButtons[2], &QPushButton::clicked);
    QSignalSpy ok(form.button("OK"), &QPushButton::clicked);
    view.setControlEnabled("OK", true);
    edit->setFocus();
    ASSERT_TRUE(test::waitFor([&] { return edit->hasFocus(); }, 2000));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(okThree.count(), 1);
    EXPECT_EQ(ok.count(), 0);
}

}  // namespace
}  // namespace tvx::ui
