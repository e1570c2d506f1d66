#include "ui/gauge_pages.h"

#include <QEvent>
#include <algorithm>
#include <array>

#include "session/captions.h"
#include "ui/tester_style.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::ui {
namespace {

using widgets::TDotMatrix5x7;
using widgets::TSevenSegment;

constexpr GaugeKind D4 = GaugeKind::Digits4;
constexpr GaugeKind KM = GaugeKind::Odometer;
constexpr GaugeKind W = GaugeKind::Word;

// The captions (short names with units) and the hints (full names) come from the session's
// tables: English for the first paint, the chosen language once the session applies them.
// clang-format off
constexpr std::array kPetrol{
    GaugeSpec{"rpmp", "rpmd", D4, kRed},
    GaugeSpec{"advp", "advd", D4, kRed},
    GaugeSpec{"mapp", "mapd", D4, kYellow},
    GaugeSpec{"atpp", "atpsd", D4, kYellow},
    GaugeSpec{"lmdp", "lmdd", D4, kLime},
    GaugeSpec{"vssp", "vssd", D4, kYellow},
    GaugeSpec{"ectp", "ectd", D4, kAqua},
    GaugeSpec{"iatp", "iatd", D4, kAqua},
    GaugeSpec{"batp", "Batd", D4, kLime},
    GaugeSpec{"hup", "hegoupd", D4, kLime},
    GaugeSpec{"hdp", "hegodownd", D4, kLime},
    GaugeSpec{"barop", "Barod", D4, kYellow},
    GaugeSpec{"loadp", "loadd", D4, kRed},
    GaugeSpec{"vip", "vvtind", D4, kRed},
    GaugeSpec{"vop", "vvtoutd", D4, kRed},
    GaugeSpec{"dtcp", "dtcd", D4, kRed},
};

constexpr std::array kDiesel{
    GaugeSpec{"rpmp", "rpmd", D4, kRed},
    GaugeSpec{"frpp", "frpd", D4, kYellow},
    GaugeSpec{"mapp", "mapd", D4, kYellow},
    GaugeSpec{"mafp", "mafd", D4, kYellow},
    GaugeSpec{"mfdp", "mfdd", D4, kRed},
    GaugeSpec{"loadp", "loadd", D4, kRed},
    GaugeSpec{"torkp", "torkd", D4, kRed},
    GaugeSpec{"appp", "appd", D4, kLime},
    GaugeSpec{"app1p", "app1d", D4, kLime},
    GaugeSpec{"app2p", "app2d", D4, kLime},
    GaugeSpec{"app3p", "app3d", D4, kLime},
    GaugeSpec{"egrpp", "egrpd", D4, kYellow},
    GaugeSpec{"egrdp", "egrdd", D4, kYellow},
    GaugeSpec{"chtp", "chdd", D4, kAqua},
    GaugeSpec{"iatp", "iatd", D4, kAqua},
    GaugeSpec{"ftsp", "ftsd", D4, kAqua},
    GaugeSpec{"betp", "betd", D4, kAqua},
    GaugeSpec{"batp", "batd", D4, kLime},
    GaugeSpec{"barop", "Barod", D4, kYellow},
    GaugeSpec{"vssp", "VSSd", D4, kYellow},
    GaugeSpec{"dtcp", "dtcd", D4, kRed},
    GaugeSpec{"cppp", "cppd", W, kLime},
    GaugeSpec{"bppp", "bppd", W, kLime},
    GaugeSpec{"klimap", "klimad", W, kLime},
};

constexpr std::array kCluster{
    GaugeSpec{"kmp", "kmd", KM, kRed},
    GaugeSpec{"flip", "flid", D4, kRed},
    GaugeSpec{"cdtp", "dtcd", D4, kRed},
};
// clang-format on

constexpr GaugePageSpec kPages[] = {
    {"Frame61", kPetrol, 6}, {"Frame71", kDiesel, 6}, {"Frame81", kCluster, 3}};

constexpr int kPanelHeight = 54;
constexpr int kCaptionHeight = 17;
constexpr int kGap = 5;

QWidget* makeGauge(const GaugeSpec& spec, QWidget* panel) {
    if (spec.kind == GaugeKind::Word) {
        auto* word = new TDotMatrix5x7(panel);
        word->setNumberOfDigits(3);
        word->setThickness(3);
        word->setHorzSpace(2);
        word->setVertSpace(2);
        word->setColor(kBlack);
        word->setOnColor(spec.colour);
        word->setOffColor(kUnlit);
        word->setValue(QStringLiteral("OFF"));
        word->setFixedSize(81, 30);
        return word;
    }
    const bool odometer = spec.kind == GaugeKind::Odometer;
    auto* gauge = new TSevenSegment(panel);
    gauge->setNumberOfDigits(odometer ? 7 : 4);
    gauge->setValueType(TSevenSegment::ssAlphaNumeric);
    gauge->setThickness(2);
    gauge->setSpace(1);
    gauge->setHorzSpace(8);
    gauge->setVertSpace(6);
    gauge->setColor(kBlack);
    gauge->setOnColor(spec.colour);
    gauge->setOffColor(kUnlit);
    gauge->setValue(QStringLiteral("0"));
    // Seven odometer cells of 21 pixels: digits the size of the four-digit gauges' (20).
    gauge->setFixedSize(odometer ? 147 : 81, 25);
    return gauge;
}

QString englishCaption(std::string_view panel) {
    for (const session::ControlText& text : session::gaugeCaptions())
        if (text.control == panel)
            return QString::fromUtf8(text.english.data(),
                                     static_cast<qsizetype>(text.english.size()));
    return {};
}

QFrame* makePanel(const GaugeSpec& spec, QWidget* page) {
    auto* panel = new QFrame(page);
    panel->setObjectName(QString::fromLatin1(spec.panel));
    panel->setProperty("gaugePanel", true);  // styled as a lit instrument cell
    QWidget* gauge = makeGauge(spec, panel);
    gauge->setObjectName(QString::fromLatin1(spec.gauge));
    const int width = gauge->width() + 17;
    panel->setFixedSize(width, kPanelHeight);

    auto* caption = new QLabel(englishCaption(spec.panel), panel);
    caption->setObjectName(panel->objectName() + QStringLiteral("_caption"));
    caption->setAlignment(Qt::AlignCenter);
    caption->setGeometry(2, 2, width - 4, kCaptionHeight);
    const int top = kCaptionHeight + (kPanelHeight - kCaptionHeight - gauge->height()) / 2;
    gauge->move((width - gauge->width()) / 2, top);
    return panel;
}

}  // namespace

