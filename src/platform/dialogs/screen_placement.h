#pragma once

#include <QRect>
#include <algorithm>

namespace corvane::platform {

// The rectangle moved as little as it takes to lie whole inside the area
// (a screen's free part, say); one larger than the area keeps its top-left
// corner in it.
inline QRect keptInside(QRect rect, const QRect& area)
{
    rect.moveLeft(
        std::clamp(rect.left(), area.left(), std::max(area.left(), area.right() + 1 - rect.width())));
    rect.moveTop(std::clamp(rect.top(), area.top(), std::max(area.top(), area.bottom() + 1 - rect.height())));
    return rect;
}

} // namespace corvane::platform
