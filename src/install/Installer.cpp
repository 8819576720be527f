// orvane-install: replaces a printer's PPD and its settings record, or a gamma file and its
// record, for a program that runs as an ordinary user. pkexec runs it as root, once per
// save, so it trusts nothing it is given: not its input, not its environment, not the
// folders on the way to its targets.
//
//   orvane-install TARGET < REQUEST
//
// TARGET is the path of the first file of the request (of the last folder when there is
// no file). It is there for the password dialog to show; it must match the request.
//
// REQUEST, read whole before anything is done (so a request cut short changes nothing):
//   orvane-install 1\n
//   mkdir <absolute path>\n                      a gamma folder, made 0775 if missing
//   unchanged <16 hex digits> <absolute path>\n  a file below, as its caller read it
//   file <byte count> <absolute path>\n<bytes>   one or two files, replaced together
//   commit\n
// and nothing after it. The files: a PPD directly in <root>/etc/cups/ppd (which must exist)
// optionally followed by its record "._<name>.ppd"; or a gamma file
// <root>/var/lib/<vendor>/Tonevault/<nickname>/PPDGAM optionally followed by "._PPDGAM". The
// folders: <root>/var/lib/<vendor>, its "Tonevault", and a nickname folder in that.
//
// <root> is "/". Only when the program runs as its caller (not through pkexec, not set-ID)
// may ORVANE_ROOT move it, for tests and scripted runs.
//
// "unchanged" gives the ContentDigest (kAbsentDigest, 0, for a file that was not there) of
// what the caller read and planned its change on: when the file no longer holds it, another
// writer came between, and nothing is changed.
//
// Exit status: 0 done; 1 the change failed (the files are as before, or, when the commit got
// past its journal, as requested once recovered); 2 the command line or request is malformed;
// 3 a path was refused; 4 a file changed since its caller read it; 5 permission denied (run
// without the rights it needs); 6 the disk is full. Each failure says why in one line on
// standard error.
#include "host/files/FileCommit.h"
#include "host/files/FileLock.h"
#include "host/folders/SystemRoot.h"
#include "host/rights/InstallerExit.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace orvane;

namespace {

constexpr size_t kMaxRequest = size_t{64} << 20;
constexpr int kLockWaitMilliseconds = 10000;

using namespace installer_exit;

enum class Kind { Ppd, PpdRecord, Gamma, GammaRecord, Folder };

struct Entry {
    bool isFile = false;
    Kind kind = Kind::Folder;
    std::string path;
    std::vector<std::string> parts; // below the root
    std::string bytes;
    std::optional<uint64_t> unchangedSince;
};

int Say(int status, const std::string& what, const std::string& why) {
    std::fprintf(stderr, "orvane-install: %s%s%s\n", what.c_str(), what.empty() ? "" : ": ",
                 why.c_str());
    return status;
}

std::string Root() {
    const bool underPkexec = std::getenv("PKEXEC_UID") != nullptr;
    const bool setId = getuid() != geteuid() || getgid() != getegid();
    return underPkexec || setId ? std::string("/") : SystemRoot();
}

// The components of an absolute path; false for a relative path, an empty component, "."
// or "..".
bool SplitAbsolute(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string_view::npos)
        return false;
    if (path == "/")
        return true;
    size_t at = 1;
    for (;;) {
        const size_t slash = path.find('/', at);
        std::string part(path.substr(at, slash == std::string_view::npos ? slash : slash - at));
        if (part.empty() || part == "." || part == "..")
            return false;
        parts.push_back(std::move(part));
        if (slash == std::string_view::npos)
            return true;
        at = slash + 1;
    }
}

bool IsPpdName(std::string_view name) {
    return name.size() > 4 && name.front() != '.' && name.ends_with(".ppd");
}

// What a path below the root may be; false when it may be nothing.
bool Classify(const std::vector<std::string>& p, bool isFile, Kind& kind) {
    const size_t n = p.size();
    if (isFile && n == 4 && p[0] == "etc" && p[1] == "cups" && p[2] == "ppd") {
        kind = p[3].starts_with("._") ? Kind::PpdRecord : Kind::Ppd;
        return IsPpdName(kind == Kind::Ppd ? std::string_view(p[3])
                                           : std::string_view(p[3]).substr(2));
    }
    if (n < 3 || p[0] != "var" || p[1] != "lib" || p[2] != ORVANE_VENDOR_FOLDER)
        return false;
    if (!isFile) {
        kind = Kind::Folder;
        return n == 3 || (p[3] == "Tonevault" && (n == 4 || (n == 5 && p[4].front() != '.')));
    }
    kind = n == 6 && p[5] == "._PPDGAM" ? Kind::GammaRecord : Kind::Gamma;
    return n == 6 && p[3] == "Tonevault" && p[4].front() != '.' &&
           (p[5] == "PPDGAM" || p[5] == "._PPDGAM");
}

