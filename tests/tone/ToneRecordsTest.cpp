// Tone records: the byte-order swaps against a model of the stored layout, a new setting's
// curves and the two comparisons.
#include "tone/ToneRecords.h"

#include "support/PString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

template <typename T> Bytes BytesOf(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    return Bytes(p, p + sizeof(T));
}

// A record with distinct bytes everywhere, so that a wrong swap offset shows up.
template <typename T> T Patterned() {
    T rec;
    auto* bytes = reinterpret_cast<uint8_t*>(&rec);
    for (size_t i = 0; i < sizeof rec; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return rec;
}

// The stored (big-endian) image of a little-endian record: the 16-bit words before the
// settings swapped, each setting's 4 x 14 curve integers swapped, every other byte (names,
// flags, padding, the location block, the legacy word) as it was.
Bytes StoredImage(Bytes bytes, size_t settingsAt, int settings) {
    for (size_t i = 0; i < settingsAt; i += 2)
        std::swap(bytes[i], bytes[i + 1]);
    for (int s = 0; s < settings; ++s)
        for (size_t k = 0; k < kInkCount * sizeof(CToneInfo) / 4; ++k) {
            const size_t at = settingsAt + s * sizeof(CMYKTone) + offsetof(CMYKTone, tone) + 4 * k;
            std::reverse(bytes.begin() + at, bytes.begin() + at + 4);
        }
    return bytes;
}

TEST(ToneRecordSwap, FollowsTheStoredLayoutAndTwiceRestores) {
    if constexpr (std::endian::native == std::endian::big)
        GTEST_SKIP() << "swapping is a no-op on a big-endian host";
    // The handle forms, as loading and saving use them.
    const auto check = [](const auto& pattern, size_t settingsAt, int settings, auto toBig,
                          auto toHost) {
        Handle block = MyNewHandleClear(sizeof pattern);
        std::memcpy(HandleData(block), &pattern, sizeof pattern);
        toBig(block);
        EXPECT_EQ(Bytes(HandleData(block), HandleData(block) + sizeof pattern),
                  StoredImage(BytesOf(pattern), settingsAt, settings));
        toHost(block);
        EXPECT_EQ(std::memcmp(HandleData(block), &pattern, sizeof pattern), 0);
        MyDisposeHandle(block);
    };
    check(Patterned<ToneRes4Rec>(), offsetof(ToneRes4Rec, tones), kMaxRegisteredTones,
          ToneRes4RecHostToBig, ToneRes4RecBigToHost);
    check(Patterned<PPDTone4Rec>(), offsetof(PPDTone4Rec, tones), kMaxPPDTones,
          PPDTone4RecHostToBig, PPDTone4RecBigToHost);

    Handle shortBlock = MyNewHandleClear(100); // too short for either record: left alone
    HandleData(shortBlock)[2] = 0x12;
    ToneRes4RecBigToHost(shortBlock);
    PPDTone4RecHostToBig(shortBlock);
    EXPECT_EQ(HandleData(shortBlock)[2], 0x12);
    MyDisposeHandle(shortBlock);
}

CMYKTone MakeSetting(const char* name, int32_t mid) {
    CMYKTone t;
    std::memset(&t, 0xEE, sizeof t);
    SetNewCMYKTone(t);
    PStrFromView(t.name, name, kMaxToneNameLength);
    t.tone[kCyan].levels[6] = mid;
    return t;
}

TEST(ToneRecords, ListComparisonLooksOnlyAtCyanForOneCurve) {
    const CMYKTone a = MakeSetting("Warm", 4000);
    EXPECT_EQ(a.sameCurve, 1) << "a new setting has one curve for all inks";
    EXPECT_EQ(int32_t{a.tone[kBlack].levels[12]}, 10000);
    CMYKTone b = a;
    b.tone[kMagenta].levels[3] = 1234; // stale copies in the unused slots
    b.tone[kBlack].gamma = 220;
    b.sameCurve = 7; // any non-zero value counts as set
    b.padding[0] = 0x55;
    EXPECT_TRUE(CMYKToneEqualForList(a, b));
    EXPECT_FALSE(CMYKToneEqualAllCurves(a, b));
    b.tone[kMagenta] = a.tone[kMagenta];
    b.tone[kBlack] = a.tone[kBlack];
    EXPECT_TRUE(CMYKToneEqualAllCurves(a, b));
    EXPECT_FALSE(CMYKToneEqualForList(a, MakeSetting("warm", 4000)));
    EXPECT_FALSE(CMYKToneEqualForList(a, MakeSetting("Warm", 4001)));

    CMYKTone four = a, other = a;
    four.sameCurve = other.sameCurve = 0;
    other.tone[kBlack].levels[3] = 1234;
    EXPECT_FALSE(CMYKToneEqualForList(four, other));
    EXPECT_FALSE(CMYKToneEqualForList(four, a)) << "one curve for all is another setting";
}

} // namespace
} // namespace orvane
