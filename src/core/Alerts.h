// Turning a status into the message the user sees. Every status that reaches the user goes
// through ShowAlert once: operating-system failures get a few generic messages, the
// program's own conditions one message each, and 0 shows nothing. Messages and questions
// reach the front end's alert host (GlueRec::services) in UTF-8.
#pragma once

#include "base/Types.h"
#include "core/State.h"

#include <string>
#include <string_view>

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

// Shows the message for `code`, with `param` (UTF-8) in place of every "^0" of its text.
// Returns false only when the question (1002) was answered with an item other than 1; true
// otherwise, also for code 0, which shows nothing. A positive code without a message of its
// own is shown like an unlisted operating-system failure.
bool ShowAlert(GlueRec* glue, OSErr code, std::string_view param = {});

// The message text for `code` in UTF-8, as ShowAlert would show it; empty for 0 and when
// the resources lack it. For the command line, which prints instead of showing a window.
std::string AlertMessageText(GlueRec* glue, OSErr code, std::string_view param = {});

// Shows alert `alertID` as a caution alert with the parameter texts ^0 and ^1 (UTF-8)
// through the application's alert host; the item the user chose.
int16_t CautionAlert(GlueRec* glue, int16_t alertID, std::string_view p0, std::string_view p1 = {});

} // namespace orvane
