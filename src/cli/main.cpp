// orvanectl: Orvane's command line for printer administrators and scripts.
#include "cli/Orvanectl.h"

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    // Standard output carries the command's results and nothing else, so that a script can
    // read --json output whatever happens on the way: what the system tools run for
    // administrator rights print is diagnostics, and goes to standard error.
    FILE* results = stdout;
    const int resultsFd = ::dup(STDOUT_FILENO);
    FILE* stream = resultsFd >= 0 ? ::fdopen(resultsFd, "w") : nullptr;
    if (stream && ::dup2(STDERR_FILENO, STDOUT_FILENO) >= 0)
        results = stream;
    const int status = orvane::RunOrvanectl(argc, argv, results, stderr);
    if (std::fflush(results) != 0)
        return status == 0 ? 1 : status; // the results did not all reach their reader
    return status;
}
