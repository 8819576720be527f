// Conversion of text between the program's encodings through the host's iconv. A character
// that the target encoding lacks makes the conversion fail: nothing is substituted,
// transliterated or dropped.
#pragma once

#include "host/text/TextEncoding.h"

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace orvane {

enum class TextConversionStatus {
    ok,
    unsupportedEncoding, // an encoding value without a converter
    unmappable,          // a character the target lacks, or bytes invalid in the source
    incomplete,          // the source ends in the middle of a character
    tooLong,             // the result would exceed the allowed size
};

// Converts all of `input` from `from` to `to`. On success `output` holds the converted
// bytes (at most `maxOutputBytes` of them); on failure it is left unchanged.
TextConversionStatus ConvertText(std::string_view input, TextEncoding from, TextEncoding to,
                                 std::string& output,
                                 size_t maxOutputBytes = std::numeric_limits<size_t>::max());

// The same into a caller's buffer: on success `*written` bytes of `output` hold the result;
// on failure the buffer's contents are unspecified and `*written` is unchanged.
TextConversionStatus ConvertTextInto(std::string_view input, TextEncoding from, TextEncoding to,
                                     char* output, size_t outputSize, size_t* written);

} // namespace orvane
