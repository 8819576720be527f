// The Adjust Halftone dialog without its window: change detection, the item procedure's
// messages, and the check of settings built outside the editor.
#include "app/AdjustHalftone.h"

#include "app/StoreFixture.h"
#include "core/Alerts.h"
#include "core/UiText.h"

#include <functional>

namespace orvane::testing {
namespace {

using AdjustHalftoneTest = StoreTest;

TEST_F(AdjustHalftoneTest, SaveFollowsWhatTheListsShow) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(Add("S10"), noErr);
    EXPECT_TRUE(view_.enabled.Contains(kAdjustSaveItem));
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));
    // Replacing with the same curves is no change; with others it is.
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(Add("S10"), noErr);
    EXPECT_FALSE(AdjustHalftoneEnabledItems(glue_).Contains(kAdjustSaveItem));
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(Add("S10", true, 5000), noErr);
    EXPECT_TRUE(AdjustHalftoneEnabledItems(glue_).Contains(kAdjustSaveItem));
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);

    // One curve serves all inks: the other three do not count; nor do slots past the count.
    prefsWorking().tones[0].tone[kBlack].levels[3] = 1234;
    prefsWorking().tones[5].name[0] = 3;
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    prefsWorking().tones[0].sameCurve = 7; // any non-zero flag is the same flag
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    prefsWorking().tones[0].sameCurve = 0;
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    prefsWorking().tones[0].sameCurve = 1;

    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "S10"));
    AdjustHalftoneDialogItemProc(glue_, kAdjustDeleteItem);
    EXPECT_TRUE(view_.enabled.Contains(kAdjustSaveItem));
}

// A setting built outside the editor, by the editor's rules.
TEST(ToneValidityTest, FollowsTheEditorsRules) {
    struct Case {
        const char* what;
        std::function<void(CMYKTone&)> change;
        OSErr expected;
    };
    const auto cyan = [](int slot, int32_t level) {
        return [=](CMYKTone& t) { t.tone[kCyan].levels[slot] = level; };
    };
    const auto gamma = [](int32_t g) { return [=](CMYKTone& t) { t.tone[kCyan].gamma = g; }; };
    const Case cases[] = {
        {"the default", [](CMYKTone&) {}, noErr},
        {"empty name", [](CMYKTone& t) { t.name[0] = 0; }, kBadToneNameCode},
        {"no 0 % point", cyan(0, kNoPoint), kEndPointsCode},
        {"100 % at 100.01", cyan(12, 10001), kEndPointsCode},
        {"a point at 101", cyan(4, 10100), kPointOutOfRangeCode},
        {"a point below 0", cyan(4, -2), kPointOutOfRangeCode},
        {"a point at 100", cyan(11, 10000), noErr},
        {"gamma 0", gamma(0), kBadGammaCode},
        {"gamma 99.99", gamma(9999), noErr},
        {"gamma 100", gamma(10000), kBadGammaCode},
        // With one curve for all inks only cyan counts; with four, every ink.
        {"bad black, one curve", [](CMYKTone& t) { t.tone[kBlack].levels[0] = -1; }, noErr},
        {"bad black, four curves",
         [](CMYKTone& t) {
             t.sameCurve = 0;
             t.tone[kBlack].levels[0] = -1;
         },
         kEndPointsCode},
    };
    for (const Case& c : cases) {
        CMYKTone tone = MakeTone("Valid");
        c.change(tone);
        EXPECT_EQ(CheckCMYKToneIsValid(tone), c.expected) << c.what;
    }
}

TEST(ToneNameTest, ATypedNameIsStoredWholeOrRefusedWithItsReason) {
    ScopedEnv roman("LANG", "C.UTF-8");
    CMYKTone tone = MakeTone("Old");
    std::string offending;
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, std::string(33, 'x')), kBadToneNameCode);
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, ""), kBadToneNameCode);
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, "Foto \xE5\x86\x99\xE7\x9C\x9F", &offending),
              kNameNotStorableCode);
    EXPECT_EQ(offending, "\xE5\x86\x99"); // the first character that cannot be stored: 写
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, "Red\x1B[31m", &offending), kNameNotStorableCode);
    EXPECT_EQ(offending, "\\x1B"); // a control character, shown harmless
    EXPECT_EQ(WithControlsEscaped("a\rb\xC2\x9B"), "a\\x0Db\\x9B");
    EXPECT_EQ(PStrToString(tone.name), "Old");
    // Stored in the application's encoding, shown back in UTF-8 unchanged.
    ASSERT_EQ(SetCMYKToneNameUtf8(tone, "Portr\xC3\xA4t \xE2\x82\xAC"), noErr);
    EXPECT_EQ(PStrToString(tone.name), "Portr\x8At \xDB");
    EXPECT_EQ(ToneNameUtf8(tone), "Portr\xC3\xA4t \xE2\x82\xAC");
    ASSERT_EQ(SetCMYKToneNameUtf8(tone, std::string(32, 'x')), noErr);
    EXPECT_EQ(PStrToString(tone.name), std::string(32, 'x'));
}

} // namespace
} // namespace orvane::testing
