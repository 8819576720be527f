// Platform statuses for the errno values the host file layer meets, and small whole-file
// helpers shared by its parts.
#pragma once

#include "base/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// fnfErr for a missing item, permErr for a refused one, dupFNErr for a taken name, fBsyErr
// for a folder that still has items, bdNamErr for a name the file system refuses,
// memFullErr, tmfoErr, wPrErr for a read-only file system; ioErr otherwise.
OSErr StatusFromErrno(int error);

// Reads a whole regular file (at most `maxSize` bytes; a larger one gives ioErr, a folder
// dupFNErr).
OSErr ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                    size_t maxSize = size_t{1} << 30);

// Writes all bytes at the descriptor's offset, retrying short writes and interruptions.
OSErr WriteAllToDescriptor(int fd, const uint8_t* data, size_t length);

// Splits "dir/name" at the last slash: "/a" gives "/" and "a", "a" gives "." and "a".
// Trailing slashes are ignored.
void SplitPath(const std::string& path, std::string& dir, std::string& name);

} // namespace orvane
