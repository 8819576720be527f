// The folders the program looks in and the two ways the user picks a PPD file.
//
// On this host the preferences folder is $XDG_CONFIG_HOME (else ~/.config), created when
// missing, and the printer-description folder is <system root>/etc/cups/ppd on every
// system level (see SystemRoot.h); the subfolders named in the application's resources
// are looked up below it and normally simply are not there. The pickers go through the
// file chooser the front end installed (host/ui/Choosers.h).
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/ui/Choosers.h"

#include <string>

namespace orvane {

// The printer-description folder's path (it need not exist).
std::string PrinterDescriptionFolderPath();

// The preferences folder, created (with its parents) when missing.
OSErr FindPreferencesFolder(int16_t* vRefNum, int32_t* dirID);

// The printer-description folder, then as deep as the resources' subfolder names lead:
// 'STR#' 131 items 1 and 2, and unless `stopEarly` is 1 the language folder ('STR ' 130,
// else 'STR#' 131 item 3). A level that is not there ends the descent without error; the
// result is the deepest folder found. fnfErr when the printer-description folder itself is
// missing, resNotFound when 'STR ' 130 is needed and missing.
OSErr FindPPDFolder_OSX(GlueRec* glue, int16_t* vRefNum, int32_t* dirID, uint8_t stopEarly);

// Writes the printer-description folder's path with its terminator when it fits in `size`
// bytes (a path of exactly `size` bytes does not). 1 when written, 0 otherwise.
uint8_t GetPPDFolderPath(char* buffer, uint32_t size);

// Runs the file chooser starting in `startFolder` (may be null). Whatever the outcome, the
// chosen folder's and file's paths are handed back (when known and the out-pointer given)
// as new zero-terminated UTF-8 copies the caller frees with MyDisposePtr. True when the
// user confirmed.
bool MyOpenPanel(FileChooser& chooser, const char* startFolder, char** folderPath, char** filePath,
                 bool canChooseDirectories, bool canChooseFiles);

// The get-file dialog's answer.
struct StandardFileReply {
    uint8_t sfGood = 0; // a file was chosen
    uint8_t sfReplacing = 0;
    OSType sfType = 0; // the file's type
    FSSpec sfFile{};   // the file chosen
    int16_t sfScript = 0;
    uint16_t sfFlags = 0; // the file's Finder flags
    uint8_t sfIsFolder = 0;
    uint8_t sfIsVolume = 0;
};

// The get-file dialog over the file chooser. With both `vRefNum` and `dirID` given it
// starts in that folder, which must exist (otherwise nothing is shown, reply.sfGood is 0
// and the result noErr). `numTypes` -1 offers every file; otherwise only files of the
// listed types can be chosen (a chosen file of another type counts as cancelled). A
// cancel is no error: noErr with reply.sfGood 0. The chosen path's status when it cannot be
// described as a location.
OSErr MyEasyNavStdGetFile(FileChooser& chooser, StandardFileReply* reply, const int16_t* vRefNum,
                          const int32_t* dirID, uint8_t* isStationery, int16_t numTypes,
                          const OSType* typeList);

} // namespace orvane
