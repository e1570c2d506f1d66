#include "ui/injector_frame.h"

#include <QLabel>
#include <QMouseEvent>

#include "ui/tester_style.h"
#include "widgets/color_code.h"
#include "widgets/dot_matrix.h"

namespace tvx::ui {
namespace {

// Names as on the form; the panels' captions follow the injectors' places in the engine,
// not the slot numbers.
constexpr std::array kPanelNames{"Panel1", "Panel2", "Panel3", "Panel4"};
constexpr std::array kLabelNames{"label1", "Label2", "Label3", "Label4"};
constexpr std::array kLabelTexts{"Injector 1", "Injector 3", "Injector 4", "Injector 2"};
constexpr std::array kCodeNames{"edis1", "edis2", "edis3", "edis4"};
constexpr std::array kEditNames{"E1", "e2", "e3", "e4"};
constexpr std::array kOkNames{"OK1", "ok2", "ok3", "ok4"};
constexpr std::array kBeforeNames{"before1", "before2", "before3", "before4"};

// A code line of 16 cells 29 pixels wide: dots of 3 at a pitch of 5, so neighbouring dots
// stay apart and the digits read clearly.
constexpr int kCodeDigits = 16;
constexpr int kCodeWidth = kCodeDigits * 29;
constexpr int kCodeHeight = 40;
constexpr int kLabelLeft = 10;
constexpr int kLabelWidth = 86;
constexpr int kRowHeight = 56;
constexpr int kPanelLeft = 6;
constexpr int kPanelWidth = kLabelLeft + kLabelWidth + kCodeWidth + 5;
constexpr int kPanelHeight = 50;

}  // namespace

void InjectorPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QFrame::mousePressEvent(event);
}

InjectorFrame buildInjectorFrame(QWidget* parent) {
    InjectorFrame result;
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("Frame91"));
    frame->setProperty("workFrame", true);
    result.frame = frame;

    for (int i = 0; i < 4; ++i) {
        const int y = 12 + i * kRowHeight;
        auto* panel = new InjectorPanel(frame);
        panel->setObjectName(QString::fromLatin1(kPanelNames[i]));
        panel->setProperty("injectorPanel", true);
        panel->setAutoFillBackground(true);
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, widgets::colorFromCode(kRed));
        panel->setPalette(palette);
        panel->setGeometry(kPanelLeft, y, kPanelWidth, kPanelHeight);

        auto* label = new QLabel(QString::fromLatin1(kLabelTexts[i]), panel);
        label->setObjectName(QString::fromLatin1(kLabelNames[i]));
        label->setGeometry(kLabelLeft, 0, kLabelWidth, kPanelHeight);

        auto* code = new widgets::TDotMatrix5x7(panel);
        code->setObjectName(QString::fromLatin1(kCodeNames[i]));
        code->setNumberOfDigits(kCodeDigits);
        code->setThickness(3);
        code->setHorzSpace(4);
        code->setVertSpace(i == 2 ? 3 : 2);
        code->setColor(kBlack);
        code->setOnColor(kWhite);
        code->setOffColor(kUnlit);
        code->setValue(QStringLiteral("0"));
        code->setGeometry(kLabelLeft + kLabelWidth, (kPanelHeight - kCodeHeight) / 2, kCodeWidth,
                          kCodeHeight);

        const int right = kPanelLeft + kPanelWidth;
        auto* edit = new QLineEdit(frame);
        edit->setObjectName(QString::fromLatin1(kEditNames[i]));
        edit->setGeometry(right + 8, y + 11, 128, 28);

        auto* ok = new QPushButton(QStringLiteral("OK"), frame);
        ok->setObjectName(QString::fromLatin1(kOkNames[i]));
        ok->setFocusPolicy(Qt::NoFocus);
        ok->setGeometry(right + 140, y + 9, 38, 32);

        // Under the edit box, the code the unit held before it was edited.
        auto* before = new QLabel(frame);
        before->setObjectName(QString::fromLatin1(kBeforeNames[i]));
        before->setProperty("codeBefore", true);
        before->setGeometry(right + 8, y + 40, 170, 16);
        before->hide();
        result.codesBefore[i] = before;

        result.panels[i] = panel;
        result.edits[i] = edit;
        result.okButtons[i] = ok;
    }
    return result;
}

}  // namespace tvx::ui
