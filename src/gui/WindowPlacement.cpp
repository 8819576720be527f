#include "gui/WindowPlacement.h"

#include "gui/DialogWindow.h"
#include "store/Preferences.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace orvane {

bool QtWindowPositions::ContentOrigin(DialogRef dialog, Point& origin) {
    QWidget* window = dialog ? dialog->Window() : nullptr;
    if (!window)
        return false;
    const QPoint topLeft = window->geometry().topLeft();
    origin.v = static_cast<int16_t>(std::clamp(topLeft.y(), -32768, 32767));
    origin.h = static_cast<int16_t>(std::clamp(topLeft.x(), -32768, 32767));
    return true;
}

QPoint ClampToScreens(QPoint wanted, QSize size) {
    const QRect window(wanted, size);
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(window);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best)
        best = QGuiApplication::primaryScreen();
    if (!best)
        return wanted;
    const QRect area = best->availableGeometry();
    // A window larger than the screen keeps its top-left corner (and title) visible.
    const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

void PlaceAtSavedPosition(GlueRec* glue, QWidget* window, int16_t dialogID) {
    const Point saved = GetSavedDialog(glue, dialogID);
    if (saved.v == kNoWindowPosition.v && saved.h == kNoWindowPosition.h)
        return;
    const QSize size = window->size().expandedTo(window->sizeHint());
    window->setGeometry(QRect(ClampToScreens(QPoint(saved.h, saved.v), size), size));
}

} // namespace orvane
