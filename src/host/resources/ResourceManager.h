// A small Resource Manager: typed resources in resource files, which on the host are either
// the resource fork kept in a file's AppleDouble sidecar ("._name") or a plain file whose
// data fork is a resource file (the application's own resources).
//
// An open file's resources are read once at open; later changes live in memory until
// written. Writing replaces the whole fork at once (the sidecar's other entries and Finder
// information are kept), so a failed write leaves the file as it was and the changes
// pending. Resources are handles from host/memory/Memory.h that the file owns while they
// are resources: they must be given back with ReleaseResource (or taken with
// DetachResource), never disposed of directly.
//
// Every call leaves its status for ResError. Single-threaded, like the program.
#pragma once

#include "host/files/FileTable.h" // permissions fsCurPerm ... fsRdWrPerm
#include "host/memory/Memory.h"
#include "base/Types.h"

#include <string>

namespace orvane {

// Opens the resource fork in the sidecar of the file `spec` names, and makes it the
// current resource file. Returns its reference number, or -1 with ResError set: the
// location's status (fnfErr for a missing file), eofErr when the file has no resource
// fork, mapReadErr for a damaged sidecar or fork, permErr when writing was asked for
// (fsWrPerm, fsRdWrPerm) and the sidecar cannot be written, tmfoErr when too many files
// are open. fsCurPerm gives read and write where allowed, else read only. A file that is
// already open is not read again: its reference number comes back (with write access
// added when asked for and allowed), and it stays open until closed as often as opened.
int16_t FSpOpenResFile(const FSSpec& spec, int8_t permission);
// The same for a plain file whose data fork is a resource file.
int16_t OpenResFileAtPath(const std::string& path, int8_t permission);

// Writes what was added, changed or removed (as UpdateResFile), then closes the file and
// disposes of its resource handles. The file is closed even when the write fails; ResError
// then has the write's status and the file on disk is as it was before. If it was the
// current file, the file opened before it becomes current (0 when none is left).
void CloseResFile(int16_t refNum);

OSErr ResError();
// The current resource file; 0 when none is open.
int16_t CurResFile();
// Makes an open file current (0: none, as after the last file was closed); an unknown
// reference sets resFNotFound and changes nothing.
void UseResFile(int16_t refNum);

// A resource of the current file only; the same handle on every call while it is loaded.
// Null with resNotFound when absent (resFNotFound when no file is current, memFullErr
// when its data does not fit in memory).
Handle Get1Resource(ResType type, int16_t id);
// Number of resources of a type in the current file, and the index-th of them (1-based,
// in the file's order).
int16_t Count1Resources(ResType type);
Handle Get1IndResource(ResType type, int16_t index);
// Type, ID and name of a resource (any pointer may be null); resNotFound when the handle
// is not a resource.
void GetResInfo(Handle resource, int16_t* id, ResType* type, StringPtr name);
// The reference number of the file a resource belongs to; -1 with resNotFound otherwise.
int16_t HomeResFile(Handle resource);

// Makes a handle a new resource of the current file, marked changed, so that it is written
// at the next update at the latest; the file now owns the handle. `name` may be null or
// empty (no name). addResFailed for a null handle, one that already is a resource, or a
// type and ID the file already has; wrPermErr for a file opened read-only; resFNotFound
// when no file is current.
void AddResource(Handle data, ResType type, int16_t id, ConstStringPtr name);
// Marks a resource changed: its handle's bytes are written at the next write. resNotFound
// for a handle that is not a resource, wrPermErr for a read-only file.
void ChangedResource(Handle resource);
// Writes the resource's file now if the resource is marked changed (the whole fork is
// replaced at once, so other pending changes of that file are written too).
void WriteResource(Handle resource);
// Writes the file if anything in it was added, changed or removed.
void UpdateResFile(int16_t refNum);
// Gives a resource handle back to its file (accepts null). The bytes of a changed resource
// are kept for the file's next write; unchanged edits of the handle are dropped.
void ReleaseResource(Handle resource);
// Turns a resource handle into an ordinary handle owned by the caller. A pending change
// stays pending (the bytes as they are now are written at the next write).
void DetachResource(Handle resource);
// Removes the resource from its file (from disk at the next write); the handle becomes an
// ordinary one owned by the caller. wrPermErr for a read-only file.
void RemoveResource(Handle resource);

// Gives a file an empty resource fork, creating the file (empty data fork) when missing;
// FSpCreateResFile also sets the file's type and creator. dupFNErr when the file already
// has a non-empty fork, mapReadErr when its sidecar is damaged (left alone), the location's
// or the write's status otherwise. A file created here is removed again if its fork cannot
// be written. `scriptTag` is accepted for the platform's signature and unused.
void FSpCreateResFile(const FSSpec& spec, OSType creator, OSType fileType, int16_t scriptTag);
void HCreateResFile(int16_t vRefNum, int32_t dirID, ConstStringPtr name);

} // namespace orvane
