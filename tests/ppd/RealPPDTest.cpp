// The writer on real printers' PPDs from the openprinting-ppds package, and what the
// printing system makes of the result: libcups' view of the option, cupstestppd's verdict
// and Ghostscript's rendering of each choice.
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"
#include "ppd/ToneBlock.h"

#include "host/cups/PPDFile.h"
#include "host/text/AppText.h"
#include "ppd/GoldenBytes.h"
#include "ppd/PPDTestSupport.h"
#include "ppd/PrintingSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <unistd.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

struct RealPPDCase {
    const char* label;  // names the test
    const char* name;   // in the package's listing
    const char* anchor; // the text a new block must stand before
    bool localised;     // carries *cupsLanguages
    bool crlf;          // lines end in CR LF
    bool largest;       // slow to parse under AddressSanitizer
};

// libcups grows its attribute table one entry at a time; AddressSanitizer's realloc copies
// the table at each step, so parsing the largest PPD takes seconds there instead of
// milliseconds. The other PPDs cover the same paths under the sanitizers.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

const RealPPDCase kRealPPDs[] = {
    {"HPDesignJet2500CP_grouped", "HP/HP_DesignJet_2500CP_PS3.ppd", "*OpenGroup:", false, false,
     false},
    {"SamsungC460_noGroups", "Samsung/PS/Samsung_C460_Series.ppd", "*OpenUI ", false, false, false},
    {"LexmarkC540_localised", "Lexmark/Lexmark_C540.ppd", "*OpenGroup:", true, false, false},
    {"BrotherDCP9040CN_crlf", "Brother/BR9040_2_GPL.ppd", "*OpenUI ", false, true, false},
    {"CanonIPRC650_largest", "Canon/cnprc650x1g.ppd", "*OpenGroup:", false, false, true},
};

const char* const kOption = "OrvaneTone";

// A setting named in UTF-8 (stored, as the editor stores it, in the application's
// encoding), with what a Latin-1 PPD can show of the name.
struct NamedSetting {
    const char* name;
    bool inLatin1;
    CMYKTone tone;
};

// A curve through a few points only, which the spline bends past the points between them;
// black a little lighter than the others.
CMYKTone PointsSetting() {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    tone.sameCurve = 0;
    for (CToneInfo& curve : tone.tone) {
        for (size_t slot = 0; slot < kToneSlotCount; ++slot)
            curve.levels[slot] = kNoPoint; // by index: the record is packed
        for (const auto& [slot, level] :
             {std::pair{0, 0}, {3, 500}, {6, 4000}, {10, 9900}, {12, 10000}})
            curve.levels[slot] = level;
    }
    tone.tone[kBlack].levels[6] = 3500;
    return tone;
}

// Six settings of every kind: one and four curves, gamma and point curves, names that
// Latin-1 can and cannot hold, a name with bytes a PPD translation must escape.
std::vector<NamedSetting> SixSettings() {
    std::vector<NamedSetting> six = {
        {"Identity", true, GammaSetting("", {100})},
        {"Café crème", true, GammaSetting("", {100, 120, 140, 90})},
        {"Warm: proof <A>", true, GammaSetting("", {180})},
        {"Proof™", false, GammaSetting("", {250, 45, 220, 100})},
        {"Soft", true, GammaSetting("", {45})},
        {"Shoulder", true, PointsSetting()},
    };
    for (NamedSetting& s : six) {
        std::string appName;
        EXPECT_EQ(Utf8ToAppText(s.name, kMaxToneNameLength, appName), TextConversionStatus::ok);
        PStrFromView(s.tone.name, appName, kMaxToneNameLength);
    }
    return six;
}

PPDTone4Rec ListOfNamed(const std::vector<NamedSetting>& settings) {
    PPDTone4Rec list = ListOf({});
    for (const NamedSetting& s : settings)
        list.tones[list.count++] = s.tone;
    return list;
}

