// Replacing a file's whole contents so that a failure never leaves a half-written file.
//
// The new bytes go to a temporary file in the same folder, which is flushed to disk and
// renamed over the old file, keeping its mode, owner and group. Another reader sees the
// old bytes or the new ones, never a mixture. Where the folder does not allow that (a file
// the user may write in a folder the user may not), nothing is written: such files belong
// to the system and are changed through the installer, which can rename there.
#pragma once

#include "base/Types.h"

#include <cstddef>
#include <span>
#include <string>

namespace orvane {

// Replaces (or creates) the file at `path`; a symbolic link is followed and its target
// replaced. noErr, or the failing step's status: permErr when the folder cannot be written
// or the file's owner could not be kept, fnfErr when the folder is missing, ioErr (or the
// injected status) for a failed write.
[[nodiscard]] OSErr ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes);

// Removes what killed replacements of `path` left beside it: files named as its temporary
// files are (".<name>.orvane-XXXXXX"), plain files of the user the program runs as, and
// nothing else. The caller holds the file's lock, so that no replacement of it is running.
// Returns how many it removed.
int RemoveLeftoverTemporaries(const std::string& path);

// Test seam: while alive, ReplaceFileContents fails once with `status`, when more than
// `bytesBeforeFailure` bytes of new contents in all (counted across calls) would have been
// written; later calls succeed, so a caller's own recovery can be observed.
class ScopedWriteFailure {
public:
    explicit ScopedWriteFailure(size_t bytesBeforeFailure, OSErr status = ioErr);
    ~ScopedWriteFailure();
    ScopedWriteFailure(const ScopedWriteFailure&) = delete;
    ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;
};

// Test seam: while alive, flushing the temporary file of a replacement fails.
class ScopedSyncFailure {
public:
    ScopedSyncFailure();
    ~ScopedSyncFailure();
    ScopedSyncFailure(const ScopedSyncFailure&) = delete;
    ScopedSyncFailure& operator=(const ScopedSyncFailure&) = delete;
};

} // namespace orvane
