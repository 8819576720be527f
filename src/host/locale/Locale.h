// The user's locale as the program needs it: the decimal separator of numbers and the
// language, read from the environment (LC_ALL, LC_NUMERIC / LC_CTYPE / LC_MESSAGES, LANG)
// at each call, without touching the process's C locale.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// The decimal separator of LC_NUMERIC: one byte; "." when the locale has none, has a
// multi-byte one, or cannot be loaded.
char HostDecimalPointCharacter();

// The user's language as a lower-case code ("en", "ja", "de") and the region-qualified
// form ("ja_JP"), from LC_ALL, LC_MESSAGES, LANG in that order; "en" for the C and POSIX
// locales or when nothing is set.
std::string HostLanguageCode();
std::string HostLanguageRegionCode();

// The system script: 1 (Japanese) when the language is Japanese, else 0 (Roman).
int16_t HostScriptCode();

} // namespace orvane
