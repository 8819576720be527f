#include "support/FileHelpers.h"

#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/resources/Sidecar.h"
#include "host/resources/ResourceManager.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

// Deeper trees are left partly in place rather than holding more descriptors open.
constexpr int kMaxFolderDepth = 128;

// Resolves a three-value location to a path; bdNamErr for a name that does not fit an
// FSSpec.
OSErr PathForLocation(int16_t vRefNum, int32_t parID, ConstStringPtr name, std::string& path) {
    if (!name)
        return paramErr;
    if (name[0] > kMaxFileNameLength)
        return bdNamErr;
    FSSpec spec{};
    spec.vRefNum = vRefNum;
    spec.parID = parID;
    std::memcpy(spec.name, name, size_t{name[0]} + 1);
    return HostPathForFSSpec(spec, path);
}

// noErr when `path` is an existing regular file (a symbolic link to one counts).
OSErr ExistingFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return StatusFromErrno(errno);
    return S_ISDIR(st.st_mode) ? OSErr{dupFNErr} : OSErr{noErr};
}

// Deletes everything inside the open folder `dirFd` that can be deleted, without ever
// following a symbolic link or leaving the file system `device`.
void EmptyFolder(int dirFd, dev_t device, int depth) {
    int listFd = dup(dirFd);
    if (listFd < 0)
        return;
    DIR* listing = fdopendir(listFd);
    if (!listing) {
        close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(listing);

    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            unlinkat(dirFd, name.c_str(), 0); // a symbolic link goes as a link
            continue;
        }
        if (st.st_dev != device || depth >= kMaxFolderDepth)
            continue;
        int child = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0)
            continue;
        // The entry may have been swapped since it was examined.
        struct stat opened {};
        if (fstat(child, &opened) == 0 && opened.st_dev == st.st_dev &&
            opened.st_ino == st.st_ino) {
            EmptyFolder(child, device, depth + 1);
            close(child);
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            close(child);
        }
    }
}

} // namespace

OSErr FindNamedFile(int16_t vRefNum, int32_t parID, ConstStringPtr name) {
    if (!name || name[0] == 0)
        return fnfErr;
    std::string path;
    if (OSErr err = PathForLocation(vRefNum, parID, name, path); err != noErr)
        return err;
    return ExistingFile(path);
}

OSErr FindNamedFile(const FSSpec& spec) {
    return FindNamedFile(spec.vRefNum, spec.parID, spec.name);
}

OSErr MyOnlyCreateFile(int16_t vRefNum, int32_t parID, ConstStringPtr name) {
    std::string path;
    if (OSErr err = PathForLocation(vRefNum, parID, name, path); err != noErr)
        return err;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return StatusFromErrno(errno);
    close(fd);
    // A new file starts without type, creator or resource fork.
    DeleteSidecar(path);
    return noErr;
}

OSErr MyOnlyCreateFile(const FSSpec& spec) {
    return MyOnlyCreateFile(spec.vRefNum, spec.parID, spec.name);
}

OSErr MyDeleteFile(int16_t vRefNum, int32_t parID, ConstStringPtr name) {
    std::string path;
    if (OSErr err = PathForLocation(vRefNum, parID, name, path); err != noErr)
        return err;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return StatusFromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return dupFNErr;
    if (unlink(path.c_str()) != 0)
        return StatusFromErrno(errno);
    return DeleteSidecar(path);
}

OSErr MyDeleteFile(const FSSpec& spec) {
    return MyDeleteFile(spec.vRefNum, spec.parID, spec.name);
}

OSErr MySetFileTypeAndCreator(int16_t vRefNum, int32_t parID, ConstStringPtr name, OSType type,
                              OSType creator) {
    std::string path;
    if (OSErr err = PathForLocation(vRefNum, parID, name, path); err != noErr)
        return err;
    if (OSErr err = ExistingFile(path); err != noErr)
        return err == dupFNErr ? OSErr{fnfErr} : err;
    AppleDoubleImage image;
    if (OSErr err = ReadSidecar(path, image); err != noErr)
        return err;
    AppleDoubleSetTypeAndCreator(image, type, creator);
    return WriteSidecar(path, image);
}

OSErr MySetFileTypeAndCreator(const FSSpec& spec, OSType type, OSType creator) {
    return MySetFileTypeAndCreator(spec.vRefNum, spec.parID, spec.name, type, creator);
}

OSErr MyGetFileTypeAndCreator(const FSSpec& spec, OSType* type, OSType* creator) {
    OSType foundType = 0, foundCreator = 0;
    std::string path;
    OSErr err = PathForLocation(spec.vRefNum, spec.parID, spec.name, path);
    if (err == noErr) {
        err = ExistingFile(path);
        if (err == dupFNErr)
            err = fnfErr;
    }
    AppleDoubleImage image;
    if (err == noErr)
        err = ReadSidecar(path, image);
    if (err == noErr) {
        foundType = AppleDoubleFileType(image);
        foundCreator = AppleDoubleFileCreator(image);
    }
    if (type)
        *type = foundType;
    if (creator)
        *creator = foundCreator;
    return err;
}

