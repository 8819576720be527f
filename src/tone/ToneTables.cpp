#include "tone/ToneTables.h"

#include <array>
#include <cmath>

#include "tone/FixedPoint.h"
#include "tone/Spline.h"

namespace orvane {

namespace {

// The inputs of the transfer table's entries, in percent: entry k samples (255 - k) / 255
// of full ink, computed in double with the double nearest to 100/255.
constexpr std::array<float, kTransferTableSize> kTransferInputs = [] {
    constexpr double kInputStep = 100.0 / 255.0;
    std::array<float, kTransferTableSize> percent{};
    for (int k = 0; k < kTransferTableSize; ++k) {
        percent[static_cast<size_t>(k)] =
            static_cast<float>(static_cast<double>(255 - k) * kInputStep);
    }
    return percent;
}();

} // namespace

int16_t MakeTableFromCTone(float* x, float* y, const CToneInfo& tone) {
    int16_t n = 0;
    for (int k = 0; k < kToneSlotCount; ++k) {
        if (tone.levels[k] != kNoPoint) {
            ++n;
            x[n] = static_cast<float>(kToneInputPositions[k]);
            y[n] = static_cast<float>(tone.levels[k]) / 100.0f;
        }
    }
    return n;
}

float GetGammaYPosition(float v, float gamma) {
    const double ratio = static_cast<double>(v) / 100.0;
    const float r = static_cast<float>(std::pow(ratio, static_cast<double>(gamma)) * 10000.0);
    // NaN (a negative input) is taken as 0 so that the result always converts safely.
    if (!(r >= 0.0f)) {
        return 0.0f;
    }
    return r < 10000.0f ? r : 10000.0f;
}

OSErr MakeGammaToneInfo(CToneInfo& tone, int32_t G) {
    if (G < kMinGammaValue || G > kMaxGammaValue) {
        return paramErr;
    }
    const float gamma = static_cast<float>(static_cast<double>(G) / 100.0);
    for (int k = 0; k < kToneSlotCount; ++k) {
        const float r = GetGammaYPosition(static_cast<float>(kToneInputPositions[k]), gamma);
        tone.levels[k] = static_cast<int16_t>(FixRound(FloatToFixed(r)));
    }
    tone.gamma = G;
    return noErr;
}

OSErr MakeTransferTable(const CToneInfo& tone, int32_t out[kTransferTableSize]) {
    float x[kKnotArraySize];
    float y[kKnotArraySize];
    float p[kKnotArraySize];
    const int16_t n = MakeTableFromCTone(x, y, tone);
    if (n < 2) {
        return paramErr;
    }
    MakeSpline(n, x, y, p);

    // Entry k samples the input (255 - k) x 100/255 percent; the output is inverted and
    // scaled to hundredths of 0 ... 255, then rounded through 16.16 fixed point.
    float outputs[kTransferTableSize];
    GetSplineYPositions(n, x, y, p, kTransferInputs.data(), outputs, kTransferTableSize);
    for (int k = 0; k < kTransferTableSize; ++k) {
        const float level = static_cast<float>(25500.0 - 255.0 * static_cast<double>(outputs[k]));
        out[k] = FixRound(FloatToFixed(level));
    }
    return noErr;
}

char* FormatTransferNumber(char* dst, int32_t v) {
    uint32_t magnitude = static_cast<uint32_t>(v);
    if (v < 0) {
        *dst++ = '-';
        magnitude = 0u - magnitude;
    }
    const uint32_t fraction = magnitude % 100u;
    uint32_t whole = magnitude / 100u;

    // Levels of a table have at most three whole digits; anything else takes the loop.
    if (whole < 10u) {
        *dst++ = static_cast<char>('0' + whole);
    } else if (whole < 100u) {
        *dst++ = static_cast<char>('0' + whole / 10u);
        *dst++ = static_cast<char>('0' + whole % 10u);
    } else if (whole < 1000u) {
        *dst++ = static_cast<char>('0' + whole / 100u);
        *dst++ = static_cast<char>('0' + whole / 10u % 10u);
        *dst++ = static_cast<char>('0' + whole % 10u);
    } else {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + whole % 10u);
            whole /= 10u;
        } while (whole != 0);
        while (count > 0) {
            *dst++ = digits[--count];
        }
    }

    if (fraction != 0) {
        *dst++ = '.';
        *dst++ = static_cast<char>('0' + fraction / 10u);
        if (fraction % 10u != 0) {
            *dst++ = static_cast<char>('0' + fraction % 10u);
        }
    }
    return dst;
}

void AppendTransferNumber(std::string& dst, int32_t v) {
    char text[kTransferNumberMaxLength];
    const char* end = FormatTransferNumber(text, v);
    dst.append(text, static_cast<size_t>(end - text));
}

char* FormatTransferTableText(char* dst, const int32_t table[kTransferTableSize]) {
    for (int k = 0; k < kTransferTableSize; ++k) {
        dst = FormatTransferNumber(dst, table[k]);
        *dst++ = (k % 10 == 9) ? '\n' : '\t';
    }
    return dst;
}

} // namespace orvane
