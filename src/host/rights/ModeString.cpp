#include "host/rights/ModeString.h"

#include <sys/stat.h>

namespace orvane {

namespace {

char TypeCharacter(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return '-';
    case S_IFDIR:
        return 'd';
    case S_IFLNK:
        return 'l';
    case S_IFCHR:
        return 'c';
    case S_IFBLK:
        return 'b';
    case S_IFIFO:
        return 'p';
    case S_IFSOCK:
        return 's';
    default:
        return '?';
    }
}

// The execute place of a triplet with a special bit: lower case when also executable.
char ExecuteCharacter(bool execute, bool special, char specialChar) {
    if (!special)
        return execute ? 'x' : '-';
    return execute ? specialChar : static_cast<char>(specialChar - 'a' + 'A');
}

} // namespace

void FormatModeString(mode_t mode, char out[12]) {
    out[0] = TypeCharacter(mode);
    out[1] = (mode & S_IRUSR) ? 'r' : '-';
    out[2] = (mode & S_IWUSR) ? 'w' : '-';
    out[3] = ExecuteCharacter(mode & S_IXUSR, mode & S_ISUID, 's');
    out[4] = (mode & S_IRGRP) ? 'r' : '-';
    out[5] = (mode & S_IWGRP) ? 'w' : '-';
    out[6] = ExecuteCharacter(mode & S_IXGRP, mode & S_ISGID, 's');
    out[7] = (mode & S_IROTH) ? 'r' : '-';
    out[8] = (mode & S_IWOTH) ? 'w' : '-';
    out[9] = ExecuteCharacter(mode & S_IXOTH, mode & S_ISVTX, 't');
    out[10] = ' ';
    out[11] = '\0';
}

} // namespace orvane
