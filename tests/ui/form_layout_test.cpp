// The window as built: every control the session names exists once per place, with the
// geometry and properties the tester's design gives it.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QTableWidget>

#include "ui/gauge_pages.h"
#include "ui/tform1.h"
#include "ui/work_frames.h"
#include "ui_helpers.h"
#include "widgets/dot_matrix_plan.h"

namespace tvx::ui {
namespace {

using widgets::TDotMatrix5x7;
using widgets::TSevenSegment;

class FormLayout : public ::testing::Test {
protected:
    void SetUp() override { form.show(); }  // layouts settle when the window shows
    TForm1 form{QStringLiteral(TVX_TEST_DATA_DIR "/start.jpg")};
};

TEST_F(FormLayout, CaptionAndCommandButtons) {
    EXPECT_EQ(form.windowTitle(), " Tarvolinex v2.03");
    for (const char* name : {"OK", "BACK", "CANCEL", "HELP", "EXIT", "DEMO", "Setting", "live",
                             "rdtc", "cdtc", "read_inj", "prog_inj"})
        EXPECT_NE(form.button(name), nullptr) << name;
    EXPECT_FALSE(form.button("CANCEL")->isEnabled());
    EXPECT_FALSE(form.button("HELP")->isEnabled());
    for (const char* hidden : {"live", "rdtc", "cdtc", "read_inj", "prog_inj"})
        EXPECT_TRUE(form.button(hidden)->isHidden()) << hidden;
}

TEST_F(FormLayout, ModuleButtonsFormOneExclusiveGroupWithHiddenSahte) {
    QButtonGroup& group = form.moduleButtons();
    EXPECT_TRUE(group.exclusive());
    EXPECT_EQ(group.buttons().size(), 7);
    EXPECT_TRUE(form.button("sahte")->isHidden());
    form.button("pcm")->setEnabled(true);
    form.button("cp")->setEnabled(true);
    test::click(form.button("pcm"));
    test::click(form.button("cp"));
    EXPECT_TRUE(form.button("cp")->isChecked());
    EXPECT_FALSE(form.button("pcm")->isChecked());
    form.button("sahte")->setChecked(true);
    EXPECT_EQ(group.checkedButton(), form.button("sahte"));
}

TEST_F(FormLayout, DisplayLines) {
    for (int n = 1; n <= 4; ++n) {
        TDotMatrix5x7* line = form.displayLine(n);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->objectName(), QStringLiteral("d%1").arg(n));
        EXPECT_EQ(line->size(), QSize(321, 20));
        EXPECT_EQ(line->numberOfDigits(), 24);
    }
    EXPECT_EQ(form.displayLine(0), nullptr);
    EXPECT_EQ(form.displayLine(5), nullptr);
}

TEST_F(FormLayout, FramesShareOnePlaceAndOnlyTheStartPanelShows) {
    const QStringList& frames = TForm1::frameNames();
    ASSERT_EQ(frames.size(), 11);
    const QRect place = test::named<QWidget>(form, frames.front())->geometry();
    for (const QString& name : frames) {
        const auto found = form.findChildren<QWidget*>(name);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        EXPECT_EQ(found.front()->geometry(), place) << name.toStdString();
        EXPECT_EQ(found.front()->isHidden(), name != "Frame21") << name.toStdString();
    }
}

// Each live-data page holds exactly its table's panels, each with its gauge inside.
struct PageCase {
    const char* frame;
    int panels;
};

class GaugePages : public FormLayout, public ::testing::WithParamInterface<PageCase> {};

TEST_P(GaugePages, EveryPanelHoldsItsGauge) {
    const PageCase& page = GetParam();
    auto* frame = test::named<QWidget>(form, page.frame);
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(static_cast<int>(gaugesOf(page.frame).size()), page.panels);
    for (const GaugeSpec& spec : gaugesOf(page.frame)) {
        auto* panel = frame->findChild<QFrame*>(spec.panel);
        ASSERT_NE(panel, nullptr) << spec.panel;
        QWidget* gauge = panel->findChild<QWidget*>(spec.gauge);
        ASSERT_NE(gauge, nullptr) << spec.gauge;
        ASSERT_NE(panelCaption(panel), nullptr) << spec.panel;
        EXPECT_FALSE(panelCaption(panel)->text().isEmpty());
        if (auto* segments = qobject_cast<TSevenSegment*>(gauge)) {
            const bool odometer = spec.kind == GaugeKind::Odometer;
            EXPECT_EQ(segments->size(), odometer ? QSize(147, 25) : QSize(81, 25)) << spec.gauge;
            EXPECT_EQ(segments->numberOfDigits(), odometer ? 7 : 4);
            EXPECT_EQ(segments->valueType(), TSevenSegment::ssAlphaNumeric);  // any text shows
        } else {
            auto* word = qobject_cast<TDotMatrix5x7*>(gauge);
            ASSERT_NE(word, nullptr) << spec.gauge;
            EXPECT_EQ(word->numberOfDigits(), 3);
            EXPECT_EQ(word->size(), QSize(81, 30));
            EXPECT_EQ(word->value(), "OFF");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, GaugePages,
                         ::testing::Values(PageCase{"Frame61", 16}, PageCase{"Frame71", 24},
                                           PageCase{"Frame81", 3}));

TEST_F(FormLayout, ThirtySevenFourDigitGaugesOnThePetrolAndDieselPages) {
    int count = 0;
    for (const char* frame : {"Frame61", "Frame71"})
        count += static_cast<int>(
            test::named<QWidget>(form, frame)->findChildren<TSevenSegment*>().size());
    EXPECT_EQ(count, 37);
}

TEST_F(FormLayout, HiddenPanelGivesItsPlaceToTheNextOne) {
    auto* page = test::named<QWidget>(form, "Frame61");
    page->show();
    QWidget* advance = page->findChild<QWidget*>("advp");
    QWidget* manifold = page->findChild<QWidget*>("mapp");
    const QPoint advancePlace = advance->pos();
    advance->hide();
    EXPECT_EQ(manifold->pos(), advancePlace);
    advance->show();
    EXPECT_EQ(advance->pos(), advancePlace);
    EXPECT_NE(manifold->pos(), advancePlace);
}

TEST_F(FormLayout, VehicleAndSettingsLists) {
    struct ListCase {
        const char* name;
        QString title;
        QStringList items;
    };
    const ListCase lists[] = {
        {"PG1", "Gasoline", petrolModels()},
        {"DG1", "Diesel", dieselModels()},
        {"RGCom", "Setting COM", {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}},
        {"Language", "Language", {"English", QString::fromUtf8("Turk\xC4\xB1sh")}},
    };
    for (const ListCase& entry : lists) {
        RadioGroup* list = form.list(entry.name);
        ASSERT_NE(list, nullptr) << entry.name;
        EXPECT_EQ(list->title(), entry.title);
        ASSERT_EQ(list->count(), entry.items.size()) << entry.name;
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->item(i)->text(), entry.items[i]);
    }
    EXPECT_EQ(form.list("PG1")->item(1)->text(), "FIESTA  1.4i");  // the double blank stays
    EXPECT_EQ(form.list("DG1")->item(6)->text(), "TRANSIT ");
    EXPECT_EQ(form.list("Language")->itemIndex(), 0);
    EXPECT_EQ(form.list("RGCom")->itemIndex(), -1);
    test::named<QWidget>(form, "Frame41")->show();
    // Two columns of ports: COM5 sits right of COM1.
    EXPECT_GT(form.list("RGCom")->item(4)->x(), form.list("RGCom")->item(0)->x());
    EXPECT_EQ(form.list("RGCom")->item(4)->y(), form.list("RGCom")->item(0)->y());
}

TEST_F(FormLayout, TroubleCodeGrid) {
    auto* table = test::named<QTableWidget>(form, "dtc_table");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 1);
    EXPECT_EQ(table->rowCount(), 7);
    EXPECT_EQ(table->columnWidth(0), 597);
    EXPECT_TRUE(table->font().bold());
    EXPECT_EQ(table->font().family(), "Verdana");
    EXPECT_TRUE(table->item(0, 0)->data(Qt::UserRole).toBool());  // the fixed header row
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(FormLayout, InjectorFrameFromTopToBottom) {
    const InjectorFrame& injectors = form.injectors();
    const char* labels[] = {"Injector 1", "Injector 3", "Injector 4", "Injector 2"};
    const char* labelNames[] = {"label1", "Label2", "Label3", "Label4"};
    const char* edits[] = {"E1", "e2", "e3", "e4"};
    const char* oks[] = {"OK1", "ok2", "ok3", "ok4"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(injectors.panels[i]->objectName(), QStringLiteral("Panel%1").arg(i + 1));
        if (i > 0) {
            EXPECT_GT(injectors.panels[i]->y(), injectors.panels[i - 1]->y());
        }
        auto* label = injectors.panels[i]->findChild<QLabel*>(labelNames[i]);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), labels[i]);
        auto* code =
            injectors.panels[i]->findChild<TDotMatrix5x7*>(QStringLiteral("edis%1").arg(i + 1));
        ASSERT_NE(code, nullptr);
        EXPECT_EQ(code->numberOfDigits(), 16);
        EXPECT_EQ(code->onColor(), QColor(Qt::white));
        // Neighbouring dots stay apart across and down, so the digits do not run together.
        const widgets::MatrixGeometry dots =
            widgets::matrixGeometry({.width = code->width(),
                                     .height = code->height(),
                                     .numberOfDigits = code->numberOfDigits(),
                                     .thickness = code->thickness(),
                                     .horzSpace = code->horzSpace(),
                                     .vertSpace = code->vertSpace()});
        EXPECT_GT(dots.pitchX, code->thickness()) << i;
        EXPECT_GT(dots.pitchY, code->thickness()) << i;
        EXPECT_EQ(injectors.edits[i]->objectName(), edits[i]);
        EXPECT_EQ(injectors.okButtons[i]->objectName(), oks[i]);
        EXPECT_EQ(injectors.okButtons[i]->text(), "OK");
    }
}

TEST(StartPicture, TheJpegReaderIsThereAndDecodesTheShippedPicture) {
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
    QWidget parent;
    QFrame* frame = buildPictureFrame("Frame21", TVX_TEST_DATA_DIR "/start.jpg", &parent);
    auto* picture = frame->findChild<QLabel*>("Frame21_picture");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_FALSE(picture->property("missingPicture").toBool());
}

TEST(StartPicture, AMissingPictureLeavesTheNameInstead) {
    TForm1 form(QStringLiteral("/nonexistent/start.jpg"));
    form.show();
    auto* picture = test::named<QLabel>(form, "Frame21_picture");
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_TRUE(picture->property("missingPicture").toBool());
    EXPECT_EQ(picture->text(), "Tarvolinex");
    // The name is readable on the black panel: some of its pixels are bright.
    const QImage shown = test::named<QWidget>(form, "Frame21")->grab().toImage();
    int bright = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            bright += qGray(shown.pixel(x, y)) > 96 ? 1 : 0;
    EXPECT_GT(bright, 100);
}

}  // namespace
}  // namespace tvx::ui
