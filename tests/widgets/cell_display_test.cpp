// What the seven-segment gauge and the dot-matrix display share: every setter repaints the
// control, spacing is never negative, and colours come as codes too.
#include "widgets/cell_display.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::widgets {
namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

template <typename Widget>
using Setters = std::vector<std::pair<std::string, std::function<void(Widget&)>>>;

// Each setter with a value other than the widget's default.
template <typename Widget>
Setters<Widget> commonSetters() {
    return {
        {"Value", [](Widget& w) { w.setValue("42"); }},
        {"Thickness", [](Widget& w) { w.setThickness(3); }},
        {"HorzSpace", [](Widget& w) { w.setHorzSpace(1); }},
        {"VertSpace", [](Widget& w) { w.setVertSpace(1); }},
        {"NumberOfDigits", [](Widget& w) { w.setNumberOfDigits(2); }},
        {"Color", [](Widget& w) { w.setColor(QColor(1, 2, 3)); }},
        {"Color code", [](Widget& w) { w.setColor(65535U); }},
        {"OnColor", [](Widget& w) { w.setOnColor(Qt::yellow); }},
        {"OnColor code", [](Widget& w) { w.setOnColor(65280U); }},
        {"OffColor", [](Widget& w) { w.setOffColor(QColor(9, 9, 9)); }},
        {"OffColor code", [](Widget& w) { w.setOffColor(0xFF0000U); }},
    };
}

template <typename Widget>
Setters<Widget> ownSetters();

template <>
Setters<TSevenSegment> ownSetters() {
    return {
        {"Space", [](TSevenSegment& w) { w.setSpace(4); }},
        {"NumberOfDecimals", [](TSevenSegment& w) { w.setNumberOfDecimals(2); }},
        {"ShowDecimalPoint", [](TSevenSegment& w) { w.setShowDecimalPoint(false); }},
        {"ShowPlusMinus", [](TSevenSegment& w) { w.setShowPlusMinus(true); }},
        {"LeadingZeros", [](TSevenSegment& w) { w.setLeadingZeros(true); }},
        {"ValueType", [](TSevenSegment& w) { w.setValueType(TSevenSegment::ssAlphaNumeric); }},
    };
}

template <>
Setters<TDotMatrix5x7> ownSetters() {
    return {
        {"DotMode", [](TDotMatrix5x7& w) { w.setDotMode(TDotMatrix5x7::dmCircle); }},
        {"Alignment", [](TDotMatrix5x7& w) { w.setAlignment(TDotMatrix5x7::taCenter); }},
    };
}

template <typename Widget>
class CellDisplays : public ::testing::Test {};

using Widgets = ::testing::Types<TSevenSegment, TDotMatrix5x7>;
TYPED_TEST_SUITE(CellDisplays, Widgets);

TYPED_TEST(CellDisplays, EverySetterRepaintsTheControl) {
    Setters<TypeParam> setters = commonSetters<TypeParam>();
    for (auto& setter : ownSetters<TypeParam>()) {
        setters.push_back(std::move(setter));
    }
    for (const auto& [name, set] : setters) {
        TypeParam widget;
        widget.show();
        QCoreApplication::processEvents();
        PaintCounter counter;
        widget.installEventFilter(&counter);
        set(widget);
        QCoreApplication::processEvents();
        EXPECT_GE(counter.paints, 1) << name;
    }
}

TYPED_TEST(CellDisplays, NegativeSpacingIsStoredAsZero) {
    TypeParam widget;
    widget.setThickness(-3);
    widget.setHorzSpace(-1);
    widget.setVertSpace(-8);
    EXPECT_EQ(widget.thickness(), 0);
    EXPECT_EQ(widget.horzSpace(), 0);
    EXPECT_EQ(widget.vertSpace(), 0);
    widget.setThickness(7);
    EXPECT_EQ(widget.thickness(), 7);
}

TYPED_TEST(CellDisplays, ColourCodesReadBlueGreenRedOrTheSystemPalette) {
    TypeParam widget;
    widget.setColor(0xFF0000U);
    widget.setOnColor(0x00FFFFU);
    widget.setOffColor(0xFF000012U);  // button text
    EXPECT_EQ(widget.color(), QColor(0, 0, 255));
    EXPECT_EQ(widget.onColor(), QColor(255, 255, 0));
    EXPECT_EQ(widget.offColor(), QGuiApplication::palette().color(QPalette::ButtonText));
}

}  // namespace
}  // namespace tvx::widgets
