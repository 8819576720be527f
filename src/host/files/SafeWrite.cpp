#include "host/files/SafeWrite.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// Injected failures (tests only). Bytes of new contents written while a ScopedWriteFailure
// is alive count against its budget across calls; the failure happens once.
struct FailurePlan {
    bool active = false;
    bool fired = false;
    size_t budget = 0;
    OSErr status = ioErr;
};
FailurePlan gFailure;
bool gSyncFails = false;
std::mutex gSeamMutex;

OSErr WriteWithSeam(int fd, std::span<const uint8_t> bytes) {
    size_t allowed = bytes.size();
    OSErr injected = noErr;
    {
        std::lock_guard<std::mutex> guard(gSeamMutex);
        if (gFailure.active && !gFailure.fired) {
            if (bytes.size() > gFailure.budget) {
                allowed = gFailure.budget;
                gFailure.budget = 0;
                gFailure.fired = true;
                injected = gFailure.status;
            } else {
                gFailure.budget -= bytes.size();
            }
        }
    }
    if (OSErr err = WriteAllToDescriptor(fd, bytes.data(), allowed); err != noErr)
        return err;
    return injected;
}

// A file renamed into place unflushed may be empty after a crash.
bool SyncFails(int fd) {
    {
        std::lock_guard<std::mutex> guard(gSeamMutex);
        if (gSyncFails)
            return true;
    }
    return fsync(fd) != 0;
}

mode_t CurrentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

void SyncFolder(const std::string& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd); // best effort: the rename is already visible
        close(fd);
    }
}

// The temporary file of a replacement of `name`, without its six random characters.
std::string TemporaryPrefix(const std::string& name) {
    return "." + name.substr(0, 100) + ".orvane-";
}

OSErr ReplaceByRename(const std::string& dir, const std::string& name, const std::string& target,
                      const struct stat* old, std::span<const uint8_t> bytes) {
    std::string temp = dir + "/" + TemporaryPrefix(name) + "XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno == EROFS ? OSErr{permErr} : StatusFromErrno(errno);
    auto discard = [&](OSErr status) {
        close(fd);
        unlink(temp.c_str());
        return status;
    };

    // Keep the old file's owner, group and mode; a file that would silently change hands
    // is left alone.
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    if (old) {
        struct stat mine {};
        if (fstat(fd, &mine) != 0)
            return discard(StatusFromErrno(errno));
        if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) &&
            fchown(fd, old->st_uid, old->st_gid) != 0)
            return discard(permErr);
    }
    if (fchmod(fd, mode) != 0)
        return discard(StatusFromErrno(errno));
    OSErr status = WriteWithSeam(fd, bytes);
    if (status == noErr && SyncFails(fd))
        status = ioErr;
    if (status != noErr)
        return discard(status);
    if (close(fd) != 0) {
        unlink(temp.c_str());
        return ioErr;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        status = StatusFromErrno(errno);
        unlink(temp.c_str());
        return status;
    }
    SyncFolder(dir);
    return noErr;
}

} // namespace

int RemoveLeftoverTemporaries(const std::string& path) {
    std::string dir, name;
    SplitPath(path, dir, name);
    DIR* folder = name.empty() ? nullptr : opendir(dir.c_str());
    if (!folder)
        return 0;
    const std::string prefix = TemporaryPrefix(name);
    int removed = 0;
    while (const dirent* entry = readdir(folder)) {
        const std::string_view found = entry->d_name;
        if (found.size() != prefix.size() + 6 || !found.starts_with(prefix) ||
            !std::all_of(found.begin() + prefix.size(), found.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        struct stat st {};
        if (fstatat(dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
            unlinkat(dirfd(folder), entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(folder);
    return removed;
}

ScopedWriteFailure::ScopedWriteFailure(size_t bytesBeforeFailure, OSErr status) {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gFailure = FailurePlan{};
    gFailure.active = true;
    gFailure.budget = bytesBeforeFailure;
    gFailure.status = status;
}

ScopedWriteFailure::~ScopedWriteFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gFailure = FailurePlan{};
}

ScopedSyncFailure::ScopedSyncFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gSyncFails = true;
}

ScopedSyncFailure::~ScopedSyncFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gSyncFails = false;
}

OSErr ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes) {
    if (path.empty())
        return paramErr;
    // Replace what a symbolic link points to, never the link itself.
    std::string target = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(path.c_str(), nullptr);
        if (!real)
            return fnfErr;
        target = real;
        std::free(real);
    }
    std::string dir, name;
    SplitPath(target, dir, name);
    if (name.empty())
        return paramErr;

    const bool exists = stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return StatusFromErrno(errno);
    if (exists && !S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? dupFNErr : permErr;
    // A file protected against writing stays protected, even in a writable folder.
    if (exists && access(target.c_str(), W_OK) != 0)
        return StatusFromErrno(errno);
    struct stat folder {};
    if (stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return fnfErr;
    return ReplaceByRename(dir, name, target, exists ? &st : nullptr, bytes);
}

} // namespace orvane
