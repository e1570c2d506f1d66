#include "ui/tester_style.h"

namespace tvx::ui {

QString testerStyleSheet() {
    return QStringLiteral(R"(
#TForm1 {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3b4048, stop:1 #22252a);
}
#displayBezel {
    background: #000000;
    border: 3px solid #101214;
    border-radius: 10px;
}
#workArea {
    background: #000000;
    border: 2px solid #101214;
    border-radius: 8px;
}
QFrame[workFrame="true"] { background: #000000; }
QLabel[missingPicture="true"] { color: #7dff8a; font-size: 28pt; font-weight: bold; }
QFrame[gaugePanel="true"] {
    background: #000000;
    border: 1px solid #2c2f34;
    border-radius: 4px;
}
QFrame[gaugePanel="true"] QLabel {
    color: #b9bec6;
    border: none;
    font-size: 8pt;
    font-weight: bold;
}
QPushButton {
    color: #f2f2f2;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #626873, stop:1 #3c4149);
    border: 1px solid #121417;
    border-radius: 7px;
    font-weight: bold;
    padding: 2px 4px;
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #727985, stop:1 #484e57); }
QPushButton:pressed { background: #2a2e33; }
QPushButton:disabled { color: #80858d; background: #34383e; border-color: #2a2d31; }
QPushButton[okKey="true"]:enabled {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3f9c52, stop:1 #236634);
}
QPushButton[backKey="true"]:enabled {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #b9862c, stop:1 #7a5515);
}
QPushButton[exitKey="true"] {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #a8403a, stop:1 #6b221e);
}
QPushButton[moduleKey="true"]:checked {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f8f45, stop:1 #1b5428);
    border: 1px solid #74ff8f;
}
QGroupBox {
    color: #7dff8a;
    border: 1px solid #2b5a31;
    border-radius: 6px;
    margin-top: 14px;
    font-weight: bold;
}
QGroupBox::title { subcontrol-origin: margin; left: 12px; padding: 0 4px; }
QRadioButton { color: #e4e6ea; spacing: 6px; }
QRadioButton:checked { color: #7dff8a; }
QRadioButton::indicator {
    width: 10px;
    height: 10px;
    border-radius: 7px;
    border: 2px solid #8d939c;
    background: #101214;
}
QRadioButton::indicator:checked { background: #7dff8a; border-color: #7dff8a; }
QRadioButton::indicator:disabled { border-color: #4a4f56; }
QTableWidget#dtc_table {
    background: #000000;
    color: #ffd23f;
    gridline-color: #30343a;
    border: 1px solid #30343a;
}
QLineEdit {
    background: #101214;
    color: #ffffff;
    border: 1px solid #5a6069;
    border-radius: 4px;
    font-family: monospace;
    font-size: 9pt;
    padding: 0 3px;
}
QLineEdit:focus { border-color: #74ff8f; }
QFrame[injectorPanel="true"] QLabel { color: #ffffff; font-weight: bold; }
QToolTip { color: #000000; background: #ffffe1; border: 1px solid #767676; }
QLabel[codeBefore="true"] { color: #b9bec6; font-family: monospace; font-size: 8pt; }
QLabel[recordNotice="true"] { color: #ff6b6b; font-size: 8pt; }
QLabel[syncStatus="true"] { color: #b9bec6; font-size: 8pt; }
QFrame[trendFrame="true"] { background: transparent; }
#chartArea {
    background: #000000;
    border: 2px solid #101214;
    border-radius: 8px;
}
#replayBar {
    background: #3a0b0b;
    border: 2px solid #ff3030;
    border-radius: 6px;
}
#replayMark { color: #ff3030; font-size: 14pt; font-weight: bold; padding: 0 10px; }
#replayPosition { color: #d5d9df; font-weight: bold; }
#trendStatus { color: #d5d9df; font-weight: bold; font-size: 8pt; }
#chartEnded { color: #ffd166; font-weight: bold; }
#windowNote {
    color: #ffd166;
    background: #1a1c1f;
    border: 1px solid #5a4a1a;
    padding: 2px 6px;
}
#chartCursor { color: #d5d9df; font-size: 8pt; }
QPushButton[trendKey="true"] { padding: 2px 10px; }
QPushButton[chartKey="true"] { padding: 1px 8px; font-size: 8pt; }
QPushButton[trendKey="true"]:checked {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f8f45, stop:1 #1b5428);
    border: 1px solid #74ff8f;
}
QPushButton#recordLive:checked {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #d02a2a, stop:1 #7d1010);
    border: 1px solid #ff9a9a;
}
QSlider::groove:horizontal { height: 6px; background: #101214; border: 1px solid #5a6069; border-radius: 3px; }
QSlider::handle:horizontal { width: 12px; margin: -5px 0; background: #ff3030; border-radius: 6px; }
)");
}

}  // namespace tvx::ui
