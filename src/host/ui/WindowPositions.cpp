#include "host/ui/WindowPositions.h"

namespace orvane {

bool FixedWindowPositions::ContentOrigin(DialogRef dialog, Point& origin) {
    const auto found = origins_.find(dialog);
    if (found == origins_.end())
        return false;
    origin = found->second;
    return true;
}

} // namespace orvane
