// What orvanectl prints about settings: the list of both settings lists with the chosen
// PPD, and the transfer tables of one setting, each as readable text or as JSON. Names
// arrive in the application's encoding and leave as UTF-8; numbers always use "." as the
// decimal point.
#pragma once

#include "base/Types.h"
#include "tone/ToneRecords.h"

#include <optional>
#include <span>
#include <string>

namespace orvane {

struct ChosenPPDListing {
    std::string path;   // UTF-8 (the file system's bytes)
    std::string name;   // the file name, as the dialog shows it
    bool inText = true; // the settings' block is in the PPD's text (the printer offers them)
};

struct SettingsListing {
    uint16_t osLevel = 1;
    std::optional<ChosenPPDListing> ppd;
    std::span<const CMYKTone> registered;
    std::span<const CMYKTone> ppdSettings;
};

// The JSON form:
//   {"osLevel": N, "ppd": {"path": "...", "name": "...", "inText": true|false} or null,
//    "registered": [SETTING...], "ppdSettings": [SETTING...]}
// SETTING = {"name": "...", "sameCurve": true|false,
//            "curves": {"cyan": CURVE, "magenta": CURVE, "yellow": CURVE, "black": CURVE}}
// CURVE = {"levels": [13 integers in hundredths of a percent, null for no point],
//          "gamma": gamma x 100 or null}
void AppendSettingsListingJson(std::string& out, const SettingsListing& listing);
// The text form: one block per list, each setting's curves as the curve arguments that would
// give them ("levels:0,,,25,...,100", with "gamma:2.2" when a gamma made them).
void AppendSettingsListingText(std::string& out, const SettingsListing& listing);

// A curve's levels in the command line's form, "levels:0,,,25,,,60,,,,,,100".
std::string CurveLevelsText(const CToneInfo& curve);

// The tables as written into the PPD: one per ink, or one "all" table when one curve
// serves all inks. JSON: {"name": "...", "tables": {"cyan": [256 numbers], ...}}; text:
// each table's name on a line of its own, then its numbers exactly as the tone block
// carries them. paramErr (nothing appended) for a curve that has no table (fewer than two
// points, which no valid setting has).
OSErr AppendTransferTablesJson(std::string& out, const CMYKTone& tone);
OSErr AppendTransferTablesText(std::string& out, const CMYKTone& tone);

} // namespace orvane
