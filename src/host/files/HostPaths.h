// File locations on the host. The program names files by FSSpec (volume, parent folder ID,
// name); on Linux a location resolves to a path through the volume catalogue, which gives
// every directory the program meets a folder ID that stays the same across runs. The
// catalogue is persisted beside the preferences, so a location saved in one run (or by
// another process) resolves to the same file in the next.
#pragma once

#include "base/Types.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// The one host volume.
constexpr int16_t kHostVolumeRefNum = -1;
// The parent of the root folder and the root folder "/" itself, as the platform numbers them.
constexpr int32_t kRootParentFolderID = 1;
constexpr int32_t kRootFolderID = 2;
// Longest name an FSSpec can hold.
constexpr size_t kMaxFileNameLength = 63;

// The preferences folder: $XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
// The cache folder: $XDG_CACHE_HOME, else ~/.cache. The environment is read on every call
// (tests redirect it); nothing is created.
std::string HostPreferencesFolderPath();
std::string HostCacheFolderPath();
// Where the catalogue lives (inside the preferences folder).
std::string HostFolderCatalogPath();

// The catalogue's text as this program reads it: a header line first (else the text counts
// as empty), then one "<id> <path>" line per folder, the path with backslash escapes for
// the bytes that would break a line. A malformed line, an ID below the assigned range, a
// relative path and a repeated ID (after its first line) are skipped. Entries in file order.
std::vector<std::pair<int32_t, std::string>> ParseFolderCatalogue(std::span<const uint8_t> bytes);
// The text that ParseFolderCatalogue reads back as `byID`.
std::string FormatFolderCatalogue(const std::map<int32_t, std::string>& byID);

// Creates `dir` and its missing parents (new folders get `mode`); noErr when it already is
// a folder, dupFNErr when a file is in the way.
OSErr HostCreateFolders(const std::string& dir, unsigned mode = 0700);

// The folder ID of an existing directory, assigned and persisted on first sight. The path
// is resolved (symbolic links, "..") first, so one folder always gets one ID. fnfErr when
// `dir` is not an existing directory; an I/O status when the catalogue cannot be written.
OSErr HostFolderIDForPath(const std::string& dir, int32_t& id);
// The directory of a folder ID; fnfErr when the ID is unknown or its folder is gone.
OSErr HostPathForFolderID(int32_t id, std::string& dir);

// The path of a location: the parent folder's path plus the name. fnfErr for another
// volume, an unknown folder ID or a vanished folder; bdNamErr for an empty name, one over
// 63 bytes, one holding '/' or NUL, and "." or "..". The item itself need not exist.
OSErr HostPathForFSSpec(const FSSpec& spec, std::string& path);
// The location of a path whose parent folder exists (the item itself need not). An
// existing item is described by its resolved path, so a symbolic link names its target.
// fnfErr when the parent is missing, bdNamErr for an empty name or one over 63 bytes (names
// are never cut). Name bytes are kept exactly as the file system has them.
OSErr HostFSSpecForPath(const std::string& path, FSSpec& out);

// The program's two named conversions. PathToFSSpec: paramErr for null arguments, else as
// HostFSSpecForPath. fSSpecToPath: paramErr for a null argument or zero size, and for a
// path that does not fit with its terminator (never truncated); else as HostPathForFSSpec.
OSErr PathToFSSpec(const char* path, FSSpec* out);
OSErr fSSpecToPath(const FSSpec* spec, char* buffer, uint32_t size);

} // namespace orvane
