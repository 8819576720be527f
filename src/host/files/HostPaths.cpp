#include "host/files/HostPaths.h"

#include "base/PStringView.h"
#include "host/files/PosixStatus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvane {

namespace {

constexpr const char* kCatalogFileName = "orvane-folder-ids";
constexpr const char* kCatalogHeader = "orvane folder catalogue 1";
// Assigned IDs start above the range the platform reserved for its own folders.
constexpr int32_t kFirstAssignedFolderID = 100;

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    // Relative values are invalid and ignored.
    if (value && value[0] == '/')
        return value;
    std::string home = HomeFolder();
    return (home == "/" ? "" : home) + "/" + fallback;
}

// Canonical absolute path of an existing item; empty with `error` set otherwise.
std::string ResolvedPath(const std::string& path, int& error) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) {
        error = errno;
        return {};
    }
    std::string result(real);
    std::free(real);
    error = 0;
    return result;
}

std::string JoinPath(const std::string& dir, std::string_view name) {
    std::string path = dir;
    if (path.empty() || path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

// Catalogue lines are "<id> <path>" with backslash escapes for the bytes that would break
// a line (a path may hold any byte but NUL).
std::string EscapePath(const std::string& path) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A NUL, escaped or not, makes the line unusable: the path would end there for every system
// call and name another folder than the catalogue says.
bool UnescapePath(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\0')
            return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x') {
            auto digit = [](char h) -> int {
                if (h >= '0' && h <= '9')
                    return h - '0';
                if (h >= 'a' && h <= 'f')
                    return h - 'a' + 10;
                return -1;
            };
            int hi = digit(text[i + 2]), lo = digit(text[i + 3]);
            if (hi < 0 || lo < 0)
                return false;
            char value = static_cast<char>(hi * 16 + lo);
            if (value == 0)
                return false;
            out += value;
            i += 3;
            continue;
        }
        return false;
    }
    return !out.empty() && out[0] == '/';
}

// The ID <-> directory mapping as last read from (or written to) the catalogue file.
struct Catalogue {
    std::string file;
    std::map<int32_t, std::string> byID;
    std::unordered_map<std::string, int32_t> byPath;
};

std::mutex gCatalogueMutex;
Catalogue gCatalogue;

void ParseCatalogue(const std::vector<uint8_t>& bytes, Catalogue& into) {
    into.byID.clear();
    into.byPath.clear();
    for (auto& [id, path] : ParseFolderCatalogue(bytes)) {
        into.byPath.emplace(path, id);
        into.byID.emplace(id, std::move(path));
    }
}

// Re-reads the catalogue file. A missing file is an empty catalogue.
OSErr LoadCatalogue(Catalogue& catalogue) {
    std::vector<uint8_t> bytes;
    OSErr err = ReadWholeFile(catalogue.file, bytes, size_t{64} << 20);
    if (err == fnfErr) {
        catalogue.byID.clear();
        catalogue.byPath.clear();
        return noErr;
    }
    if (err != noErr)
        return err;
    ParseCatalogue(bytes, catalogue);
    return noErr;
}

