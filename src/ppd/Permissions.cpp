#include "ppd/Permissions.h"

#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/resources/Sidecar.h"
#include "host/rights/AdminRights.h"
#include "host/rights/InstallerClient.h"
#include "host/rights/ModeString.h"
#include "host/rights/ToolRunner.h"
#include "host/ui/HostServices.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr size_t kModeStringLength = 10;

bool EffectiveUserMayWrite(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

ScopedWritableProbe::Probe gWritableProbe = nullptr;

bool MayWrite(const std::string& path) {
    return gWritableProbe ? gWritableProbe(path) : EffectiveUserMayWrite(path);
}

bool InGroup(gid_t group) {
    if (group == getegid())
        return true;
    gid_t groups[256];
    const int count = getgroups(256, groups);
    return std::find(groups, groups + (count > 0 ? count : 0), group) !=
           groups + (count > 0 ? count : 0);
}

constexpr const char* kChmodTool = "/bin/chmod";

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Whether a chmod mode word gives write access to others ("o+w", "go+w", "a=rw", "+w").
bool GrantsOthersWrite(const std::string& word) {
    const size_t op = word.find_first_of("+=");
    if (op == std::string::npos || word.find('w', op) == std::string::npos)
        return false;
    const std::string who = word.substr(0, op);
    return who.empty() || who.find_first_of("oa") != std::string::npos;
}

std::string FolderOf(const std::string& path) {
    std::string dir;
    std::string name;
    SplitPath(path, dir, name);
    return dir;
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

} // namespace

ScopedWritableProbe::ScopedWritableProbe(Probe probe) : previous_(gWritableProbe) {
    gWritableProbe = probe;
}

ScopedWritableProbe::~ScopedWritableProbe() {
    gWritableProbe = previous_;
}

OSErr WriteRouteFor(const std::string& path, WriteRoute* route) {
    if (!route || path.empty() || path.size() >= kPPDPathBufferSize)
        return paramErr;
    const std::string sidecar = SidecarPath(path);
    if (sidecar.size() >= kPPDPathBufferSize)
        return paramErr;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return StatusFromErrno(errno);
    struct stat sidecarStat {};
    const bool sidecarExists = lstat(sidecar.c_str(), &sidecarStat) == 0;
    // Only plain files are ever written: a symbolic link planted in the place of the file or
    // its record would have the write land wherever it points.
    if (!S_ISREG(st.st_mode) || (sidecarExists && !S_ISREG(sidecarStat.st_mode)))
        return permErr;
    // Replacing means a new file in the folder, given the old one's owner and group: only
    // root may give a file to someone else, and a user only to a group of their own.
    const auto keepable = [](const struct stat& item) {
        return geteuid() == 0 || (item.st_uid == geteuid() && InGroup(item.st_gid));
    };
    // ORVANE_PPD_ROUTE=installer takes the administrator's path even where it is not
    // needed, so that it can be tried on a sample root the user owns.
    const char* forced = std::getenv("ORVANE_PPD_ROUTE");
    const bool direct = !(forced && std::strcmp(forced, "installer") == 0) &&
                        MayWrite(FolderOf(path)) && keepable(st) &&
                        (!sidecarExists || keepable(sidecarStat));
    *route = direct ? WriteRoute::Direct : WriteRoute::Installer;
    return noErr;
}

OSErr check_permission_PPD(GlueRec* glue, WriteRoute* route) {
    if (!glue || !glue->dialogState || !glue->dialogState->prefsWorking || !route)
        return paramErr;
    const ToneRes4Rec& prefs = *glue->dialogState->prefsWorking;
    FSSpec spec{};
    spec.vRefNum = prefs.ppdVolume;
    spec.parID = prefs.ppdFolderID;
    std::memcpy(spec.name, prefs.ppdName, sizeof spec.name);
    char ppdPath[kPPDPathBufferSize];
    if (OSErr status = fSSpecToPath(&spec, ppdPath, sizeof ppdPath))
        return status;
    return WriteRouteFor(ppdPath, route);
}

OSErr checkAuth(GlueRec* glue, const char* folderPath) {
    if (!folderPath || folderPath[0] != '/' ||
        strnlen(folderPath, kAuthFolderPathMaxLength + 1) > kAuthFolderPathMaxLength)
        return paramErr;
    static const HostServices kNone{};
    InstallRequest request;
    request.folders.push_back(folderPath);
    // Whether the folder was made is for the caller to find out by looking for it.
    return InstallWithAdminRights(AdminRightsOf(glue ? glue->services : kNone), request)
        .refusal.status;
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
    // Nothing this program makes or changes is ever writable by everybody.
    if (argv.empty() || std::any_of(argv.begin(), argv.end(), GrantsOthersWrite))
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
