#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

namespace tvx::ui {

// A captioned list of exclusive choices laid out in columns, whose selection can also be
// "none" (item index -1), as the tester's port, language and vehicle lists need.
class RadioGroup : public QGroupBox {
    Q_OBJECT

public:
    RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
               QWidget* parent);

    int itemIndex() const;
    // Checks item index (0-based); -1 or an index out of range clears the selection.
    void setItemIndex(int index);
    int count() const { return static_cast<int>(m_group.buttons().size()); }
    QRadioButton* item(int index) const;

signals:
    // The operator clicked item index (not emitted by setItemIndex).
    void itemClicked(int index);

private:
    QButtonGroup m_group;
};

}  // namespace tvx::ui
