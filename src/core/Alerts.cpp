#include "core/Alerts.h"

#include "core/AppResources.h"
#include "host/alerts/AlertHost.h"
#include "base/Status.h"
#include "support/PString.h"

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
    if (code >= kFirstStoreCode && code <= kLastStoreCode) {
        // The settings store's own conditions, each with its message.
        info.stringList = kStoreMessagesListID;
        info.stringIndex = static_cast<int16_t>(code - (kFirstStoreCode - 1));
        info.isError = 1;
    } else {
        info.stringList = kOSMessagesListID;
        info.stringIndex = OSMessageIndex(code);
        info.isError = 1;
    }
    return info;
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

std::string AlertMessageText(GlueRec* glue, OSErr code) {
    if (code == noErr)
        return std::string();
    const MainAlertInfo info = DescribeCode(glue, code);
    Str255 message;
    message[0] = 0;
    // A missing message shows the alert with an empty text rather than nothing at all.
    GetAppIndString(glue, info.stringList, info.stringIndex, message);
    return PStrToString(message);
}

bool ShowAlert(GlueRec* glue, OSErr code) {
    if (code == noErr) {
        ParamText(nullptr, nullptr, nullptr, nullptr);
        return true;
    }
    const MainAlertInfo info = DescribeCode(glue, code);
    Str255 message;
    message[0] = 0;
    GetAppIndString(glue, info.stringList, info.stringIndex, message);
    ParamText(message, nullptr, nullptr, nullptr);
    const int16_t item = CautionAlert(info.isError ? kErrorAlertID : kQuestionAlertID);
    ParamText(nullptr, nullptr, nullptr, nullptr);
    return info.isError || item == 1;
}

} // namespace orvane
