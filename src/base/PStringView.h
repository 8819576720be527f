// Bridges between P-strings and C++ strings, for code at every floor: a P-string seen as a
// string_view, copied into a std::string, or filled from a view that fits.
#pragma once

#include "base/Types.h"

#include <cstring>
#include <string>
#include <string_view>

namespace orvane {

inline std::string_view PStrView(ConstStringPtr p) {
    return std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
}

inline std::string PStrToString(ConstStringPtr p) {
    return std::string(PStrView(p));
}

// Stores `text` as a P-string of at most `maxLength` characters (255 at most); returns
// false, storing nothing, when it does not fit.
inline bool PStrFromView(StringPtr destination, std::string_view text, size_t maxLength = 255) {
    if (maxLength > 255)
        maxLength = 255;
    if (text.size() > maxLength)
        return false;
    destination[0] = static_cast<unsigned char>(text.size());
    if (!text.empty()) // an empty view may have no data pointer at all
        std::memcpy(destination + 1, text.data(), text.size());
    return true;
}

} // namespace orvane
