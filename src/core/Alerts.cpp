#include "core/Alerts.h"

#include "base/Status.h"
#include "core/AppResources.h"
#include "core/UiText.h"
#include "host/ui/HostServices.h"

namespace orvane {

namespace {

// Index in 'STR#' 128 of the message for an operating-system failure.
int16_t OSMessageIndex(OSErr code) {
    switch (code) {
    case memFullErr:
        return 4;
    case fnfErr:
        return 5;
    case resNotFound:
        return 3;
    case bdNamErr:
        return 6;
    case dskFulErr:
        return 7;
    case permErr:
    case wPrErr:
        return 8;
    default:
        return 1;
    }
}

MainAlertInfo DescribeCode(GlueRec* glue, OSErr code) {
    MainAlertInfo info;
    info.code = code;
    info.useCautionLayout = 1;
    info.reserved = 0;
    info.isError = 0;
    if (SetMainAlertInfo(glue, info))
        return info;
    info.isError = 1;
    if (code >= kFirstStoreCode && code <= kLastStoreCode) {
        // The settings store's and the dialogs' own conditions, each with its message.
        info.stringList = kStoreMessagesListID;
        info.stringIndex = static_cast<int16_t>(code - (kFirstStoreCode - 1));
    } else if (code > kCliMessagesListID && code < kCliMessagesListID + 100) {
        info.stringList = kCliMessagesListID;
        info.stringIndex = static_cast<int16_t>(code - kCliMessagesListID);
    } else {
        info.stringList = kOSMessagesListID;
        info.stringIndex = OSMessageIndex(code);
    }
    return info;
}

std::string Substitute(std::string text, std::string_view param) {
    // A message about "“^0”" given no file still reads as a sentence.
    if (param.empty())
        if (const size_t at = text.find("\u201C^0\u201D"); at != std::string::npos)
            text.replace(at, std::string_view("\u201C^0\u201D").size(),
                         at == 0 ? "A file" : "a file");
    for (size_t at = text.find("^0"); at != std::string::npos;
         at = text.find("^0", at + param.size()))
        text.replace(at, 2, param);
    return text;
}

std::string MessageText(GlueRec* glue, const MainAlertInfo& info, std::string_view param) {
    Str255 message;
    message[0] = 0;
    // A missing message shows the alert with an empty text rather than nothing at all.
    if (GetAppIndString(glue, info.stringList, info.stringIndex, message) != noErr)
        return std::string();
    std::string text = ResourceTextUtf8(message);
    // A generic message has no place for the detail the failing step gave; it goes after.
    if (text.find("^0") == std::string::npos && !param.empty())
        return text + " (" + std::string(param) + ")";
    return Substitute(std::move(text), param);
}

} // namespace

bool SetMainAlertInfo(GlueRec*, MainAlertInfo& info) {
    if (info.code < kAlertFirstOwnCode || info.code > kAlertLastOwnCode)
        return false;
    info.stringList = kOwnMessagesListID;
    info.stringIndex = static_cast<int16_t>(info.code - 1000);
    info.isError = info.code == kAlertQuestionCode ? 0 : 1;
    return true;
}

std::string AlertMessageText(GlueRec* glue, OSErr code, std::string_view param) {
    if (code == noErr)
        return std::string();
    return MessageText(glue, DescribeCode(glue, code), param);
}

int16_t CautionAlert(GlueRec* glue, int16_t alertID, std::string_view p0, std::string_view p1) {
    AlertRequest request;
    request.alertID = alertID;
    request.caution = true;
    request.params[0] = std::string(p0);
    request.params[1] = std::string(p1);
    static const HostServices kNone{};
    return AlertsOf(glue ? glue->services : kNone).Show(request);
}

bool ShowAlert(GlueRec* glue, OSErr code, std::string_view param) {
    if (code == noErr)
        return true;
    const MainAlertInfo info = DescribeCode(glue, code);
    const int16_t item = CautionAlert(glue, info.isError ? kErrorAlertID : kQuestionAlertID,
                                      MessageText(glue, info, param));
    return info.isError || item == 1;
}

} // namespace orvane
