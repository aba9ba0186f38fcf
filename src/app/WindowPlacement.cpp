#include "WindowPlacement.h"

namespace optara {

namespace {

const QSize preferredSize(1200, 860);
const QSize leastSize(800, 600);
// Far enough that the window behind keeps its controls in view.
const int cascadeStep = 32;

} // namespace

WindowPlacement WindowPlacement::on(const QRect& available, const QRect& previous)
{
    // A screen too small for the least size sets the floor one step inside its area,
    // so that a second window can still be told from the first.
    const QSize room = available.size() - QSize(cascadeStep, cascadeStep);
    const QSize minimum(available.width() >= leastSize.width() ? leastSize.width() : room.width(),
                        available.height() >= leastSize.height() ? leastSize.height() : room.height());
    const QSize size = preferredSize.boundedTo(available.size());
    if (previous.isNull()) {
        QRect geometry(QPoint(), size);
        geometry.moveCenter(available.center());
        return {geometry, minimum};
    }
    // Cascade, shrinking at the area's far edges; back to its corner once too small.
    const QPoint at = previous.topLeft() + QPoint(cascadeStep, cascadeStep);
    const QSize fitted =
        size.boundedTo(QSize(available.right() + 1 - at.x(), available.bottom() + 1 - at.y()));
    if (available.contains(at) && fitted.width() >= minimum.width() && fitted.height() >= minimum.height())
        return {QRect(at, fitted), minimum};
    return {QRect(available.topLeft(), size), minimum};
}

} // namespace optara
