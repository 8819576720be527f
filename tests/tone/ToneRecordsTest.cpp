#include "tone/ToneRecords.h"

#include "support/PString.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

using namespace orvane;

namespace {

template <typename T> std::vector<uint8_t> BytesOf(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    return std::vector<uint8_t>(p, p + sizeof(T));
}

CMYKTone MakeSetting(const char* name, int32_t mid) {
    CMYKTone t;
    SetNewCMYKTone(t);
    PStrFromView(t.name, name, kMaxToneNameLength);
    t.tone[kCyan].levels[6] = mid;
    return t;
}

// A record with distinct values everywhere, so that a wrong swap offset shows up.
ToneRes4Rec PatternedPrefs() {
    ToneRes4Rec rec;
    auto* bytes = reinterpret_cast<uint8_t*>(&rec);
    for (size_t i = 0; i < sizeof rec; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return rec;
}

} // namespace

TEST(ToneRecordDefaults, NewSettingIsTheStraightLineForAllInks) {
    CMYKTone t;
    std::memset(&t, 0xEE, sizeof t);
    SetNewCMYKTone(t);
    EXPECT_EQ(t.name[0], 0);
    EXPECT_EQ(t.sameCurve, 1);
    for (const CToneInfo& curve : t.tone) {
        EXPECT_EQ(curve.levels[0], 0);
        EXPECT_EQ(curve.levels[12], 10000);
        for (int k = 1; k < 12; ++k)
            EXPECT_EQ(curve.levels[k], kNoPoint);
        EXPECT_EQ(curve.gamma, kNoGamma);
    }
}

TEST(ToneRecordSwap, LevelOf10000IsStoredBigEndian) {
    if constexpr (std::endian::native == std::endian::big)
        GTEST_SKIP() << "swapping is a no-op on a big-endian host";
    PPDTone4Rec rec{};
    rec.count = 1;
    rec.tones[0].tone[kCyan].levels[12] = 10000;
    SwapPPDTone4Rec(rec);
    const auto bytes = BytesOf(rec);
    const size_t level12 = 4 + 36 + 12 * 4;
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x01) << "count is big-endian";
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + level12, bytes.begin() + level12 + 4),
              (std::vector<uint8_t>{0x00, 0x00, 0x27, 0x10}));
}

TEST(ToneRecordSwap, TwiceGivesTheSameBytesForBothLists) {
    ToneRes4Rec prefs = PatternedPrefs();
    const auto before = BytesOf(prefs);
    SwapToneRes4Rec(prefs);
    if constexpr (std::endian::native == std::endian::little) {
        EXPECT_NE(BytesOf(prefs), before);
    }
    SwapToneRes4Rec(prefs);
    EXPECT_EQ(BytesOf(prefs), before);

    PPDTone4Rec ppd;
    std::memcpy(&ppd, &prefs, sizeof ppd);
    const auto ppdBefore = BytesOf(ppd);
    SwapPPDTone4Rec(ppd);
    SwapPPDTone4Rec(ppd);
    EXPECT_EQ(BytesOf(ppd), ppdBefore);
}

TEST(ToneRecordSwap, LeavesNamesFlagsPaddingAndLocationAlone) {
    ToneRes4Rec rec = PatternedPrefs();
    const auto before = BytesOf(rec);
    SwapToneRes4Rec(rec);
    const auto after = BytesOf(rec);
    // Bytes that must never move: every setting's name, flag and padding, the location
    // block and the reserved tail.
    for (int i = 0; i < kMaxRegisteredTones; ++i) {
        const size_t base = offsetof(ToneRes4Rec, tones) + i * sizeof(CMYKTone);
        for (size_t b = base; b < base + offsetof(CMYKTone, tone); ++b)
            ASSERT_EQ(after[b], before[b]) << "setting " << i << " byte " << b - base;
    }
    for (size_t b = offsetof(ToneRes4Rec, ppdVolume); b < sizeof rec; ++b)
        ASSERT_EQ(after[b], before[b]) << "location byte " << b;

    PPDTone4Rec ppd;
    std::memcpy(&ppd, before.data(), sizeof ppd);
    const auto ppdBefore = BytesOf(ppd);
    SwapPPDTone4Rec(ppd);
    const auto ppdAfter = BytesOf(ppd);
    for (size_t b = offsetof(PPDTone4Rec, legacyWord); b < sizeof ppd; ++b)
        EXPECT_EQ(ppdAfter[b], ppdBefore[b]) << "legacyWord is copied as bytes";
}

TEST(ToneRecordSwap, HandleFormsIgnoreShortBlocks) {
    Handle shortBlock = MyNewHandleClear(100);
    HandleData(shortBlock)[2] = 0x12;
    ToneRes4RecBigToHost(shortBlock);
    PPDTone4RecHostToBig(shortBlock);
    EXPECT_EQ(HandleData(shortBlock)[2], 0x12);
    MyDisposeHandle(shortBlock);

    Handle whole = MyNewHandleClear(sizeof(PPDTone4Rec));
    HandleData(whole)[3] = 6; // count 6, big-endian
    PPDTone4RecBigToHost(whole);
    EXPECT_EQ(reinterpret_cast<PPDTone4Rec*>(HandleData(whole))->count, 6);
    MyDisposeHandle(whole);
}

TEST(ToneComparison, ListComparisonLooksOnlyAtCyanForOneCurve) {
    CMYKTone a = MakeSetting("Warm", 4000);
    CMYKTone b = a;
    b.tone[kMagenta].levels[3] = 1234; // stale copies in the unused slots
    b.tone[kBlack].gamma = 220;
    EXPECT_TRUE(CMYKToneEqualForList(a, b));
    EXPECT_FALSE(CMYKToneEqualAllCurves(a, b));

    a.sameCurve = 0;
    b.sameCurve = 0;
    EXPECT_FALSE(CMYKToneEqualForList(a, b));
}

TEST(ToneComparison, NameFlagAndPaddingRules) {
    CMYKTone a = MakeSetting("Warm", 4000);
    CMYKTone b = a;
    b.sameCurve = 7; // any non-zero value counts as set
    b.padding[0] = 0x55;
    EXPECT_TRUE(CMYKToneEqualForList(a, b));
    EXPECT_TRUE(CMYKToneEqualAllCurves(a, b));

    CMYKTone renamed = MakeSetting("warm", 4000);
    EXPECT_FALSE(CMYKToneEqualForList(a, renamed));
    CMYKTone edited = MakeSetting("Warm", 4001);
    EXPECT_FALSE(CMYKToneEqualForList(a, edited));
}

TEST(ToneRecordLocation, LocationBlockIsCopiedAsBytes) {
    ToneRes4Rec rec{};
    FSSpec spec{};
    spec.vRefNum = -1;
    spec.parID = 0x01020304;
    PStrFromView(spec.name, "Studio Color.ppd", 63);
    SetPPDLocation(rec, spec);
    // Copies: the packed fields cannot be bound to references.
    const int16_t volume = rec.ppdVolume;
    const int32_t folder = rec.ppdFolderID;
    EXPECT_EQ(volume, -1);
    EXPECT_EQ(folder, 0x01020304);
    EXPECT_EQ(PStrView(rec.ppdName), "Studio Color.ppd");
    SwapToneRes4Rec(rec); // load/save never touches it
    const FSSpec back = GetPPDLocation(rec);
    EXPECT_EQ(std::memcmp(&back, &spec, sizeof spec), 0);
}
