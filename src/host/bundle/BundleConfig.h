// The product configuration read from the application's bundle: the keys of its
// information dictionary and the two PPD text dictionaries ("PPD" and its localised
// override "PPDLocalized"). Nothing here reports an error: a missing bundle, file or key
// leaves the caller's buffer or value as it was, and the caller decides what that means.
#pragma once

#include "base/Types.h"
#include "host/bundle/PropertyList.h"
#include "host/text/TextEncoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Copies the information dictionary's string value for `key` into `buffer` as
// zero-terminated text in `encoding`. False, with the buffer untouched, when the key is
// absent or not a string, or when the value does not convert or does not fit (with its
// terminator) in `bufferSize` bytes.
bool getStringFromPlist(char* buffer, size_t bufferSize, const char* key, TextEncoding encoding);

// The value for `key` in the application's text encoding as a P-string, cut to 255 bytes at
// a character boundary (a value over 1023 bytes does not fit the working buffer and is
// treated as absent). False, with `out` untouched, when there is no value.
bool getPStringFromPlist(StringPtr out, const char* key);

// "Preferences File Name", as getPStringFromPlist.
bool getPreferencesFileName(StringPtr out);

// "OEM Name" in UTF-8, as getStringFromPlist.
bool getOemName(char* buffer, size_t bufferSize);

// The string items of the array value for `key` (UTF-8, in order). False, with `out`
// unchanged, when the key is absent or its value is not an array; an empty array gives an
// empty `out` and true.
bool getCFArrayFromPlist(std::vector<std::string>& out, const char* key);

// Loads the bundle resource `fileName`.plist (localised variants first) into `out`; `out`
// stays as it was when the file is missing or unreadable. Always noErr.
OSErr getPlistDict(PropertyListDict& out, const char* fileName);

// The string for `key` in "PPD" alone, UTF-8: the texts every PPD gets whatever the user's
// language. Nothing when absent.
std::optional<std::string> SharedPPDText(const char* key);

// The string for `key` in the "PPDLocalized" of `language` ("de", "pt_BR"), UTF-8: what a
// PPD's translation lines for that language say. Nothing when the bundle has no such
// language or key; `language` must be a plain language code.
std::optional<std::string> PPDTextFor(const std::string& language, const char* key);

// Copies the string for `key` from "PPDLocalized" or, when that file or key is missing, from
// "PPD", as zero-terminated text in `encoding`. False, with the buffer untouched, when
// neither has the key or the value found does not convert or fit.
bool getStringFromPPDPlist(char* buffer, size_t bufferSize, const char* key, TextEncoding encoding);

} // namespace orvane