class RealPPDTest : public PPDFolderTest, public ::testing::WithParamInterface<RealPPDCase> {
protected:
    void SetUp() override {
        PPDFolderTest::SetUp();
        if (HasFatalFailure())
            return;
        if (access(kOpenprintingDriver, X_OK) != 0) {
            if (PrintingToolsRequired())
                FAIL() << kOpenprintingDriver << " is missing (package openprinting-ppds)";
            GTEST_SKIP() << "the real PPDs come from the package openprinting-ppds, which is not "
                            "installed here (no "
                         << kOpenprintingDriver << "); scripts/install-deps.sh installs it";
        }
        if (kAddressSanitizer && GetParam().largest)
            GTEST_SKIP() << "the largest PPD takes libcups seconds to parse under "
                            "AddressSanitizer; the release build's run covers it";
        const std::string extracted = Path("original.ppd");
        ASSERT_TRUE(ExtractOpenprintingPPD(GetParam().name, extracted));
        original_ = ReadFile(extracted);
        std::string base = GetParam().name;
        base = base.substr(base.rfind('/') + 1);
        path_ = ChoosePPD(base, original_);

        // The chosen file is still the kind of PPD this case stands for.
        ASSERT_EQ(original_.find("*OpenGroup:") != std::string::npos,
                  std::string(GetParam().anchor) == "*OpenGroup:");
        ASSERT_EQ(original_.find("*cupsLanguages:") != std::string::npos, GetParam().localised);
        ASSERT_EQ(original_.find("\r\n") != std::string::npos, GetParam().crlf);

        // As when the user chooses it: recognised, and ppd_type set.
        spec_ = GetPPDLocation(*state()->prefsWorking);
        uint8_t isPPD = 0;
        ASSERT_EQ(CheckTargetFileIsPPDFile(glue(), &spec_, &isPPD, &ppdType_), noErr);
        ASSERT_EQ(isPPD, 1) << "a colour PPD the program serves";
        ASSERT_EQ(ppdType_, GetParam().localised ? 1 : 0);
        ASSERT_EQ(ppd_type, ppdType_);
        ASSERT_EQ(GetPPDEncoding(&spec_, &encoding_), noErr);
    }

    OSErr Write(const PPDTone4Rec& list) { return Save(list).status; }
    std::string Block(const PPDTone4Rec& list, bool newBlock) {
        const std::vector<std::string> languages = PPDCupsLanguages(
            {reinterpret_cast<const uint8_t*>(original_.data()), original_.size()});
        return PPDFolderTest::Block(list, newBlock, ppdType_, encoding_, languages);
    }

    std::string original_;
    std::string path_;
    FSSpec spec_{};
    TextEncoding encoding_ = kTextEncodingISOLatin1;
    uint16_t ppdType_ = 0;
};

} // namespace

