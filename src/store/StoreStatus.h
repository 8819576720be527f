// The settings store's own status codes, beside the program's messages 1001 ... 1011
// (app/Alerts.h). Each has a message in the application's resources ('STR#' 1002, item
// code - 1011) that says what the user can do.
#pragma once

#include "support/Types.h"

namespace orvane {

enum : OSErr {
    kListFullCode = 1012,          // the list a setting was to be added to is full
    kNoSelectedSettingCode = 1013, // a command or a confirmed edit needs a selected setting
    kBadToneNameCode = 1014,       // a name that is empty or longer than 32 bytes
    kNoPPDChosenCode = 1015,       // a command needs a chosen PPD and none is chosen
    kFirstStoreCode = kListFullCode,
    kLastStoreCode = kNoPPDChosenCode,
};

// 'STR#' of these messages.
inline constexpr int16_t kStoreMessagesListID = 1002;

} // namespace orvane
