#include "ui/gauge_marks.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>

#include "ui/gauge_pages.h"
#include "ui/tform1.h"
#include "widgets/color_code.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::ui {
namespace {

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor litColour(QWidget* gauge) {
    if (auto* segments = qobject_cast<widgets::TCustomSevenSegment*>(gauge))
        return segments->onColor();
    if (auto* dots = qobject_cast<widgets::TDotMatrix5x7*>(gauge))
        return dots->onColor();
    return {};
}

void setLitColour(QWidget* gauge, const QColor& colour) {
    if (auto* segments = qobject_cast<widgets::TCustomSevenSegment*>(gauge))
        segments->setOnColor(colour);
    else if (auto* dots = qobject_cast<widgets::TDotMatrix5x7*>(gauge))
        dots->setOnColor(colour);
}

// Light grey: readable on the dark segments, yet no gauge's live colour.
const QColor kPausedColour(0x9a, 0x9a, 0x9a);

QColor dimmed(const QColor& colour) {
    return QColor(colour.red() / 3, colour.green() / 3, colour.blue() / 3);
}

}  // namespace

GaugeMarks::GaugeMarks(TForm1& form) : QObject(&form) {
    for (const GaugePageSpec& page : gaugePages()) {
        QWidget* frame = form.findChild<QWidget*>(QString::fromLatin1(page.frame));
        if (frame == nullptr)
            continue;
        for (const GaugeSpec& spec : page.gauges) {
            auto* panel = frame->findChild<QFrame*>(QString::fromLatin1(spec.panel));
            QWidget* gauge =
                panel ? panel->findChild<QWidget*>(QString::fromLatin1(spec.gauge)) : nullptr;
            // The tables name every gauge control after its gauge.
            const std::optional<session::Gauge> id = session::gaugeNamed(spec.gauge);
            if (gauge == nullptr || !id)
                continue;
            m_marks[*id].push_back({panel, gauge, litColour(gauge), false, false, {}});
            m_gaugeOfPanel.insert(panel, *id);
            panel->installEventFilter(this);
            panel->setCursor(Qt::PointingHandCursor);
        }
    }
}

void GaugeMarks::setStale(session::Gauge gauge, bool stale) {
    const auto it = m_marks.find(gauge);
    if (it == m_marks.end())
        return;
    for (Mark& mark : it->second) {
        if (mark.stale != stale) {
            mark.stale = stale;
            apply(mark);
        }
    }
}

void GaugeMarks::setPaused(session::Gauge gauge, bool paused, const QString& why) {
    const auto it = m_marks.find(gauge);
    if (it == m_marks.end())
        return;
    for (Mark& mark : it->second) {
        mark.gauge->setToolTip(paused ? why : QString());
        if (mark.paused != paused) {
            mark.paused = paused;
            apply(mark);
        }
    }
}

void GaugeMarks::setCharted(const std::vector<trend::ChartedSeries>& series) {
    for (auto& [gauge, marks] : m_marks) {
        QColor framed;
        for (const trend::ChartedSeries& charted : series)
            if (charted.gauge == gauge)
                framed = widgets::colorFromCode(charted.colour);
        for (Mark& mark : marks) {
            if (mark.framed != framed) {
                mark.framed = framed;
                apply(mark);
            }
        }
    }
}

void GaugeMarks::clearAll() {
    for (auto& [gauge, marks] : m_marks) {
        for (Mark& mark : marks) {
            if (mark.stale || mark.paused || mark.framed.isValid()) {
                mark.stale = false;
                mark.paused = false;
                mark.gauge->setToolTip(QString());
                mark.framed = QColor();
                apply(mark);
            }
        }
    }
}

GaugeMarks::GaugeFace GaugeMarks::face(session::Gauge gauge) const {
    const auto it = m_marks.find(gauge);
    if (it == m_marks.end() || it->second.empty())
        return {};
    const Mark& mark = it->second.front();
    // The panel shown, when the pages share the gauge.
    const Mark* shown = &mark;
    for (const Mark& candidate : it->second)
        if (candidate.panel->isVisible())
            shown = &candidate;
    const QLabel* caption = panelCaption(shown->panel);
    return {caption ? caption->text() : qstr(session::gaugeName(gauge)),
            widgets::codeFromColor(shown->lit)};
}

void GaugeMarks::apply(Mark& mark) {
    // A paused gauge is neither fresh nor stale: grey, whatever its own colour.
    setLitColour(mark.gauge, mark.paused  ? kPausedColour
                             : mark.stale ? dimmed(mark.lit)
                                          : mark.lit);
    mark.gauge->setProperty("stale", mark.stale && !mark.paused);
    mark.gauge->setProperty("paused", mark.paused);
    QString border;
    if (mark.framed.isValid())
        border =
            QStringLiteral("2px %1 %2").arg(mark.stale ? "dashed" : "solid", mark.framed.name());
    else if (mark.paused)
        border = QStringLiteral("1px dotted #6f8fb8");
    else if (mark.stale)
        border = QStringLiteral("1px dashed #8d939c");
    mark.panel->setStyleSheet(
        border.isEmpty()
            ? QString()
            : QStringLiteral("#%1 { border: %2; }").arg(mark.panel->objectName(), border));
}

bool GaugeMarks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const auto it = m_gaugeOfPanel.constFind(watched);
        if (it != m_gaugeOfPanel.constEnd()) {
            emit gaugeClicked(*it);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tvx::ui
