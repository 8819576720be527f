#include "ppd/Permissions.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/resources/Sidecar.h"
#include "host/rights/AdminRights.h"
#include "host/rights/ModeString.h"
#include "host/rights/ToolRunner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr const char* kChmodTool = "/bin/chmod";
constexpr const char* kMkdirTool = "/bin/mkdir";
constexpr const char* kTouchTool = "/usr/bin/touch";
constexpr const char* kEveryoneMayChange = "-rwxrwxrwx";
constexpr size_t kModeStringLength = 10;

bool EffectiveUserMayWrite(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

ScopedWritableProbe::Probe gWritableProbe = nullptr;

bool MayWrite(const std::string& path) {
    return gWritableProbe ? gWritableProbe(path) : EffectiveUserMayWrite(path);
}

std::string FolderOf(const std::string& path) {
    std::string dir;
    std::string name;
    SplitPath(path, dir, name);
    return dir;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Mode words separated by spaces; empty words (double spaces) are dropped.
ToolArguments SplitModeWords(const char* mode) {
    ToolArguments words;
    std::string word;
    for (const char* c = mode; *c; ++c) {
        if (*c == ' ') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += *c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool IsUsableName(std::string_view name) {
    return name.size() <= kCreateFileNameMaxLength && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos;
}

} // namespace

ScopedWritableProbe::ScopedWritableProbe(Probe probe) : previous_(gWritableProbe) {
    gWritableProbe = probe;
}

ScopedWritableProbe::~ScopedWritableProbe() {
    gWritableProbe = previous_;
}

OSErr check_permission_PPD(GlueRec* glue, AdminRefusal* refusal) {
    if (refusal)
        *refusal = {};
    if (!glue || !glue->dialogState || !glue->dialogState->prefsWorking)
        return paramErr;
    const ToneRes4Rec& prefs = *glue->dialogState->prefsWorking;
    FSSpec spec{};
    spec.vRefNum = prefs.ppdVolume;
    spec.parID = prefs.ppdFolderID;
    std::memcpy(spec.name, prefs.ppdName, sizeof spec.name);

    char ppdPath[kPPDPathBufferSize];
    if (OSErr status = fSSpecToPath(&spec, ppdPath, sizeof ppdPath))
        return status;
    const std::string sidecar = SidecarPath(ppdPath);
    if (sidecar.size() >= kPPDPathBufferSize)
        return paramErr;

    // The mode as `ls -l` would list it, read without running anything.
    struct stat st {};
    if (lstat(ppdPath, &st) != 0)
        return StatusFromErrno(errno);
    // Tools run as root follow symbolic links: a link planted in place of the PPD or its
    // sidecar would open whatever it points to. Only plain files are made writable.
    struct stat sidecarStat {};
    if (!S_ISREG(st.st_mode) ||
        (lstat(sidecar.c_str(), &sidecarStat) == 0 && !S_ISREG(sidecarStat.st_mode)))
        return permErr;
    char mode[12];
    FormatModeString(st.st_mode, mode);

    const bool sidecarExists = Exists(sidecar);
    const bool folderWritable = MayWrite(FolderOf(ppdPath));
    const bool sidecarWritable = sidecarExists ? MayWrite(sidecar) : folderWritable;
    if (std::memcmp(mode, kEveryoneMayChange, kModeStringLength) == 0 && sidecarWritable)
        return noErr;

    // The settings record must be writable with the text: a sidecar nobody can create here
    // is created with the rights, then both files are opened to group and others.
    std::vector<ToolArguments> tools;
    const bool createSidecar = !sidecarExists && !folderWritable;
    if (createSidecar)
        tools.push_back({kTouchTool, sidecar});
    ToolArguments chmod = {kChmodTool, "go+w", ppdPath};
    if (sidecarExists || createSidecar)
        chmod.push_back(sidecar);
    tools.push_back(std::move(chmod));

    AdminStepsResult result = RunWithAdminRights(tools);
    if (result.requestStatus != noErr) {
        if (refusal) {
            *refusal = std::move(result.refusal);
            refusal->status = result.requestStatus;
        }
        return result.requestStatus;
    }
    return result.toolStatus;
}

OSErr checkAuth(const char* folderPath) {
    if (!folderPath || folderPath[0] != '/' ||
        strnlen(folderPath, kAuthFolderPathMaxLength + 1) > kAuthFolderPathMaxLength)
        return paramErr;
    // Whether mkdir succeeded is for the caller to find out by looking for the folder.
    AdminStepsResult result = RunWithAdminRights({{kMkdirTool, "-p", "-m", "go+w", folderPath}});
    return result.requestStatus;
}

OSErr createFile(const char* parentPath, const char* name, std::string* outPath,
                 uint8_t keepIfExists) {
    if (!parentPath || !name || !outPath || name[0] == '\0')
        return 1;
    if (!IsUsableName(name))
        return bdNamErr;
    std::string path = parentPath;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;

    struct stat st {};
    const bool exists = lstat(path.c_str(), &st) == 0;
    const int lookupError = exists ? 0 : errno;
    if (keepIfExists) {
        if (!exists)
            return StatusFromErrno(lookupError);
        *outPath = path;
        return noErr;
    }

    if (exists) {
        if (S_ISDIR(st.st_mode)) {
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
            DeleteSidecar(path);
        }
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return StatusFromErrno(errno);
    close(fd);
    *outPath = path;
    return noErr;
}

OSErr GetPermissionMode(const char* path, char* buffer) {
    if (!path || !buffer)
        return paramErr;
    struct stat st {};
    if (lstat(path, &st) != 0)
        return StatusFromErrno(errno);
    FormatModeString(st.st_mode, buffer);
    if (buffer[kModeStringLength] == ' ')
        buffer[kModeStringLength] = '\0';
    return noErr;
}

OSErr GetPermissionModeWithFSSpec(const FSSpec* spec, char* buffer) {
    if (!spec)
        return paramErr;
    std::string path;
    if (OSErr status = HostPathForFSSpec(*spec, path))
        return status;
    return GetPermissionMode(path.c_str(), buffer);
}

OSErr SetPermissionMode(const FSSpec* spec, const char* mode) {
    char path[kModePathBufferSize];
    if (OSErr status = fSSpecToPath(spec, path, sizeof path))
        return status;
    return SetPermissionModeForPath(path, mode);
}

OSErr SetPermissionModeForPath(const char* path, const char* mode) {
    // A relative path could pass for an option of chmod.
    if (!path || !mode || path[0] != '/' ||
        strnlen(path, kModePathBufferSize) >= kModePathBufferSize)
        return paramErr;
    ToolArguments argv = SplitModeWords(mode);
    if (argv.empty())
        return paramErr;
    argv.insert(argv.begin(), kChmodTool);
    argv.push_back(path);
    // A file's resource fork and Finder information are part of it on this host.
    struct stat st {};
    if (lstat(path, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string sidecar = SidecarPath(path);
        if (Exists(sidecar))
            argv.push_back(std::move(sidecar));
    }
    ToolRun run;
    return RunTool(argv, run);
}

} // namespace orvane
