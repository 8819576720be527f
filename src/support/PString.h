// P-strings (a length byte followed by up to 255 bytes) and byte blocks. Comparisons are
// byte comparisons: unsigned and case-sensitive.
#pragma once

#include "base/PStringView.h"
#include "base/Types.h"
#include "host/memory/Memory.h"

#include <string>
#include <string_view>

namespace orvane {

// Copies the length byte and the characters; source and destination may overlap.
void MyPStrCopy(ConstStringPtr source, StringPtr destination);
bool MyPStrEqual(ConstStringPtr a, ConstStringPtr b);
// -1, 0 or 1: unsigned bytes over the shorter length; on an equal prefix the shorter is
// the smaller.
int MyPStrCompare(ConstStringPtr a, ConstStringPtr b);
// Appends the source's characters, cut at 255; returns the new length.
int16_t MyPStrAdd(StringPtr destination, ConstStringPtr source);
// Replaces the first occurrence of `pattern` in the P-string held by `block` by
// `replacement`, growing the block if needed; returns the 1-based position of the
// replacement, or -1 when the pattern is absent, the result would exceed 255 characters
// or the block cannot grow. The block's lock state is kept.
int32_t MySafeMungerPString(Handle block, ConstStringPtr pattern, ConstStringPtr replacement);
// 1-based position of the first occurrence of the pattern in the text; 0 when there is
// none, the pattern is empty or longer than the text.
int32_t SearchString(int32_t textLength, const void* text, int32_t patternLength,
                     const void* pattern);
int32_t SearchString(int32_t textLength, const void* text, ConstStringPtr pattern);
bool MyStructureEqual(const void* a, const void* b, size_t byteCount);
void SetDataToZero(void* block, size_t byteCount);

// First occurrence of a byte in a zero-terminated string or in a counted buffer; null
// when there is none.
const char* MyStrChr(const char* text, char c);
const char* MyStrChr(const char* text, size_t length, char c);
// True when the zero-terminated string begins with the P-string's characters.
bool MyPStrCStrEqual(ConstStringPtr pstr, const char* cstr);

// Upper-case hexadecimal P-strings of a 32- or 16-bit value, optionally prefixed "0x";
// all 8 (4) digits, or without leading zeros but at least one digit.
void GetHexStringFromLongValue(uint32_t value, StringPtr destination, bool prefix, bool allDigits);
void GetHexStringFromShortValue(uint16_t value, StringPtr destination, bool prefix, bool allDigits);

} // namespace orvane
