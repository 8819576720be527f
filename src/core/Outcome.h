// What one Save or Choose-PPD operation came to, handed back whole: the status, whether a
// request for administrator rights was refused (and why), and the detail of its message.
// Nothing of it lingers in process-wide state for the next operation to misread.
#pragma once

#include "base/Status.h"

#include <string>

namespace orvane {

struct SaveOutcome {
    // The first failing step's status. A refused request for rights is no failure of the
    // operation (it did what it could and wrote nothing): status noErr, rightsRefused set.
    OSErr status = noErr;
    bool rightsRefused = false;
    std::string refusalMessage; // UTF-8: what happened and what the user can do; may be empty
    std::string messageParam;   // UTF-8: the "^0" of the status's message (a file, a character)

    bool ok() const { return status == noErr && !rightsRefused; }
    static SaveOutcome Of(OSErr status) {
        SaveOutcome outcome;
        outcome.status = status;
        return outcome;
    }
};

} // namespace orvane
