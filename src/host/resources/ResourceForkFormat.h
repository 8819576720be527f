// The classic resource-file format (a resource fork's bytes), parsed into and laid out from
// a plain in-memory image. No file I/O happens here.
//
// Layout: a 16-byte header (data offset, map offset, data length, map length, all
// big-endian u32); the data area, where each resource is a u32 length followed by its
// bytes; the resource map (a copy of the header, reserved handle and file-reference
// words, file attributes, offsets of the type list and the name list, the type list with
// its reference lists, then the name list of length-prefixed names).
#pragma once

#include "support/Types.h"

#include <span>
#include <string>
#include <vector>

namespace orvane {

struct ResourceEntry {
    ResType type = 0;
    int16_t id = 0;
    uint8_t attributes = 0;      // resource attribute bits as stored in the reference list
    bool hasName = false;        // a reference with name offset 0xFFFF has no name
    std::string name;            // raw bytes (application text encoding), at most 255
    std::vector<uint8_t> data;
};

struct ResourceForkImage {
    uint16_t fileAttributes = 0;
    std::vector<ResourceEntry> entries; // in the order of the type list and reference lists
};

// Parses a resource fork. An empty span is a valid empty fork. Anything malformed (offsets
// or lengths outside the span, counts that do not fit, a name past the name list, two
// resources with the same type and ID) gives mapReadErr and leaves `out` empty; the parser
// never reads outside `bytes`.
OSErr ParseResourceFork(std::span<const uint8_t> bytes, ResourceForkImage& out);

// Lays out a fork: types in the order they first appear among the entries, each type's
// references in entry order, data in entry order, names in entry order. The layout is
// computed before any byte is written. Returns paramErr when the image cannot be laid out
// (a name over 255 bytes, a duplicate type and ID, more than 2727 types) and leaves `out`
// empty.
OSErr SerializeResourceFork(const ResourceForkImage& image, std::vector<uint8_t>& out);

} // namespace orvane
