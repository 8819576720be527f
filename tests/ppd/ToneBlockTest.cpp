#include "ppd/ToneBlock.h"

#include "ppd/GoldenBytes.h"
#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

struct BlockCase {
    const char* golden;
    uint16_t ppdType;
    TextEncoding encoding;
    bool newBlock;
    bool identityOnly;
};

void PrintTo(const BlockCase& c, std::ostream* out) {
    *out << c.golden;
}

// The settings of tests/data/ppd/make_block_goldens.py, names in Mac Roman.
PPDTone4Rec MixedSettings() {
    return ListOf({GammaSetting("Caf\x8e cr\x8fme", {100, 120, 140, 90}),
                   GammaSetting("Proof\xaa", {220}), GammaSetting("Warm: proof <A>", {45})});
}

PPDTone4Rec IdentitySetting() {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, "Identity");
    return ListOf({tone});
}

class ToneBlockTest : public PPDFolderTest, public ::testing::WithParamInterface<BlockCase> {
protected:
    void SetUp() override {
        // The bundle's localised fragments follow the language: fix it.
        language_.emplace("LC_ALL", "C");
        PPDFolderTest::SetUp();
    }
    void TearDown() override {
        PPDFolderTest::TearDown();
        language_.reset();
    }

    std::string Compose(const PPDTone4Rec& list, TextEncoding encoding, bool newBlock,
                        OSErr* status = nullptr) {
        Str255 folder;
        EXPECT_EQ(GetAppString(glue(), kLocalizedFolderStringID, folder), noErr);
        MyUnknownSizePtrClass block;
        const OSErr err = ComposeToneBlock(glue(), list, encoding, folder, newBlock, block);
        if (status)
            *status = err;
        else
            EXPECT_EQ(err, noErr);
        return std::string(reinterpret_cast<const char*>(block.GetBlock()), block.GetUsedSize());
    }

private:
    std::optional<ScopedEnv> language_;
};

} // namespace

TEST_P(ToneBlockTest, MatchesTheReferenceComposition) {
    const BlockCase& c = GetParam();
    ppd_type = c.ppdType;
    const std::string expected =
        ReadText(std::string(ORVANE_TEST_DATA_DIR) + "/ppd/" + c.golden + ".block");
    ASSERT_FALSE(expected.empty()) << "missing golden " << c.golden;
    const PPDTone4Rec list = c.identityOnly ? IdentitySetting() : MixedSettings();
    EXPECT_TRUE(SameBytes(expected, Compose(list, c.encoding, c.newBlock)));
}

INSTANTIATE_TEST_SUITE_P(
    Goldens, ToneBlockTest,
    ::testing::Values(BlockCase{"type0-latin1-identity", 0, kTextEncodingISOLatin1, true, true},
                      BlockCase{"type0-latin1-mixed", 0, kTextEncodingISOLatin1, false, false},
                      BlockCase{"type0-utf8-mixed", 0, kTextEncodingUTF8, true, false},
                      BlockCase{"type1-latin1-mixed", 1, kTextEncodingISOLatin1, true, false},
                      BlockCase{"type1-utf8-mixed", 1, kTextEncodingUTF8, false, false}),
    [](const ::testing::TestParamInfo<BlockCase>& param) {
        std::string name = param.param.golden;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

using ToneBlockShapeTest = ToneBlockTest;

TEST_F(ToneBlockShapeTest, IdentityCurveGivesZeroTo255) {
    ppd_type = 0;
    const std::string block = Compose(IdentitySetting(), kTextEncodingISOLatin1, false);
    std::string numbers;
    for (int k = 0; k < 256; ++k)
        numbers += std::to_string(k) + (k % 10 == 9 ? "\n" : "\t");
    EXPECT_NE(block.find("(" + numbers + ")"), std::string::npos);
}

TEST_F(ToneBlockShapeTest, EmptyListIsHeaderAndEndOnly) {
    ppd_type = 0;
    Str255 header, end;
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockHeaderIndex, header), noErr);
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockEndIndex, end), noErr);
    EXPECT_EQ(Compose(ListOf({}), kTextEncodingISOLatin1, true),
              PStrToString(header) + PStrToString(end) + "\n\n\n");
}

TEST_F(ToneBlockShapeTest, SixFourCurveSettingsGive24Tables) {
    ppd_type = 0;
    PPDTone4Rec six = ListOf({});
    for (int i = 0; i < kMaxPPDTones; ++i)
        six.tones[six.count++] =
            GammaSetting(("Set " + std::to_string(i)).c_str(), {100, 150, 200, 250});
    const std::string block = Compose(six, kTextEncodingISOLatin1, false);
    size_t tables = 0;
    for (size_t at = block.find("\n("); at != std::string::npos; at = block.find("\n(", at + 1))
        ++tables;
    EXPECT_EQ(tables, 24u);
    EXPECT_NE(block.find("*OrvaneTone Tone6/Set 5"), std::string::npos);
}

TEST_F(ToneBlockShapeTest, PointIsWrittenWhateverTheLocale) {
    ScopedEnv comma("LC_ALL", "de_DE.UTF-8");
    ppd_type = 0;
    const std::string block =
        Compose(ListOf({GammaSetting("Soft", {180})}), kTextEncodingISOLatin1, false);
    EXPECT_NE(block.find('.'), std::string::npos);
    const size_t tableStart = block.find("\n(");
    EXPECT_EQ(block.find(',', tableStart), std::string::npos);
}

TEST_F(ToneBlockShapeTest, LocalisedPPDNeedsItsMarkerStringAndALanguageFolder) {
    ppd_type = 1;
    Str255 shortFolder;
    PStrFromView(shortFolder, ".lproj");
    MyUnknownSizePtrClass block;
    EXPECT_EQ(ComposeToneBlock(glue(), MixedSettings(), kTextEncodingISOLatin1, shortFolder, false,
                               block),
              resNotFound)
        << "a language folder name of six characters or fewer has no language";
}

TEST(PPDTranslationText, EscapesOnlyWhatWouldBreakTheTranslation) {
    EXPECT_EQ(PPDTranslationText("Plain name", kTextEncodingUTF8), "Plain name");
    EXPECT_EQ(PPDTranslationText("a:b<c\"d>e", kTextEncodingUTF8), "a<3A>b<3C>c<22>d>e");
    EXPECT_EQ(PPDTranslationText(std::string("tab\there\x7f"), kTextEncodingUTF8),
              "tab<09>here<7F>");
    // 32 three-byte characters are 96 bytes: cut to 26 whole characters (78 bytes).
    std::string euros;
    for (int i = 0; i < 32; ++i)
        euros += "\xe2\x82\xac";
    EXPECT_EQ(PPDTranslationText(euros, kTextEncodingUTF8), euros.substr(0, 78));
}
