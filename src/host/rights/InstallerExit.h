// The installer's exit statuses: what orvane-install says with them and what the programs
// that run it read from them.
#pragma once

namespace orvane::installer_exit {

enum : int {
    kDone = 0,
    kFailed = 1,       // the change failed; nothing or the whole change was written
    kMalformed = 2,    // the request or the command line was not understood
    kRefused = 3,      // a path it may not write
    kChanged = 4,      // a file changed since its caller read it
    kNoPermission = 5, // it ran without the rights it needs
    kDiskFull = 6,
};

} // namespace orvane::installer_exit
