#include "host/resources/Sidecar.h"

#include "host/resources/ResourceForkFormat.h"

#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"

#include <algorithm>
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

OSErr SidecarWithResource(std::span<const uint8_t> oldSidecar, ResType type, int16_t id,
                          std::span<const uint8_t> data, std::vector<uint8_t>& out) {
    AppleDoubleImage image;
    if (!oldSidecar.empty() && ParseAppleDouble(oldSidecar, image) != noErr)
        return mapReadErr;
    ResourceForkImage fork;
    if (!image.resourceFork.empty() && ParseResourceFork(image.resourceFork, fork) != noErr)
        return mapReadErr;
    auto entry = std::find_if(fork.entries.begin(), fork.entries.end(),
                              [&](const ResourceEntry& e) { return e.type == type && e.id == id; });
    if (entry == fork.entries.end()) {
        fork.entries.push_back(ResourceEntry{type, id, 0, false, {}, {}});
        entry = fork.entries.end() - 1;
    }
    entry->data.assign(data.begin(), data.end());
    std::vector<uint8_t> forkBytes;
    if (OSErr err = SerializeResourceFork(fork, forkBytes); err != noErr)
        return err;
    image.hasResourceFork = true;
    image.resourceFork = std::move(forkBytes);
    out = SerializeAppleDouble(image);
    return noErr;
}

OSErr DeleteSidecar(const std::string& filePath) {
    if (unlink(SidecarPath(filePath).c_str()) != 0 && errno != ENOENT)
        return StatusFromErrno(errno);
    return noErr;
}

} // namespace orvane
