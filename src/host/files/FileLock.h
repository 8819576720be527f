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

} // namespace orvane
