#pragma once

#include "platform/grid/twips.h"

#include <QFont>
#include <QWidget>
#include <algorithm>

namespace corvane::platform {

// Places a widget at a design position and size given in twips, relative to
// its parent; a negative size counts as 0.
inline void setGeometryInTwips(QWidget* widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), std::max(0, twipsToPixels(width)),
        std::max(0, twipsToPixels(height)));
}

// A design font: the forms give 8.25 points for their small text.
inline QFont designFont(const QString& family, bool bold = false, double points = 8.25)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace corvane::platform