// Reads "<word> ...\n" at `at`; false at the end of the input or for a line without end.
bool ReadLine(const std::string& in, size_t& at, std::string& line) {
    const size_t end = in.find('\n', at);
    if (end == std::string::npos)
        return false;
    line = in.substr(at, end - at);
    at = end + 1;
    return true;
}

// "<16 hex digits> <path>" of an "unchanged" line.
bool ParseUnchanged(const std::string& rest, std::map<std::string, uint64_t>& unchanged) {
    if (rest.size() < 18 || rest[16] != ' ' || rest.find_first_not_of("0123456789abcdef") < 16)
        return false;
    return unchanged
        .emplace(rest.substr(17), std::strtoull(rest.substr(0, 16).c_str(), nullptr, 16))
        .second;
}

// Parses the whole request; the message says what is wrong with it.
bool Parse(const std::string& in, std::vector<Entry>& entries, std::string& message) {
    size_t at = 0;
    std::string line;
    std::map<std::string, uint64_t> unchanged;
    if (!ReadLine(in, at, line) || line != "orvane-install 1") {
        message = "not a request of version 1";
        return false;
    }
    for (;;) {
        if (!ReadLine(in, at, line)) {
            message = "the request ends before \"commit\"";
            return false;
        }
        if (line == "commit")
            break;
        Entry entry;
        if (line.starts_with("unchanged ")) {
            if (!ParseUnchanged(line.substr(10), unchanged)) {
                message = "an \"unchanged\" entry without a digest and a path";
                return false;
            }
            continue;
        }
        if (line.starts_with("mkdir ")) {
            entry.path = line.substr(6);
        } else if (line.starts_with("file ")) {
            const size_t space = line.find(' ', 5);
            const std::string count = line.substr(5, space == std::string::npos ? 0 : space - 5);
            if (space == std::string::npos || count.empty() || count.size() > 10 ||
                count.find_first_not_of("0123456789") != std::string::npos) {
                message = "a file entry without a byte count";
                return false;
            }
            const size_t size = std::strtoull(count.c_str(), nullptr, 10);
            if (size > in.size() - at) {
                message = "the request ends inside a file's bytes";
                return false;
            }
            entry.isFile = true;
            entry.path = line.substr(space + 1);
            entry.bytes = in.substr(at, size);
            at += size;
        } else {
            message = "an entry that is neither \"file\" nor \"mkdir\"";
            return false;
        }
        entries.push_back(std::move(entry));
    }
    if (at != in.size()) {
        message = "bytes after \"commit\"";
        return false;
    }
    if (entries.empty()) {
        message = "an empty request";
        return false;
    }
    for (Entry& entry : entries) {
        if (const auto found = unchanged.find(entry.path);
            found != unchanged.end() && entry.isFile) {
            entry.unchangedSince = found->second;
            unchanged.erase(found);
        }
    }
    if (!unchanged.empty()) {
        message = "an \"unchanged\" entry for a file the request does not replace";
        return false;
    }
    return true;
}

// Checks every path and the shape of the request; the failing path and why.
bool Check(std::vector<Entry>& entries, const std::string& root, const std::string& shown,
           std::string& path, std::string& why) {
    std::vector<std::string> rootParts;
    if (!SplitAbsolute(root, rootParts)) {
        path = root;
        why = "the system root is not a plain absolute path";
        return false;
    }
    std::vector<const Entry*> files;
    for (Entry& entry : entries) {
        path = entry.path;
        const bool isFile = entry.isFile;
        std::vector<std::string> parts;
        if (!SplitAbsolute(entry.path, parts)) {
            why = "not an absolute path without \".\", \"..\" or empty parts";
            return false;
        }
        bool below = parts.size() > rootParts.size();
        for (size_t i = 0; below && i < rootParts.size(); ++i)
            below = parts[i] == rootParts[i];
        entry.parts.assign(parts.begin() + (below ? rootParts.size() : 0), parts.end());
        if (!below || !Classify(entry.parts, isFile, entry.kind)) {
            why = isFile ? "not a PPD in the printer-description folder, a gamma file, or the "
                           "settings record of one"
                         : "not a folder of the gamma files";
            return false;
        }
        if (isFile)
            files.push_back(&entry);
    }
    path.clear();
    const bool recordOfFirst =
        files.size() == 2 &&
        files[1]->kind == (files[0]->kind == Kind::Ppd ? Kind::PpdRecord : Kind::GammaRecord) &&
        files[1]->parts.back() == "._" + files[0]->parts.back() &&
        std::equal(files[0]->parts.begin(), files[0]->parts.end() - 1, files[1]->parts.begin());
    if (files.size() > 2 ||
        (!files.empty() && files[0]->kind != Kind::Ppd && files[0]->kind != Kind::Gamma) ||
        (files.size() == 2 && !recordOfFirst)) {
        why = "the files must be a PPD or gamma file, then at most its own settings record";
        return false;
    }
    if (shown != (files.empty() ? entries.back().path : files[0]->path)) {
        why = "the path on the command line is not the request's first file";
        return false;
    }
    return true;
}

