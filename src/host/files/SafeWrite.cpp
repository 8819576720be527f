#include "host/files/SafeWrite.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

// Injected failures (tests only). Bytes of new contents written while a ScopedWriteFailure
// is alive count against its budget across calls; the failure happens once, so that a
// caller's own recovery (putting back another file it wrote first) can be observed.
struct FailurePlan {
    bool active = false;
    bool fired = false;
    size_t budget = 0;
    bool failRestore = false;
    OSErr status = ioErr;
};
FailurePlan gFailure;
std::vector<std::string> gUnwritableFolders;
std::mutex gSeamMutex;

enum class WriteKind { NewContents, Restore };

// Writes `bytes` at the descriptor's offset, honouring an injected failure.
OSErr WriteWithSeam(int fd, std::span<const uint8_t> bytes, WriteKind kind) {
    size_t allowed = bytes.size();
    OSErr injected = noErr;
    {
        std::lock_guard<std::mutex> guard(gSeamMutex);
        if (gFailure.active && !(gFailure.fired && kind == WriteKind::NewContents)) {
            if (kind == WriteKind::Restore) {
                if (gFailure.failRestore) {
                    allowed = 0;
                    injected = gFailure.status;
                }
            } else if (bytes.size() > gFailure.budget) {
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

bool FolderMarkedUnwritable(const std::string& dir) {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    if (gUnwritableFolders.empty())
        return false;
    char* real = realpath(dir.c_str(), nullptr);
    std::string resolved = real ? real : dir;
    std::free(real);
    return std::find(gUnwritableFolders.begin(), gUnwritableFolders.end(), resolved) !=
           gUnwritableFolders.end();
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

// Outcome of trying the rename path: done (with a status), or not possible here.
enum class RenameOutcome { Done, FolderNotWritable, OwnerNotKept };

RenameOutcome ReplaceByRename(const std::string& dir, const std::string& name,
                              const std::string& target, const struct stat* old,
                              std::span<const uint8_t> bytes, OSErr& status) {
    std::string temp = dir + "/." + name.substr(0, 100) + ".orvane-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            return RenameOutcome::FolderNotWritable;
        status = StatusFromErrno(errno);
        return RenameOutcome::Done;
    }
    auto discard = [&] {
        close(fd);
        unlink(temp.c_str());
    };

    // Keep the old file's owner, group and mode; when the owner cannot be kept the file
    // must not silently change hands, so it is rewritten in place instead.
    mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    if (old) {
        struct stat mine {};
        if (fstat(fd, &mine) != 0) {
            status = StatusFromErrno(errno);
            discard();
            return RenameOutcome::Done;
        }
        if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) &&
            fchown(fd, old->st_uid, old->st_gid) != 0) {
            discard();
            return RenameOutcome::OwnerNotKept;
        }
    }
    if (fchmod(fd, mode) != 0) {
        status = StatusFromErrno(errno);
        discard();
        return RenameOutcome::Done;
    }

    status = WriteWithSeam(fd, bytes, WriteKind::NewContents);
    if (status == noErr && fsync(fd) != 0)
        status = ioErr;
    if (status != noErr) {
        discard();
        return RenameOutcome::Done;
    }
    if (close(fd) != 0) {
        unlink(temp.c_str());
        status = ioErr;
        return RenameOutcome::Done;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        status = StatusFromErrno(errno);
        unlink(temp.c_str());
        return RenameOutcome::Done;
    }
    SyncFolder(dir);
    status = noErr;
    return RenameOutcome::Done;
}

// Puts `bytes` at offset 0 and cuts the file to their length, then flushes.
OSErr OverwriteDescriptor(int fd, std::span<const uint8_t> bytes, WriteKind kind) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        return StatusFromErrno(errno);
    if (OSErr err = WriteWithSeam(fd, bytes, kind); err != noErr)
        return err;
    if (ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        return StatusFromErrno(errno);
    if (fsync(fd) != 0)
        return ioErr;
    return noErr;
}

OSErr WriteBackup(const std::string& name, std::span<const uint8_t> bytes, std::string& path) {
    std::string folder = HostCacheFolderPath() + "/orvane/backups";
    if (OSErr err = HostCreateFolders(folder, 0700); err != noErr)
        return err;
    path = folder + "/" + name.substr(0, 100) + ".XXXXXX";
    int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        path.clear();
        return StatusFromErrno(errno);
    }
    OSErr err = WriteAllToDescriptor(fd, bytes.data(), bytes.size());
    if (err == noErr && fsync(fd) != 0)
        err = ioErr;
    if (close(fd) != 0 && err == noErr)
        err = ioErr;
    if (err != noErr) {
        unlink(path.c_str());
        path.clear();
    }
    return err;
}

OSErr ReplaceInPlace(const std::string& target, const std::string& name,
                     std::span<const uint8_t> bytes, SafeWriteReport* report) {
    int fd = open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return StatusFromErrno(errno);
    std::vector<uint8_t> old;
    OSErr err = ReadWholeFile(target, old);
    std::string backup;
    if (err == noErr)
        err = WriteBackup(name, old, backup);
    if (err != noErr) {
        close(fd);
        return err; // nothing has been changed yet
    }
    if (report)
        report->wroteInPlace = true;

    err = OverwriteDescriptor(fd, bytes, WriteKind::NewContents);
    if (err != noErr && OverwriteDescriptor(fd, old, WriteKind::Restore) != noErr) {
        close(fd);
        if (report)
            report->backupPath = backup;
        return restoreFailedErr;
    }
    if (close(fd) != 0 && err == noErr)
        err = ioErr;
    unlink(backup.c_str());
    return err;
}

} // namespace

ScopedWriteFailure::ScopedWriteFailure(size_t bytesBeforeFailure, bool failRestoreToo,
                                       OSErr status) {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gFailure = FailurePlan{};
    gFailure.active = true;
    gFailure.budget = bytesBeforeFailure;
    gFailure.failRestore = failRestoreToo;
    gFailure.status = status;
}

ScopedWriteFailure::~ScopedWriteFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gFailure = FailurePlan{};
}

ScopedUnwritableFolder::ScopedUnwritableFolder(std::string folder) {
    char* real = realpath(folder.c_str(), nullptr);
    std::string resolved = real ? real : folder;
    std::free(real);
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gUnwritableFolders.push_back(std::move(resolved));
}

ScopedUnwritableFolder::~ScopedUnwritableFolder() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gUnwritableFolders.pop_back();
}

OSErr ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                          SafeWriteReport* report) {
    if (report)
        *report = SafeWriteReport{};
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

    bool exists = stat(target.c_str(), &st) == 0;
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

    // Several hard links would be split apart by a rename.
    bool inPlace = exists && st.st_nlink > 1;
    if (!inPlace && !FolderMarkedUnwritable(dir)) {
        OSErr status = noErr;
        switch (ReplaceByRename(dir, name, target, exists ? &st : nullptr, bytes, status)) {
        case RenameOutcome::Done:
            return status;
        case RenameOutcome::FolderNotWritable:
        case RenameOutcome::OwnerNotKept:
            break;
        }
    }
    if (!exists)
        return permErr;
    return ReplaceInPlace(target, name, bytes, report);
}

} // namespace orvane
