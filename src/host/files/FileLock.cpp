#include "host/files/FileLock.h"

#include "host/files/PosixStatus.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {

FileLock::~FileLock() {
    Unlock();
}

OSErr FileLock::Lock(const std::string& path) {
    Unlock();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? OSErr{permErr} : StatusFromErrno(errno);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const OSErr err = StatusFromErrno(errno);
            ::close(fd);
            return err;
        }
    }
    fd_ = fd;
    return noErr;
}

void FileLock::Unlock() {
    if (fd_ >= 0) {
        ::close(fd_); // closing releases the lock
        fd_ = -1;
    }
}

FolderLock::~FolderLock() {
    Unlock();
}

OSErr FolderLock::Lock(const std::string& path, int waitMilliseconds) {
    Unlock();
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? OSErr{permErr} : StatusFromErrno(errno);
    return LockDescriptor(fd, waitMilliseconds);
}

OSErr FolderLock::LockDescriptor(int folderFd, int waitMilliseconds) {
    Unlock();
    if (folderFd < 0)
        return paramErr;
    // Polling, so that a limited wait needs neither signals nor threads.
    const int operation = waitMilliseconds < 0 ? LOCK_EX : LOCK_EX | LOCK_NB;
    int waited = 0;
    while (::flock(folderFd, operation) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK || waited >= waitMilliseconds) {
            ::close(folderFd);
            return error == EWOULDBLOCK ? OSErr{fBsyErr} : StatusFromErrno(error);
        }
        const timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        waited += 10;
    }
    fd_ = folderFd;
    return noErr;
}

void FolderLock::Unlock() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace orvane
