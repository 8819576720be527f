#include "tone/Spline.h"

#include <cfloat>

namespace orvane {

// The results must not depend on the machine's evaluation of float expressions: each
// operation is rounded to float as written.
static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must be evaluated in float");

namespace {

// Size of the solver's working arrays (1-based, so the largest index is kMaxSplinePoints).
constexpr int kWorkSize = 100;
static_assert(kMaxSplinePoints < kWorkSize);

// 0 ... 100, with NaN (only from degenerate knots) mapped to 0 so that callers can convert
// the result to an integer safely.
float LimitToPercent(float r) {
    if (!(r >= 0.0f)) {
        return 0.0f;
    }
    return r < 100.0f ? r : 100.0f;
}

} // namespace

OSErr MakeSpline(int16_t n, const float* x, const float* y, float* p) {
    if (n < 1 || n > kMaxSplinePoints) {
        return paramErr;
    }
    float d[kWorkSize]; // diagonal
    float u[kWorkSize]; // interval widths
    float w[kWorkSize]; // right-hand side

    // The tridiagonal system of the natural spline.
    for (int i = 2; i <= n - 1; ++i) {
        d[i] = 2.0f * (x[i + 1] - x[i - 1]);
    }
    for (int i = 1; i <= n - 1; ++i) {
        u[i] = x[i + 1] - x[i];
    }
    for (int i = 2; i <= n - 1; ++i) {
        w[i] = 6.0f * ((y[i + 1] - y[i]) / u[i] - (y[i] - y[i - 1]) / u[i - 1]);
    }
    p[1] = 0.0f;
    p[n] = 0.0f;

    // Forward elimination, then back substitution.
    for (int i = 2; i <= n - 2; ++i) {
        w[i + 1] = w[i + 1] - (u[i] * w[i]) / d[i];
        d[i + 1] = d[i + 1] - (u[i] * u[i]) / d[i];
    }
    for (int i = n - 1; i >= 2; --i) {
        p[i] = (w[i] - u[i] * p[i + 1]) / d[i];
    }
    return noErr;
}

namespace {

// The spline's value at v on interval i (1 ... n - 1), limited to 0 ... 100.
float EvaluateInterval(const float* x, const float* y, const float* p, int i, float v) {
    const float h = x[i + 1] - x[i];
    const float t = (v - x[i]) / h;
    const float s = 1.0f - t;
    const float a = t * y[i + 1] + s * y[i];
    const float q = (t * t * t - t) * p[i + 1] + (s * s * s - s) * p[i];
    const float b = h * h * q;
    const float r = static_cast<float>(static_cast<double>(a) + static_cast<double>(b) / 6.0);
    return LimitToPercent(r);
}

} // namespace

float GetSplineYPosition(int16_t n, const float* x, const float* y, const float* p, float v) {
    if (n < 2) {
        return n == 1 ? LimitToPercent(y[1]) : 0.0f;
    }
    // The first interval whose end is not below v; the last interval also takes any v
    // beyond the last point.
    int i = 1;
    while (i < n - 1 && v > x[i + 1]) {
        ++i;
    }
    return EvaluateInterval(x, y, p, i, v);
}

void GetSplineYPositions(int16_t n, const float* x, const float* y, const float* p, const float* v,
                         float* out, int count) {
    if (n < 2) {
        for (int k = 0; k < count; ++k) {
            out[k] = GetSplineYPosition(n, x, y, p, v[k]);
        }
        return;
    }
    // The interval of one input is the first guess for the next. The interval of v is the
    // one i with (i = n - 1 or v <= x[i + 1]) and (i = 1 or v > x[i]); with strictly
    // increasing inputs that is exactly the interval the single evaluation finds.
    int i = 1;
    for (int k = 0; k < count; ++k) {
        const float vk = v[k];
        while (i < n - 1 && vk > x[i + 1]) {
            ++i;
        }
        while (i > 1 && !(vk > x[i])) {
            --i;
        }
        out[k] = EvaluateInterval(x, y, p, i, vk);
    }
}

} // namespace orvane
