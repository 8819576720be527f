#include "host/ui/WindowPositions.h"

namespace orvane {

namespace {

class NoWindowPositions final : public WindowPositionSource {
public:
    bool ContentOrigin(DialogRef, Point&) override { return false; }
};

NoWindowPositions gNoPositions;
WindowPositionSource* gSource = &gNoPositions;

} // namespace

WindowPositionSource& CurrentWindowPositions() {
    return *gSource;
}

ScopedWindowPositions::ScopedWindowPositions(WindowPositionSource& source) : previous_(gSource) {
    gSource = &source;
}
ScopedWindowPositions::~ScopedWindowPositions() {
    gSource = previous_;
}

bool FixedWindowPositions::ContentOrigin(DialogRef dialog, Point& origin) {
    const auto found = origins_.find(dialog);
    if (found == origins_.end())
        return false;
    origin = found->second;
    return true;
}

} // namespace orvane
