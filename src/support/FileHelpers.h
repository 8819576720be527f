// File-system helpers called with a file's location: the three values volume reference,
// parent folder ID and name (P-string of at most 63 bytes), or an FSSpec holding the same
// three (the FSSpec forms only unpack it). Each returns a status and never shows anything.
// Type and creator live in the file's sidecar Finder information, resource forks in the
// sidecar's resource-fork entry.
#pragma once

#include "base/Types.h"

namespace orvane {

// fnfErr for an empty name (without touching the disk); otherwise the look-up's status
// when the item is missing, dupFNErr when it is a folder, noErr when it is a file.
OSErr FindNamedFile(int16_t vRefNum, int32_t parID, ConstStringPtr name);
OSErr FindNamedFile(const FSSpec& spec);

// Creates an empty file (no type, creator or resource fork); dupFNErr when the name is
// taken. A stale sidecar left behind by an earlier file of that name is removed.
OSErr MyOnlyCreateFile(int16_t vRefNum, int32_t parID, ConstStringPtr name);
OSErr MyOnlyCreateFile(const FSSpec& spec);

// Deletes a file and its sidecar; dupFNErr for a folder.
OSErr MyDeleteFile(int16_t vRefNum, int32_t parID, ConstStringPtr name);
OSErr MyDeleteFile(const FSSpec& spec);

// Replaces the type and creator in the file's Finder information; the status of reading
// it (fnfErr for a missing file, which is not created) or of writing it.
OSErr MySetFileTypeAndCreator(int16_t vRefNum, int32_t parID, ConstStringPtr name, OSType type,
                              OSType creator);
OSErr MySetFileTypeAndCreator(const FSSpec& spec, OSType type, OSType creator);
// The out values are written even when the read fails (0 then).
OSErr MyGetFileTypeAndCreator(const FSSpec& spec, OSType* type, OSType* creator);

// Gives the file an empty resource fork, creating the file if it is missing; dupFNErr
// when it already has a non-empty fork.
OSErr MyCreateResFile(int16_t vRefNum, int32_t parID, ConstStringPtr name);
OSErr MyCreateResFile(const FSSpec& spec);

// *hasFork = 1 when the file's resource fork is not empty, else 0.
OSErr TheFileHasResourceFork(const FSSpec& spec, uint8_t* hasFork);

// Opens the file's resource fork for reading and writing, or with the given permission.
// The Resource Manager's status, or openErr when no reference came back; *refNum is set
// only on success.
OSErr MyOpenResFile(int16_t vRefNum, int32_t parID, ConstStringPtr name, int16_t* refNum);
OSErr MyOpenResFileWithPermission(int16_t vRefNum, int32_t parID, ConstStringPtr name,
                                  int8_t permission, int16_t* refNum);

// The location of an open file; *isDataFork (when given) is 1 for a data fork, 0 for a
// resource file.
OSErr FileRefNumToFileLocation(int16_t refNum, FSSpec* spec, uint8_t* isDataFork = nullptr);

// Creates a folder and returns its ID. An existing folder of that name is deleted with
// everything in it first, unless something in it cannot be deleted (then it is kept and
// its ID returned); a file of that name gives dupFNErr.
OSErr MyCreateFolder(int16_t vRefNum, int32_t parID, ConstStringPtr name, int32_t* newFolderID);
OSErr MyCreateFolder(const FSSpec& spec, int32_t* newFolderID);

// Deletes a folder with everything in it. Symbolic links inside are removed as links and
// never followed; other file systems mounted inside are left alone. Items that cannot be
// deleted stay, and the status is then that of deleting the folder itself (fBsyErr).
OSErr MyDeleteDirectory(int16_t vRefNum, int32_t folderID);

} // namespace orvane
