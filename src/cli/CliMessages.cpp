#include "cli/CliMessages.h"

#include "base/Status.h"
#include "core/Alerts.h"

namespace orvane {

std::string CliMessageText(GlueRec* glue, OSErr code, std::string_view param) {
    if (code == noErr)
        return std::string();
    std::string text =
        code == kCliNoResourcesCode ? std::string() : AlertMessageText(glue, code, param);
    if (!text.empty())
        return text;
    if (code == kCliNoResourcesCode)
        return "Orvane's resource file could not be read. Reinstall Orvane, or set "
               "ORVANE_BUNDLE_DIR to the folder that holds Orvane.rsrc.";
    return "Orvane could not complete the operation (status " + std::to_string(code) + ").";
}

} // namespace orvane
