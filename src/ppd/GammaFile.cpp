#include "ppd/GammaFile.h"

#include "host/bundle/BundleConfig.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/folders/SystemRoot.h"
#include "host/resources/Sidecar.h"
#include "ppd/Permissions.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr const char* kApplicationSupportFolder = "/var/lib";
constexpr const char* kTonevaultFolderName = "Tonevault";
constexpr size_t kOemNameBufferSize = 1024;
constexpr size_t kMaxFolderNameLength = 255;
// The longest vendor-folder path asked for with administrator rights: 254 bytes, so that
// with its terminator it fits the 255 characters of a P-string, the form in which this
// program keeps names and paths. A longer path is never cut (that would create another
// folder); the folder then counts as unavailable.
constexpr size_t kMaxAuthPathLength = 254;
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

// The vendor folder, created by this process or else with administrator rights.
OSErr MakeVendorFolder(const std::string& applicationSupport, const std::string& vendorName) {
    const std::string vendor = Join(applicationSupport, vendorName);
    OSErr status = LookUpFolder(vendor);
    if (status != fnfErr)
        return status;
    if (CreateFolder(vendor) == noErr)
        return noErr;

    // Perhaps someone else made it meanwhile; if not, ask for the rights to make it. The
    // tool has ended when checkAuth returns, so the folder is there now or will not be.
    std::string probe;
    if (createFile(applicationSupport.c_str(), vendorName.c_str(), &probe, 1) == fnfErr) {
        const std::string authPath = applicationSupport + "/" + vendorName;
        // Granted or refused, the folder's presence below decides: a refusal leaves it
        // missing, which is the failure this step reports.
        if (authPath.size() <= kMaxAuthPathLength)
            (void)checkAuth(authPath.c_str());
    }
    if (LookUpFolder(vendor) != noErr)
        return kGammaFolderUnavailableErr;
    return noErr;
}

// A folder inside one that exists: created (and made group-writable) when missing.
OSErr MakeFolder(const std::string& path, bool* created) {
    *created = false;
    OSErr status = LookUpFolder(path);
    if (status != fnfErr)
        return status;
    if ((status = CreateFolder(path)) != noErr)
        return status;
    *created = true;
    OpenToGroup(path, "g+w");
    return noErr;
}

// The gamma file in the printer's folder, created empty with its type and creator when
// missing. Anything that is not a file but holds the name (a dangling link) is removed.
OSErr MakeGammaFile(const FSSpec& spec, const std::string& path) {
    OSErr status = FindNamedFile(spec);
    if (status != fnfErr)
        return status;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        DeleteSidecar(path);
    }
    if ((status = MyOnlyCreateFile(spec)) != noErr)
        return status;
    if ((status = MySetFileTypeAndCreator(spec, kGammaFileType, kGammaFileCreator)) != noErr)
        return status;
    OpenToGroup(path, "g+w");
    return noErr;
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

    // The vendor folder, then "Tonevault" in it: a new one group-writable, an existing one
    // with everything in it, so that every user of the group can write every gamma file.
    if (OSErr status = MakeVendorFolder(applicationSupport, vendorName))
        return status;
    const std::string tonevault = Join(Join(applicationSupport, vendorName), kTonevaultFolderName);
    bool created = false;
    if (OSErr status = MakeFolder(tonevault, &created))
        return status;
    if (!created)
        OpenToGroup(tonevault, "-R g+w");

    if (glue->ppdNickname[0] == 0) {
        // No printer to name the folder after: no gamma file at all, rather than the
        // previous printer's.
        glue->gammaFileSpec = FSSpec{};
        return kNoGammaFileCode;
    }

    // The printer's folder and the gamma file in it.
    const std::string printer = Join(tonevault, GammaFolderName(PStrView(glue->ppdNickname)));
    if (OSErr status = MakeFolder(printer, &created))
        return status;
    int32_t printerFolderID = 0;
    if (OSErr status = HostFolderIDForPath(printer, printerFolderID))
        return status;
    FSSpec spec{};
    spec.vRefNum = kHostVolumeRefNum;
    spec.parID = printerFolderID;
    PStrFromView(spec.name, kGammaFileName, kMaxFileNameLength);
    glue->gammaFileSpec = spec;
    if (OSErr status = MakeGammaFile(spec, Join(printer, kGammaFileName)))
        return status;

    uint8_t hasFork = 0;
    if (OSErr status = TheFileHasResourceFork(spec, &hasFork))
        return status;
    if (!hasFork)
        return MyCreateResFile(spec);
    return noErr;
}

} // namespace orvane
