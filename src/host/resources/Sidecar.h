// The AppleDouble sidecar "._<name>" beside a file, which carries the file's Finder
// information (type and creator) and resource fork on the host.
#pragma once

#include "host/resources/AppleDouble.h"
#include "base/Types.h"

#include <string>

namespace orvane {

// "<folder>/._<name>" for "<folder>/<name>".
std::string SidecarPath(const std::string& filePath);

// A missing or empty sidecar gives an empty image and noErr; a malformed one mapReadErr;
// an unreadable one the read's status.
OSErr ReadSidecar(const std::string& filePath, AppleDoubleImage& out);

// Writes the sidecar through ReplaceFileContents (so a failure leaves the old one).
OSErr WriteSidecar(const std::string& filePath, const AppleDoubleImage& image);

// Removes the sidecar; noErr when there is none.
OSErr DeleteSidecar(const std::string& filePath);

} // namespace orvane
