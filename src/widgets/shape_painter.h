#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include "widgets/shape.h"

namespace tvx::widgets {

struct Inks {
    QColor background;
    QColor on;
    QColor off;
};

// Paints a control face off-screen: the background, then every shape of the plan, without
// outlines or antialiasing so pixels land exactly where the geometry puts them.
QImage paintPlan(QSize size, const ShapePlan& plan, const Inks& inks);

}  // namespace tvx::widgets
