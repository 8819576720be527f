// Replacing a file's whole contents so that a failure never leaves a half-written file.
//
// Where the folder allows it, the new bytes go to a temporary file in the same folder,
// which is flushed to disk and renamed over the old file, keeping its mode, owner and
// group. Where only the file itself is writable (a root-owned folder in which the file was
// made writable for everyone, or a file whose owner cannot be kept, or a file with several
// hard links), it is rewritten in place after a backup copy has been put in the cache
// folder ("orvane/backups/"); any failure restores the old bytes from that copy. If even
// the restore fails, the status is restoreFailedErr and the report names the backup.
#pragma once

#include "base/Types.h"

#include <cstddef>
#include <span>
#include <string>

namespace orvane {

struct SafeWriteReport {
    bool wroteInPlace = false; // the folder did not allow a replacement by rename
    std::string backupPath;    // set only when the restore failed: the old bytes are there
};

// Replaces (or creates, where the folder allows it) the file at `path`; a symbolic link is
// followed and its target replaced. noErr, or the failing step's status: permErr when
// neither the folder nor the file can be written, fnfErr when the folder is missing,
// ioErr (or the injected status) for a failed write, restoreFailedErr as above.
OSErr ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                          SafeWriteReport* report = nullptr);

// An in-place write keeps a journal beside its backup while it runs. A process killed in
// the middle leaves the file torn and the journal behind; this puts the backed-up old bytes
// back into every such file and returns how many journals it dealt with. It never acts on
// a write still running in another process, on a journal or backup that is not the user's
// own private file, on a file that has been replaced, or on one changed well after the
// interrupted write (someone else's later change is kept). ReplaceFileContents calls it
// first; the program also calls it at start-up.
int RecoverInterruptedWrites();

// Test seam: while alive, ReplaceFileContents fails once with `status`, when more than
// `bytesBeforeFailure` bytes of new contents in all (counted across calls) would have been
// written; later calls succeed, so a caller's own recovery can be observed. With
// `failRestoreToo` the in-place restore fails as well.
class ScopedWriteFailure {
public:
    explicit ScopedWriteFailure(size_t bytesBeforeFailure, bool failRestoreToo = false,
                                OSErr status = ioErr);
    ~ScopedWriteFailure();
    ScopedWriteFailure(const ScopedWriteFailure&) = delete;
    ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;
};

// Test seam: while alive, flushing the temporary file of a replacement by rename fails.
class ScopedSyncFailure {
public:
    ScopedSyncFailure();
    ~ScopedSyncFailure();
    ScopedSyncFailure(const ScopedSyncFailure&) = delete;
    ScopedSyncFailure& operator=(const ScopedSyncFailure&) = delete;
};

// Test seam: while alive, ReplaceFileContents treats `folder` as not writable (as for an
// ordinary user in a root-owned folder), so the in-place path can be exercised even where
// permission bits do not stop the caller (root).
class ScopedUnwritableFolder {
public:
    explicit ScopedUnwritableFolder(std::string folder);
    ~ScopedUnwritableFolder();
    ScopedUnwritableFolder(const ScopedUnwritableFolder&) = delete;
    ScopedUnwritableFolder& operator=(const ScopedUnwritableFolder&) = delete;
};

} // namespace orvane
