// Window positions: where the core finds a window's content origin (for the preferences'
// 'WPOS' records) and where a window goes when it opens again, kept on a visible screen.
#pragma once

#include "core/State.h"
#include "host/ui/WindowPositions.h"

#include <QPoint>
#include <QRect>

#include <cstdint>

class QWidget;

namespace orvane {

class QtWindowPositions final : public WindowPositionSource {
public:
    bool ContentOrigin(DialogRef dialog, Point& origin) override;
};

// `wanted` (the content's top-left) moved so that a window of `size` lies on one of the
// screens' available areas: on the screen that holds most of it, else the primary one.
QPoint ClampToScreens(QPoint wanted, QSize size);

// Before a window is shown: its recorded position (GetSavedDialog), clamped; the window
// stays where the system puts it when none is recorded.
void PlaceAtSavedPosition(GlueRec* glue, QWidget* window, int16_t dialogID);

} // namespace orvane