// Writes the whole catalogue to a temporary file beside it and renames it into place, so
// that a reader never sees a partial catalogue.
OSErr SaveCatalogue(const Catalogue& catalogue) {
    const std::string text = FormatFolderCatalogue(catalogue.byID);
    std::string temp = catalogue.file + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return StatusFromErrno(errno);
    OSErr err =
        WriteAllToDescriptor(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (err == noErr && fsync(fd) != 0)
        err = ioErr;
    if (close(fd) != 0 && err == noErr)
        err = ioErr;
    if (err == noErr && rename(temp.c_str(), catalogue.file.c_str()) != 0)
        err = StatusFromErrno(errno);
    if (err != noErr) {
        unlink(temp.c_str());
        return err;
    }
    // Make the rename itself durable (best effort: it is already visible).
    std::string folder, name;
    SplitPath(catalogue.file, folder, name);
    if (int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return noErr;
}

// Points the cached catalogue at the file the environment names now (tests move it).
void SelectCatalogue() {
    std::string file = HostFolderCatalogPath();
    if (file != gCatalogue.file) {
        gCatalogue = Catalogue{};
        gCatalogue.file = std::move(file);
        LoadCatalogue(gCatalogue);
    }
}

// Holds an exclusive lock on the catalogue's lock file while an ID is assigned, so two
// processes never hand out the same ID or lose each other's additions.
class CatalogueLock {
public:
    explicit CatalogueLock(const std::string& catalogueFile) {
        fd_ = open((catalogueFile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            status_ = StatusFromErrno(errno);
            return;
        }
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                status_ = StatusFromErrno(errno);
                return;
            }
        }
    }
    ~CatalogueLock() {
        if (fd_ >= 0)
            close(fd_); // releases the lock
    }
    CatalogueLock(const CatalogueLock&) = delete;
    CatalogueLock& operator=(const CatalogueLock&) = delete;
    OSErr status() const { return status_; }

private:
    int fd_ = -1;
    OSErr status_ = noErr;
};

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

OSErr FSSpecFromParts(const std::string& dir, const std::string& name, FSSpec& out) {
    if (name.empty() || name.size() > kMaxFileNameLength)
        return bdNamErr;
    int32_t id = 0;
    if (OSErr err = HostFolderIDForPath(dir, id); err != noErr)
        return err;
    FSSpec spec{};
    spec.vRefNum = kHostVolumeRefNum;
    spec.parID = id;
    PStrFromView(spec.name, name, kMaxFileNameLength);
    out = spec;
    return noErr;
}

} // namespace

std::vector<std::pair<int32_t, std::string>> ParseFolderCatalogue(std::span<const uint8_t> bytes) {
    std::vector<std::pair<int32_t, std::string>> entries;
    std::unordered_set<int32_t> seen;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    bool first = true;
    while (!text.empty()) {
        size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (first) {
            first = false;
            if (line == kCatalogHeader)
                continue;
            return {}; // not a catalogue this program wrote: treat as empty
        }
        size_t space = line.find(' ');
        if (space == std::string_view::npos || space == 0 || space > 10)
            continue;
        int64_t id = 0;
        bool digits = true;
        for (char c : line.substr(0, space)) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            id = id * 10 + (c - '0');
        }
        if (!digits || id < kFirstAssignedFolderID || id > INT32_MAX)
            continue;
        std::string path;
        if (!UnescapePath(line.substr(space + 1), path))
            continue;
        const auto id32 = static_cast<int32_t>(id);
        if (seen.insert(id32).second)
            entries.emplace_back(id32, std::move(path));
    }
    return entries;
}

std::string FormatFolderCatalogue(const std::map<int32_t, std::string>& byID) {
    std::string text = kCatalogHeader;
    text += '\n';
    for (const auto& [id, path] : byID) {
        text += std::to_string(id);
        text += ' ';
        text += EscapePath(path);
        text += '\n';
    }
    return text;
}

std::string HostPreferencesFolderPath() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string HostCacheFolderPath() {
    return XdgFolder("XDG_CACHE_HOME", ".cache");
}

std::string HostFolderCatalogPath() {
    return JoinPath(HostPreferencesFolderPath(), kCatalogFileName);
}

OSErr HostCreateFolders(const std::string& dir, unsigned mode) {
    if (dir.empty())
        return paramErr;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? noErr : dupFNErr;
    std::string parent, name;
    SplitPath(dir, parent, name);
    if (parent != dir && !name.empty()) {
        if (OSErr err = HostCreateFolders(parent, mode); err != noErr)
            return err;
    }
    if (mkdir(dir.c_str(), mode) != 0 && errno != EEXIST)
        return StatusFromErrno(errno);
    return IsDirectory(dir) ? noErr : dupFNErr;
}

