#include "host/files/FileCommit.h"

#include "host/files/PosixStatus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace orvane {

namespace {

constexpr std::string_view kStagedMark = ".orvane-new-";
constexpr std::string_view kJournalMark = ".orvane-commit-";
constexpr size_t kSuffixLength = 6;
// Long names are cut in the staged and journal names (the journal says where each goes),
// so that the marks always fit in a file name.
constexpr size_t kNameStemLength = 200;
constexpr size_t kMaxJournalSize = 16384;
constexpr std::string_view kJournalHeader = "orvane-commit 1\n";

// --- Fault injection (tests only) ---------------------------------------------------------

struct FaultPlan {
    bool active = false;
    int step = 0;
    int seen = 0;
    bool fired = false;
    ScopedFileCommitFault::Kind kind = ScopedFileCommitFault::Kind::Fail;
    OSErr status = ioErr;
};
FaultPlan gFault;
std::mutex gFaultMutex;

enum class Injected { None, Fail, Kill };

Injected NextStep(OSErr& status) {
    std::lock_guard<std::mutex> guard(gFaultMutex);
    if (!gFault.active)
        return Injected::None;
    ++gFault.seen;
    if (gFault.fired || gFault.seen != gFault.step)
        return Injected::None;
    gFault.fired = true;
    status = gFault.status;
    return gFault.kind == ScopedFileCommitFault::Kind::Kill ? Injected::Kill : Injected::Fail;
}

// --- Small helpers -------------------------------------------------------------------------

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now and says whether the close succeeded (a late write error shows here).
    bool Close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool IsSuffix(std::string_view tail) {
    return tail.size() == kSuffixLength && std::all_of(tail.begin(), tail.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
}

// ".<stem><mark>XXXXXX" with a stem of at least one byte.
bool HasOwnPattern(std::string_view name, std::string_view mark) {
    const size_t fixed = mark.size() + kSuffixLength;
    if (name.size() < 2 + fixed || name.front() != '.')
        return false;
    const std::string_view tail = name.substr(name.size() - fixed);
    return tail.substr(0, mark.size()) == mark && IsSuffix(tail.substr(mark.size()));
}

bool IsStagedName(std::string_view name) {
    return HasOwnPattern(name, kStagedMark);
}
bool IsJournalName(std::string_view name) {
    return HasOwnPattern(name, kJournalMark);
}

bool IsTargetName(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos &&
           !IsStagedName(name) && !IsJournalName(name);
}

std::string RandomSuffix() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char noise[kSuffixLength] = {};
    if (getrandom(noise, sizeof noise, 0) != static_cast<ssize_t>(sizeof noise)) {
        // No entropy to be had: the name only has to differ from names already there,
        // which the exclusive create checks anyway.
        unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                                  static_cast<unsigned long long>(time(nullptr)) ^
                                  static_cast<unsigned long long>(clock());
        for (unsigned char& byte : noise) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            byte = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string suffix;
    for (unsigned char byte : noise)
        suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return suffix;
}

std::string OwnName(std::string_view target, std::string_view mark) {
    return "." + std::string(target.substr(0, kNameStemLength)) + std::string(mark) +
           RandomSuffix();
}

uint64_t Checksum(std::string_view text) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

using Renames = std::vector<std::pair<std::string, std::string>>; // staged -> target

// The journal's intent: "orvane-commit 1\n", the number of renames, each rename as
// "<len> <len>\n<staged><target>\n" (names may hold any byte), then "end <checksum of
// everything before>\n". The commit line is appended once the staged files are complete.
constexpr std::string_view kCommitLine = "commit\n";

std::string EndLine(std::string_view body) {
    char end[32];
    std::snprintf(end, sizeof end, "end %016llx\n",
                  static_cast<unsigned long long>(Checksum(body)));
    return end;
}

std::string ComposeIntent(const Renames& renames) {
    std::string text(kJournalHeader);
    text += std::to_string(renames.size()) + "\n";
    for (const auto& [staged, target] : renames)
        text += std::to_string(staged.size()) + " " + std::to_string(target.size()) + "\n" +
                staged + target + "\n";
    return text + EndLine(text);
}

bool ReadNumber(std::string_view text, size_t& at, char stop, size_t& value) {
    value = 0;
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6)
        value = value * 10 + static_cast<size_t>(text[at++] - '0');
    return at > start && at < text.size() && text[at++] == stop;
}

enum class JournalState { Torn, Intent, Committed };

// Torn for an intent cut short, damaged, or naming anything but this program's own staged
// files and plain targets of the folder; Committed only with the whole commit line after it.
JournalState ParseJournal(std::string_view text, Renames& renames) {
    renames.clear();
    size_t at = kJournalHeader.size(), count = 0;
    if (!text.starts_with(kJournalHeader) || !ReadNumber(text, at, '\n', count) || count == 0 ||
        count > kMaxCommitFiles)
        return JournalState::Torn;
    for (size_t i = 0; i < count; ++i) {
        size_t stagedLength = 0, targetLength = 0;
        if (!ReadNumber(text, at, ' ', stagedLength) || !ReadNumber(text, at, '\n', targetLength) ||
            text.size() - at < stagedLength + targetLength + 1)
            return JournalState::Torn;
        std::string staged(text.substr(at, stagedLength));
        std::string target(text.substr(at + stagedLength, targetLength));
        at += stagedLength + targetLength;
        if (text[at++] != '\n' || !IsStagedName(staged) || !IsTargetName(target))
            return JournalState::Torn;
        for (const auto& [otherStaged, otherTarget] : renames)
            if (otherStaged == staged || otherTarget == target)
                return JournalState::Torn;
        renames.emplace_back(std::move(staged), std::move(target));
    }
    const std::string end = EndLine(text.substr(0, at));
    if (text.substr(at, end.size()) != end) {
        renames.clear();
        return JournalState::Torn;
    }
    return text.substr(at + end.size()) == kCommitLine ? JournalState::Committed
                                                       : JournalState::Intent;
}

// A name ".<target><mark>XXXXXX" not taken in the folder (the exclusive create checks again).
std::string FreshName(int folderFd, std::string_view target, std::string_view mark) {
    std::string name;
    struct stat st {};
    do
        name = OwnName(target, mark);
    while (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0);
    return name;
}

// The changes one commit or recovery makes to the disk, each of them a step the test seam
// can fail or stop dead at.
class Steps {
public:
    explicit Steps(int folderFd) : dir_(folderFd) {}
    bool Dead() const { return dead_; }

