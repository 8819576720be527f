#include "host/files/FileTable.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

struct OpenFile {
    bool dataFork = true;
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    bool hasSpec = false;
    FSSpec spec{};
    std::string path;
};

std::mutex gTableMutex;
std::map<int16_t, OpenFile> gTable;
int16_t gLastRef = 0;

// Hands out the next free positive reference number; 0 when all are taken.
int16_t AddEntry(OpenFile entry) {
    if (gTable.size() >= static_cast<size_t>(INT16_MAX))
        return 0;
    int16_t ref = gLastRef;
    do {
        ref = ref == INT16_MAX ? 1 : static_cast<int16_t>(ref + 1);
    } while (gTable.count(ref));
    gLastRef = ref;
    gTable.emplace(ref, std::move(entry));
    return ref;
}

OpenFile* FindDataFork(int16_t ref) {
    auto found = gTable.find(ref);
    if (found == gTable.end() || !found->second.dataFork)
        return nullptr;
    return &found->second;
}

// File offsets are 32-bit: a longer file cannot be addressed.
OSErr FileLength(int fd, int32_t& length) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return StatusFromErrno(errno);
    if (st.st_size > INT32_MAX)
        return ioErr;
    length = static_cast<int32_t>(st.st_size);
    return noErr;
}

OSErr Mark(int fd, int32_t& position) {
    off_t here = lseek(fd, 0, SEEK_CUR);
    if (here < 0)
        return StatusFromErrno(errno);
    if (here > INT32_MAX)
        return ioErr;
    position = static_cast<int32_t>(here);
    return noErr;
}

} // namespace

OSErr FSpOpenDF(const FSSpec& spec, int8_t permission, int16_t* refNum) {
    if (!refNum)
        return paramErr;
    *refNum = 0;
    if (permission < fsCurPerm || permission > fsRdWrPerm)
        return paramErr;
    std::string path;
    if (OSErr err = HostPathForFSSpec(spec, path); err != noErr)
        return err;

    static const int kFlags[] = {O_RDWR, O_RDONLY, O_WRONLY, O_RDWR};
    int flags = kFlags[permission];
    int fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && permission == fsCurPerm && (errno == EACCES || errno == EROFS)) {
        flags = O_RDONLY;
        fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0)
        return errno == EISDIR ? OSErr{fnfErr} : StatusFromErrno(errno);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        // A fifo or device given as a file is no file to read; saying so beats a hang.
        return S_ISDIR(st.st_mode) ? OSErr{fnfErr} : OSErr{kNotAPlainFileCode};
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    OpenFile entry;
    entry.fd = fd;
    entry.canRead = flags != O_WRONLY;
    entry.canWrite = flags != O_RDONLY;
    entry.hasSpec = true;
    entry.spec = spec;
    entry.path = std::move(path);
    std::lock_guard<std::mutex> guard(gTableMutex);
    int16_t ref = AddEntry(std::move(entry));
    if (ref == 0) {
        close(fd);
        return tmfoErr;
    }
    *refNum = ref;
    return noErr;
}

OSErr FSClose(int16_t refNum) {
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    int status = close(file->fd);
    gTable.erase(refNum);
    return status == 0 ? noErr : ioErr;
}

