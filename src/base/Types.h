// Basic types: P-strings, four-character codes and file locations (statuses are in
// base/Status.h), with the meanings the rest of the program relies on.
#pragma once

#include "base/Status.h"

#include <cstddef>
#include <cstdint>

namespace orvane {

// Four-character codes ('Tone', 'VrTn', 'pref') as the big-endian value of their bytes.
using FourCharCode = uint32_t;
using ResType = FourCharCode;
using OSType = FourCharCode;

constexpr FourCharCode MakeFourCC(const char (&s)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(s[3]));
}

// P-strings: byte 0 is the length, bytes 1 ... length the characters, no terminator.
using Str255 = unsigned char[256];
using Str63 = unsigned char[64];
using Str32 = unsigned char[33];
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;

// A file's location: volume reference, parent folder ID and name (P-string of at most 63
// bytes). The 70-byte layout is stored inside records, so it keeps the platform's 2-byte
// alignment; it is always copied as bytes, never byte-swapped.
#pragma pack(push, 2)
struct FSSpec {
    int16_t vRefNum;
    int32_t parID;
    Str63 name;
};
#pragma pack(pop)
static_assert(sizeof(FSSpec) == 70);
static_assert(offsetof(FSSpec, parID) == 2);
static_assert(offsetof(FSSpec, name) == 6);

} // namespace orvane
