#include "support/NumberText.h"

#include "host/locale/Locale.h"

#include <cstring>

namespace orvane {

char* AppendLongString(char* destination, int32_t v, bool plusSign) {
    // Work on the magnitude as an unsigned value so that INT32_MIN has one.
    uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    if (v < 0)
        *destination++ = '-';
    else if (plusSign)
        *destination++ = '+';
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count > 0)
        *destination++ = digits[--count];
    return destination;
}

void MyNumToString(int32_t v, StringPtr destination) {
    char* start = reinterpret_cast<char*>(destination + 1);
    destination[0] = static_cast<unsigned char>(AppendLongString(start, v, false) - start);
}

void MyDigitNumToString(int32_t v, int16_t d, StringPtr destination, bool keepZeros) {
    MyDigitNumToString(v, d, destination, keepZeros, GetDecimalPointCharacter());
}

void MyDigitNumToString(int32_t v, int16_t d, StringPtr destination, bool keepZeros,
                        char separator) {
    if (d < 0)
        d = 0;
    char digits[12];
    const bool negative = v < 0;
    char* start = digits;
    char* end = AppendLongString(start, v, false);
    if (negative)
        ++start; // the sign is written first, below
    const int m = static_cast<int>(end - start);

    char text[256];
    int n = 0;
    if (negative)
        text[n++] = '-';
    if (m <= d) {
        text[n++] = '0';
        text[n++] = separator;
        for (int i = 0; i < d - m && n < 250; ++i)
            text[n++] = '0';
        std::memcpy(text + n, start, static_cast<size_t>(m));
        n += m;
    } else {
        std::memcpy(text + n, start, static_cast<size_t>(m - d));
        n += m - d;
        if (d > 0) {
            text[n++] = separator;
            std::memcpy(text + n, start + (m - d), static_cast<size_t>(d));
            n += d;
        }
    }
    if (!keepZeros && d > 0) {
        while (n > 0 && text[n - 1] == '0')
            --n;
        if (n > 0 && text[n - 1] == separator)
            --n;
    }
    destination[0] = static_cast<unsigned char>(n);
    std::memcpy(destination + 1, text, static_cast<size_t>(n));
}

void MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d, int32_t* v) {
    MyStringToDigitNum(text, length, d, v, GetDecimalPointCharacter());
}

void MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d, int32_t* v,
                        char separatorChar) {
    // Unsigned arithmetic: the documented wrap-around without undefined behaviour.
    uint32_t value = 0;
    int16_t i = 0;
    bool negative = false;
    if (length > 0 && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        i = 1;
    }
    const unsigned char separator = static_cast<unsigned char>(separatorChar);
    int16_t separatorAt = -1;
    for (int16_t j = i; j < length; ++j) {
        if (text[j] == separator) {
            separatorAt = j;
            break;
        }
    }
    const auto digit = [](unsigned char c) { return static_cast<uint32_t>(c) - 48u; };
    int16_t fractionGiven = 0;
    if (separatorAt < 0) {
        for (; i < length; ++i)
            value = value * 10u + digit(text[i]);
    } else {
        for (; i < separatorAt; ++i)
            value = value * 10u + digit(text[i]);
        const int16_t after = static_cast<int16_t>(length - separatorAt - 1);
        fractionGiven = after < d ? after : d;
        for (int16_t j = 0; j < fractionGiven; ++j)
            value = value * 10u + digit(text[separatorAt + 1 + j]);
    }
    for (int16_t j = fractionGiven; j < d; ++j)
        value *= 10u;
    if (negative)
        value = 0u - value;
    *v = static_cast<int32_t>(value);
}

int32_t MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d) {
    int32_t v = 0;
    MyStringToDigitNum(text, length, d, &v);
    return v;
}

void MyStringToDigitNum(ConstStringPtr text, int16_t d, int32_t* v) {
    MyStringToDigitNum(text + 1, text[0], d, v);
}

int32_t MyStringToDigitNum(ConstStringPtr text, int16_t d) {
    return MyStringToDigitNum(text + 1, text[0], d);
}

char GetDecimalPointCharacter() {
    return HostDecimalPointCharacter();
}

int16_t GetCurrentScriptCode() {
    return HostScriptCode();
}

int32_t RestrictWithinRange(int32_t v, int32_t lo, int32_t hi) {
    if (lo > hi) {
        const int32_t t = lo;
        lo = hi;
        hi = t;
    }
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

} // namespace orvane
