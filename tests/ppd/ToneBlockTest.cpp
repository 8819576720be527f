// The tone block against reference bytes (tests/data/ppd, made by make_block_goldens.py),
// and the save's plan built on it.
#include "ppd/ToneBlock.h"

#include "ppd/GoldenBytes.h"
#include "ppd/PPDTestSupport.h"

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

// The settings of make_block_goldens.py, names in Mac Roman.
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

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class ToneBlockTest : public PPDFolderTest, public ::testing::WithParamInterface<BlockCase> {
protected:
    PPDTexts Texts() {
        PPDTexts texts;
        EXPECT_EQ(LoadPPDTexts(glue(), texts), noErr);
        return texts;
    }
    // The bundle's localised fragments follow the language: fixed for the whole test.
    ScopedEnv language_{"LC_ALL", "C"};
};

} // namespace

// A new block is the gamma file's whole text; one that is not new replaces the old block
// in place, nothing else changing.
TEST_P(ToneBlockTest, MatchesTheReferenceComposition) {
    const BlockCase& c = GetParam();
    const std::string expected =
        ReadFile(std::string(ORVANE_TEST_DATA_DIR) + "/ppd/" + c.golden + ".block");
    ASSERT_FALSE(expected.empty()) << "missing golden " << c.golden;
    const PPDTone4Rec list = c.identityOnly ? IdentitySetting() : MixedSettings();
    EXPECT_TRUE(SameBytes(expected, Block(list, c.newBlock, c.ppdType, c.encoding)));

    const std::string head = "*PPD-Adobe: \"4.3\"\n*OpenGroup: General\n";
    const std::string old =
        c.newBlock ? "old gamma text" : head + Block(list, true, c.ppdType, c.encoding);
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

// A setting named like the block's end marker must not end the block early: the next save
// would keep the rest of the block as PPD text.
TEST_F(ToneBlockShapeTest, ANameLikeAMarkerStaysInsideTheBlock) {
    const std::string ppd = "*PPD-Adobe: \"4.3\"\n*OpenUI *Duplex: PickOne\n";
    const PPDTexts texts = Texts();
    const PPDTone4Rec list =
        ListOf({GammaSetting(texts.list[kBlockEndMarkerIndex].c_str(), {180})});
    for (const auto& [type, encoding] :
         {std::pair<uint16_t, TextEncoding>{0, kTextEncodingISOLatin1},
          {1, kTextEncodingISOLatin1},
          {1, kTextEncodingUTF8}}) {
        std::vector<uint8_t> written, removed;
        ASSERT_EQ(PlanToneBlockText(Bytes(ppd), texts, type, encoding, list, false, written),
                  noErr);
        ASSERT_EQ(PlanToneBlockText(written, texts, type, encoding, ListOf({}), false, removed),
                  noErr);
        EXPECT_EQ(std::string(removed.begin(), removed.end()), ppd) << type << " " << encoding;
    }
}

TEST(PPDTranslationText, EscapesOnlyWhatWouldBreakTheTranslation) {
    EXPECT_EQ(PPDTranslationText("Plain name", kTextEncodingUTF8), "Plain name");
    EXPECT_EQ(PPDTranslationText("a:b<c\"d>e", kTextEncodingUTF8), "a<3A>b<3C>c<22>d>e");
    EXPECT_EQ(PPDTranslationText("tab\there\x7f", kTextEncodingUTF8), "tab<09>here<7F>");
    // 32 three-byte characters are 96 bytes: cut to 26 whole characters (78 bytes).
    std::string euros;
    for (int i = 0; i < 32; ++i)
        euros += "\xe2\x82\xac";
    EXPECT_EQ(PPDTranslationText(euros, kTextEncodingUTF8), euros.substr(0, 78));
}
