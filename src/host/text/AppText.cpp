#include "host/text/AppText.h"

#include <algorithm>

namespace orvane {

namespace {

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

// The first character of `utf8` that does not convert on its own.
std::string FirstUnmappable(std::string_view utf8) {
    for (size_t at = 0; at < utf8.size();) {
        const size_t length =
            std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
        const std::string_view one = utf8.substr(at, length);
        std::string ignored;
        if (ConvertText(one, kTextEncodingUTF8, ApplicationTextEncoding(), ignored) !=
            TextConversionStatus::ok)
            return std::string(one);
        at += length;
    }
    return std::string();
}

} // namespace

TextConversionStatus AppTextToUtf8(std::string_view appText, std::string& utf8) {
    return ConvertText(appText, ApplicationTextEncoding(), kTextEncodingUTF8, utf8);
}

TextConversionStatus Utf8ToAppText(std::string_view utf8, size_t maxBytes, std::string& appText,
                                   std::string* firstUnmappable) {
    const TextConversionStatus status =
        ConvertText(utf8, kTextEncodingUTF8, ApplicationTextEncoding(), appText, maxBytes);
    if (firstUnmappable && status == TextConversionStatus::unmappable)
        *firstUnmappable = FirstUnmappable(utf8);
    return status;
}

} // namespace orvane
