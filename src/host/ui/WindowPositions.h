// Where a dialog window is on the screen, for the positions the preferences file records
// ('WPOS'): the global coordinates of the window's content origin, vertical first. The GUI
// asks its windows; the tests set fixed answers.
#pragma once

#include "host/ui/UiTypes.h"

#include <map>

namespace orvane {

class WindowPositionSource {
public:
    virtual ~WindowPositionSource() = default;
    // False when the position of that window is not known (nothing is then recorded).
    virtual bool ContentOrigin(DialogRef dialog, Point& origin) = 0;
};

// No position is ever known: what the program uses without a front end.
class NoWindowPositions final : public WindowPositionSource {
public:
    bool ContentOrigin(DialogRef, Point&) override { return false; }
};

// Fixed positions per window.
class FixedWindowPositions final : public WindowPositionSource {
public:
    void Set(DialogRef dialog, Point origin) { origins_[dialog] = origin; }
    void Forget(DialogRef dialog) { origins_.erase(dialog); }
    bool ContentOrigin(DialogRef dialog, Point& origin) override;

private:
    std::map<DialogRef, Point> origins_;
};

} // namespace orvane
