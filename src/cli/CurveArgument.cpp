#include "cli/CurveArgument.h"

#include "core/Alerts.h"
#include "cli/CliMessages.h"
#include "tone/ToneTables.h"

#include <cstdint>
#include <limits>

namespace orvane {

namespace {

constexpr std::string_view kGammaPrefix = "gamma:";
constexpr std::string_view kLevelsPrefix = "levels:";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool ParseCommandLineHundredths(std::string_view text, int32_t& hundredths) {
    constexpr int64_t kSaturated = std::numeric_limits<int32_t>::max();
    size_t pos = 0;
    int64_t value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        // Saturate rather than wrap: an absurdly long number is out of range, not small.
        value = value * 10 + (text[pos] - '0');
        if (value > kSaturated)
            value = kSaturated;
        ++pos;
    }
    if (pos == 0)
        return false;
    int fractionDigits = 0;
    if (pos < text.size()) {
        if (text[pos] != '.')
            return false;
        ++pos;
        while (pos < text.size() && IsDigit(text[pos]) && fractionDigits < 2) {
            value = value * 10 + (text[pos] - '0');
            ++fractionDigits;
            ++pos;
        }
        if (fractionDigits == 0 || pos != text.size())
            return false;
    }
    for (; fractionDigits < 2; ++fractionDigits)
        value *= 10;
    hundredths =
        value > kSaturated ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
    return true;
}

OSErr ParseCurveSpec(std::string_view spec, CToneInfo& curve) {
    if (spec.starts_with(kGammaPrefix)) {
        int32_t G = 0;
        const std::string_view number = TrimBlanks(spec.substr(kGammaPrefix.size()));
        if (!ParseCommandLineHundredths(number, G) || G < kMinGammaValue || G > kMaxGammaValue)
            return kBadGammaCode;
        CToneInfo made = curve;
        if (MakeGammaToneInfo(made, G) != noErr)
            return kBadGammaCode;
        curve = made;
        return noErr;
    }
    if (!spec.starts_with(kLevelsPrefix))
        return kCliBadCurveFormCode;

    CToneInfo made;
    made.gamma = kNoGamma;
    std::string_view rest = spec.substr(kLevelsPrefix.size());
    int slot = 0;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view field = TrimBlanks(rest.substr(0, comma));
        if (slot == kToneSlotCount)
            return kCliLevelCountCode;
        if (field.empty()) {
            made.levels[slot] = kNoPoint;
        } else if (!ParseCommandLineHundredths(field, made.levels[slot])) {
            const bool endPoint = slot == 0 || slot == kToneSlotCount - 1;
            return endPoint ? kEndPointsCode : kPointOutOfRangeCode;
        }
        ++slot;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (slot != kToneSlotCount)
        return kCliLevelCountCode;
    curve = made;
    return noErr;
}

} // namespace orvane
