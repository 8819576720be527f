// Finding out whether the chosen PPD (or a gamma file) may be changed by this process
// itself, or only by the privileged installer with administrator rights; with the plain
// helpers the gamma file uses (creating or probing a file by name, reading and changing an
// item's mode).
//
// Host notes: items are named by paths here where the platform had file references, and
// names are UTF-8. A PPD's settings record lives in its sidecar "._<name>". The program
// never grants write access to others: a file it may not replace itself is replaced by
// orvane-install (host/rights/InstallerClient.h), which keeps owner, group and mode. No
// command ever goes through a shell: paths are passed as single arguments.
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/rights/AdminRights.h"

#include <string>

namespace orvane {

// Buffer sizes the operations keep: longer paths are refused with paramErr, never cut.
constexpr size_t kPPDPathBufferSize = 1024;      // PPD path and its sidecar's, with terminator
constexpr size_t kModePathBufferSize = 4096;     // SetPermissionMode's path, with terminator
constexpr size_t kAuthFolderPathMaxLength = 255; // checkAuth's folder path, without terminator

// How a save reaches a file and its settings record.
enum class WriteRoute {
    Direct,    // this process replaces both itself, keeping their owner, group and mode
    Installer, // only the installer may: the folder, a file or its owner is not this user's
};

// How the chosen PPD (prefsWorking's location) and its record can be written: Direct when
// this process may create files in the PPD's folder and replace both files keeping their
// owner and group (it is root, or owns them and belongs to their group); otherwise the
// installer, with administrator rights asked for when the save runs it (one question per
// save); ORVANE_PPD_ROUTE=installer chooses the installer always. Nothing is run and
// nothing is changed here. The location's status (fnfErr for a
// missing PPD, paramErr for a missing dialog state or an over-long path); permErr when the
// PPD or its record is not a plain file (a symbolic link planted in its place is never
// written through).
[[nodiscard]] OSErr check_permission_PPD(GlueRec* glue, WriteRoute* route);

// The same for any file and its record, by path.
[[nodiscard]] OSErr WriteRouteFor(const std::string& path, WriteRoute* route);

// Has the folder at `folderPath` (absolute, at most 255 bytes) created by the installer with
// administrator rights, with group write but never write for others. noErr when the
// installer ran (the folder's presence is for the caller to check); the refusal's status
// otherwise (the flag is not touched); paramErr for a null, relative or over-long path.
[[nodiscard]] OSErr checkAuth(GlueRec* glue, const char* folderPath);

// Writes the item's 10-character mode string and a terminator into `buffer` (at least 12
// bytes). The item itself is described, not what a symbolic link points to. paramErr for a
// null argument; the look-up status when the item cannot be examined.
[[nodiscard]] OSErr GetPermissionMode(const char* path, char* buffer);
// The same for a location: paramErr for a null location, else the location's status.
[[nodiscard]] OSErr GetPermissionModeWithFSSpec(const FSSpec* spec, char* buffer);

// Changes the item's mode with "/bin/chmod" as the current user. `mode` is chmod's mode
// argument and may hold options, split at spaces ("-R g+w" is two arguments). A file's
// sidecar, when it has one, gets the same mode. The tool's exit status is not judged.
// paramErr for a null location or mode, a mode with no words, or a path that is relative or
// of 4096 bytes or more; the location's status; the tool's start status.
[[nodiscard]] OSErr SetPermissionMode(const FSSpec* spec, const char* mode);
[[nodiscard]] OSErr SetPermissionModeForPath(const char* path, const char* mode);

// Test seam: while alive, `probe` decides whether this process may write an item (a file,
// or a folder to create items in), in place of the effective user's access. Root passes
// every permission check, so tests need this to see a folder the way an ordinary user does.
class ScopedWritableProbe {
public:
    using Probe = bool (*)(const std::string& path);
    explicit ScopedWritableProbe(Probe probe);
    ~ScopedWritableProbe();
    ScopedWritableProbe(const ScopedWritableProbe&) = delete;
    ScopedWritableProbe& operator=(const ScopedWritableProbe&) = delete;

private:
    Probe previous_;
};

} // namespace orvane
