// Finding out whether the chosen PPD and the shared support folders may be changed, and
// obtaining administrator rights to make them so; with the plain helpers the gamma file
// uses (creating or probing a file by name, reading and changing an item's mode).
//
// Host notes: items are named by paths here where the platform had file references, and
// names are UTF-8. A PPD's settings record lives in its sidecar "._<name>", so making "the
// PPD" writable covers both files. No command ever goes through a shell: paths are passed
// as single arguments, whatever characters they hold.
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/rights/AdminRights.h"

#include <string>

namespace orvane {

// Buffer sizes the operations keep: longer paths and names are refused with paramErr
// (bdNamErr for a name), never cut.
constexpr size_t kPPDPathBufferSize = 1024;      // PPD path and its sidecar's, with terminator
constexpr size_t kModePathBufferSize = 4096;     // SetPermissionMode's path, with terminator
constexpr size_t kAuthFolderPathMaxLength = 255; // checkAuth's folder path, without terminator
constexpr size_t kCreateFileNameMaxLength = 255; // createFile's name in bytes (the host limit)

// Makes sure the chosen PPD (prefsWorking's location) may be changed by everyone.
//
// A PPD whose mode string is exactly "-rwxrwxrwx" is accepted without asking, provided its
// sidecar can be written (or, when missing, created) by this process. Anything else asks
// for administrator rights and runs "/bin/chmod" "go+w" <PPD> [<sidecar>], after creating a
// missing sidecar with "/usr/bin/touch" when its folder is not writable. The sidecar is left
// out of chmod when it neither exists nor is created (the program's own write creates it).
//
// noErr when the PPD was already writable or the tools ran (their exit statuses are not
// judged: a failed chmod shows up when the PPD is written); the location's status (fnfErr
// for a missing PPD, paramErr for a missing dialog state or an over-long path); a refused
// request returns the refusal's status (userCanceledErr, or kAdminUnavailableErr when nobody
// could be asked) and hands the refusal, with the sentence saying why, to *refusal (when
// given; its status is noErr after any other outcome); the start status of a tool that
// could not start. No process-wide flag is set: the caller decides what a refusal means.
[[nodiscard]] OSErr check_permission_PPD(GlueRec* glue, AdminRefusal* refusal = nullptr);

// Has the folder at `folderPath` (absolute, at most 255 bytes) created with its missing
// parents, writable for group and others: "/bin/mkdir" "-p" "-m" "go+w" <path>, with
// administrator rights. noErr when the rights were granted (the creation itself is not
// verified: the caller looks for the folder); the refusal's status otherwise (the flag is
// not touched); paramErr for a null, relative or over-long path.
[[nodiscard]] OSErr checkAuth(const char* folderPath);

// Creates an empty file `name` in the folder `parentPath`, or (keepIfExists != 0) only
// probes for an item of that name. `outPath` receives the item's path when it exists or was
// created.
// - 1 for a null parent, name or outPath, or an empty name; bdNamErr for a name holding '/',
//   ".", ".." or one over 255 bytes.
// - keepIfExists set: noErr when the item exists, else the look-up status (fnfErr when
//   missing). Nothing is created.
// - keepIfExists clear: an existing item is deleted first (a file with its sidecar, or an
//   empty folder; failure ignored), then the file is created; the creation's status.
[[nodiscard]] OSErr createFile(const char* parentPath, const char* name, std::string* outPath,
                               uint8_t keepIfExists);

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