// Opens the folder `parts[0..count)` below `rootFd` one component at a time, never through a
// symbolic link. -1 with errno set on failure (ELOOP or ENOTDIR for a link on the way).
int OpenFolder(int rootFd, const std::vector<std::string>& parts, size_t count) {
    int fd = ::openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (size_t i = 0; fd >= 0 && i < count; ++i) {
        const int next =
            ::openat(fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    return fd;
}

int FolderFailure(const std::string& path) {
    if (errno == ELOOP || errno == ENOTDIR)
        return Say(kRefused, path, "a symbolic link or a file stands in a folder's place");
    return Say(kFailed, path, "cannot open its folder (errno " + std::to_string(errno) + ")");
}

int MakeFolder(int rootFd, const Entry& entry) {
    const int parent = OpenFolder(rootFd, entry.parts, entry.parts.size() - 1);
    if (parent < 0)
        return FolderFailure(entry.path);
    const char* name = entry.parts.back().c_str();
    const bool made = ::mkdirat(parent, name, 0700) == 0;
    const int madeError = errno;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int openError = errno;
    ::close(parent);
    if (!made && madeError != EEXIST)
        return Say(kFailed, entry.path,
                   "cannot make the folder (errno " + std::to_string(madeError) + ")");
    if (fd < 0) {
        errno = openError;
        return FolderFailure(entry.path);
    }
    // Group members (the printer administrators) may write in it; others never.
    const bool modeSet = !made || ::fchmod(fd, 0775) == 0;
    ::close(fd);
    return modeSet ? kDone : Say(kFailed, entry.path, "cannot set the folder's mode");
}

int ReplaceFiles(int rootFd, const std::vector<const Entry*>& files) {
    const Entry& first = *files.front();
    const int folderFd = OpenFolder(rootFd, first.parts, first.parts.size() - 1);
    if (folderFd < 0)
        return FolderFailure(first.path);
    FolderLock lock;
    if (lock.LockDescriptor(folderFd, kLockWaitMilliseconds) != noErr)
        return Say(kFailed, first.path, "its folder stays locked by another program");
    for (const Entry* file : files) {
        struct stat st {};
        const bool exists =
            ::fstatat(folderFd, file->parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists ? !S_ISREG(st.st_mode) : errno != ENOENT || file->kind == Kind::Ppd)
            return Say(kRefused, file->path,
                       file->kind == Kind::Ppd ? "not an existing PPD file"
                                               : "a symbolic link or a non-file stands there");
    }

    std::vector<FileReplacement> replacements;
    for (const Entry* file : files)
        replacements.push_back(
            {file->parts.back(),
             {reinterpret_cast<const uint8_t*>(file->bytes.data()), file->bytes.size()},
             file->unchangedSince});
    FileCommitOptions options;
    options.newFileMode = 0664; // a new gamma file is group-writable, like its folders
    FileCommitReport report;
    const OSErr err = CommitFilesIn(lock, replacements, options, &report);
    for (const std::string& name : report.recovered.completed)
        std::printf("completed %s\n", name.c_str()); // an earlier, interrupted save
    if (err == kChangedOnDiskCode)
        return Say(kChanged, first.path, "changed since it was read; nothing written");
    if (err == permErr && !report.committed)
        return Say(kNoPermission, first.path, "permission denied; nothing written");
    if (err == dskFulErr && !report.committed)
        return Say(kDiskFull, first.path, "the disk is full; nothing written");
    if (err != noErr)
        return Say(
            kFailed, first.path,
            std::string(report.committed ? "written, but not yet tidied up" : "not written") +
                " (status " + std::to_string(err) + ")");
    return kDone;
}

} // namespace

int main(int argc, char** argv) {
    umask(022);
    if (argc != 2)
        return Say(kMalformed, "", "usage: orvane-install TARGET < REQUEST");
    std::string in;
    char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;) {
        if (in.size() + got > kMaxRequest)
            return Say(kMalformed, "", "the request is too large");
        in.append(chunk, got);
    }
    if (std::ferror(stdin))
        return Say(kMalformed, "", "the request cannot be read");

    std::vector<Entry> entries;
    std::string path, why;
    if (!Parse(in, entries, why))
        return Say(kMalformed, "", why);
    const std::string root = Root();
    if (!Check(entries, root, argv[1], path, why))
        return Say(path.empty() ? kMalformed : kRefused, path, why);

    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return Say(kFailed, root, "cannot open the system root");
    std::vector<const Entry*> files;
    int status = kDone;
    for (const Entry& entry : entries) {
        if (entry.isFile)
            files.push_back(&entry);
        else if (status == kDone)
            status = MakeFolder(rootFd, entry);
    }
    if (status == kDone && !files.empty())
        status = ReplaceFiles(rootFd, files);
    ::close(rootFd);
    return status;
}