OSErr FSRead(int16_t refNum, int32_t* count, void* buffer) {
    if (!count)
        return paramErr;
    int32_t want = *count;
    *count = 0;
    if (want < 0 || (want > 0 && !buffer))
        return paramErr;
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    if (!file->canRead)
        return permErr;
    auto* dest = static_cast<uint8_t*>(buffer);
    int32_t done = 0;
    while (done < want) {
        ssize_t got = read(file->fd, dest + done, static_cast<size_t>(want - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *count = done;
            return StatusFromErrno(errno);
        }
        if (got == 0)
            break;
        done += static_cast<int32_t>(got);
    }
    *count = done;
    return done < want ? eofErr : noErr;
}

OSErr FSWrite(int16_t refNum, int32_t* count, const void* buffer) {
    if (!count)
        return paramErr;
    int32_t want = *count;
    *count = 0;
    if (want < 0 || (want > 0 && !buffer))
        return paramErr;
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    if (!file->canWrite)
        return wrPermErr;
    int32_t position = 0;
    if (OSErr err = Mark(file->fd, position); err != noErr)
        return err;
    if (want > INT32_MAX - position)
        return ioErr;
    const auto* source = static_cast<const uint8_t*>(buffer);
    int32_t done = 0;
    while (done < want) {
        ssize_t put = write(file->fd, source + done, static_cast<size_t>(want - done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            *count = done;
            return StatusFromErrno(errno);
        }
        done += static_cast<int32_t>(put);
    }
    *count = done;
    return noErr;
}

OSErr GetEOF(int16_t refNum, int32_t* logicalEOF) {
    if (!logicalEOF)
        return paramErr;
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    return FileLength(file->fd, *logicalEOF);
}

OSErr SetEOF(int16_t refNum, int32_t logicalEOF) {
    if (logicalEOF < 0)
        return paramErr;
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    if (!file->canWrite)
        return wrPermErr;
    if (ftruncate(file->fd, logicalEOF) != 0)
        return StatusFromErrno(errno);
    int32_t position = 0;
    if (OSErr err = Mark(file->fd, position); err != noErr)
        return err;
    if (position > logicalEOF && lseek(file->fd, logicalEOF, SEEK_SET) < 0)
        return StatusFromErrno(errno);
    return noErr;
}

OSErr GetFPos(int16_t refNum, int32_t* position) {
    if (!position)
        return paramErr;
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    return Mark(file->fd, *position);
}

OSErr SetFPos(int16_t refNum, int16_t positionMode, int32_t offset) {
    std::lock_guard<std::mutex> guard(gTableMutex);
    OpenFile* file = FindDataFork(refNum);
    if (!file)
        return rfNumErr;
    int32_t length = 0, mark = 0;
    if (OSErr err = FileLength(file->fd, length); err != noErr)
        return err;
    if (OSErr err = Mark(file->fd, mark); err != noErr)
        return err;
    int64_t target = 0;
    switch (positionMode) {
    case fsAtMark:
        return noErr;
    case fsFromStart:
        target = offset;
        break;
    case fsFromLEOF:
        target = int64_t{length} + offset;
        break;
    case fsFromMark:
        target = int64_t{mark} + offset;
        break;
    default:
        return paramErr;
    }
    if (target < 0)
        return posErr;
    OSErr result = noErr;
    if (target > length) {
        target = length;
        result = eofErr;
    }
    if (lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0)
        return StatusFromErrno(errno);
    return result;
}

OSErr FileRefLocation(int16_t refNum, FSSpec& spec, bool& isDataFork) {
    std::string path;
    {
        std::lock_guard<std::mutex> guard(gTableMutex);
        auto found = gTable.find(refNum);
        if (found == gTable.end())
            return rfNumErr;
        isDataFork = found->second.dataFork;
        if (found->second.hasSpec) {
            spec = found->second.spec;
            return noErr;
        }
        path = found->second.path;
    }
    return HostFSSpecForPath(path, spec);
}

OSErr FileRefPath(int16_t refNum, std::string& path) {
    std::lock_guard<std::mutex> guard(gTableMutex);
    auto found = gTable.find(refNum);
    if (found == gTable.end())
        return rfNumErr;
    path = found->second.path;
    return noErr;
}

int16_t RegisterResourceFileRef(const FSSpec& spec) {
    OpenFile entry;
    entry.dataFork = false;
    entry.hasSpec = true;
    entry.spec = spec;
    HostPathForFSSpec(spec, entry.path);
    std::lock_guard<std::mutex> guard(gTableMutex);
    return AddEntry(std::move(entry));
}

int16_t RegisterResourceFileRef(const std::string& path) {
    OpenFile entry;
    entry.dataFork = false;
    entry.path = path;
    std::lock_guard<std::mutex> guard(gTableMutex);
    return AddEntry(std::move(entry));
}

OSErr UnregisterFileRef(int16_t refNum) {
    std::lock_guard<std::mutex> guard(gTableMutex);
    auto found = gTable.find(refNum);
    if (found == gTable.end() || found->second.dataFork)
        return rfNumErr;
    gTable.erase(found);
    return noErr;
}

} // namespace orvane
