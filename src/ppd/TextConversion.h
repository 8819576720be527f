// Conversions of setting names between the application's text encoding and the encoding
// of a PPD. Each reports 1 on success and 0 on failure; a failure is never an error for
// the caller, which falls back to other text, and it leaves the destination unchanged.
#pragma once

#include "base/Types.h"
#include "host/text/TextEncoding.h"

#include <cstddef>

namespace orvane {

// Application encoding to UTF-8. Fails for a null argument, an empty source, a character
// that cannot be converted, or a result over 1023 bytes. The source is read as
// zero-terminated text (a NUL byte ends it). The result is stored as a P-string of at most
// 255 bytes, cut at a character boundary.
[[nodiscard]] int ConvSys_UTF8(ConstStringPtr source, StringPtr destination);

// Application encoding (its base value) to `target` (one of the four encodings of
// host/text/TextEncoding.h), with the same rules as ConvSys_UTF8.
[[nodiscard]] int ConvAppLang_PPDLang(ConstStringPtr source, StringPtr destination,
                                      TextEncoding target);

// Mac Japanese bytes (a zero-terminated string of at most 800 bytes) to UTF-8 in `output`.
// Succeeds only when the converted text is strictly shorter than `outputSize`; the bytes
// are then followed by a terminating NUL, which always fits.
[[nodiscard]] int g_ConvSJIS_UTF8(const char* source, char* output, size_t outputSize);

} // namespace orvane
