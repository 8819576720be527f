// The natural cubic spline through a curve's points: the smooth curve that the graph draws
// and the transfer tables sample.
//
// Arrays are 1-based: element 0 exists but is never read or written. `x` holds the inputs
// in percent, strictly increasing; `y` the outputs in percent; `p` the second derivatives
// at the points, filled by MakeSpline and read by GetSplineYPosition. The arithmetic is
// single precision throughout (with one double-precision step in the evaluation) so that
// every build gives the same numbers; it relies on float arithmetic staying float and on
// the compiler not contracting expressions (the project builds with -ffp-contract=off).
#pragma once

#include <cstdint>

#include "base/Types.h"

namespace orvane {

// Largest point count the solver's fixed working space takes.
inline constexpr int16_t kMaxSplinePoints = 99;

// Fills p[1 ... n] with the second derivatives of the natural spline through the points
// (x[k], y[k]), k = 1 ... n; p[1] and p[n] are 0 (the natural end conditions). With n = 2
// the spline is the straight line; with n = 1 it is the constant y[1] (p[1] = 0).
// Allocates nothing. Returns paramErr, writing nothing, for n < 1 or n > kMaxSplinePoints.
OSErr MakeSpline(int16_t n, const float* x, const float* y, float* p);

// The spline's value at input v (percent), limited to 0 ... 100; a NaN result gives 0.
// A v equal to a point's input uses the interval ending at that point. Inputs outside
// x[1] ... x[n] extrapolate the first or the last interval (nothing past x[n] is read).
// With n = 1 the result is y[1] (limited), with n < 1 it is 0; neither reads past x[n].
float GetSplineYPosition(int16_t n, const float* x, const float* y, const float* p, float v);

// out[k] = GetSplineYPosition(n, x, y, p, v[k]) for k = 0 ... count - 1, the same numbers,
// found faster when successive inputs lie close together (a rising or falling series).
void GetSplineYPositions(int16_t n, const float* x, const float* y, const float* p, const float* v,
                         float* out, int count);

} // namespace orvane
