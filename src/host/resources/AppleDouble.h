// AppleDouble sidecar files ("._name" beside a file), the format macOS writes on volumes
// without native resource forks: a version-2 header with a table of entries, of which this
// program uses entry 9 (Finder information, 32 bytes, file type and creator first) and
// entry 2 (the resource fork). No file I/O happens here.
#pragma once

#include "support/Types.h"

#include <array>
#include <span>
#include <vector>

namespace orvane {

struct AppleDoubleEntry {
    uint32_t id = 0;
    std::vector<uint8_t> data;
};

struct AppleDoubleImage {
    bool hasFinderInfo = false;
    std::array<uint8_t, 32> finderInfo{}; // type (bytes 0-3) and creator (4-7) first
    bool hasResourceFork = false;
    std::vector<uint8_t> resourceFork;    // the classic resource-fork bytes
    std::vector<AppleDoubleEntry> others; // every other entry, kept as found and written back
    std::array<uint8_t, 16> filler{};     // header bytes 8-23 ("Mac OS X        " when read)
};

// An empty span is a file without sidecar data: no Finder info, no fork. A header with the
// wrong magic or version, an entry count past the data, entries outside the file or
// overlapping the header gives mapReadErr and leaves `out` empty.
OSErr ParseAppleDouble(std::span<const uint8_t> bytes, AppleDoubleImage& out);

// Writes the header, the Finder info entry (when present), the other entries, and the
// resource fork entry last (when present), so the fork can grow without moving the rest.
std::vector<uint8_t> SerializeAppleDouble(const AppleDoubleImage& image);

// Type and creator from the Finder info (0 when absent).
OSType AppleDoubleFileType(const AppleDoubleImage& image);
OSType AppleDoubleFileCreator(const AppleDoubleImage& image);
void AppleDoubleSetTypeAndCreator(AppleDoubleImage& image, OSType type, OSType creator);

} // namespace orvane
