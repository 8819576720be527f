// Asking the privileged installer (orvane-install, src/install) to replace a PPD or a gamma
// file and its settings record, or to make the gamma files' folders: one request for
// administrator rights per change, the new bytes handed over on the installer's standard
// input. The installer checks every path, never follows a symbolic link, keeps owner, group
// and mode, and replaces the files together (host/files/FileCommit.h).
#pragma once

#include "base/Types.h"
#include "host/rights/AdminRights.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

struct InstallFile {
    std::string path; // absolute
    std::span<const uint8_t> bytes;
    // The ContentDigest of what the caller read (kAbsentDigest: absent); see FileReplacement.
    std::optional<uint64_t> unchangedSince;
};

struct InstallRequest {
    std::vector<std::string> folders; // gamma folders to make, outermost first
    std::vector<InstallFile> files;   // a PPD or gamma file, then its record
};

struct InstallResult {
    OSErr status = noErr; // the request's or the installer's; see InstallWithAdminRights
    AdminRefusal refusal; // when the rights were refused
    std::string message;  // the installer's own words when it failed (UTF-8, one line)
    std::vector<std::string> completed; // earlier interrupted saves it completed first
};

// The request's bytes, as the installer reads them.
std::vector<uint8_t> ComposeInstallRequest(const InstallRequest& request);

// The installer: ORVANE_INSTALLER when set, else the build tree's when it is there, else the
// installed one.
std::string InstallerPath();

// Runs the installer once with administrator rights from `rights`. noErr when done; the
// refusal's status (refusal filled) when the rights were refused; otherwise what the
// installer's exit says: ioErr (its write failed), paramErr (a malformed request), permErr
// (a path it refuses, or it ran without the rights it needs), dskFulErr, kChangedOnDiskCode
// (a file changed since it was read), or the start status of the installer (fnfErr when it
// is not installed).
InstallResult InstallWithAdminRights(AdminRights& rights, const InstallRequest& request);

} // namespace orvane
