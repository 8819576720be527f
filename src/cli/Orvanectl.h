// One run of orvanectl: start-up without windows, the state loaded as the Adjust Halftone
// dialog loads it (preferences, chosen PPD, its settings), one command driven through the
// dialog's own operations, and the Save command when a list changed.
#pragma once

#include <cstdio>

namespace orvane {

// Exit statuses.
enum CliExitStatus : int {
    kCliExitOK = 0,
    kCliExitFailed = 1,          // the message on standard error says why
    kCliExitUsage = 2,           // the command line was not understood
    kCliExitReplaceDeclined = 3, // a setting of that name exists and --replace was not given
};

// Runs the command line argv[1 ...]; results on `out`, messages on `err`.
int RunOrvanectl(int argc, const char* const* argv, FILE* out, FILE* err);

} // namespace orvane
