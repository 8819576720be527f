#include "ppd/GammaFile.h"

#include "host/bundle/BundleConfig.h"
#include "host/files/FileCommit.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/folders/SystemRoot.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/Sidecar.h"
#include "host/rights/InstallerClient.h"
#include "host/ui/HostServices.h"
#include "ppd/Permissions.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

constexpr const char* kApplicationSupportFolder = "/var/lib";
constexpr const char* kTonevaultFolderName = "Tonevault";
constexpr size_t kOemNameBufferSize = 1024;
constexpr size_t kMaxFolderNameLength = 255;
constexpr OSType kGammaFileType = MakeFourCC("TEXT");
constexpr OSType kGammaFileCreator = MakeFourCC("????");

// Opens an item to the group, so that every user of the group can write every gamma file.
// A mode that cannot be changed does not stop the gamma file being made: its owner can write
// it, and a member of the group who cannot hears so from the failing save itself.
void OpenToGroup(const std::string& path, const char* mode) {
    (void)SetPermissionModeForPath(path.c_str(), mode);
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

// noErr for a folder (also one reached through a symbolic link), dupFNErr when something
// else has the name, the look-up status otherwise.
OSErr LookUpFolder(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return StatusFromErrno(errno);
    return S_ISDIR(st.st_mode) ? noErr : dupFNErr;
}

OSErr CreateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) != 0)
        return StatusFromErrno(errno);
    return noErr;
}

bool NeedsRights(OSErr status) {
    return status == permErr || status == wPrErr;
}

// A folder inside one that exists: created when missing (group-writable, never by others).
// *rightsNeeded when this user may not create it.
OSErr MakeFolder(const std::string& path, bool* created, bool* rightsNeeded) {
    *created = false;
    OSErr status = LookUpFolder(path);
    if (status != fnfErr)
        return status;
    if ((status = CreateFolder(path)) != noErr) {
        *rightsNeeded = NeedsRights(status);
        return *rightsNeeded ? OSErr{noErr} : status;
    }
    *created = true;
    OpenToGroup(path, "g+w");
    return noErr;
}

// The gamma file in the printer's folder, created empty with its type and creator and an
// empty resource fork when missing. Anything that is not a file but holds the name (a
// dangling link) is removed. *rightsNeeded when this user may not create it.
OSErr MakeGammaFile(const FSSpec& spec, const std::string& path, bool* rightsNeeded) {
    OSErr status = FindNamedFile(spec);
    if (status == fnfErr) {
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            unlink(path.c_str());
            DeleteSidecar(path);
        }
        if ((status = MyOnlyCreateFile(spec)) == noErr &&
            (status = MySetFileTypeAndCreator(spec, kGammaFileType, kGammaFileCreator)) == noErr)
            OpenToGroup(path, "g+w");
    }
    uint8_t hasFork = 0;
    if (status == noErr && (status = TheFileHasResourceFork(spec, &hasFork)) == noErr && !hasFork)
        status = MyCreateResFile(spec);
    *rightsNeeded = NeedsRights(status);
    return *rightsNeeded ? OSErr{noErr} : status;
}

// What this user could not make, made by the installer with administrator rights in one
// request: the missing folders (group-writable) and, when `gammaPath` is given, an empty
// gamma file with its type, creator and empty resource fork.
OSErr MakeWithRights(GlueRec* glue, const std::vector<std::string>& folders,
                     const std::string& gammaPath) {
    InstallRequest request;
    for (const std::string& folder : folders)
        if (LookUpFolder(folder) == fnfErr)
            request.folders.push_back(folder);
    AppleDoubleImage image;
    std::vector<uint8_t> emptyFork;
    std::vector<uint8_t> sidecar;
    if (!gammaPath.empty()) {
        if (OSErr err = SerializeResourceFork({}, emptyFork); err != noErr)
            return err;
        image.hasResourceFork = true;
        image.resourceFork = emptyFork;
        AppleDoubleSetTypeAndCreator(image, kGammaFileType, kGammaFileCreator);
        sidecar = SerializeAppleDouble(image);
        request.files.push_back({gammaPath, {}, kAbsentDigest});
        request.files.push_back({SidecarPath(gammaPath), sidecar, std::nullopt});
    }
    if (request.folders.empty() && request.files.empty())
        return noErr;
    const InstallResult result = InstallWithAdminRights(AdminRightsOf(glue->services), request);
    return result.refusal.status != noErr ? result.refusal.status : result.status;
}

} // namespace

