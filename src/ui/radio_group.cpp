#include "ui/radio_group.h"

#include <QGridLayout>
#include <algorithm>

namespace tvx::ui {

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent), m_group(this) {
    setObjectName(name);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 6, 10, 6);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(2);
    const int cols = std::max(1, columns);
    const int rows = (static_cast<int>(items.size()) + cols - 1) / cols;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("%1_%2").arg(name).arg(i));
        button->setFocusPolicy(Qt::NoFocus);
        m_group.addButton(button, i);
        grid->addWidget(button, i % rows, i / rows);  // filled column by column
    }
    connect(&m_group, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

int RadioGroup::itemIndex() const {
    return m_group.checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton* button = m_group.button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last button; lift that for a moment.
    m_group.setExclusive(false);
    for (QAbstractButton* button : m_group.buttons())
        button->setChecked(false);
    m_group.setExclusive(true);
}

QRadioButton* RadioGroup::item(int index) const {
    return qobject_cast<QRadioButton*>(m_group.button(index));
}

}  // namespace tvx::ui
