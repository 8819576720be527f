#include "support/PString.h"

#include <cstring>

namespace orvane {

void MyPStrCopy(ConstStringPtr source, StringPtr destination) {
    std::memmove(destination, source, size_t{source[0]} + 1);
}

bool MyPStrEqual(ConstStringPtr a, ConstStringPtr b) {
    return a[0] == b[0] && std::memcmp(a + 1, b + 1, a[0]) == 0;
}

int MyPStrCompare(ConstStringPtr a, ConstStringPtr b) {
    const size_t shorter = a[0] < b[0] ? a[0] : b[0];
    const int c = std::memcmp(a + 1, b + 1, shorter); // memcmp compares unsigned bytes
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (a[0] == b[0])
        return 0;
    return a[0] < b[0] ? -1 : 1;
}

int16_t MyPStrAdd(StringPtr destination, ConstStringPtr source) {
    size_t add = source[0];
    if (destination[0] + add > 255)
        add = 255 - destination[0];
    std::memmove(destination + 1 + destination[0], source + 1, add);
    destination[0] = static_cast<unsigned char>(destination[0] + add);
    return destination[0];
}

int32_t MySafeMungerPString(Handle block, ConstStringPtr pattern, ConstStringPtr replacement) {
    if (!block || GetHandleSize(block) < 1)
        return -1;
    const int8_t state = HGetState(block);
    HLock(block);
    uint8_t* s = HandleData(block);
    const int32_t length = s[0];
    const int32_t found = SearchString(length, s + 1, pattern);
    if (found == 0) {
        HSetState(block, state);
        return -1;
    }
    const int32_t newLength = length - pattern[0] + replacement[0];
    if (newLength > 255) {
        HSetState(block, state);
        return -1;
    }
    if (GetHandleSize(block) < static_cast<uint32_t>(1 + newLength)) {
        HUnlock(block);
        if (MySetHandleSize(block, static_cast<uint32_t>(1 + newLength)) != noErr) {
            HSetState(block, state);
            return -1;
        }
        HLock(block);
        s = HandleData(block);
    }
    // Move the tail after the pattern to its new place, then copy the replacement in.
    const int32_t tailStart = found + pattern[0]; // 1-based index of the first tail byte
    const int32_t tailLength = length - tailStart + 1;
    std::memmove(s + found + replacement[0], s + tailStart, static_cast<size_t>(tailLength));
    std::memcpy(s + found, replacement + 1, replacement[0]);
    s[0] = static_cast<unsigned char>(newLength);
    HSetState(block, state);
    return found;
}

int32_t SearchString(int32_t textLength, const void* text, int32_t patternLength,
                     const void* pattern) {
    if (patternLength <= 0 || textLength < patternLength || !text || !pattern)
        return 0;
    const auto* t = static_cast<const uint8_t*>(text);
    const auto* p = static_cast<const uint8_t*>(pattern);
    for (int32_t i = 0; i + patternLength <= textLength; ++i) {
        if (t[i] == p[0] && std::memcmp(t + i, p, static_cast<size_t>(patternLength)) == 0)
            return i + 1;
    }
    return 0;
}

int32_t SearchString(int32_t textLength, const void* text, ConstStringPtr pattern) {
    return SearchString(textLength, text, pattern[0], pattern + 1);
}

bool MyStructureEqual(const void* a, const void* b, size_t byteCount) {
    return std::memcmp(a, b, byteCount) == 0;
}

void SetDataToZero(void* block, size_t byteCount) {
    std::memset(block, 0, byteCount);
}

const char* MyStrChr(const char* text, char c) {
    if (!text)
        return nullptr;
    for (; *text; ++text) {
        if (*text == c)
            return text;
    }
    return nullptr;
}

const char* MyStrChr(const char* text, size_t length, char c) {
    if (!text)
        return nullptr;
    return static_cast<const char*>(std::memchr(text, c, length));
}

bool MyPStrCStrEqual(ConstStringPtr pstr, const char* cstr) {
    for (size_t i = 0; i < pstr[0]; ++i) {
        if (cstr[i] == '\0' || static_cast<unsigned char>(cstr[i]) != pstr[i + 1])
            return false;
    }
    return true;
}

namespace {

void HexString(uint32_t value, int digits, StringPtr destination, bool prefix, bool allDigits) {
    static const char kDigits[] = "0123456789ABCDEF";
    unsigned char n = 0;
    if (prefix) {
        destination[++n] = '0';
        destination[++n] = 'x';
    }
    bool started = allDigits;
    for (int i = digits - 1; i >= 0; --i) {
        const unsigned nibble = (value >> (4 * i)) & 0xF;
        if (nibble != 0 || i == 0)
            started = true;
        if (started)
            destination[++n] = static_cast<unsigned char>(kDigits[nibble]);
    }
    destination[0] = n;
}

} // namespace

void GetHexStringFromLongValue(uint32_t value, StringPtr destination, bool prefix, bool allDigits) {
    HexString(value, 8, destination, prefix, allDigits);
}

void GetHexStringFromShortValue(uint16_t value, StringPtr destination, bool prefix,
                                bool allDigits) {
    HexString(value, 4, destination, prefix, allDigits);
}

} // namespace orvane
