#include "ui/records_style.h"

namespace tvx::ui {

QString recordsStyleSheet() {
    return QStringLiteral(R"(
QDialog#recordsDialog { background: #2b2f35; }
QDialog#recordsDialog QLabel, QDialog#recordsDialog QCheckBox { color: #e6e6e6; }
QLineEdit, QPlainTextEdit, QComboBox {
    background: #1b1d21;
    color: #f0f0f0;
    border: 1px solid #4a4f57;
    border-radius: 4px;
    padding: 2px 4px;
    selection-background-color: #3d6fb4;
}
QComboBox QAbstractItemView { background: #1b1d21; color: #f0f0f0; }
QTableWidget {
    background: #1b1d21;
    alternate-background-color: #23262b;
    color: #e6e6e6;
    gridline-color: #3a3e45;
    border: 1px solid #4a4f57;
    selection-background-color: #3d6fb4;
    selection-color: #ffffff;
}
QHeaderView::section {
    background: #3c4149;
    color: #f2f2f2;
    border: none;
    border-right: 1px solid #2b2f35;
    padding: 3px 6px;
    font-weight: bold;
}
QTextBrowser#visitDetails { background: #ffffff; color: #000000; border: 1px solid #4a4f57; }
QLabel#recordsStatus { color: #7dff8a; font-weight: bold; }
QLineEdit:focus, QPlainTextEdit:focus, QComboBox:focus, QTableWidget:focus,
QTextBrowser:focus, QPushButton:focus { border: 2px solid #7dff8a; }
QPushButton:disabled { color: #8a8f96; }
QSplitter::handle { background: #3c4149; }
)");
}

}  // namespace tvx::ui
