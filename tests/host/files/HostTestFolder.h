// The temporary root of base/TempRoot.h with a "work" folder and locations in it, kept for
// the PPD tests until they use TempRoot directly.
#pragma once

#include "base/PStringView.h"
#include "base/TempRoot.h"
#include "host/files/HostPaths.h"

namespace orvane::testing {

class HostFolderTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        MakeFolder(work());
    }
    std::string work() const { return Path("work"); }
    std::string WorkPath(const std::string& name) const { return work() + "/" + name; }
    // The location of `path` (its parent must exist).
    static FSSpec SpecFor(const std::string& path) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr) << path;
        return spec;
    }
    // A location in the work folder with a raw name (any length, any bytes).
    FSSpec WorkSpecNamed(const std::string& name) const {
        FSSpec spec{};
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(work(), id), noErr);
        spec.vRefNum = kHostVolumeRefNum;
        spec.parID = id;
        PStrFromView(spec.name, name, 63);
        return spec;
    }
};

} // namespace orvane::testing
