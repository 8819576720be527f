// Basic types of the support library: status codes, P-strings, four-character codes and
// file locations, with the meanings the rest of the program relies on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

// A 16-bit status: 0 success, negative platform codes, positive codes 1001 ... 1011 for the
// program's own messages (see app/Alerts.h).
using OSErr = int16_t;
using OSStatus = int32_t;

enum : OSErr {
    noErr = 0,
    openErr = -23,     // file not opened (or no reference came back from an open)
    ioErr = -36,       // I/O error
    bdNamErr = -37,    // bad file name (for example longer than 63 bytes)
    eofErr = -39,      // end of file, also an empty or reversed range
    posErr = -40,      // position before the start of the file
    tmfoErr = -42,     // too many files open
    fnfErr = -43,      // file or folder not found
    wPrErr = -44,      // volume write-protected
    fLckdErr = -45,    // file locked
    fBsyErr = -47,     // file or folder busy
    dupFNErr = -48,    // name already taken (for example by a folder)
    opWrErr = -49,     // file already open for writing
    paramErr = -50,    // bad argument
    rfNumErr = -51,    // bad reference number
    permErr = -54,     // permission denied
    wrPermErr = -61,   // not open for writing
    memFullErr = -108, // out of memory
    dirNFErr = -120,   // folder not found
    userCanceledErr = -128,
    resNotFound = -192,  // resource (or a resource text) not found
    resFNotFound = -193, // resource file not found
    addResFailed = -194,
    rmvResFailed = -196,
    resAttrErr = -198,
    mapReadErr = -199, // resource map unreadable or malformed
    eventNotHandledErr = -9874,
};

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
