#include "host/resources/Sidecar.h"

#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {
// A resource fork holds at most 16 MB; allow generous room for the other entries.
constexpr size_t kMaxSidecarSize = size_t{64} << 20;

// A sidecar is a plain file or nothing. A symbolic link in its place (which anyone who may
// write in a shared printer folder could plant) is never read or written through.
OSErr CheckSidecarItem(const std::string& sidecar) {
    struct stat st {};
    if (lstat(sidecar.c_str(), &st) != 0)
        return errno == ENOENT ? OSErr{noErr} : StatusFromErrno(errno);
    return S_ISREG(st.st_mode) ? OSErr{noErr} : OSErr{permErr};
}

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
    const std::string sidecar = SidecarPath(filePath);
    if (OSErr err = CheckSidecarItem(sidecar); err != noErr)
        return err;
    std::vector<uint8_t> bytes;
    OSErr err = ReadWholeFile(sidecar, bytes, kMaxSidecarSize);
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
    const std::string sidecar = SidecarPath(filePath);
    if (OSErr err = CheckSidecarItem(sidecar); err != noErr)
        return err;
    std::vector<uint8_t> bytes = SerializeAppleDouble(image);
    return ReplaceFileContents(sidecar, bytes);
}

OSErr DeleteSidecar(const std::string& filePath) {
    if (unlink(SidecarPath(filePath).c_str()) != 0 && errno != ENOENT)
        return StatusFromErrno(errno);
    return noErr;
}

} // namespace orvane
