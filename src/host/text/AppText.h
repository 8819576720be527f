// The bridge between UTF-8 (what widgets and the command line handle) and the application's
// text encoding (what records hold).
#pragma once

#include "host/text/TextConverter.h"

#include <string>
#include <string_view>

namespace orvane {

// Application-encoded bytes to UTF-8. `utf8` is replaced on success, unchanged on failure.
TextConversionStatus AppTextToUtf8(std::string_view appText, std::string& utf8);

// UTF-8 to the application's encoding, refused (tooLong) rather than cut when the encoded
// form has more than `maxBytes` bytes, so that a stored name is always the whole name the
// user typed. `appText` is replaced on success, unchanged on failure. When the text holds a
// character the encoding lacks (unmappable), `firstUnmappable` (when given) receives the
// first such character, in UTF-8, so that a message can name it.
TextConversionStatus Utf8ToAppText(std::string_view utf8, size_t maxBytes, std::string& appText,
                                   std::string* firstUnmappable = nullptr);

} // namespace orvane
