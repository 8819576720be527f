// The command line's curve arguments: any text either leaves the curve untouched with a
// status, or gives a gamma curve with its gamma in range or thirteen levels (each a
// point of at least 0 or none) without a gamma. A number the parser accepts is read back
// the same from its own two-decimal form.
#include "FuzzSupport.h"

#include "cli/CurveArgument.h"

#include "tone/ToneTables.h"

#include <cstring>
#include <limits>
#include <string>
#include <string_view>

using namespace orvane;

using fuzz::Broken;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    CToneInfo curve;
    std::memset(&curve, 0x7B, sizeof curve);
    const CToneInfo before = curve;
    if (ParseCurveSpec(text, curve) != noErr) {
        if (std::memcmp(&curve, &before, sizeof curve) != 0)
            Broken("a refused description changed the curve");
    } else if (text.starts_with("gamma:")) {
        if (curve.gamma < kMinGammaValue || curve.gamma > kMaxGammaValue)
            Broken("a gamma curve with its gamma out of range");
    } else {
        if (curve.gamma != kNoGamma)
            Broken("a levels curve with a gamma");
        for (const int32_t level : curve.levels) {
            if (level < 0 && level != kNoPoint)
                Broken("a negative level");
        }
    }

    int32_t hundredths = -5;
    if (!ParseCommandLineHundredths(text, hundredths)) {
        if (hundredths != -5)
            Broken("a refused number changed the value");
    } else if (hundredths < 0) {
        Broken("a negative number");
    } else if (hundredths != std::numeric_limits<int32_t>::max()) {
        char again[32];
        std::snprintf(again, sizeof again, "%d.%02d", hundredths / 100, hundredths % 100);
        int32_t back = -5;
        if (!ParseCommandLineHundredths(again, back) || back != hundredths)
            Broken("a number does not read back from its own form");
    }
    return 0;
}
