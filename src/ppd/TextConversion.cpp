#include "ppd/TextConversion.h"

#include "host/text/TextConverter.h"

#include <cstring>
#include <string>
#include <string_view>

namespace orvane {

namespace {

// The working buffer holds the source as zero-terminated text and then the result with its
// terminator, so a converted text has at most kWorkingBufferSize - 1 bytes.
constexpr size_t kWorkingBufferSize = 1024;
constexpr size_t kMaxSJISSourceBytes = 800;

int ConvertPString(ConstStringPtr source, StringPtr destination, TextEncoding from,
                   TextEncoding to) {
    if (!source || !destination)
        return 0;
    char buffer[kWorkingBufferSize];
    std::memcpy(buffer, source + 1, source[0]);
    buffer[source[0]] = '\0';
    const std::string_view text(buffer, std::strlen(buffer));
    if (text.empty())
        return 0;

    char converted[kWorkingBufferSize];
    size_t length = 0;
    if (ConvertTextInto(text, from, to, converted, kWorkingBufferSize - 1, &length) !=
            TextConversionStatus::ok ||
        length == 0)
        return 0;

    const size_t kept = CompleteCharacterPrefix(std::string_view(converted, length), 255, to);
    destination[0] = static_cast<unsigned char>(kept);
    std::memcpy(destination + 1, converted, kept);
    return 1;
}

} // namespace

int ConvSys_UTF8(ConstStringPtr source, StringPtr destination) {
    return ConvertPString(source, destination, ApplicationTextEncoding(), kTextEncodingUTF8);
}

int ConvAppLang_PPDLang(ConstStringPtr source, StringPtr destination, TextEncoding target) {
    return ConvertPString(source, destination, TextEncodingBase(ApplicationTextEncoding()), target);
}

int g_ConvSJIS_UTF8(const char* source, char* output, size_t outputSize) {
    if (!source || !output || outputSize == 0)
        return 0;
    const size_t sourceLength = ::strnlen(source, kMaxSJISSourceBytes + 1);
    if (sourceLength > kMaxSJISSourceBytes)
        return 0;

    std::string converted;
    if (ConvertText(std::string_view(source, sourceLength), kTextEncodingMacJapanese,
                    kTextEncodingUTF8, converted, sourceLength * 4) != TextConversionStatus::ok)
        return 0;
    if (converted.size() >= outputSize)
        return 0;
    std::memcpy(output, converted.data(), converted.size());
    output[converted.size()] = '\0';
    return 1;
}

} // namespace orvane
