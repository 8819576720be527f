// Replacing a few files of one folder together (a PPD and its "._" sidecar, a gamma file and
// its sidecar), so that whenever the process dies the next run finds all of them as they
// were or all of them as they were to become, never a mixture, and never a file half
// written.
//
// A commit, with the folder locked:
//   1. a journal ".<first name>.orvane-commit-XXXXXX" names the staged files to come and the
//      targets they replace, ending in a checksum so that a journal cut short is recognised;
//      it and the folder are flushed;
//   2. each new content goes to its staged file ".<name>.orvane-new-XXXXXX" in the same
//      folder, created empty and private, given the target's owner, group and mode, written
//      and flushed;
//   3. the line "commit" is appended to the journal and flushed: from here on the commit
//      counts as made;
//   4. each staged file is renamed onto its target, the folder flushed, the journal removed.
//
// Recovery finds the journals of this program in the folder. A committed one is carried out
// (the staged files still there are renamed onto their targets); any other is removed with
// the staged files it names; and so is every staged file of the user the program runs as
// that no journal names. Only files of exactly these name patterns are ever touched, and a
// journal is believed only when it is a private regular file of that user or of root. A
// commit recovers first, so an older interrupted commit can never be completed over a newer
// one.
#pragma once

#include "base/Types.h"
#include "host/files/FileLock.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvane {

// One file to replace: its name in the folder (no '/') and its new contents.
struct FileReplacement {
    std::string name;
    std::span<const uint8_t> bytes;
};

// At most this many files are replaced together.
inline constexpr size_t kMaxCommitFiles = 4;

struct FileCommitOptions {
    // The mode of the new files when none of the targets exists yet (they then belong to
    // the user the program runs as). Otherwise each file keeps its owner, group and mode,
    // and one that does not exist yet takes those of the first that does. Either way, write access
    // for others and the set-ID and sticky bits are dropped: a file this program replaces is never
    // left writable by everybody.
    mode_t newFileMode = 0644;
};

// What a recovery found and did.
struct FileCommitRecovery {
    std::vector<std::string> completed; // targets of interrupted commits, now completed
    std::vector<std::string> removed;   // leftovers of this program removed
    std::vector<std::string> pending;   // targets of an interrupted commit left incomplete
};

struct FileCommitReport {
    FileCommitRecovery recovered; // what the recovery before the commit did
    // The commit got past its journal: even when it reports a failure, the new contents are
    // what the next reader sees once a recovery has run (the journal stays for it).
    bool committed = false;
};

// Replaces `files` (1 to kMaxCommitFiles distinct names) in the folder held by `folder`,
// after a recovery of that folder. Every target must be a regular file or absent; a
// symbolic link or anything else gives permErr before anything is written. paramErr for
// an unlocked folder or a bad list, bdNamErr for a name that cannot be a target. A
// recovery that leaves an interrupted commit incomplete stops the commit with its status.
// Otherwise noErr or the failing step's status.
[[nodiscard]] OSErr CommitFilesIn(const FolderLock& folder, std::span<const FileReplacement> files,
                                  const FileCommitOptions& options = {},
                                  FileCommitReport* report = nullptr);

// The recovery on its own, for the folder held by `folder`. noErr unless a complete journal
// could not be carried out here (typically permErr for a user in a folder of root's): its
// targets are then in `pending` and still show their old contents. Leftovers that cannot
// be removed are left alone; they never make a file look different.
[[nodiscard]] OSErr RecoverFileCommitsIn(const FolderLock& folder,
                                         FileCommitRecovery* report = nullptr);

// The same with the folder given by its path: lock (waiting at most `waitMilliseconds`,
// negative for no limit), then as above.
[[nodiscard]] OSErr CommitFiles(const std::string& folder, std::span<const FileReplacement> files,
                                const FileCommitOptions& options = {},
                                FileCommitReport* report = nullptr, int waitMilliseconds = -1);
[[nodiscard]] OSErr RecoverFileCommits(const std::string& folder,
                                       FileCommitRecovery* report = nullptr,
                                       int waitMilliseconds = -1);

// Test seam: while alive, the `step`-th change to the disk made by commits and recoveries
// (1-based, counted from construction: each create, write, fsync, rename, unlink, chown and
// chmod) fails with `status`, or, with Kind::Kill, stops its commit or recovery dead as if
// the process had been killed at that instant: nothing after it runs, nothing is cleaned up
// (a killed write leaves half of its bytes), and the call returns `status`. It fires once;
// step 0 never fires, which counts the steps of a run.
class ScopedFileCommitFault {
public:
    enum class Kind { Fail, Kill };
    explicit ScopedFileCommitFault(int step, Kind kind = Kind::Fail, OSErr status = ioErr);
    ~ScopedFileCommitFault();
    ScopedFileCommitFault(const ScopedFileCommitFault&) = delete;
    ScopedFileCommitFault& operator=(const ScopedFileCommitFault&) = delete;

    int StepsCounted() const;
    bool Fired() const;
};

} // namespace orvane
