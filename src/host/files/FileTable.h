// Reference numbers of open files: data forks opened here, and resource files opened by the
// resource layer, share one table so that a reference number names one open file whatever
// its kind. Reference numbers are positive and never 0.
#pragma once

#include "base/Types.h"

#include <string>

namespace orvane {

enum : int8_t { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };
enum : int16_t { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3 };

// Opens a file's data fork. fsCurPerm gives read and write where the file allows it, else
// read only. fnfErr for a missing file (or a folder), permErr when the permission is
// refused, tmfoErr when the table is full. *refNum is 0 on failure.
OSErr FSpOpenDF(const FSSpec& spec, int8_t permission, int16_t* refNum);
// Closes an open data fork; rfNumErr for anything else.
OSErr FSClose(int16_t refNum);

// Reads *count bytes at the mark and advances it. eofErr when the file ended first; *count
// is then the number actually read. permErr when the fork is not open for reading.
OSErr FSRead(int16_t refNum, int32_t* count, void* buffer);
// Writes *count bytes at the mark, extending the file as needed. wrPermErr when the fork
// is not open for writing; *count is the number written.
OSErr FSWrite(int16_t refNum, int32_t* count, const void* buffer);

OSErr GetEOF(int16_t refNum, int32_t* logicalEOF);
// Sets the length (wrPermErr on a read-only open); a mark past the new end moves to it.
OSErr SetEOF(int16_t refNum, int32_t logicalEOF);
OSErr GetFPos(int16_t refNum, int32_t* position);
// Moves the mark. A position before the start gives posErr and leaves the mark; one past
// the end gives eofErr with the mark at the end.
OSErr SetFPos(int16_t refNum, int16_t positionMode, int32_t offset);

// The location of an open file and whether the reference is a data fork (else a resource
// file); rfNumErr for an unknown reference.
OSErr FileRefLocation(int16_t refNum, FSSpec& spec, bool& isDataFork);
// The host path of an open file (data fork or resource file); rfNumErr when unknown.
OSErr FileRefPath(int16_t refNum, std::string& path);

// For the resource layer: a reference number for a resource file it opened (the fork of
// `spec`, or a plain file whose data fork is a resource file); 0 when the table is full.
// The resource layer keeps the file's contents itself; the table only names it.
int16_t RegisterResourceFileRef(const FSSpec& spec);
int16_t RegisterResourceFileRef(const std::string& path);
// Forgets a resource-file reference; rfNumErr when it is not one.
OSErr UnregisterFileRef(int16_t refNum);

} // namespace orvane
