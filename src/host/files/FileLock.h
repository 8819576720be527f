// An exclusive lock on a file for as long as the object lives, so that two processes that
// read, check and write the same file take turns instead of interleaving. Advisory: only
// writers that take the lock are held back, which all of this program's writers of that
// file do. The file itself is never replaced while locked (the lock is on its inode).
#pragma once

#include "base/Types.h"

#include <string>

namespace orvane {

class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits for the lock on the regular file at `path` (a symbolic link is refused with
    // permErr, a missing file is fnfErr).
    [[nodiscard]] OSErr Lock(const std::string& path);
    void Unlock();

private:
    int fd_ = -1;
};

// The same for a folder: writers that replace files of one folder together take turns on
// the folder itself, so the lock survives the replacement of any file in it. Anyone who
// may read the folder may take the lock, so a writer running with more rights than its
// caller gives up after `waitMilliseconds` (negative: waits as long as it takes).
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Opens the folder at `path` and waits for the lock: permErr for a symbolic link in its
    // place, fnfErr for a missing folder, fBsyErr when the wait ran out.
    [[nodiscard]] OSErr Lock(const std::string& path, int waitMilliseconds = -1);
    // The same on a folder the caller has opened (O_RDONLY | O_DIRECTORY); the descriptor
    // belongs to this object from now on, whatever the outcome.
    [[nodiscard]] OSErr LockDescriptor(int folderFd, int waitMilliseconds = -1);
    void Unlock();

    // The locked folder's descriptor, -1 when not locked.
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace orvane
