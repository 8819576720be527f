// Turning a status into the message the user sees. Every status that reaches the user goes
// through ShowAlert once: operating-system failures get a few generic messages, the
// program's own conditions (1001 ... 1011) one message each, and 0 shows nothing.
#pragma once

#include "core/State.h"
#include "base/Types.h"

#include <string>

namespace orvane {

enum : int16_t {
    kOSMessagesListID = 128,  // 'STR#' of the generic operating-system messages
    kOwnMessagesListID = 1001 // 'STR#' of the program's own messages
};

struct MainAlertInfo {
    int16_t code = 0;
    int16_t stringList = 0;
    int16_t stringIndex = 0;
    uint8_t isError = 0;          // 1: error message (alert 130); 0: question (alert 129)
    uint8_t useCautionLayout = 1; // always 1
    uint8_t reserved = 0;
};

// Fills list, index and the error flag for the program's own codes (1001 ... 1011) and
// returns true; returns false and changes nothing for any other code.
bool SetMainAlertInfo(GlueRec* glue, MainAlertInfo& info);

// Shows the message for `code`. Returns false only when the question (1002) was answered
// with an item other than 1; true otherwise, also for code 0, which shows nothing.
// A positive code outside 1001 ... 1011 is shown like an unlisted operating-system failure.
bool ShowAlert(GlueRec* glue, OSErr code);

// The message text for `code` (application text encoding), as ShowAlert would show it;
// empty for 0. For the command line, which prints instead of showing a window.
std::string AlertMessageText(GlueRec* glue, OSErr code);

} // namespace orvane
