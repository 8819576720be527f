// The messages orvanectl prints: the alert texts of the application's resources (the
// program's own codes, the settings store's and the operating-system failures), and the
// command line's own conditions, whose texts are resources too ('STR#' 3000).
#pragma once

#include "app/State.h"
#include "support/Types.h"

#include <string>
#include <string_view>

namespace orvane {

// The command line's own codes: 'STR#' 3000, item code - 3000. "^0" in a text stands for
// the setting name or file the message is about.
enum : OSErr {
    kCliUnknownRegisteredCode = 3001, // no registered setting of that name
    kCliUnknownPPDSettingCode = 3002, // no PPD setting of that name
    kCliNoPPDChosenCode = 3003,       // a command needs the chosen PPD and none is chosen
    kCliBadCurveFormCode = 3004,      // a curve that is neither gamma: nor levels:
    kCliLevelCountCode = 3005,        // levels: without exactly thirteen fields
    kCliUnstorableNameCode = 3006,    // a name with a character the application lacks
    kCliRightsRefusedCode = 3007,     // the PPD was not written: no administrator rights
    kCliBadSystemLevelCode = 3008,    // ORVANE_OS_LEVEL is not 0, 1 or 2
    kCliReplaceDeclinedCode = 3009,   // said after the replace question: nothing changed
    kCliBackupKeptCode = 3010,        // a failed write could not put the old PPD back
    kCliNoResourcesCode = 3011,       // (never read from the resources: they are missing)
};
inline constexpr int16_t kCliMessagesListID = 3000;

// The message for `code` in UTF-8, with every "^0" replaced by `param` (UTF-8). The
// program's codes come from ShowAlert's texts, the store's from 'STR#' 1002, the command
// line's from 'STR#' 3000. A message the resources lack is replaced by a plain English
// sentence that names the code, so that a failure is never silent.
std::string CliMessageText(GlueRec* glue, OSErr code, std::string_view param = {});

// Application-encoded text (names, resource texts) as UTF-8 for the terminal. Bytes that
// do not convert become U+FFFD, so the output is always valid UTF-8.
std::string AppTextForTerminal(std::string_view appText);

// Replaces every "^0" in `text` by `param`.
std::string SubstituteParam(std::string_view text, std::string_view param);

} // namespace orvane