OSErr HostFolderIDForPath(const std::string& dir, int32_t& id) {
    id = 0;
    if (dir.empty())
        return fnfErr;
    int error = 0;
    std::string resolved = ResolvedPath(dir, error);
    if (resolved.empty() || !IsDirectory(resolved))
        return fnfErr;
    if (resolved == "/") {
        id = kRootFolderID;
        return noErr;
    }

    std::lock_guard<std::mutex> guard(gCatalogueMutex);
    SelectCatalogue();
    if (auto found = gCatalogue.byPath.find(resolved); found != gCatalogue.byPath.end()) {
        id = found->second;
        return noErr;
    }

    // A miss: another process may have assigned it meanwhile. Assign under the lock, after
    // reading the catalogue again.
    if (OSErr err = HostCreateFolders(HostPreferencesFolderPath()); err != noErr)
        return err;
    CatalogueLock lock(gCatalogue.file);
    if (lock.status() != noErr)
        return lock.status();
    if (OSErr err = LoadCatalogue(gCatalogue); err != noErr)
        return err;
    if (auto found = gCatalogue.byPath.find(resolved); found != gCatalogue.byPath.end()) {
        id = found->second;
        return noErr;
    }
    int32_t next = kFirstAssignedFolderID;
    if (!gCatalogue.byID.empty()) {
        int32_t last = gCatalogue.byID.rbegin()->first;
        if (last == INT32_MAX)
            return ioErr;
        next = std::max(next, last + 1);
    }
    gCatalogue.byID.emplace(next, resolved);
    gCatalogue.byPath.emplace(resolved, next);
    if (OSErr err = SaveCatalogue(gCatalogue); err != noErr) {
        gCatalogue.byID.erase(next);
        gCatalogue.byPath.erase(resolved);
        return err;
    }
    id = next;
    return noErr;
}

OSErr HostPathForFolderID(int32_t id, std::string& dir) {
    dir.clear();
    if (id == kRootFolderID) {
        dir.assign(1, '/');
        return noErr;
    }
    if (id < kFirstAssignedFolderID)
        return fnfErr;
    std::string found;
    {
        std::lock_guard<std::mutex> guard(gCatalogueMutex);
        SelectCatalogue();
        auto entry = gCatalogue.byID.find(id);
        if (entry == gCatalogue.byID.end()) {
            // Perhaps assigned by another process since we last looked.
            if (LoadCatalogue(gCatalogue) != noErr)
                return fnfErr;
            entry = gCatalogue.byID.find(id);
            if (entry == gCatalogue.byID.end())
                return fnfErr;
        }
        found = entry->second;
    }
    if (!IsDirectory(found))
        return fnfErr;
    dir = std::move(found);
    return noErr;
}

OSErr HostPathForFSSpec(const FSSpec& spec, std::string& path) {
    path.clear();
    if (spec.vRefNum != kHostVolumeRefNum)
        return fnfErr;
    std::string_view name = PStrView(spec.name);
    if (name.empty() || name.size() > kMaxFileNameLength || name == "." || name == ".." ||
        name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return bdNamErr;
    std::string dir;
    if (OSErr err = HostPathForFolderID(spec.parID, dir); err != noErr)
        return err;
    path = JoinPath(dir, name);
    return noErr;
}

OSErr HostFSSpecForPath(const std::string& path, FSSpec& out) {
    if (path.empty())
        return bdNamErr;
    // An existing item is described by where it really is.
    int error = 0;
    std::string resolved = ResolvedPath(path, error);
    std::string dir, name;
    if (!resolved.empty()) {
        if (resolved == "/")
            return bdNamErr;
        SplitPath(resolved, dir, name);
        return FSSpecFromParts(dir, name, out);
    }
    // A new item: its parent must exist.
    SplitPath(path, dir, name);
    if (name.empty() || name.size() > kMaxFileNameLength)
        return bdNamErr;
    if (name == "." || name == "..")
        return fnfErr;
    std::string resolvedDir = ResolvedPath(dir, error);
    if (resolvedDir.empty() || !IsDirectory(resolvedDir))
        return fnfErr;
    return FSSpecFromParts(resolvedDir, name, out);
}

OSErr PathToFSSpec(const char* path, FSSpec* out) {
    if (!path || !out)
        return paramErr;
    return HostFSSpecForPath(path, *out);
}

OSErr fSSpecToPath(const FSSpec* spec, char* buffer, uint32_t size) {
    if (!spec || !buffer || size == 0)
        return paramErr;
    std::string path;
    if (OSErr err = HostPathForFSSpec(*spec, path); err != noErr)
        return err;
    if (path.size() >= size)
        return paramErr;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return noErr;
}

} // namespace orvane
