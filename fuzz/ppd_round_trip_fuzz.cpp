// The writer's promise over any PPD text: a block written into a text that holds none, then
// written again with the same list, changes nothing the second time, and written with an
// empty list gives back the original bytes exactly. The input is a list (a header byte:
// localisation kind, encoding, count; per setting a name and its gamma values) followed by
// the PPD text.
#include "FuzzSupport.h"

#include "ppd/PPDWriter.h"
#include "tone/ToneTables.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

using namespace orvane;
using namespace orvane::fuzz;

namespace {

constexpr TextEncoding kEncodings[] = {kTextEncodingMacRoman, kTextEncodingMacJapanese,
                                       kTextEncodingISOLatin1, kTextEncodingUTF8};

class Input {
public:
    explicit Input(std::span<const uint8_t> bytes) : rest_(bytes) {}
    uint8_t Byte() {
        if (rest_.empty())
            return 0;
        const uint8_t b = rest_[0];
        rest_ = rest_.subspan(1);
        return b;
    }
    std::span<const uint8_t> Take(size_t n) {
        n = std::min(n, rest_.size());
        const auto taken = rest_.first(n);
        rest_ = rest_.subspan(n);
        return taken;
    }
    std::span<const uint8_t> Rest() const { return rest_; }

private:
    std::span<const uint8_t> rest_;
};

// A setting: name length (0 ... 32) and bytes, then a flag byte (one curve or four) and a
// byte per curve that gives its gamma (0.10 ... 5.20).
CMYKTone DecodeSetting(Input& in) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    const auto name = in.Take(in.Byte() % (kMaxToneNameLength + 1));
    tone.name[0] = static_cast<unsigned char>(name.size());
    std::copy(name.begin(), name.end(), tone.name + 1);
    tone.sameCurve = in.Byte() & 1;
    for (int ink = 0; ink < (tone.sameCurve ? 1 : kInkCount); ++ink) {
        if (MakeGammaToneInfo(tone.tone[ink], 10 + 20 * int32_t{in.Byte()}) != noErr)
            Broken("a gamma in range is refused");
    }
    return tone;
}

std::vector<uint8_t> Plan(std::span<const uint8_t> text, uint16_t kind, TextEncoding encoding,
                          const PPDTone4Rec& list) {
    std::vector<uint8_t> out;
    if (PlanToneBlockText(text, Texts(), kind, encoding, list, false, out) != noErr)
        Broken("a plan with every text loaded fails");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in({data, size});
    const uint8_t header = in.Byte();
    const uint16_t kind = header & 1;
    const TextEncoding encoding = kEncodings[(header >> 1) & 3];
    PPDTone4Rec list;
    std::memset(&list, 0, sizeof list);
    list.count = static_cast<int16_t>(std::min<int>((header >> 3) & 7, kMaxPPDTones));
    for (int i = 0; i < list.count; ++i)
        list.tones[i] = DecodeSetting(in);
    const std::span<const uint8_t> original = in.Rest();

    // A text that already holds a block is replaced, not given back: not this property.
    ToneBlockPlace place;
    if (LocateToneBlock(Texts(), original, false, place) != noErr)
        Broken("the locator fails with every text loaded");
    if (!place.newBlock)
        return 0;

    const std::vector<uint8_t> written = Plan(original, kind, encoding, list);
    if (Plan(written, kind, encoding, list) != written)
        Broken("saving the same list again changes the text");
    PPDTone4Rec empty;
    std::memset(&empty, 0, sizeof empty);
    const std::vector<uint8_t> removed = Plan(written, kind, encoding, empty);
    if (!std::equal(removed.begin(), removed.end(), original.begin(), original.end()))
        Broken("an empty list does not give back the original bytes");
    return 0;
}
