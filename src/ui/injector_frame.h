#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace tvx::ui {

// One injector panel (`Panel1`..`Panel4`): a label and the 16-digit code line. A click on
// the panel, its label or its code line selects that injector.
class InjectorPanel : public QFrame {
    Q_OBJECT

public:
    using QFrame::QFrame;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// `Frame91`: the four injector panels, each with its edit box (`E1`, `e2`..`e4`) and OK
// button (`OK1`, `ok2`..`ok4`). Panel 1 is at the top.
struct InjectorFrame {
    QFrame* frame = nullptr;
    std::array<InjectorPanel*, 4> panels{};
    std::array<QLineEdit*, 4> edits{};
    std::array<QPushButton*, 4> okButtons{};
    std::array<QLabel*, 4> codesBefore{};  // `before1`..`before4`: the code before editing
};

InjectorFrame buildInjectorFrame(QWidget* parent);

}  // namespace tvx::ui
