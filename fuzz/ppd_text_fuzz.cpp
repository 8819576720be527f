// PPD recognition and the block locator over any text. Recognition reads the file in
// chunks; its verdict must agree with a plain reading of the whole text: not a PPD without
// the header text, the localisation kind exactly when the marker is there, accepted
// whenever the supported-PPD marker is. The locator's place must be an old block (a begin
// marker, the first end marker after it, no later begin marker before that end) or the
// first anchor found in order (else the end), and an old block exactly when one exists.
#include "FuzzSupport.h"

#include "host/files/HostPaths.h"
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"

#include <fstream>
#include <string>
#include <string_view>

using namespace orvane;
using namespace orvane::fuzz;

namespace {

void CheckRecognition(std::string_view text) {
    static const std::string path = WorkFolder() + "/examined.ppd";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out)
            Broken("the examined file cannot be written");
    }
    FSSpec spec{};
    if (HostFSSpecForPath(path, spec) != noErr)
        Broken("the examined file has no location");
    uint8_t isPPD = 0;
    uint16_t kind = 7;
    if (CheckTargetFileIsPPDFile(Glue(), &spec, &isPPD, &kind) != noErr)
        Broken("recognition fails on a readable file");

    const PPDTexts& texts = Texts();
    const bool header = text.starts_with(texts.list[kPPDHeaderTextIndex]);
    const bool localised = text.find(texts.cupsList[kCupsPPDMarkerIndex]) != std::string::npos;
    const bool supported = text.find(texts.list[kSupportedPPDMarkerIndex]) != std::string::npos;
    if (!header && (isPPD != 0 || kind != 0))
        Broken("a file without the header text is taken for a PPD");
    if (header && kind != (localised ? 1 : 0))
        Broken("the localisation kind disagrees with the text");
    if (header && supported && isPPD != 1)
        Broken("a PPD with the supported-PPD marker is refused");
}

void CheckLocator(std::string_view text, bool emptyList) {
    const PPDTexts& texts = Texts();
    const std::string& begin = texts.list[kBlockBeginMarkerIndex];
    const std::string& end = texts.list[kBlockEndMarkerIndex];
    ToneBlockPlace place;
    if (LocateToneBlock(texts, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                        emptyList, place) != noErr)
        Broken("the locator fails with every text loaded");
    if (place.startPos > place.tailStart || place.tailStart > text.size())
        Broken("the place lies outside the text");

    const size_t firstBegin = text.find(begin);
    const bool blockExists = firstBegin != std::string::npos &&
                             text.find(end, firstBegin + begin.size()) != std::string::npos;
    if (place.newBlock == blockExists)
        Broken("an old block found where there is none, or missed");
    if (!place.newBlock) {
        const size_t endPos = text.find(end, firstBegin + begin.size());
        if (text.compare(place.startPos, begin.size(), begin) != 0 ||
            text.find(begin, place.startPos + 1) < endPos + 1 - begin.size() ||
            place.startPos + begin.size() > endPos)
            Broken("the old block does not start at the last begin marker before its end");
        size_t tail = endPos + end.size();
        for (int i = 0; emptyList && i < 3 && tail < text.size() && text[tail] == '\n'; ++i)
            ++tail;
        if (place.tailStart != tail)
            Broken("the old block does not end at its end marker (and line feeds)");
        return;
    }
    if (place.tailStart != place.startPos)
        Broken("a new block takes text with it");
    size_t expected = text.size();
    // An anchor counts only at the start of a line: inside a comment or a quoted value,
    // putting the block before it would split the line.
    const auto atLineStart = [&](const std::string& anchor) {
        for (size_t at = text.find(anchor); at != std::string::npos; at = text.find(anchor, at + 1))
            if (at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r')
                return at;
        return std::string::npos;
    };
    for (const int16_t index : {kAnchor1Index, kAnchor2Index, kAnchor3Index, kAnchor4Index}) {
        if (const size_t at = atLineStart(texts.list[index]); at != std::string::npos) {
            expected = at;
            break;
        }
    }
    if (place.startPos != expected)
        Broken("a new block does not go before the first anchor found at a line's start");
}

} // namespace

// libcups 2.4 loses a string of a malformed PPD it refuses to open (_ppdOpen's strdup, seen
// with a plain C program too); that leak is not this program's to mend.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_ppdOpen\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckLocator(text, false);
    CheckLocator(text, true);
    CheckRecognition(text);
    return 0;
}
