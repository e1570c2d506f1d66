#include "ui/work_frames.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/radio_group.h"

namespace tvx::ui {
namespace {

QFrame* newFrame(const QString& name, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setProperty("workFrame", true);
    return frame;
}

// The frame's controls in a row, HORIZONTAL and VERTICAL from its edges, SPACING apart.
QHBoxLayout* rowLayout(QFrame* frame, int horizontal, int vertical, int spacing = -1) {
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(horizontal, vertical, horizontal, vertical);
    layout->setSpacing(spacing);
    return layout;
}

constexpr int kGridRows = 7;
constexpr int kGridColumnWidth = 597;
constexpr int kGridRowHeight = 26;
// Room below the rows for the three code rows to take a second line each.
constexpr int kGridWrapRoom = 3 * 18;

}  // namespace

QStringList petrolModels() {
    return {"KA 1.3i",         "FIESTA  1.4i",        "FUSION 1.4i",   "FIESTA  1.6i",
            "FUSION 1.6i",     "FOCUS  1.6i",         "MONDEO 2.0i",   "FOCUS cmax 1.6i",
            "FOCUS vct  1.6i", "FOCUS cmax vct 1.6i", "FOCUS ghia 1.6"};
}

QStringList dieselModels() {
    return {"FUSION 1.4 TDCI", "FIESTA  1.4 TDCI", "FOCUS cmax 1.6 TDCI",
            "FOCUS 1.6 TDCI",  "FOCUS 1.8 TDCI",   "TRANSIT connect 1.8 TDCI",
            "TRANSIT ",        "MONDEO 2.0 TDCI"};
}

QFrame* buildPictureFrame(const QString& name, const QString& jpegPath, QWidget* parent) {
    QFrame* frame = newFrame(name, parent);
    auto* picture = new QLabel(frame);
    picture->setObjectName(name + QStringLiteral("_picture"));
    picture->setAlignment(Qt::AlignCenter);
    // Named format: the JPEG reader (libjpeg) decodes it, whatever the file is called.
    QImage image;
    if (!jpegPath.isEmpty()) {
        QImageReader reader(jpegPath, "jpeg");
        image = reader.read();
    }
    if (image.isNull()) {
        picture->setText(QStringLiteral("Tarvolinex"));
        picture->setProperty("missingPicture", true);
    } else {
        picture->setPixmap(QPixmap::fromImage(image));
    }
    auto* layout = rowLayout(frame, 0, 0);
    layout->addWidget(picture);
    return frame;
}

QFrame* buildVehicleFrame(QWidget* parent) {
    QFrame* frame = newFrame(QStringLiteral("Frame31"), parent);
    auto* layout = rowLayout(frame, 24, 8, 24);
    layout->addWidget(new RadioGroup("PG1", "Gasoline", petrolModels(), 1, frame));
    layout->addWidget(new RadioGroup("DG1", "Diesel", dieselModels(), 1, frame));
    return frame;
}

QFrame* buildSettingsFrame(QWidget* parent) {
    QFrame* frame = newFrame(QStringLiteral("Frame41"), parent);
    auto* layout = rowLayout(frame, 40, 30, 40);
    QStringList ports;
    for (int i = 1; i <= 8; ++i)
        ports << QStringLiteral("COM%1").arg(i);
    layout->addWidget(new RadioGroup("RGCom", "Setting COM", ports, 2, frame), 3);
    auto* language = new RadioGroup("Language", "Language", {"English", "Turk\u0131sh"}, 1, frame);
    language->setItemIndex(0);
    // Under the language: the shared history's settings (a dialog of the window's own).
    auto* column = new QVBoxLayout;
    column->addWidget(language, 1);
    auto* shared = new QPushButton(QStringLiteral("Shared history"), frame);
    shared->setObjectName(QStringLiteral("syncSettings"));
    shared->setFocusPolicy(Qt::NoFocus);
    column->addWidget(shared);
    layout->addLayout(column, 2);
    return frame;
}

QFrame* buildTroubleCodeFrame(QWidget* parent) {
    QFrame* frame = newFrame(QStringLiteral("Frame111"), parent);
    auto* table = new QTableWidget(kGridRows, 1, frame);
    table->setObjectName(QStringLiteral("dtc_table"));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setColumnWidth(0, kGridColumnWidth);
    for (int row = 0; row < kGridRows; ++row) {
        table->setRowHeight(row, kGridRowHeight);
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        table->setItem(row, 0, item);
    }
    // Row 0 is the fixed header row of the grid.
    table->item(0, 0)->setData(Qt::UserRole, true);
    table->item(0, 0)->setBackground(QColor(0x34, 0x38, 0x3f));
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    font.setPointSize(10);
    table->setFont(font);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setWordWrap(true);
    const int frameWidth = 2 * table->frameWidth();
    table->setFixedSize(kGridColumnWidth + frameWidth, kGridRows * kGridRowHeight + frameWidth);
    auto* layout = rowLayout(frame, 4, 4);
    layout->addWidget(table, 0, Qt::AlignCenter);
    return frame;
}

void setTroubleCodeRow(QTableWidget* table, int row, const QString& text) {
    table->item(row, 0)->setText(text);
    table->resizeRowToContents(row);
    // The view's own estimate can come out a line short (seen with the fonts Windows falls
    // back to for Verdana): the height of the text wrapped in the cell counts too.
    const int margin =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    const QRect wrapped = QFontMetrics(table->font())
                              .boundingRect(QRect(0, 0, table->columnWidth(0) - margin, 10000),
                                            Qt::TextWordWrap, text);
    table->setRowHeight(row,
                        std::max({table->rowHeight(row), wrapped.height() + 4, kGridRowHeight}));
    // The grid grows with its rows, as far as the room left for wrapped ones.
    int height = 2 * table->frameWidth();
    for (int r = 0; r < table->rowCount(); ++r)
        height += table->rowHeight(r);
    const int most = kGridRows * kGridRowHeight + kGridWrapRoom + 2 * table->frameWidth();
    table->setFixedHeight(std::min(height, most));
}

QFrame* buildEmptyFrame(const QString& name, QWidget* parent) {
    return newFrame(name, parent);
}

}  // namespace tvx::ui
