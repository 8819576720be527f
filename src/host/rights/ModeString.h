// The mode string of a file-system item as `ls -l` prints it: the type character followed
// by three rwx triplets, for example "-rw-r--r--" or "drwxrwxr-x".
#pragma once

#include <sys/types.h>

namespace orvane {

// Writes the mode string of `mode` into `out`: 10 characters, an 11th that is always a space
// (the place `ls -l` gives an access-control marker) and a terminator. The set-user-ID,
// set-group-ID and sticky bits show as s/S and t/T in the execute places.
void FormatModeString(mode_t mode, char out[12]);

} // namespace orvane
