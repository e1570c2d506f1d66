#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <span>
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

std::span<const GaugeSpec> petrolGauges();   // Frame61
std::span<const GaugeSpec> dieselGauges();   // Frame71
std::span<const GaugeSpec> clusterGauges();  // Frame81

// A page of gauge panels placed in rows, in table order; a hidden panel gives its place to
// the next one, so every layout of the page stays packed and aligned.
class GaugePage : public QWidget {
    Q_OBJECT

public:
    GaugePage(const QString& name, std::span<const GaugeSpec> specs, int columns, QWidget* parent);

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
