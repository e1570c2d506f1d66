#pragma once

#include <QFrame>
#include <QString>
#include <QTableWidget>

namespace tvx::ui {

class RadioGroup;

// The panels of the work area, all placed at the same spot of the window. Each builder
// gives the frame its form name and every control on it its name.

// A frame that shows a picture (the start panel `Frame21`), decoded from a JPEG file.
QFrame* buildPictureFrame(const QString& name, const QString& jpegPath, QWidget* parent);
// `Frame31`: the vehicle lists `PG1` (petrol) and `DG1` (diesel).
QFrame* buildVehicleFrame(QWidget* parent);
// `Frame41`: the port list `RGCom`, the language list `Language` and the button of the
// shared history's settings `syncSettings`.
QFrame* buildSettingsFrame(QWidget* parent);
// `Frame111`: the trouble-code grid `dtc_table`.
QFrame* buildTroubleCodeFrame(QWidget* parent);
// Writes a row of the grid; a description too long for the column wraps onto a second line
// of that row instead of being cut short.
void setTroubleCodeRow(QTableWidget* table, int row, const QString& text);
// An empty black frame (`Frame101`, `Frame121`).
QFrame* buildEmptyFrame(const QString& name, QWidget* parent);

// The vehicle names in list order.
QStringList petrolModels();
QStringList dieselModels();

}  // namespace tvx::ui
