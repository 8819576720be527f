#include "host/text/TextEncoding.h"

#include "host/locale/Locale.h"

namespace orvane {

const char* IconvCharsetName(TextEncoding encoding) {
    switch (encoding) {
    case kTextEncodingMacRoman:
        return "MACINTOSH";
    case kTextEncodingMacJapanese:
        return "CP932";
    case kTextEncodingISOLatin1:
        return "ISO-8859-1";
    case kTextEncodingUTF8:
        return "UTF-8";
    default:
        return nullptr;
    }
}

TextEncoding ApplicationTextEncoding() {
    return HostScriptCode() == 1 ? kTextEncodingMacJapanese : kTextEncodingMacRoman;
}

namespace {

bool IsShiftJISLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

size_t Utf8SequenceLength(uint8_t b) {
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0)
        return 2;
    if ((b & 0xF0) == 0xE0)
        return 3;
    if ((b & 0xF8) == 0xF0)
        return 4;
    return 1; // a stray continuation or invalid byte stands alone
}

} // namespace

size_t CompleteCharacterPrefix(std::string_view bytes, size_t limit, TextEncoding encoding) {
    if (bytes.size() <= limit)
        return bytes.size();
    if (encoding != kTextEncodingUTF8 && TextEncodingBase(encoding) != kTextEncodingMacJapanese)
        return limit; // single-byte encodings: every byte is a character

    // Walk whole characters from the start; multi-byte encodings cannot be resynchronised
    // reliably from the middle.
    size_t end = 0;
    while (end < bytes.size()) {
        const auto lead = static_cast<uint8_t>(bytes[end]);
        size_t length = 1;
        if (encoding == kTextEncodingUTF8)
            length = Utf8SequenceLength(lead);
        else if (IsShiftJISLeadByte(lead))
            length = 2;
        if (end + length > limit)
            break;
        end += length;
    }
    return end;
}

} // namespace orvane
