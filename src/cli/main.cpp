// orvanectl: Orvane's command line for printer administrators and scripts.
#include "cli/Orvanectl.h"

#include <cstdio>

int main(int argc, char** argv) {
    return orvane::RunOrvanectl(argc, argv, stdout, stderr);
}
