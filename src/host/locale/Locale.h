// The locale as the program needs it: the user's decimal separator and language, read from
// the environment (LC_ALL, LC_NUMERIC / LC_CTYPE / LC_MESSAGES, LANG) at each call without
// touching the process's C locale; and the installation's own language, read from the
// system root.
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

// The installation's language: the language of the system root's default locale (LANG in
// <root>/etc/default/locale, else in <root>/etc/locale.conf), as a lower-case code; "en"
// when neither names one. Unlike the user's language it is the same for every user and
// every LANG, so it decides what every run must read the same way (the encoding of stored
// setting names).
std::string InstallationLanguageCode();

// The system script: 1 (Japanese) when the installation's language is Japanese, else 0
// (Roman).
int16_t HostScriptCode();

} // namespace orvane
