#include "cli/CliMessages.h"

#include "core/Alerts.h"
#include "core/AppResources.h"
#include "host/text/AppText.h"
#include "base/Status.h"
#include "support/PString.h"

namespace orvane {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

std::string ResourceListText(GlueRec* glue, int16_t listID, int16_t index) {
    Str255 text;
    text[0] = 0;
    if (GetAppIndString(glue, listID, index, text) != noErr)
        return std::string();
    return PStrToString(text);
}

} // namespace

std::string AppTextForTerminal(std::string_view appText) {
    std::string utf8;
    if (AppTextToUtf8(appText, utf8) == TextConversionStatus::ok)
        return utf8;
    // Some bytes do not convert (a damaged name): keep what does, one byte at a time.
    utf8.clear();
    for (const char c : appText) {
        std::string one;
        if (AppTextToUtf8(std::string_view(&c, 1), one) == TextConversionStatus::ok)
            utf8 += one;
        else
            utf8 += kReplacementCharacter;
    }
    return utf8;
}

std::string SubstituteParam(std::string_view text, std::string_view param) {
    std::string result;
    size_t pos = 0;
    while (true) {
        const size_t mark = text.find("^0", pos);
        if (mark == std::string_view::npos)
            break;
        result.append(text.substr(pos, mark - pos));
        result.append(param);
        pos = mark + 2;
    }
    result.append(text.substr(pos));
    return result;
}

std::string CliMessageText(GlueRec* glue, OSErr code, std::string_view param) {
    if (code == noErr)
        return std::string();
    std::string appText;
    if (code >= kFirstStoreCode && code <= kLastStoreCode)
        appText = ResourceListText(glue, kStoreMessagesListID,
                                   static_cast<int16_t>(code - kFirstStoreCode + 1));
    else if (code > kCliMessagesListID && code < kCliNoResourcesCode)
        appText = ResourceListText(glue, kCliMessagesListID,
                                   static_cast<int16_t>(code - kCliMessagesListID));
    else if (code != kCliNoResourcesCode)
        appText = AlertMessageText(glue, code);
    if (appText.empty()) {
        if (code == kCliNoResourcesCode)
            return "Orvane's resource file could not be read. Reinstall Orvane, or set "
                   "ORVANE_BUNDLE_DIR to the folder that holds Orvane.rsrc.";
        return "Orvane could not complete the operation (status " + std::to_string(code) + ").";
    }
    return SubstituteParam(AppTextForTerminal(appText), param);
}

} // namespace orvane
