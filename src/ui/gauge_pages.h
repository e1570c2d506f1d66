#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tvx::ui {

// What a live-data panel holds: a four-digit seven-segment gauge (81x25), the odometer
// gauge (147x25, seven cells: up to 999999.9 km, the point between cells), or a three-cell
// dot-matrix status word (" ON"/"OFF").
enum class GaugeKind { Digits4, Odometer, Word };

// One panel of a live-data page: the panel's name, the gauge inside it, and the colour of
// the lit segments (0x00BBGGRR). The caption above the gauge is the session's, by panel name.
struct GaugeSpec {
    const char* panel;
    const char* gauge;
    GaugeKind kind;
    std::uint32_t colour;
};

// A live-data page of the window: its frame's name, its panels, how many panels go in a row.
struct GaugePageSpec {
    const char* frame;
    std::span<const GaugeSpec> gauges;
    int columns;
};

// The petrol (Frame61), diesel (Frame71) and cluster (Frame81) pages, in that order.
std::span<const GaugePageSpec> gaugePages();
// The panels of the page in the frame named `frame`; none for any other frame.
std::span<const GaugeSpec> gaugesOf(std::string_view frame);

// A page of gauge panels placed in rows, in table order; a hidden panel gives its place to
// the next one, so every layout of the page stays packed and aligned.
class GaugePage : public QWidget {
    Q_OBJECT

public:
    GaugePage(const GaugePageSpec& page, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePanels();

    std::vector<QFrame*> m_panels;
    int m_columns;
};

// The caption label of a gauge panel (its object name is the panel's name + "_caption").
QLabel* panelCaption(QWidget* panel);

}  // namespace tvx::ui
