// Conversions between a stored curve and the numbers derived from it: the knot table the
// spline works on, the thirteen levels generated from a gamma value, and the 256-entry
// transfer table (with its text form) that the PPD's tone block carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Types.h"
#include "tone/ToneRecords.h"

namespace orvane {

// Room a knot array needs: 1-based, one entry per slot.
inline constexpr int kKnotArraySize = kToneSlotCount + 1;

// Fills x[1 ... n] with the inputs (percent) of the curve's present slots, in slot order,
// and y[1 ... n] with their levels in percent (level / 100 in single precision); returns n
// (0 ... 13). Any level other than kNoPoint counts as present; `gamma` is not used.
// Element 0 is not touched. Both arrays need kKnotArraySize elements.
int16_t MakeTableFromCTone(float* x, float* y, const CToneInfo& tone);

// The gamma curve's output, in hundredths of a percent (0 ... 10000), at input v percent:
// (v / 100)^gamma x 10000, computed in double precision and rounded to single.
float GetGammaYPosition(float v, float gamma);

// Gamma values the user can give, as gamma x 100.
inline constexpr int32_t kMinGammaValue = 1;
inline constexpr int32_t kMaxGammaValue = 9999;

// Replaces all thirteen levels of `tone` by the gamma curve's levels for gamma = G / 100
// (each rounded to the nearest hundredth, halves up) and sets `gamma` to G. Slot 0 is
// always 0 and slot 12 always 10000. Returns paramErr, leaving `tone` unchanged, for G
// outside kMinGammaValue ... kMaxGammaValue.
OSErr MakeGammaToneInfo(CToneInfo& tone, int32_t G);

// A transfer table: entry k is the output level for the input (255 - k) / 255 of full ink,
// in hundredths on a 0 ... 255 scale: 255 x (100 - y) / 100 with y the spline's output in
// percent. So entry 0 is the full-ink input, and the identity curve gives 0, 100, ... 25500.
inline constexpr int kTransferTableSize = 256;
inline constexpr int32_t kMaxTransferLevel = 25500;

// Fills `out` from the spline through the curve's present levels. Every entry lies in
// 0 ... kMaxTransferLevel. Returns paramErr, leaving `out` unchanged, for a curve with
// fewer than two points (no valid curve has fewer).
OSErr MakeTransferTable(const CToneInfo& tone, int32_t out[kTransferTableSize]);

// Longest text of FormatTransferNumber ("-21474836.48").
inline constexpr size_t kTransferNumberMaxLength = 12;

// Writes v / 100 with up to two fraction digits, trailing zero digits and a trailing point
// dropped, and always "." as the point whatever the locale: 25500 -> "255", 12750 ->
// "127.5", 12345 -> "123.45", 5 -> "0.05", 0 -> "0". A negative v starts with "-".
// Writes at most kTransferNumberMaxLength bytes, no terminator; returns the end.
char* FormatTransferNumber(char* dst, int32_t v);
void AppendTransferNumber(std::string& dst, int32_t v);

// Longest text of FormatTransferTableText: each number followed by one separator.
inline constexpr size_t kTransferTableTextMaxLength =
    kTransferTableSize * (kTransferNumberMaxLength + 1);

// The table's text as the tone block carries it: each number followed by a line feed when
// it ends a line of ten (k mod 10 = 9) and by a tab otherwise, the last one included. So 25
// lines of ten end in a line feed and the six last numbers each end in a tab. Writes at
// most kTransferTableTextMaxLength bytes, no terminator; returns the end.
char* FormatTransferTableText(char* dst, const int32_t table[kTransferTableSize]);

} // namespace orvane
