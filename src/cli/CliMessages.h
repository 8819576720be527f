// The messages orvanectl prints: the alert texts of the application's resources (the
// program's own codes, the settings store's and the operating-system failures), and the
// command line's own conditions, whose texts are resources too ('STR#' 3000).
#pragma once

#include "core/State.h"
#include "base/Types.h"

#include <string>
#include <string_view>

namespace orvane {


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
