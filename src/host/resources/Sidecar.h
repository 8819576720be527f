// The AppleDouble sidecar "._<name>" beside a file, which carries the file's Finder
// information (type and creator) and resource fork on the host.
#pragma once

#include "base/Types.h"
#include "host/resources/AppleDouble.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// "<folder>/._<name>" for "<folder>/<name>".
std::string SidecarPath(const std::string& filePath);

// A missing or empty sidecar gives an empty image and noErr; a malformed one mapReadErr;
// an unreadable one the read's status.
OSErr ReadSidecar(const std::string& filePath, AppleDoubleImage& out);

// Writes the sidecar through ReplaceFileContents (so a failure leaves the old one).
OSErr WriteSidecar(const std::string& filePath, const AppleDoubleImage& image);

// The bytes of a sidecar that holds `oldSidecar`'s contents (empty: none) with resource
// `type`/`id` set to `data` (added, unnamed, when it is not there): what writing that one
// resource through the Resource Manager would leave, composed in memory so that a caller
// can replace the sidecar together with another file. mapReadErr for a damaged sidecar.
OSErr SidecarWithResource(std::span<const uint8_t> oldSidecar, ResType type, int16_t id,
                          std::span<const uint8_t> data, std::vector<uint8_t>& out);

// Removes the sidecar; noErr when there is none.
OSErr DeleteSidecar(const std::string& filePath);

} // namespace orvane
