// Integers as decimal text, and digit numbers: integers counting 10^-d units, written and
// read with d fraction digits and the user's decimal separator (levels and gamma values
// are digit numbers with d = 2).
#pragma once

#include "base/Types.h"

namespace orvane {

// Writes v in decimal at `destination` (no length byte, no terminator) and returns the
// position after the last character. Negative values start with "-", non-negative ones
// with "+" only when `plusSign` is set. The most negative value is written correctly.
char* AppendLongString(char* destination, int32_t v, bool plusSign);
void MyNumToString(int32_t v, StringPtr destination);

// v / 10^d with d fraction digits and the user's separator; unless `keepZeros` is set,
// trailing zero fraction digits and a separator left last are removed (3750 -> 37.5,
// 10000 -> 100). A negative v is written with its sign first ("-0.05").
void MyDigitNumToString(int32_t v, int16_t d, StringPtr destination, bool keepZeros);
// The same with the separator given: a front end that shows numbers in its own locale.
void MyDigitNumToString(int32_t v, int16_t d, StringPtr destination, bool keepZeros,
                        char separator);

// Reads a decimal text with up to d fraction digits (further digits are ignored, not
// rounded). No character is validated: each contributes its code minus 48, arithmetic is
// 32-bit and wraps. The dialogs rely on this digit-by-digit reading; code that parses
// user input validates the text before calling it.
void MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d, int32_t* v);
int32_t MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d);
void MyStringToDigitNum(ConstStringPtr text, int16_t d, int32_t* v);
int32_t MyStringToDigitNum(ConstStringPtr text, int16_t d);
// The same with the separator given.
void MyStringToDigitNum(const unsigned char* text, int16_t length, int16_t d, int32_t* v,
                        char separator);

// The user's decimal separator ("." when there is none).
char GetDecimalPointCharacter();
// The system script code: 0 Roman, 1 Japanese.
int16_t GetCurrentScriptCode();

// v limited to the closed range between lo and hi; when lo > hi the bounds swap roles.
int32_t RestrictWithinRange(int32_t v, int32_t lo, int32_t hi);

inline int32_t LongMin(int32_t a, int32_t b) {
    return a < b ? a : b;
}
inline int32_t LongMin(int32_t a, int32_t b, int32_t c) {
    return LongMin(LongMin(a, b), c);
}
inline int32_t LongMin(int32_t a, int32_t b, int32_t c, int32_t d) {
    return LongMin(LongMin(a, b), LongMin(c, d));
}
inline int32_t LongMax(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t LongMax(int32_t a, int32_t b, int32_t c) {
    return LongMax(LongMax(a, b), c);
}
inline int32_t LongMax(int32_t a, int32_t b, int32_t c, int32_t d) {
    return LongMax(LongMax(a, b), LongMax(c, d));
}

} // namespace orvane
