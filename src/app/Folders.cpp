#include "app/Folders.h"

#include "core/AppResources.h"
#include "host/files/HostPaths.h"
#include "host/folders/SystemRoot.h"
#include "host/memory/Memory.h"
#include "host/text/AppText.h"
#include "host/ui/Choosers.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace orvane {

namespace {

constexpr int16_t kPPDFolderLevelsListID = 131;
constexpr int16_t kLanguageFolderStringID = 130;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Descends into the folder named `appName` (application encoding) when it is there.
bool EnterSubfolder(ConstStringPtr appName, std::string& folder, int32_t& dirID) {
    if (appName[0] == 0)
        return false;
    std::string name;
    if (AppTextToUtf8(PStrView(appName), name) != TextConversionStatus::ok)
        return false;
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        return false;
    const std::string candidate = folder + (folder == "/" ? "" : "/") + name;
    int32_t id = 0;
    if (!IsFolder(candidate) || HostFolderIDForPath(candidate, id) != noErr)
        return false;
    folder = candidate;
    dirID = id;
    return true;
}

// A new zero-terminated copy for the caller to free with MyDisposePtr; two spare bytes as
// the platform's panel gave them.
char* CopyPath(const std::string& path) {
    char* copy = static_cast<char*>(MyNewPtrClear(path.size() + 2));
    if (copy)
        std::memcpy(copy, path.data(), path.size());
    return copy;
}

} // namespace

std::string PrinterDescriptionFolderPath() {
    return UnderSystemRoot("/etc/cups/ppd");
}

OSErr FindPreferencesFolder(int16_t* vRefNum, int32_t* dirID) {
    if (!vRefNum || !dirID)
        return paramErr;
    const std::string folder = HostPreferencesFolderPath();
    OSErr err = HostCreateFolders(folder, 0700);
    if (err != noErr)
        return err;
    int32_t id = 0;
    err = HostFolderIDForPath(folder, id);
    if (err != noErr)
        return err;
    *vRefNum = kHostVolumeRefNum;
    *dirID = id;
    return noErr;
}

OSErr FindPPDFolder_OSX(GlueRec* glue, int16_t* vRefNum, int32_t* dirID, uint8_t stopEarly) {
    if (!glue || !vRefNum || !dirID)
        return paramErr;
    std::string folder = PrinterDescriptionFolderPath();
    int32_t id = 0;
    if (!IsFolder(folder))
        return fnfErr;
    OSErr err = HostFolderIDForPath(folder, id);
    if (err != noErr)
        return err;
    *vRefNum = kHostVolumeRefNum;
    *dirID = id;

    // The two fixed levels; the first one missing ends the descent.
    for (int16_t index = 1; index <= 2; ++index) {
        if (GetAppIndString(glue, kPPDFolderLevelsListID, index, glue->folderNameBuffer) != noErr ||
            !EnterSubfolder(glue->folderNameBuffer, folder, *dirID))
            return noErr;
    }
    if (stopEarly == 1)
        return noErr;

    // The language folder of this system, else the fallback language.
    err = GetAppString(glue, kLanguageFolderStringID, glue->folderNameBuffer);
    if (err != noErr)
        return err;
    if (EnterSubfolder(glue->folderNameBuffer, folder, *dirID))
        return noErr;
    if (GetAppIndString(glue, kPPDFolderLevelsListID, 3, glue->folderNameBuffer) == noErr)
        EnterSubfolder(glue->folderNameBuffer, folder, *dirID);
    return noErr;
}

uint8_t GetPPDFolderPath(char* buffer, uint32_t size) {
    if (!buffer)
        return 0;
    const std::string path = PrinterDescriptionFolderPath();
    if (path.empty() || path.size() >= size)
        return 0;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    buffer[size - 1] = '\0';
    return 1;
}

bool MyOpenPanel(FileChooser& chooser, const char* startFolder, char** folderPath, char** filePath,
                 bool canChooseDirectories, bool canChooseFiles) {
    FileChooserRequest request;
    if (startFolder)
        request.startFolder = startFolder;
    request.canChooseDirectories = canChooseDirectories;
    request.canChooseFiles = canChooseFiles;
    const FileChooserAnswer answer = chooser.ChooseFile(request);
    if (folderPath && !answer.folderPath.empty())
        *folderPath = CopyPath(answer.folderPath);
    if (filePath && !answer.filePath.empty())
        *filePath = CopyPath(answer.filePath);
    return answer.confirmed;
}

OSErr MyEasyNavStdGetFile(FileChooser& chooser, StandardFileReply* reply, const int16_t* vRefNum,
                          const int32_t* dirID, uint8_t* isStationery, int16_t numTypes,
                          const OSType* typeList) {
    if (!reply)
        return paramErr;
    *reply = StandardFileReply{};
    if (isStationery)
        *isStationery = 0;
    if (numTypes > 0 && !typeList)
        return paramErr;

    FileChooserRequest request;
    if (vRefNum && dirID) {
        // A start place that is not a folder shows nothing at all.
        std::string folder;
        if (*vRefNum != kHostVolumeRefNum || HostPathForFolderID(*dirID, folder) != noErr ||
            !IsFolder(folder))
            return noErr;
        request.startFolder = folder;
    }
    const FileChooserAnswer answer = chooser.ChooseFile(request);
    if (!answer.confirmed || answer.filePath.empty())
        return noErr;

    FSSpec chosen{};
    OSErr err = PathToFSSpec(answer.filePath.c_str(), &chosen);
    if (err != noErr)
        return err;
    OSType type = 0, creator = 0;
    MyGetFileTypeAndCreator(chosen, &type, &creator);
    if (numTypes != -1 && numTypes >= 0 &&
        std::find(typeList, typeList + numTypes, type) == typeList + numTypes)
        return noErr;

    reply->sfGood = 1;
    reply->sfFile = chosen;
    reply->sfType = type;
    return noErr;
}

} // namespace orvane
