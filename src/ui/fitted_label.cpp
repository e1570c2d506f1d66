#include "ui/fitted_label.h"

#include <QFontMetrics>
#include <QStringList>
#include <QTextLayout>
#include <algorithm>

namespace tvx::ui {

FittedLabel::FittedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);  // the lines are broken here, where the label's height is known
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FittedLabel::setFullText(const QString& text) {
    m_full = text;
    setToolTip(text);
    fit();
}

void FittedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void FittedLabel::fit() {
    const QRect room = contentsRect();
    const QFontMetrics metrics = fontMetrics();
    if (room.width() <= 0 || m_full.isEmpty()) {
        setText(m_full);
        return;
    }
    const int most = std::max(1, room.height() / metrics.lineSpacing());
    QTextLayout layout(m_full, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    int lastStart = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        if (lines.size() == most) {
            // More text than lines: the last line shown runs on to the end, cut there.
            lines.back() = metrics.elidedText(m_full.mid(lastStart), Qt::ElideRight, room.width());
            break;
        }
        lastStart = line.textStart();
        lines << m_full.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    setText(lines.join(QLatin1Char('\n')));
}

}  // namespace tvx::ui
