// The cluster's odometer as the mechanic reads it off the window: every digit of the mileage
// up to 999999.9 km, read back from the gauge's pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <ostream>
#include <string>

#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "ui/form_view.h"
#include "ui/tform1.h"
#include "widgets/segment_font.h"
#include "widgets/seven_segment.h"

namespace tvx::ui {
namespace {

using widgets::TSevenSegment;

// What a text gauge shows, cell by cell from its pixels: a digit, '-' or ' ' per cell (a
// lit pattern that is none of them reads '?'), and '.' where a lit point follows a cell.
std::string readGauge(TSevenSegment& gauge) {
    const QImage image = gauge.grab().toImage();
    const int cells = gauge.numberOfDigits();
    const int cellWidth = gauge.width() / cells;
    const int firstLeft = (gauge.width() - cellWidth * cells) / 2;
    const int top = gauge.vertSpace() / 2;
    const int bottom = gauge.height() - gauge.vertSpace() / 2;
    const int middle = (top + bottom) / 2;
    const int in = (gauge.thickness() - 1) / 2;  // from a segment's outer edge to its core
    const auto lit = [&](int x, int y) { return image.pixelColor(x, y) == gauge.onColor(); };

    std::string shown;
    for (int cell = 0; cell <= cells; ++cell) {
        const int left = firstLeft + cell * cellWidth;
        if (cell > 0 && lit(left, bottom - 1)) {
            shown += '.';  // the point sits in the gap after the previous cell
        }
        if (cell == cells) {
            break;
        }
        const int l = left + gauge.horzSpace() / 2;
        const int r = left + cellWidth - gauge.horzSpace() / 2;
        const int cx = (l + r) / 2;
        const int upper = (top + middle) / 2;
        const int lower = (middle + bottom) / 2;
        // Segments a..g: top, upper right, lower right, bottom, lower left, upper left, middle.
        const int probes[7][2] = {{cx, top + in},        {r - 1 - in, upper}, {r - 1 - in, lower},
                                  {cx, bottom - 1 - in}, {l + in, lower},     {l + in, upper},
                                  {cx, middle}};
        unsigned bits = 0;
        for (int s = 0; s < 7; ++s) {
            bits |= lit(probes[s][0], probes[s][1]) ? 1U << s : 0U;
        }
        char read = '?';
        for (const char candidate : std::string("0123456789- ")) {
            if (widgets::segmentsOf(widgets::glyphCodeFor(static_cast<char32_t>(candidate))) ==
                bits) {
                read = candidate;
            }
        }
        shown += read;
    }
    return shown;
}

// The odometer text of demonstration mode, as the cluster request makes it.
std::string demoOdometerText() {
    link::VirtualClock clock;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    link::Link line(port, clock);
    line.DemoMode = true;
    link::Requests requests(line);
    requests.ReadOdometer();
    return requests.ValueText;
}

struct Mileage {
    std::string name;
    std::string text;   // as the session gives it to the gauge
    std::string shown;  // as the gauge shows it
};

void PrintTo(const Mileage& mileage, std::ostream* out) {
    *out << '"' << mileage.text << '"';
}

class OdometerGauge : public ::testing::TestWithParam<Mileage> {};

TEST_P(OdometerGauge, ShowsEveryDigitOfTheMileage) {
    TForm1 form{QString()};
    FormView view{form};
    auto* odometer = form.findChild<TSevenSegment*>(QStringLiteral("kmd"));
    ASSERT_NE(odometer, nullptr);
    view.setGauge("kmd", GetParam().text);
    EXPECT_EQ(odometer->value().toStdString(), GetParam().text);
    EXPECT_EQ(readGauge(*odometer), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cluster, OdometerGauge,
                         ::testing::Values(Mileage{"SixFigures", "123456.7", "123456.7"},
                                           Mileage{"Demo", demoOdometerText(), "234567.0"},
                                           Mileage{"Largest", "999999.9", "999999.9"},
                                           Mileage{"FiveFigures", "86412.3", " 86412.3"},
                                           Mileage{"Zero", "0.0", "     0.0"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tvx::ui
