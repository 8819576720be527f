// The messages orvanectl prints: the alert texts of the application's resources (the
// program's own codes, the settings store's and the operating-system failures), and the
// command line's own conditions, whose texts are resources too ('STR#' 3000).
#pragma once

#include "base/Types.h"
#include "core/State.h"

#include <string>
#include <string_view>

namespace orvane {

// The message for `code` in UTF-8, with every "^0" replaced by `param` (UTF-8), as
// AlertMessageText gives it. A message the resources lack is replaced by a plain English
// sentence that names the code, so that a failure is never silent.
std::string CliMessageText(GlueRec* glue, OSErr code, std::string_view param = {});

} // namespace orvane
