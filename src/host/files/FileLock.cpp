#include "host/files/FileLock.h"

#include "host/files/PosixStatus.h"

#include <cerrno>
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

} // namespace orvane
