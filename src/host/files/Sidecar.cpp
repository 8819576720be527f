#include "host/files/Sidecar.h"

#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"

#include <cerrno>
#include <unistd.h>

namespace orvane {

namespace {
// A resource fork holds at most 16 MB; allow generous room for the other entries.
constexpr size_t kMaxSidecarSize = size_t{64} << 20;
} // namespace

std::string SidecarPath(const std::string& filePath) {
    std::string dir, name;
    SplitPath(filePath, dir, name);
    if (dir == "/")
        return "/._" + name;
    return dir + "/._" + name;
}

OSErr ReadSidecar(const std::string& filePath, AppleDoubleImage& out) {
    out = AppleDoubleImage{};
    std::vector<uint8_t> bytes;
    OSErr err = ReadWholeFile(SidecarPath(filePath), bytes, kMaxSidecarSize);
    if (err == fnfErr)
        return noErr;
    if (err != noErr)
        return err;
    if (bytes.empty())
        return noErr;
    if (ParseAppleDouble(bytes, out) != noErr) {
        out = AppleDoubleImage{};
        return mapReadErr;
    }
    return noErr;
}

OSErr WriteSidecar(const std::string& filePath, const AppleDoubleImage& image) {
    std::vector<uint8_t> bytes = SerializeAppleDouble(image);
    return ReplaceFileContents(SidecarPath(filePath), bytes);
}

OSErr DeleteSidecar(const std::string& filePath) {
    if (unlink(SidecarPath(filePath).c_str()) != 0 && errno != ENOENT)
        return StatusFromErrno(errno);
    return noErr;
}

} // namespace orvane
