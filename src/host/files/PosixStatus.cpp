#include "host/files/PosixStatus.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

OSErr StatusFromErrno(int error) {
    switch (error) {
    case 0:
        return noErr;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return fnfErr;
    case EACCES:
    case EPERM:
        return permErr;
    case EROFS:
        return wPrErr;
    case EEXIST:
        return dupFNErr;
    case ENOTEMPTY:
    case EBUSY:
    case ETXTBSY:
        return fBsyErr;
    case ENAMETOOLONG:
        return bdNamErr;
    case ENOMEM:
        return memFullErr;
    case EMFILE:
    case ENFILE:
        return tmfoErr;
    case ENOSPC:
    case EDQUOT:
        return dskFulErr;
    default:
        return ioErr;
    }
}

OSErr ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, size_t maxSize) {
    out.clear();
    // Non-blocking open, so that a FIFO in the file's place cannot hang the program.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return StatusFromErrno(errno);
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        int error = errno;
        close(fd);
        return StatusFromErrno(error);
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return S_ISDIR(st.st_mode) ? OSErr{dupFNErr} : OSErr{kNotAPlainFileCode};
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        close(fd);
        return ioErr;
    }
    out.reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            close(fd);
            out.clear();
            return StatusFromErrno(error);
        }
        if (got == 0)
            break;
        if (out.size() + static_cast<size_t>(got) > maxSize) {
            close(fd);
            out.clear();
            return ioErr;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
    close(fd);
    return noErr;
}

OSErr WriteAllToDescriptor(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t put = write(fd, data, length);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return StatusFromErrno(errno);
        }
        data += put;
        length -= static_cast<size_t>(put);
    }
    return noErr;
}

void SplitPath(const std::string& path, std::string& dir, std::string& name) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    std::string trimmed = path.substr(0, end);
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        name = trimmed;
    } else if (slash == 0) {
        dir = "/";
        name = trimmed.substr(1);
    } else {
        dir = trimmed.substr(0, slash);
        name = trimmed.substr(slash + 1);
    }
}

} // namespace orvane