// The block goes before the anchor and the printing system offers the option and its
// choices; emptying the list gives back the original bytes.
TEST_P(RealPPDTest, PrintingSystemOffersTheOptionAndItsChoicesWork) {
    const std::string cupstestppd = FindProgram("cupstestppd");
    const std::string gs = FindProgram("gs");
    if (cupstestppd.empty() || gs.empty()) {
        if (PrintingToolsRequired())
            FAIL() << "cupstestppd (cups-client) or gs (ghostscript) is missing";
        GTEST_SKIP() << "needs cupstestppd (package cups-client) and gs (package ghostscript); "
                        "scripts/install-deps.sh installs them";
    }
    const std::vector<NamedSetting> settings = SixSettings();
    const PPDTone4Rec six = ListOfNamed(settings);
    ASSERT_EQ(Write(six), noErr);
    const size_t anchor = original_.find(GetParam().anchor);
    ASSERT_NE(anchor, std::string::npos);
    EXPECT_TRUE(SameBytes(original_.substr(0, anchor) + Block(six, true) + original_.substr(anchor),
                          ReadFile(path_)));
    EXPECT_EQ(SidecarResource(path_, kPPDToneResType, kPPDToneResID), BigEndianRecord(six));
    // A localised PPD's first language: libcups keeps the lines of its locale's language.
    const std::vector<std::string> languages =
        PPDCupsLanguages({reinterpret_cast<const uint8_t*>(original_.data()), original_.size()});
    const std::string language = languages.empty() ? "en" : languages.front();

    // libcups, in the application's language so that it keeps that language's lines.
    std::vector<RampJob> jobs;
    {
        ScopedEnv locale("LC_ALL", language + ".UTF-8");
        const CupsPPD ppd(path_);
        ASSERT_TRUE(ppd.IsOpen()) << "libcups refuses the written PPD";
        std::vector<std::string> want = {"None"};
        for (size_t i = 1; i <= settings.size(); ++i)
            want.push_back("Tone" + std::to_string(i));
        ASSERT_EQ(ppd.OptionChoices(kOption), want);
        EXPECT_EQ(ppd.Attribute("DefaultOrvaneTone").value_or(""), "None");
        EXPECT_EQ(ppd.ChoiceCode(kOption, "None"), "");
        for (size_t i = 0; i < settings.size(); ++i) {
            const std::string choice = want[i + 1];
            const std::string numeric = "Setting " + std::to_string(i + 1);
            // A localised PPD keeps 7-bit base texts and carries the name as a translation.
            const std::string base =
                !GetParam().localised && settings[i].inLatin1 ? settings[i].name : numeric;
            EXPECT_EQ(ppd.ChoiceText(kOption, choice.c_str()), base) << choice;
            if (GetParam().localised) {
                EXPECT_EQ(ppd.AttributeText((language + "." + kOption).c_str(), choice.c_str())
                              .value_or("(none)"),
                          settings[i].name)
                    << choice;
            }
        }
        if (GetParam().localised) {
            EXPECT_TRUE(ppd.AttributeText((language + ".Translation").c_str(), kOption));
            EXPECT_TRUE(ppd.AttributeText((language + "." + kOption).c_str(), "None"));
        }
        for (const std::string& choice : want)
            jobs.push_back({EmittedChoice(kOption, choice, ppd.ChoiceCode(kOption, choice.c_str())),
                            choice != "None"});
    }

    // cupstestppd: nothing new, and in a localised PPD no translation missing in any of its
    // languages.
    const std::string originalCopy = Path("original.ppd");
    const CupstestppdResult before = RunCupstestppd(cupstestppd, originalCopy, root());
    const CupstestppdResult after = RunCupstestppd(cupstestppd, path_, root());
    const NewFindings found = CompareFindings(before, after, kOption, language);
    EXPECT_TRUE(found.failures.empty()) << ::testing::PrintToString(found.failures);
    EXPECT_EQ(found.missingTranslations.size(), 0u)
        << ::testing::PrintToString(found.missingTranslations);
    EXPECT_EQ(GetParam().localised, !languages.empty());
    EXPECT_TRUE(before.exitStatus != 0 || after.exitStatus == 0);

    // Ghostscript: None changes nothing; each setting's choice makes every ink follow its
    // curve within one level of 255.
    std::vector<InkRamp> pages;
    ASSERT_TRUE(RenderRamps(gs, jobs, root(), pages));
    for (int ink = 0; ink < kInkCount; ++ink)
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(pages[0][ink][j], j) << "None changed ink " << ink << " at " << j;
    for (size_t i = 0; i < settings.size(); ++i) {
        const CMYKTone& tone = settings[i].tone;
        for (int ink = 0; ink < kInkCount; ++ink) {
            int32_t table[kTransferTableSize];
            ASSERT_EQ(MakeTransferTable(tone.tone[tone.sameCurve ? kCyan : ink], table), noErr);
            double largest = 0;
            for (int j = 0; j < 256; ++j) {
                // Ink input j/255 is the additive input (255 - j)/255, table entry 255 - j.
                const double expected = 255.0 - table[255 - j] / 100.0;
                largest = std::max(largest, std::abs(pages[i + 1][ink][j] - expected));
            }
            EXPECT_LE(largest, 1.0) << "Tone" << i + 1 << " ink " << ink;
        }
    }
    ASSERT_EQ(Write(ListOf({})), noErr);
    EXPECT_TRUE(SameBytes(original_, ReadFile(path_)));
}

INSTANTIATE_TEST_SUITE_P(Openprinting, RealPPDTest, ::testing::ValuesIn(kRealPPDs),
                         [](const auto& p) { return std::string(p.param.label); });
