// A temporary root for tests of resource files: locations in it, new resource files, the
// fork as it is on disk, and no file left open for the next test; and one resource of any
// file's sidecar, for the tests of the floors above.
#pragma once

#include "base/TempRoot.h"
#include "host/files/HostPaths.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/ResourceManager.h"
#include "host/resources/Sidecar.h"

#include <cstring>

namespace orvane::testing {

// One resource of a file's resource fork (its sidecar); nullopt when there is none.
inline std::optional<std::vector<uint8_t>> SidecarResource(const std::string& path, ResType type,
                                                           int16_t id) {
    AppleDoubleImage sidecar;
    ResourceForkImage fork;
    if (ReadSidecar(path, sidecar) == noErr &&
        ParseResourceFork(sidecar.resourceFork, fork) == noErr)
        for (const ResourceEntry& entry : fork.entries)
            if (entry.type == type && entry.id == id)
                return entry.data;
    return std::nullopt;
}

class ResourceFileTest : public TempRoot {
protected:
    void TearDown() override {
        while (CurResFile() != 0)
            CloseResFile(CurResFile());
        TempRoot::TearDown();
    }
    FSSpec Spec(const std::string& name) const {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(Path(name), spec), noErr) << name;
        return spec;
    }
    // A data file with an empty resource fork of type 'pref' and creator 'Hvtk'.
    FSSpec NewResFile(const std::string& name) {
        FSpCreateResFile(Spec(name), MakeFourCC("Hvtk"), MakeFourCC("pref"), 0);
        EXPECT_EQ(ResError(), noErr);
        return Spec(name);
    }
    ResourceForkImage ForkOnDisk(const std::string& name) const {
        AppleDoubleImage sidecar;
        EXPECT_EQ(ReadSidecar(Path(name), sidecar), noErr);
        ResourceForkImage fork;
        EXPECT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        return fork;
    }
    static Handle NewHandleWith(const std::vector<uint8_t>& bytes) {
        Handle handle = MyNewHandleClear(static_cast<uint32_t>(bytes.size()));
        if (handle && !bytes.empty())
            std::memcpy(HandleData(handle), bytes.data(), bytes.size());
        return handle;
    }
};

} // namespace orvane::testing
