#include "host/files/SafeWrite.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
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
bool gSyncFails = false;
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

// Flushes the temporary file of a replacement to disk; true when that fails (or a
// ScopedSyncFailure says it does): a file renamed into place unflushed may be empty after a
// crash.
bool SyncFails(int fd) {
    {
        std::lock_guard<std::mutex> guard(gSeamMutex);
        if (gSyncFails)
            return true;
    }
    return fsync(fd) != 0;
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
    if (status == noErr && SyncFails(fd))
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

std::string BackupFolderPath() {
    return HostCacheFolderPath() + "/orvane/backups";
}

constexpr const char kJournalSuffix[] = ".pending";

// The journal of an in-place write: "<backup>.pending" names the file being rewritten and
// stays locked while the write runs. A journal that nobody holds belongs to a write that
// was interrupted (the process was killed), and its backup holds the complete old bytes.
class InPlaceJournal {
public:
    ~InPlaceJournal() {
        if (fd_ >= 0)
            close(fd_);
    }
    // Holds the target's path, then its device and inode numbers on a line of their own.
    OSErr Open(const std::string& backup, const std::string& target, const struct stat& st) {
        path_ = backup + kJournalSuffix;
        fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0)
            return StatusFromErrno(errno);
        const std::string text =
            target + "\n" + std::to_string(st.st_dev) + " " + std::to_string(st.st_ino) + "\n";
        OSErr err = flock(fd_, LOCK_EX) == 0 ? OSErr{noErr} : StatusFromErrno(errno);
        if (err == noErr)
            err = WriteAllToDescriptor(fd_, reinterpret_cast<const uint8_t*>(text.data()),
                                       text.size());
        if (err == noErr && fsync(fd_) != 0)
            err = ioErr;
        if (err == noErr)
            SyncFolder(BackupFolderPath());
        if (err != noErr)
            Finish();
        return err;
    }
    // The write is over (done or undone): the journal goes, then its lock.
    void Finish() {
        if (fd_ < 0)
            return;
        unlink(path_.c_str());
        close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    std::string path_;
};

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
    InPlaceJournal journal;
    struct stat targetStat {};
    if (err == noErr && fstat(fd, &targetStat) != 0)
        err = StatusFromErrno(errno);
    if (err == noErr) {
        err = journal.Open(backup, target, targetStat);
        if (err != noErr)
            unlink(backup.c_str());
    }
    if (err != noErr) {
        close(fd);
        return err; // nothing has been changed yet
    }
    if (report)
        report->wroteInPlace = true;

    err = OverwriteDescriptor(fd, bytes, WriteKind::NewContents);
    if (err != noErr && OverwriteDescriptor(fd, old, WriteKind::Restore) != noErr) {
        // The journal stays, so that a later RecoverInterruptedWrites tries again.
        close(fd);
        if (report)
            report->backupPath = backup;
        return restoreFailedErr;
    }
    if (close(fd) != 0 && err == noErr)
        err = ioErr;
    journal.Finish();
    unlink(backup.c_str());
    return err;
}

// A file of the backup folder the program may trust: a plain file (not a link) of the
// user the program runs as, writable by nobody else.
bool OwnPrivateFile(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 022) == 0;
}

OSErr ReadDescriptor(int fd, std::vector<uint8_t>& out) {
    out.clear();
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return StatusFromErrno(errno);
        if (got == 0)
            return noErr;
        out.insert(out.end(), chunk, chunk + got);
    }
}

// How long after its journal was written an interrupted file may last have been changed:
// the in-place write itself takes far less. A later change was someone else's, and the
// old bytes must not overwrite it.
constexpr time_t kInterruptedWriteWindow = 60;

// Puts the backup of one interrupted in-place write back; true when the journal is dealt
// with (restored, or found stale and dropped).
bool RecoverOne(const std::string& journalPath) {
    const int lock = open(journalPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (lock < 0)
        return false;
    struct stat journalStat {};
    // A journal still locked belongs to a write that is running now; one the program did
    // not write itself is never acted on.
    if (!OwnPrivateFile(lock) || fstat(lock, &journalStat) != 0 ||
        flock(lock, LOCK_EX | LOCK_NB) != 0) {
        close(lock);
        return false;
    }
    std::vector<uint8_t> journal;
    const std::string backup =
        journalPath.substr(0, journalPath.size() - (sizeof kJournalSuffix - 1));
    bool done = false;
    if (ReadDescriptor(lock, journal) == noErr) {
        const std::string text(journal.begin(), journal.end());
        const size_t newline = text.find('\n');
        const std::string target = text.substr(0, newline);
        unsigned long long dev = 0, ino = 0;
        const bool named = newline != std::string::npos && !target.empty() &&
                           std::sscanf(text.c_str() + newline + 1, "%llu %llu", &dev, &ino) == 2;
        const int backupFd = open(backup.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        std::vector<uint8_t> old;
        if (!named) {
            done = true; // not a journal the program writes: drop it
        } else if (backupFd < 0) {
            done = errno == ENOENT; // no backup: the write had finished
        } else if (OwnPrivateFile(backupFd) && ReadDescriptor(backupFd, old) == noErr) {
            const int fd = open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
            struct stat st {};
            if (fd < 0) {
                done = errno == ENOENT; // the file is gone: nothing left to put back
            } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                       static_cast<unsigned long long>(st.st_dev) != dev ||
                       static_cast<unsigned long long>(st.st_ino) != ino ||
                       st.st_mtime > journalStat.st_mtime + kInterruptedWriteWindow) {
                // Another file now, or changed since by someone else: keep it as it is.
                done = true;
            } else {
                done = OverwriteDescriptor(fd, old, WriteKind::Restore) == noErr;
            }
            if (fd >= 0 && close(fd) != 0)
                done = false;
        }
        if (backupFd >= 0)
            close(backupFd);
    }
    if (done) {
        unlink(journalPath.c_str());
        unlink(backup.c_str());
    }
    close(lock);
    return done;
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

ScopedSyncFailure::ScopedSyncFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gSyncFails = true;
}

ScopedSyncFailure::~ScopedSyncFailure() {
    std::lock_guard<std::mutex> guard(gSeamMutex);
    gSyncFails = false;
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

int RecoverInterruptedWrites() {
    const std::string folder = BackupFolderPath();
    // Only a folder of the user the program runs as, closed to others, is trusted.
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
        (st.st_mode & 022) != 0)
        return 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> journals;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const size_t suffix = sizeof kJournalSuffix - 1;
        if (name.size() > suffix && name.compare(name.size() - suffix, suffix, kJournalSuffix) == 0)
            journals.push_back(folder + "/" + name);
    }
    closedir(dir);
    int restored = 0;
    for (const std::string& journal : journals)
        restored += RecoverOne(journal) ? 1 : 0;
    return restored;
}

OSErr ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                          SafeWriteReport* report) {
    if (report)
        *report = SafeWriteReport{};
    if (path.empty())
        return paramErr;
    // A file left torn by an interrupted in-place write gets its old bytes back before
    // anything is written again.
    RecoverInterruptedWrites();

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
