// The classic resource-file format (a resource fork's bytes), parsed into and laid out from
// a plain in-memory image. No file I/O happens here.
//
// Layout: a 16-byte header (data offset, map offset, data length, map length, all
// big-endian u32); the data area, where each resource is a u32 length followed by its
// bytes; the resource map (a copy of the header, reserved handle and file-reference
// words, file attributes, offsets of the type list and the name list, the type list with
// its reference lists, then the name list of length-prefixed names).
#pragma once

#include "base/Types.h"

#include <span>
#include <string>
#include <vector>

namespace orvane {

// Attribute bits of a resource as stored in its reference.
enum : uint8_t {
    kResChanged = 0x02,
    kResPreload = 0x04,
    kResProtected = 0x08,
    kResLocked = 0x10,
    kResPurgeable = 0x20,
    kResSysHeap = 0x40,
};

// Attribute bits of the whole resource map.
enum : uint16_t {
    kMapChanged = 0x0020,
    kMapCompact = 0x0040,
    kMapReadOnly = 0x0080,
};

// Where the writer puts the data area: the platform reserves the first 256 bytes of a fork
// (the header, then zeros).
inline constexpr uint32_t kResourceDataOffset = 256;

struct ResourceEntry {
    ResType type = 0;
    int16_t id = 0;
    uint8_t attributes = 0; // resource attribute bits as stored in the reference list
    bool hasName = false;   // a reference with name offset 0xFFFF has no name
    std::string name;       // raw bytes (application text encoding), at most 255
    std::vector<uint8_t> data;

    bool operator==(const ResourceEntry&) const = default;
};

struct ResourceForkImage {
    uint16_t fileAttributes = 0;
    std::vector<ResourceEntry> entries; // in the order of the type list and reference lists

    bool operator==(const ResourceForkImage&) const = default;
};

// Parses a resource fork. An empty span is a valid empty fork. Offsets may point anywhere
// as long as the parts fit; anything malformed (offsets or lengths outside the span,
// data or map over the header or over each other, counts that do not fit, reference lists
// outside the map or over the type list or over each other, a name past the name list,
// resource data outside the data area or over another resource's data, a type listed
// twice, two resources with the same type and ID) gives mapReadErr and leaves `out`
// empty; the parser never reads outside `bytes`.
OSErr ParseResourceFork(std::span<const uint8_t> bytes, ResourceForkImage& out);

// Lays out a fork: header at 0, data at 256, the map after the data; types in the order
// they first appear among the entries, each type's references in entry order, data in
// entry order, names in entry order. The header copy at the start of the map is written
// out, the reserved words as 0. The layout is computed before any byte is written.
// Returns paramErr when the image cannot be laid out (a name over 255 bytes, a duplicate
// type and ID, more than 32768 resources of one type, data past the 24-bit data offsets,
// reference lists or names past the 16-bit map offsets) and leaves `out` empty. An empty
// image gives the 286-byte empty fork.
OSErr SerializeResourceFork(const ResourceForkImage& image, std::vector<uint8_t>& out);

} // namespace orvane
