#include "core/UiText.h"

#include "base/PStringView.h"
#include "host/text/AppText.h"

#include <cstdio>
#include <cstring>

namespace orvane {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Converts what converts, one byte at a time, and marks the rest.
std::string ConvertByteByByte(std::string_view text, TextEncoding from) {
    std::string utf8;
    for (const char c : text) {
        std::string one;
        if (ConvertText(std::string_view(&c, 1), from, kTextEncodingUTF8, one) ==
            TextConversionStatus::ok)
            utf8 += one;
        else
            utf8 += kReplacementCharacter;
    }
    return utf8;
}

} // namespace

std::string ResourceTextUtf8(ConstStringPtr text) {
    std::string utf8;
    if (ConvertText(PStrView(text), kTextEncodingMacRoman, kTextEncodingUTF8, utf8) !=
        TextConversionStatus::ok)
        return ConvertByteByByte(PStrView(text), kTextEncodingMacRoman);
    return utf8;
}

std::string StoredTextUtf8(std::string_view appText) {
    std::string utf8;
    if (AppTextToUtf8(appText, utf8) == TextConversionStatus::ok)
        return utf8;
    // Some bytes do not read (a damaged or foreign name): keep what does.
    return ConvertByteByByte(appText, ApplicationTextEncoding());
}

std::string FileNameUtf8(std::string_view fileName) {
    std::string checked;
    if (ConvertText(fileName, kTextEncodingUTF8, kTextEncodingUTF8, checked) ==
        TextConversionStatus::ok)
        return checked;
    // Not UTF-8: show each byte as Latin-1 would, marked where even that fails.
    return ConvertByteByByte(fileName, kTextEncodingISOLatin1);
}

std::string WithControlsEscaped(std::string_view utf8) {
    std::string shown;
    for (size_t at = 0; at < utf8.size(); ++at) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        const bool c1 = c == 0xC2 && at + 1 < utf8.size() &&
                        static_cast<unsigned char>(utf8[at + 1]) >= 0x80 &&
                        static_cast<unsigned char>(utf8[at + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(utf8[++at]) : c;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            shown += escaped;
        } else {
            shown += utf8[at];
        }
    }
    return shown;
}

OSErr StoredToneName(std::string_view utf8, std::string& appName, std::string* offending) {
    if (utf8.empty())
        return kBadToneNameCode;
    // A control character (a line break, an escape) in a name could drive a terminal or
    // break a line of the PPD; names never hold one.
    const std::string escaped = WithControlsEscaped(utf8);
    if (escaped != utf8) {
        if (offending) {
            const size_t at = escaped.find("\\x");
            *offending = escaped.substr(at, 4);
        }
        return kNameNotStorableCode;
    }
    std::string stored;
    std::string unmappable;
    switch (Utf8ToAppText(utf8, kMaxToneNameLength, stored, &unmappable)) {
    case TextConversionStatus::ok:
        appName = std::move(stored);
        return noErr;
    case TextConversionStatus::tooLong:
        return kBadToneNameCode;
    case TextConversionStatus::unmappable:
        if (offending)
            *offending = unmappable.empty() ? std::string(kReplacementCharacter) : unmappable;
        return kNameNotStorableCode;
    default:
        // Bytes that are not UTF-8 at all (from a terminal in another encoding).
        if (offending)
            *offending = std::string(kReplacementCharacter);
        return kNameNotStorableCode;
    }
}

OSErr SetCMYKToneNameUtf8(CMYKTone& tone, std::string_view utf8, std::string* offending) {
    std::string appName;
    const OSErr err = StoredToneName(utf8, appName, offending);
    if (err != noErr)
        return err;
    std::memset(tone.name, 0, sizeof tone.name);
    PStrFromView(tone.name, appName, kMaxToneNameLength);
    return noErr;
}

} // namespace orvane
