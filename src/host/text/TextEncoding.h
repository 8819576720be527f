// Text encodings the program meets, as the platform's encoding numbers: what each one is
// called by the host's converter, and which one is the application's own 8-bit encoding
// (the bytes of setting names in records and of the application's resource strings).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvane {

// An encoding value: base in the low 16 bits, variant and format above it.
using TextEncoding = uint32_t;

enum : TextEncoding {
    kTextEncodingMacRoman = 0,
    kTextEncodingMacJapanese = 1,
    kTextEncodingISOLatin1 = 0x0201,
    kTextEncodingUTF8 = 0x08000100,
};

// The encoding value with variant and format dropped.
constexpr TextEncoding TextEncodingBase(TextEncoding encoding) {
    return encoding & 0xFFFFu;
}

// The iconv name of one of the four encodings above; null for any other value.
//
// Mac Japanese is served by the Windows-932 table rather than strict SHIFT_JIS: both agree
// on kana and kanji, but strict SHIFT_JIS reads 0x5C and 0x7E as YEN SIGN and OVERLINE, so a
// typed "\" or "~" would come back as a different character, and it refuses the full-width
// forms (U+FF5E, U+FF0D, U+2225) that input methods produce. libcups also reads JIS83-RKSJ
// PPDs as Windows-932, so what is written here is what the print dialog shows.
const char* IconvCharsetName(TextEncoding encoding);

// The application's text encoding, in which setting names are stored: a property of the
// installation, not of the user, so that every user and every LANG reads the same names.
// Mac Japanese when the installation's language is Japanese, otherwise Mac Roman.
TextEncoding ApplicationTextEncoding();

// The length of the longest prefix of `bytes` that is at most `limit` bytes long and ends
// on a character boundary of `encoding`, so that a cut never leaves half a character.
// Bytes that are not valid text count as single characters.
size_t CompleteCharacterPrefix(std::string_view bytes, size_t limit, TextEncoding encoding);

} // namespace orvane