OSErr MyCreateResFile(int16_t vRefNum, int32_t parID, ConstStringPtr name) {
    if (!name)
        return paramErr;
    if (name[0] > kMaxFileNameLength)
        return bdNamErr;
    HCreateResFile(vRefNum, parID, name);
    return ResError();
}

OSErr MyCreateResFile(const FSSpec& spec) {
    return MyCreateResFile(spec.vRefNum, spec.parID, spec.name);
}

OSErr TheFileHasResourceFork(const FSSpec& spec, uint8_t* hasFork) {
    if (!hasFork)
        return paramErr;
    *hasFork = 0;
    std::string path;
    if (OSErr err = PathForLocation(spec.vRefNum, spec.parID, spec.name, path); err != noErr)
        return err;
    if (OSErr err = ExistingFile(path); err != noErr)
        return err == dupFNErr ? OSErr{fnfErr} : err;
    AppleDoubleImage image;
    if (OSErr err = ReadSidecar(path, image); err != noErr)
        return err;
    *hasFork = image.hasResourceFork && !image.resourceFork.empty() ? 1 : 0;
    return noErr;
}

OSErr MyOpenResFile(int16_t vRefNum, int32_t parID, ConstStringPtr name, int16_t* refNum) {
    return MyOpenResFileWithPermission(vRefNum, parID, name, fsRdWrPerm, refNum);
}

OSErr MyOpenResFileWithPermission(int16_t vRefNum, int32_t parID, ConstStringPtr name,
                                  int8_t permission, int16_t* refNum) {
    if (!name || !refNum)
        return paramErr;
    if (name[0] > kMaxFileNameLength)
        return bdNamErr;
    FSSpec spec{};
    spec.vRefNum = vRefNum;
    spec.parID = parID;
    std::memcpy(spec.name, name, size_t{name[0]} + 1);
    int16_t opened = FSpOpenResFile(spec, permission);
    if (OSErr err = ResError(); err != noErr)
        return err;
    if (opened <= 0)
        return openErr;
    *refNum = opened;
    return noErr;
}

OSErr FileRefNumToFileLocation(int16_t refNum, FSSpec* spec, uint8_t* isDataFork) {
    if (!spec)
        return paramErr;
    bool dataFork = false;
    if (OSErr err = FileRefLocation(refNum, *spec, dataFork); err != noErr)
        return err;
    if (isDataFork)
        *isDataFork = dataFork ? 1 : 0;
    return noErr;
}

OSErr MyCreateFolder(int16_t vRefNum, int32_t parID, ConstStringPtr name, int32_t* newFolderID) {
    if (!newFolderID)
        return paramErr;
    *newFolderID = 0;
    std::string path;
    if (OSErr err = PathForLocation(vRefNum, parID, name, path); err != noErr)
        return err;

    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            return dupFNErr; // a file, or a link that is never followed for deletion
        int32_t existingID = 0;
        if (OSErr err = HostFolderIDForPath(path, existingID); err != noErr)
            return err;
        OSErr err = MyDeleteDirectory(vRefNum, existingID);
        if (err == fBsyErr) {
            *newFolderID = existingID;
            return noErr;
        }
        if (err != noErr)
            return err;
    } else if (errno != ENOENT) {
        return StatusFromErrno(errno);
    }

    if (mkdir(path.c_str(), 0777) != 0)
        return StatusFromErrno(errno);
    return HostFolderIDForPath(path, *newFolderID);
}

OSErr MyCreateFolder(const FSSpec& spec, int32_t* newFolderID) {
    return MyCreateFolder(spec.vRefNum, spec.parID, spec.name, newFolderID);
}

OSErr MyDeleteDirectory(int16_t vRefNum, int32_t folderID) {
    if (vRefNum != kHostVolumeRefNum)
        return fnfErr;
    std::string dir;
    if (OSErr err = HostPathForFolderID(folderID, dir); err != noErr)
        return err;
    std::string parent, name;
    SplitPath(dir, parent, name);
    if (dir == "/" || name.empty())
        return permErr; // never the root

    int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return StatusFromErrno(errno);
    int folderFd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0) {
        int error = errno;
        close(parentFd);
        return error == ELOOP ? OSErr{fnfErr} : StatusFromErrno(error);
    }
    struct stat st {};
    if (fstat(folderFd, &st) == 0)
        EmptyFolder(folderFd, st.st_dev, 0);
    close(folderFd);
    OSErr err = noErr;
    if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0)
        err = errno == EEXIST ? OSErr{fBsyErr} : StatusFromErrno(errno);
    close(parentFd);
    return err;
}

} // namespace orvane