std::string GammaFolderName(std::string_view name) {
    std::string folder(name);
    for (char& c : folder) {
        if (c == '/' || c == '\0')
            c = ':';
    }
    if (!folder.empty() && folder.front() == '.')
        folder.front() = ':';
    return folder;
}

OSErr Make_gam_file(GlueRec* glue) {
    if (!glue || glue->osLevel != 2)
        return paramErr;

    // The vendor's name and the shared application-support folder.
    char oemName[kOemNameBufferSize];
    if (!getOemName(oemName, sizeof oemName) || oemName[0] == '\0')
        return resNotFound;
    const std::string vendorName = GammaFolderName(oemName);
    if (vendorName.size() > kMaxFolderNameLength)
        return bdNamErr;
    const std::string applicationSupport = UnderSystemRoot(kApplicationSupportFolder);
    if (OSErr status = HostCreateFolders(applicationSupport, 0755))
        return status;

    // The vendor folder, "Tonevault" in it and the printer's folder, then the gamma file:
    // what this user may make, the user makes (a new folder group-writable, an existing
    // "Tonevault" opened to the group with everything in it); the rest the installer makes
    // with administrator rights, in one request.
    const std::string vendor = Join(applicationSupport, vendorName);
    const std::string tonevault = Join(vendor, kTonevaultFolderName);
    const bool named = glue->ppdNickname[0] != 0;
    const std::string printer =
        named ? Join(tonevault, GammaFolderName(PStrView(glue->ppdNickname))) : std::string();
    std::vector<std::string> folders = {vendor, tonevault};
    if (named)
        folders.push_back(printer);
    bool rightsNeeded = false;
    for (const std::string& folder : folders) {
        bool created = false;
        if (OSErr status = MakeFolder(folder, &created, &rightsNeeded))
            return status == dupFNErr && folder == vendor ? kGammaFolderUnavailableErr : status;
        if (rightsNeeded)
            break;
        if (folder == tonevault && !created)
            OpenToGroup(tonevault, "-R g+w");
    }
    if (rightsNeeded) {
        // Granted or refused, the folders' presence decides below.
        (void)MakeWithRights(glue, folders, std::string());
        if (LookUpFolder(vendor) != noErr)
            return kGammaFolderUnavailableErr;
        for (const std::string& folder : folders)
            if (OSErr status = LookUpFolder(folder))
                return status;
    }

    if (!named) {
        // No printer to name the folder after: no gamma file at all, rather than the
        // previous printer's.
        glue->gammaFileSpec = FSSpec{};
        return kNoGammaFileCode;
    }
    int32_t printerFolderID = 0;
    if (OSErr status = HostFolderIDForPath(printer, printerFolderID))
        return status;
    FSSpec spec{};
    spec.vRefNum = kHostVolumeRefNum;
    spec.parID = printerFolderID;
    PStrFromView(spec.name, kGammaFileName, kMaxFileNameLength);
    glue->gammaFileSpec = spec;
    const std::string gammaPath = Join(printer, kGammaFileName);
    if (OSErr status = MakeGammaFile(spec, gammaPath, &rightsNeeded))
        return status;
    if (!rightsNeeded)
        return noErr;
    if (OSErr status = MakeWithRights(glue, {}, gammaPath))
        return status;
    uint8_t hasFork = 0;
    if (OSErr status = TheFileHasResourceFork(spec, &hasFork))
        return status;
    return hasFork ? OSErr{noErr} : OSErr{fnfErr};
}

} // namespace orvane
