// AppleDouble sidecar files ("._name" beside a file), the format macOS writes on volumes
// without native resource forks: a version-2 header with a table of entries, of which this
// program uses entry 9 (Finder information, 32 bytes, file type and creator first) and
// entry 2 (the resource fork). No file I/O happens here.
#pragma once

#include "base/Types.h"

#include <array>
#include <span>
#include <vector>

namespace orvane {

inline constexpr uint32_t kAppleDoubleResourceForkID = 2;
inline constexpr uint32_t kAppleDoubleFinderInfoID = 9;
inline constexpr size_t kAppleDoubleFinderInfoSize = 32;
// More entries than any writer produces (the format defines 15 kinds); a larger count is
// taken as damage rather than walked.
inline constexpr size_t kAppleDoubleMaxEntries = 256;

struct AppleDoubleEntry {
    uint32_t id = 0;
    std::vector<uint8_t> data;

    bool operator==(const AppleDoubleEntry&) const = default;
};

struct AppleDoubleImage {
    // Header bytes 8-23; macOS writes "Mac OS X" padded with spaces, kept as found.
    std::array<uint8_t, 16> filler{'M', 'a', 'c', ' ', 'O', 'S', ' ', 'X',
                                   ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    bool hasFinderInfo = false;
    std::array<uint8_t, 32> finderInfo{}; // type (bytes 0-3) and creator (4-7) first
    // Bytes of entry 9 past the 32 of Finder info: a sidecar written by macOS keeps the
    // file's extended attributes there. Kept byte for byte and written back in place.
    std::vector<uint8_t> finderInfoExtra;
    bool hasResourceFork = false;
    std::vector<uint8_t> resourceFork;    // the classic resource-fork bytes
    std::vector<AppleDoubleEntry> others; // every other entry, kept as found and written back

    bool operator==(const AppleDoubleImage&) const = default;
};

// An empty span is a file without sidecar data: no Finder info, no fork. A header with the
// wrong magic or version, more than kAppleDoubleMaxEntries entries, an entry table or an
// entry past the data, an entry over the header, over the table or over another entry, an
// entry ID of 0 or one that appears twice give mapReadErr and leave `out` empty. An entry 9
// shorter than 32 bytes is read as Finder info padded with zeros.
OSErr ParseAppleDouble(std::span<const uint8_t> bytes, AppleDoubleImage& out);

// Writes the header, the Finder info entry (when present), the other entries, and the
// resource fork entry last (when present), so the fork can grow without moving the rest.
// A sidecar laid out that way by macOS (Finder info first at offset 50, fork last) comes
// out byte for byte as it went in.
std::vector<uint8_t> SerializeAppleDouble(const AppleDoubleImage& image);

// Type and creator from the Finder info (0 when absent).
OSType AppleDoubleFileType(const AppleDoubleImage& image);
OSType AppleDoubleFileCreator(const AppleDoubleImage& image);
// Sets them, creating the Finder info (otherwise zero) when the image has none.
void AppleDoubleSetTypeAndCreator(AppleDoubleImage& image, OSType type, OSType creator);

} // namespace orvane