    // A new, empty, private file of that name.
    OSErr Create(const std::string& name, UniqueFd& fd) {
        return Run([&] {
            fd.reset(::openat(dir_, name.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            return fd.get() >= 0;
        });
    }
    OSErr Write(int fd, std::span<const uint8_t> bytes) {
        if (OSErr err = Gate(); err != noErr) {
            if (dead_) // a write cut short by the kill; what it managed to do is of no matter
                (void)WriteAllToDescriptor(fd, bytes.data(), bytes.size() / 2);
            return err;
        }
        return WriteAllToDescriptor(fd, bytes.data(), bytes.size());
    }
    OSErr Sync(int fd) {
        return Run([&] { return ::fsync(fd) == 0; }, ioErr);
    }
    // Some file systems cannot flush a folder; the renames are visible there all the same.
    OSErr SyncFolder() {
        return Run([&] { return ::fsync(dir_) == 0 || errno == EINVAL; }, ioErr);
    }
    OSErr Chown(int fd, uid_t uid, gid_t gid) {
        return Run([&] { return ::fchown(fd, uid, gid) == 0; });
    }
    OSErr Chmod(int fd, mode_t mode) {
        return Run([&] { return ::fchmod(fd, mode) == 0; });
    }
    OSErr Rename(const std::string& from, const std::string& to) {
        return Run([&] { return ::renameat(dir_, from.c_str(), dir_, to.c_str()) == 0; });
    }
    OSErr Unlink(const std::string& name) {
        return Run([&] { return ::unlinkat(dir_, name.c_str(), 0) == 0; });
    }

private:
    // noErr to go on; otherwise the injected status (and the run is dead after a kill).
    OSErr Gate() {
        OSErr status = noErr;
        switch (NextStep(status)) {
        case Injected::None:
            return noErr;
        case Injected::Kill:
            dead_ = true;
            return status;
        case Injected::Fail:
            return status;
        }
        return noErr;
    }
    // The call is made only once the gate has let it through. A failed flush is an I/O
    // error whatever errno says.
    template <typename Call> OSErr Run(Call call, OSErr flushStatus = noErr) {
        if (OSErr err = Gate(); err != noErr)
            return err;
        if (call())
            return noErr;
        return flushStatus != noErr ? flushStatus : StatusFromErrno(errno);
    }

    int dir_;
    bool dead_ = false;
};

// A journal of this program that may be believed: a regular file with one name, of the
// user the program runs as or of root, that nobody else may write.
bool TrustedJournal(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && (st.st_uid == geteuid() || st.st_uid == 0) &&
           (st.st_mode & 022) == 0 && st.st_size <= static_cast<off_t>(kMaxJournalSize);
}

bool ReadJournal(int fd, std::string& text) {
    text.clear();
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text.append(chunk, static_cast<size_t>(got));
        if (text.size() > kMaxJournalSize)
            return false;
    }
}

// This program's journals and staged files in the folder, each list sorted.
OSErr ListOwnFiles(int folderFd, std::vector<std::string>& journals,
                   std::vector<std::string>& staged) {
    const int copy = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0)
        return StatusFromErrno(errno);
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        const int error = errno;
        ::close(copy);
        return StatusFromErrno(error);
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (IsJournalName(name))
            journals.emplace_back(name);
        else if (IsStagedName(name))
            staged.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(journals.begin(), journals.end());
    std::sort(staged.begin(), staged.end());
    return noErr;
}

enum class JournalFate { NotOurs, Removed, Carried, Incomplete };

// Deals with one journal: a committed one is carried out (the staged files still there are
// renamed onto their targets), any other one removed with the staged files it names. `err`
// is the failing step's status: for Incomplete, after a kill, or when a removal failed.
JournalFate DealWith(Steps& steps, int folderFd, const std::string& journal, Renames& renames,
                     FileCommitRecovery& report, OSErr& err) {
    err = noErr;
    UniqueFd fd(
        ::openat(folderFd, journal.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    std::string text;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !TrustedJournal(st))
        return JournalFate::NotOurs;
    const JournalState state =
        ReadJournal(fd.get(), text) ? ParseJournal(text, renames) : JournalState::Torn;
    if (state != JournalState::Committed) {
        // Never committed: the targets were not touched. A torn journal was cut short before
        // any staged file was made; an intent names the files it may have made.
        for (const auto& rename : renames) {
            struct stat stagedStat {};
            if (::fstatat(folderFd, rename.first.c_str(), &stagedStat, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(stagedStat.st_mode))
                continue;
            if ((err = steps.Unlink(rename.first)) != noErr)
                return JournalFate::Removed;
            report.removed.push_back(rename.first);
        }
        if ((err = steps.Unlink(journal)) == noErr)
            report.removed.push_back(journal);
        return JournalFate::Removed;
    }
    for (const auto& [staged, target] : renames) {
        struct stat stagedStat {};
        if (::fstatat(folderFd, staged.c_str(), &stagedStat, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue; // renamed before the interruption
            err = StatusFromErrno(errno);
        } else {
            err = S_ISREG(stagedStat.st_mode) ? steps.Rename(staged, target) : OSErr{permErr};
        }
        if (err != noErr)
            return JournalFate::Incomplete;
    }
    if ((err = steps.SyncFolder()) == noErr && (err = steps.Unlink(journal)) == noErr)
        err = steps.SyncFolder();
    // Once the renames are made the journal only says what is already true.
    return JournalFate::Carried;
}

OSErr Recover(Steps& steps, int folderFd, FileCommitRecovery& report) {
    std::vector<std::string> journals, staged;
    if (OSErr err = ListOwnFiles(folderFd, journals, staged); err != noErr)
        return err;
    OSErr result = noErr;
    std::vector<std::string> keep; // staged files of journals that could not be carried out
    for (const std::string& journal : journals) {
        Renames renames;
        OSErr err = noErr;
        const JournalFate fate = DealWith(steps, folderFd, journal, renames, report, err);
        if (steps.Dead())
            return err;
        if (fate == JournalFate::Carried) {
            for (const auto& rename : renames)
                report.completed.push_back(rename.second);
            if (result == noErr)
                result = err; // done; a journal that could not be removed stays for later
        } else if (fate == JournalFate::Incomplete) {
            for (const auto& rename : renames) {
                report.pending.push_back(rename.second);
                keep.push_back(rename.first);
            }
            if (result == noErr)
                result = err;
        }
        // A journal (or its files) that could not be removed changes no target: clutter only.
    }
    // Staged files no journal speaks for: only those of this user, who alone can have made
    // them here (a file given away to another owner stays; its journal would have named it).
    for (const std::string& name : staged) {
        struct stat st {};
        if (std::find(keep.begin(), keep.end(), name) != keep.end() ||
            ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != geteuid())
            continue;
        const OSErr err = steps.Unlink(name);
        if (steps.Dead())
            return err;
        if (err == noErr)
            report.removed.push_back(name);
    }
    return result;
}

struct Target {
    const FileReplacement* file = nullptr;
    bool exists = false;
    struct stat st {};
    std::string staged;
    bool made = false;
};

OSErr CheckTargets(int folderFd, std::span<const FileReplacement> files,
                   std::vector<Target>& targets) {
    if (files.empty() || files.size() > kMaxCommitFiles)
        return paramErr;
    for (const FileReplacement& file : files) {
        if (!IsTargetName(file.name))
            return bdNamErr;
        for (const Target& other : targets)
            if (other.file->name == file.name)
                return paramErr;
        Target target;
        target.file = &file;
        if (::fstatat(folderFd, file.name.c_str(), &target.st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(target.st.st_mode))
                return permErr;
            target.exists = true;
        } else if (errno != ENOENT) {
            return StatusFromErrno(errno);
        }
        targets.push_back(std::move(target));
    }
    return noErr;
}

OSErr WriteAndFlush(Steps& steps, UniqueFd& fd, std::string_view text) {
    OSErr err = steps.Write(fd.get(), {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    return err == noErr ? steps.Sync(fd.get()) : err;
}

// Writes every new content into its staged file.
OSErr Stage(Steps& steps, std::vector<Target>& targets, const FileCommitOptions& options) {
    // Each file keeps its owner, group and mode; one that does not exist yet takes those of
    // the first that does, or, when none does, the owner and group the system gives a new
    // file (a set-group-ID folder's group, say) and the default mode.
    const Target* first = nullptr;
    for (const Target& target : targets)
        if (!first && target.exists)
            first = &target;
    for (Target& target : targets) {
        const Target* model = target.exists ? &target : first;
        const mode_t mode = (model ? model->st.st_mode : options.newFileMode) & 0775;
        UniqueFd fd;
        struct stat mine {};
        OSErr err = steps.Create(target.staged, fd);
        target.made = err == noErr;
        if (err == noErr && ::fstat(fd.get(), &mine) != 0)
            err = StatusFromErrno(errno);
        if (err == noErr && model &&
            (mine.st_uid != model->st.st_uid || mine.st_gid != model->st.st_gid))
            err = steps.Chown(fd.get(), model->st.st_uid, model->st.st_gid);
        if (err == noErr)
            err = steps.Chmod(fd.get(), mode);
        if (err == noErr)
            err = WriteAndFlush(steps, fd,
                                {reinterpret_cast<const char*>(target.file->bytes.data()),
                                 target.file->bytes.size()});
        if (err == noErr && !fd.Close())
            err = ioErr;
        if (err != noErr)
            return err;
    }
    return noErr;
}

OSErr Commit(int folderFd, std::span<const FileReplacement> files, const FileCommitOptions& options,
             FileCommitReport& report) {
    std::vector<Target> targets;
    if (OSErr err = CheckTargets(folderFd, files, targets); err != noErr)
        return err;
    Renames renames;
    for (Target& target : targets) {
        target.staged = FreshName(folderFd, target.file->name, kStagedMark);
        renames.emplace_back(target.staged, target.file->name);
    }
    const std::string journal = FreshName(folderFd, targets.front().file->name, kJournalMark);

    // The journal names the staged files before they exist, so that a recovery can tell
    // them for this program's own whoever they come to belong to.
    Steps steps(folderFd);
    UniqueFd fd;
    OSErr err = steps.Create(journal, fd);
    const bool journalMade = err == noErr;
    if (err == noErr)
        err = steps.Chmod(fd.get(), 0644); // readable, so a reader can tell it is there
    if (err == noErr)
        err = WriteAndFlush(steps, fd, ComposeIntent(renames));
    if (err == noErr)
        err = steps.SyncFolder();
    if (err == noErr)
        err = Stage(steps, targets, options);
    if (err == noErr)
        err = WriteAndFlush(steps, fd, kCommitLine);
    if (err == noErr && !fd.Close())
        err = ioErr;
    if (err != noErr) {
        if (!steps.Dead()) {
            // Nothing has been renamed, so the targets are untouched; removing what was made
            // is tidying only, which the next recovery would do as well.
            for (const Target& target : targets)
                if (target.made)
                    ::unlinkat(folderFd, target.staged.c_str(), 0);
            if (journalMade)
                ::unlinkat(folderFd, journal.c_str(), 0);
        }
        return err;
    }

    report.committed = true;
    for (const Target& target : targets)
        if ((err = steps.Rename(target.staged, target.file->name)) != noErr)
            return err; // the journal stays: the next recovery renames the rest
    if ((err = steps.SyncFolder()) == noErr && (err = steps.Unlink(journal)) == noErr)
        err = steps.SyncFolder();
    return err;
}

} // namespace

ScopedFileCommitFault::ScopedFileCommitFault(int step, Kind kind, OSErr status) {
    std::lock_guard<std::mutex> guard(gFaultMutex);
    gFault = FaultPlan{};
    gFault.active = true;
    gFault.step = step;
    gFault.kind = kind;
    gFault.status = status;
}

ScopedFileCommitFault::~ScopedFileCommitFault() {
    std::lock_guard<std::mutex> guard(gFaultMutex);
    gFault = FaultPlan{};
}

int ScopedFileCommitFault::StepsCounted() const {
    std::lock_guard<std::mutex> guard(gFaultMutex);
    return gFault.seen;
}

bool ScopedFileCommitFault::Fired() const {
    std::lock_guard<std::mutex> guard(gFaultMutex);
    return gFault.fired;
}

OSErr RecoverFileCommitsIn(const FolderLock& folder, FileCommitRecovery* report) {
    FileCommitRecovery local;
    FileCommitRecovery& out = report ? *report : local;
    out = FileCommitRecovery{};
    if (folder.Descriptor() < 0)
        return paramErr;
    Steps steps(folder.Descriptor());
    return Recover(steps, folder.Descriptor(), out);
}

OSErr CommitFilesIn(const FolderLock& folder, std::span<const FileReplacement> files,
                    const FileCommitOptions& options, FileCommitReport* report) {
    FileCommitReport local;
    FileCommitReport& out = report ? *report : local;
    out = FileCommitReport{};
    if (OSErr err = RecoverFileCommitsIn(folder, &out.recovered); err != noErr)
        return err;
    return Commit(folder.Descriptor(), files, options, out);
}

OSErr CommitFiles(const std::string& folder, std::span<const FileReplacement> files,
                  const FileCommitOptions& options, FileCommitReport* report,
                  int waitMilliseconds) {
    if (report)
        *report = FileCommitReport{};
    FolderLock lock;
    if (OSErr err = lock.Lock(folder, waitMilliseconds); err != noErr)
        return err;
    return CommitFilesIn(lock, files, options, report);
}

OSErr RecoverFileCommits(const std::string& folder, FileCommitRecovery* report,
                         int waitMilliseconds) {
    if (report)
        *report = FileCommitRecovery{};
    FolderLock lock;
    if (OSErr err = lock.Lock(folder, waitMilliseconds); err != noErr)
        return err;
    return RecoverFileCommitsIn(lock, report);
}

} // namespace orvane
