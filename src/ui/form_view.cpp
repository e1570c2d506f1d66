#include "ui/form_view.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "ui/gauge_pages.h"
#include "ui/injector_frame.h"
#include "ui/radio_group.h"
#include "ui/tform1.h"
#include "ui/work_frames.h"
#include "widgets/cell_display.h"
#include "widgets/color_code.h"
#include "widgets/dot_matrix.h"

namespace tvx::ui {
namespace {

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void setVisibility(QWidget* widget, bool visible) {
    widget->setVisible(visible);
    // Frames share one place: the one shown last lies on top.
    if (visible && widget->property("workFrame").toBool())
        widget->raise();
}

// The text a control shows as its caption: a button's or label's text, a list's title, the
// caption label of a gauge or injector panel.
void setCaptionOf(QWidget* widget, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (QLabel* caption = panelCaption(widget)) {
        caption->setText(text);
    } else if (qobject_cast<InjectorPanel*>(widget)) {
        if (auto* label = widget->findChild<QLabel*>())
            label->setText(text);
    } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
        table->item(0, 0)->setText(text);  // the header row
    }
}

}  // namespace

FormView::FormView(TForm1& form) : m_form(form) {
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty())
            m_controls[widget->objectName()].append(widget);
    }
    m_controls[form.objectName()].append(&form);
    for (const QString& frame : TForm1::frameNames())
        m_frames += m_controls.value(frame);
}

bool FormView::knows(std::string_view name) const {
    return m_controls.contains(qstr(name));
}

const QList<QWidget*>& FormView::controls(std::string_view name) const {
    static const QList<QWidget*> kNone;
    const QString key = qstr(name);
    const auto it = m_controls.constFind(key);
    if (it != m_controls.constEnd())
        return *it;
    if (!m_reported.contains(key)) {
        m_reported.insert(key, true);
        qCritical("tarvolinex: the session addressed \"%s\", a control the window does not have",
                  qPrintable(key));
    }
    return kNone;
}

void FormView::setLine(int line, const std::string& text) {
    if (auto* display = m_form.displayLine(line))
        display->setValue(qstr(text));
}

void FormView::setDisplayColour(std::uint32_t colour) {
    for (int line = 1; line <= 4; ++line)
        m_form.displayLine(line)->setOnColor(colour);
}

void FormView::showOnlyFrame(std::string_view frame) {
    const QString name = qstr(frame);
    if (!name.isEmpty())
        controls(frame);  // reports a frame the window does not have
    for (QWidget* widget : m_frames) {
        const bool shown = widget->objectName() == name;
        widget->setVisible(shown);
        if (shown)
            widget->raise();
    }
}

void FormView::setPanelVisible(std::string_view name, bool visible) {
    for (QWidget* widget : controls(name))
        setVisibility(widget, visible);
}

void FormView::setPanelColour(std::string_view name, std::uint32_t colour) {
    const QColor color = widgets::colorFromCode(colour);
    for (QWidget* widget : controls(name)) {
        // A style rule for this one widget: the window's style sheet would hide a palette.
        widget->setStyleSheet(QStringLiteral("#%1 { background-color: %2; border-radius: 6px; }")
                                  .arg(widget->objectName(), color.name()));
        widget->setProperty("panelColour", color);
    }
}

void FormView::setControlEnabled(std::string_view name, bool enabled) {
    for (QWidget* widget : controls(name))
        widget->setEnabled(enabled);
}

void FormView::setControlVisible(std::string_view name, bool visible) {
    for (QWidget* widget : controls(name))
        setVisibility(widget, visible);
}

void FormView::setButtonDown(std::string_view name) {
    for (QWidget* widget : controls(name))
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable())
            button->setChecked(true);
}

void FormView::setGauge(std::string_view name, const std::string& text) {
    const QString value = qstr(text);
    for (QWidget* widget : controls(name))
        if (auto* cells = qobject_cast<widgets::CellDisplay*>(widget))
            cells->setValue(value);
}

void FormView::setEditText(std::string_view name, const std::string& text) {
    for (QWidget* widget : controls(name))
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            edit->setText(qstr(text));
}

void FormView::setGridRow(int row, const std::string& text) {
    for (QWidget* widget : controls("dtc_table")) {
        auto* table = qobject_cast<QTableWidget*>(widget);
        if (table && row >= 1 && row < table->rowCount())
            setTroubleCodeRow(table, row, qstr(text));
    }
}

void FormView::setCaption(std::string_view name, const std::string& text) {
    const QString caption = qstr(text);
    if (qstr(name) == m_form.objectName()) {
        m_form.setWindowTitle(caption);
        return;
    }
    for (QWidget* widget : controls(name))
        setCaptionOf(widget, caption);
}

void FormView::setHint(std::string_view name, const std::string& text) {
    for (QWidget* widget : controls(name))
        widget->setToolTip(qstr(text));
}

void FormView::setListSelection(std::string_view name, int index) {
    for (QWidget* widget : controls(name))
        if (auto* list = qobject_cast<RadioGroup*>(widget))
            list->setItemIndex(index);
}

}  // namespace tvx::ui