std::span<const GaugePageSpec> gaugePages() {
    return kPages;
}

std::span<const GaugeSpec> gaugesOf(std::string_view frame) {
    for (const GaugePageSpec& page : kPages)
        if (frame == page.frame)
            return page.gauges;
    return {};
}

GaugePage::GaugePage(const GaugePageSpec& page, QWidget* parent)
    : QWidget(parent), m_columns(std::max(1, page.columns)) {
    setObjectName(QString::fromLatin1(page.frame));
    for (const GaugeSpec& spec : page.gauges) {
        QFrame* panel = makePanel(spec, this);
        panel->installEventFilter(this);
        m_panels.push_back(panel);
    }
    placePanels();
}

bool GaugePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        placePanels();
    return QWidget::eventFilter(watched, event);
}

void GaugePage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePanels();
}

void GaugePage::placePanels() {
    std::vector<QFrame*> shown;
    for (QFrame* panel : m_panels)
        if (!panel->isHidden())
            shown.push_back(panel);
    // Rows of m_columns panels; each row centred in the page, the rows centred as a block.
    const int rows = static_cast<int>((shown.size() + m_columns - 1) / m_columns);
    int y = std::max(kGap / 2, (height() - rows * (kPanelHeight + kGap) + kGap) / 2);
    for (std::size_t first = 0; first < shown.size(); first += m_columns) {
        const std::size_t last = std::min(shown.size(), first + m_columns);
        int rowWidth = 0;
        for (std::size_t i = first; i < last; ++i)
            rowWidth += shown[i]->width();
        rowWidth += static_cast<int>(last - first - 1) * kGap;
        int x = std::max(0, (width() - rowWidth) / 2);
        for (std::size_t i = first; i < last; ++i) {
            shown[i]->move(x, y);
            x += shown[i]->width() + kGap;
        }
        y += kPanelHeight + kGap;
    }
}

QLabel* panelCaption(QWidget* panel) {
    return panel ? panel->findChild<QLabel*>(panel->objectName() + QStringLiteral("_caption"),
                                             Qt::FindDirectChildrenOnly)
                 : nullptr;
}

}  // namespace tvx::ui
