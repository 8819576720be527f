#include "ppd/ToneBlock.h"
#include "ppd/PPDWriter.h"

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
                        uint16_t ppdType = 0) {
        MyUnknownSizePtrClass block;
        EXPECT_EQ(ComposeToneBlock(Texts(), ppdType, encoding, list, newBlock, block), noErr);
        return std::string(reinterpret_cast<const char*>(block.GetBlock()), block.GetUsedSize());
    }

    const PPDTexts& Texts() {
        if (!loaded_) {
            EXPECT_EQ(LoadPPDTexts(glue(), texts_), noErr);
            loaded_ = true;
        }
        return texts_;
    }

private:
    std::optional<ScopedEnv> language_;
    PPDTexts texts_;
    bool loaded_ = false;
};

} // namespace

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The composition, and the save's plan built on it: a new block is the gamma file's whole
// text, and a block that is not new replaces an old one in place, nothing else changing.
TEST_P(ToneBlockTest, MatchesTheReferenceComposition) {
    const BlockCase& c = GetParam();
    const std::string expected =
        ReadText(std::string(ORVANE_TEST_DATA_DIR) + "/ppd/" + c.golden + ".block");
    ASSERT_FALSE(expected.empty()) << "missing golden " << c.golden;
    const PPDTone4Rec list = c.identityOnly ? IdentitySetting() : MixedSettings();
    EXPECT_TRUE(SameBytes(expected, Compose(list, c.encoding, c.newBlock, c.ppdType)));

    const std::string head = "*PPD-Adobe: \"4.3\"\n*OpenGroup: General\n";
    const std::string old =
        c.newBlock ? "old gamma text" : head + Compose(list, c.encoding, true, c.ppdType);
    std::vector<uint8_t> planned;
    ASSERT_EQ(
        PlanToneBlockText(Bytes(old), Texts(), c.ppdType, c.encoding, list, c.newBlock, planned),
        noErr);
    EXPECT_TRUE(SameBytes(c.newBlock ? expected : head + expected + "\n\n\n",
                          std::string(planned.begin(), planned.end())));
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
    const std::string block = Compose(IdentitySetting(), kTextEncodingISOLatin1, false);
    std::string numbers;
    for (int k = 0; k < 256; ++k)
        numbers += std::to_string(k) + (k % 10 == 9 ? "\n" : "\t");
    EXPECT_NE(block.find("(" + numbers + ")"), std::string::npos);
}

TEST_F(ToneBlockShapeTest, EmptyListIsHeaderAndEndOnly) {
    EXPECT_EQ(Compose(ListOf({}), kTextEncodingISOLatin1, true),
              Texts().list[kBlockHeaderIndex] + Texts().list[kBlockEndIndex] + "\n\n\n");
}

TEST_F(ToneBlockShapeTest, SixFourCurveSettingsGive24Tables) {
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
    const std::string block =
        Compose(ListOf({GammaSetting("Soft", {180})}), kTextEncodingISOLatin1, false);
    EXPECT_NE(block.find('.'), std::string::npos);
    const size_t tableStart = block.find("\n(");
    EXPECT_EQ(block.find(',', tableStart), std::string::npos);
}

// A setting named like the block's end marker must not end the block early: the next save
// would keep the rest of the block as PPD text.
TEST_F(ToneBlockShapeTest, ANameLikeAMarkerStaysInsideTheBlock) {
    const std::string ppd = "*PPD-Adobe: \"4.3\"\n*OpenUI *Duplex: PickOne\n";
    const PPDTone4Rec list =
        ListOf({GammaSetting(Texts().list[kBlockEndMarkerIndex].c_str(), {180})});
    for (const auto& [type, encoding] :
         {std::pair<uint16_t, TextEncoding>{0, kTextEncodingISOLatin1},
          {1, kTextEncodingISOLatin1},
          {1, kTextEncodingUTF8}}) {
        std::vector<uint8_t> written, removed;
        ASSERT_EQ(PlanToneBlockText(Bytes(ppd), Texts(), type, encoding, list, false, written),
                  noErr);
        ASSERT_EQ(PlanToneBlockText(written, Texts(), type, encoding, ListOf({}), false, removed),
                  noErr);
        EXPECT_EQ(std::string(removed.begin(), removed.end()), ppd) << type << " " << encoding;
    }
}

TEST_F(ToneBlockShapeTest, LocalisedPPDNeedsALanguageFolder) {
    PPDTexts texts = Texts();
    texts.localizedFolder = ".lproj";
    MyUnknownSizePtrClass block;
    EXPECT_EQ(ComposeToneBlock(texts, 1, kTextEncodingISOLatin1, MixedSettings(), false, block),
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
