// Texts at the user-interface seam. Front ends show and type UTF-8; setting names are
// stored in the application's encoding and the application's resource texts are Mac
// Roman. These are the only crossings: a stored name is shown whole (a byte that cannot
// be read becomes U+FFFD, never a cut), and a typed name is stored whole or refused with a
// status that says why.
#pragma once

#include "base/PStringView.h"
#include "base/Types.h"
#include "tone/ToneRecords.h"

#include <string>
#include <string_view>

namespace orvane {

// A text of the application's resources (a P-string) in UTF-8.
std::string ResourceTextUtf8(ConstStringPtr text);

// A stored name (application encoding) in UTF-8, always valid UTF-8.
std::string StoredTextUtf8(std::string_view appText);
inline std::string ToneNameUtf8(const CMYKTone& tone) {
    return StoredTextUtf8(PStrView(tone.name).substr(0, kMaxToneNameLength));
}

// A file name as the file system holds it (normally UTF-8), in valid UTF-8 for showing.
std::string FileNameUtf8(std::string_view fileName);

// `utf8` with every control character (C0, DEL, C1) written as "\xNN", so that no text
// can drive the terminal it is printed on.
std::string WithControlsEscaped(std::string_view utf8);

// A typed name (UTF-8) as it would be stored: kBadToneNameCode when it is empty or its
// stored form is longer than 32 bytes; kNameNotStorableCode when it holds a control
// character or a character the application's encoding lacks, with that character in
// `offending` (UTF-8, a control character as "\xNN") when given.
// `appName` is set only on success.
OSErr StoredToneName(std::string_view utf8, std::string& appName, std::string* offending = nullptr);

// Stores the typed name as the setting's name (the whole field cleared first, so that
// nothing of a longer earlier name stays); the statuses of StoredToneName, with the setting
// unchanged on failure.
OSErr SetCMYKToneNameUtf8(CMYKTone& tone, std::string_view utf8, std::string* offending = nullptr);

} // namespace orvane
