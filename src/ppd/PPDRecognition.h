// Deciding whether a file is a PPD this program serves, and reading a PPD's attributes,
// declared text encoding and nickname.
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/text/TextEncoding.h"

#include <optional>
#include <span>
#include <string>

namespace orvane {

// isPPD = 1 when the file begins with the PPD header text and either contains the
// supported-PPD marker or carries one of the bundle's "Support PPD" attributes. A file that
// begins with the header text has its localisation kind (1 when it contains the
// CUPS-localisation marker, else 0) handed back in *ppdType (when given) and recorded in
// `ppd_type`; for any other file *ppdType is 0 and `ppd_type` is left alone. The status is 0
// whenever the file could be examined, accepted or not; a missing recognition text is
// resNotFound.
[[nodiscard]] OSErr CheckTargetFileIsPPDFile(GlueRec* glue, const FSSpec* spec, uint8_t* isPPD,
                                             uint16_t* ppdType = nullptr);

// For a file CheckTargetFileIsPPDFile refused, the message that says why: kNotAPPDFileCode
// when it does not begin as a PPD does (or cannot be read), kMonochromePPDCode when its
// *ColorDevice says False, kNotSupportedPPDCode otherwise.
OSErr PPDRefusalCode(GlueRec* glue, const FSSpec* spec);

// On success with the attribute present, *value receives a new zero-terminated copy of the
// first attribute of that name, to be freed with MyDisposePtr; otherwise it is left alone.
// paramErr for a null argument; otherwise the status of finding the file's path.
[[nodiscard]] OSErr GetPPDAttribute(const FSSpec* spec, const char* name, char** value);

// The PPD's "LanguageEncoding": "ISOLatin1" -> ISO Latin-1, "JIS83-RKSJ" -> Mac Japanese,
// "UTF-8" -> UTF-8 (exact, case-sensitive), any other value -> Mac Roman. A PPD without
// the attribute (or one libcups cannot read) is ISO Latin-1, the encoding PPD files have by
// default. The status of reading the attribute (paramErr for a null argument, the status
// of finding the file's path, memFullErr); on a failure *encoding is left alone.
[[nodiscard]] OSErr GetPPDEncoding(const FSSpec* spec, TextEncoding* encoding);

// The same from the PPD's text already in memory: the value of the first
// "*LanguageEncoding:" line, mapped as above. A save has the text at hand, and this spares
// it libcups' parse of the whole file.
TextEncoding PPDEncodingOfText(std::span<const uint8_t> text);

// Copies the PPD's nickname (else its short nickname) into glue->ppdNickname; leaves it
// unchanged when both are empty or the file cannot be read as a PPD.
void GetPPDOptions(GlueRec* glue, const FSSpec* spec);

} // namespace orvane
