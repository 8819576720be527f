#include "host/text/AppText.h"

namespace orvane {

TextConversionStatus AppTextToUtf8(std::string_view appText, std::string& utf8) {
    return ConvertText(appText, ApplicationTextEncoding(), kTextEncodingUTF8, utf8);
}

TextConversionStatus Utf8ToAppText(std::string_view utf8, size_t maxBytes, std::string& appText) {
    return ConvertText(utf8, kTextEncodingUTF8, ApplicationTextEncoding(), appText, maxBytes);
}

} // namespace orvane
