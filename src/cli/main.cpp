// orvanectl: Orvane's command line. For now it shows the transfer tables of the built-in
// default setting (the straight line for all inks), as they are written into a PPD.
#include "tone/ToneRecords.h"
#include "tone/ToneTables.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace orvane;

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: orvanectl table\n"
                      "  table   the 256-number transfer table of the default setting\n");
}

int ShowDefaultTable() {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    int32_t table[kTransferTableSize];
    if (MakeTransferTable(tone.tone[kCyan], table) != noErr) {
        std::fprintf(stderr, "orvanectl: the default curve has no table\n");
        return 1;
    }
    char text[kTransferTableTextMaxLength];
    const char* end = FormatTransferTableText(text, table);
    std::printf("Default setting (one curve for all inks, straight line):\n");
    std::fwrite(text, 1, static_cast<size_t>(end - text), stdout);
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "table") == 0)
        return ShowDefaultTable();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
