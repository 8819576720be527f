#include "ppd/PPDWriter.h"
#include "ppd/PPDReader.h"
#include "ppd/ToneBlock.h"

#include "host/bundle/BundleLocation.h"
#include "host/cups/PPDFile.h"
#include "host/files/SafeWrite.h"
#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

// A small colour PPD of our own with one group, written for these tests.
const std::string kGroupedPPD = "*PPD-Adobe: \"4.3\"\n"
                                "*FormatVersion: \"4.3\"\n"
                                "*LanguageVersion: English\n"
                                "*LanguageEncoding: ISOLatin1\n"
                                "*ModelName: \"Testwerk CP1\"\n"
                                "*NickName: \"Testwerk CP1\"\n"
                                "*ColorDevice: True\n"
                                "*DefaultColorSpace: CMYK\n"
                                "*OpenGroup: General/General\n"
                                "*OpenUI *PageSize/Media Size: PickOne\n"
                                "*OrderDependency: 10 AnySetup *PageSize\n"
                                "*DefaultPageSize: A4\n"
                                "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                                "*CloseUI: *PageSize\n"
                                "*CloseGroup: General\n"
                                "*DefaultFont: Courier\n"
                                "*Font Courier: Standard \"(001.005)\" Standard ROM\n";

// No anchor at all, and no line feed after the last line.
const std::string kBarePPD = "*PPD-Adobe: \"4.3\"\n"
                             "*ColorDevice: True\n"
                             "*NickName: \"Testwerk Bare\"";

std::string Block(GlueRec* glue, const PPDTone4Rec& list, bool newBlock) {
    PPDTexts texts;
    EXPECT_EQ(LoadPPDTexts(glue, texts), noErr);
    MyUnknownSizePtrClass block;
    EXPECT_EQ(ComposeToneBlock(texts, 0, kTextEncodingISOLatin1, list, newBlock, block), noErr);
    return std::string(reinterpret_cast<const char*>(block.GetBlock()), block.GetUsedSize());
}

std::vector<uint8_t> BigEndianRecord(const PPDTone4Rec& list) {
    PPDTone4Rec disk = list;
    SwapPPDTone4Rec(disk);
    const auto* p = reinterpret_cast<const uint8_t*>(&disk);
    return std::vector<uint8_t>(p, p + sizeof disk);
}

class PPDWriterTest : public PPDFolderTest {};

} // namespace

TEST_F(PPDWriterTest, NewBlockGoesBeforeTheFirstGroupAndAnEmptyListRemovesIt) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    const PPDTone4Rec list = ListOf({GammaSetting("Soft", {180})});
    SetWorking(list);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);

    const size_t anchor = kGroupedPPD.find("*OpenGroup:");
    const std::string expected =
        kGroupedPPD.substr(0, anchor) + Block(glue(), list, true) + kGroupedPPD.substr(anchor);
    EXPECT_EQ(ReadText(path), expected);
    EXPECT_EQ(std::memcmp(state()->ppdSaved, state()->ppdWorking, sizeof(PPDTone4Rec)), 0);

    SetWorking(ListOf({}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(path), kGroupedPPD) << "the original bytes come back";
    const auto record = StoredRecord(path);
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, BigEndianRecord(ListOf({}))) << "an empty record is still written";
}

TEST_F(PPDWriterTest, SecondWriteReplacesTheBlockInPlace) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    SetWorking(ListOf({GammaSetting("Soft", {180}), GammaSetting("Warm", {100, 120, 140, 90})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const std::string first = ReadText(path);

    const PPDTone4Rec second = ListOf({GammaSetting("Deep", {250})});
    SetWorking(second);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const size_t anchor = kGroupedPPD.find("*OpenGroup:");
    // The replaced block keeps the three line feeds that followed the first one.
    const std::string expected = kGroupedPPD.substr(0, anchor) + Block(glue(), second, false) +
                                 "\n\n\n" + kGroupedPPD.substr(anchor);
    EXPECT_EQ(ReadText(path), expected);
    EXPECT_NE(ReadText(path), first);
}

TEST_F(PPDWriterTest, BlockAppendedToALastLineWithoutLineFeedStaysOnItsOwnLine) {
    const std::string path = ChoosePPD("bare.ppd", kBarePPD);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const std::string written = ReadText(path);
    ASSERT_GT(written.size(), kBarePPD.size());
    EXPECT_EQ(written.substr(0, kBarePPD.size() + 1), kBarePPD + "\n")
        << "the block must not be glued to the last line";

    const CupsPPD ppd(path);
    ASSERT_TRUE(ppd.IsOpen());
    EXPECT_EQ(ppd.Attribute("NickName").value_or(""), "Testwerk Bare");

    SetWorking(ListOf({}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(path), kBarePPD);
}

TEST_F(PPDWriterTest, AnchorsAreTriedInTheirOrderWhereverTheyStand) {
    // The font list comes first in this file, the option after it: the option anchor wins.
    const std::string text = "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n"
                             "*DefaultFont: Courier\n"
                             "*OpenUI *Duplex: PickOne\n*DefaultDuplex: None\n"
                             "*Duplex None: \"\"\n*CloseUI: *Duplex\n";
    const std::string path = ChoosePPD("fonts-first.ppd", text);
    const PPDTone4Rec list = ListOf({GammaSetting("Soft", {180})});
    SetWorking(list);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const size_t anchor = text.find("*OpenUI ");
    EXPECT_EQ(ReadText(path),
              text.substr(0, anchor) + Block(glue(), list, true) + text.substr(anchor));
}

TEST_F(PPDWriterTest, StrayMarkersNeverLoseOrDuplicateText) {
    Str255 begin, end;
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockBeginMarkerIndex, begin), noErr);
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockEndMarkerIndex, end), noErr);
    // An end marker before the begin marker, with PPD text between them.
    const std::string text = "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n" + PStrToString(end) +
                             "\n*Keep: \"this\"\n" + PStrToString(begin) + "\n*Also: \"this\"\n";
    const std::string path = ChoosePPD("stray.ppd", text);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    SetWorking(ListOf({GammaSetting("Deep", {250})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    SetWorking(ListOf({}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const std::string after = ReadText(path);
    EXPECT_NE(after.find("*Keep: \"this\""), std::string::npos);
    EXPECT_NE(after.find("*Also: \"this\""), std::string::npos);
    EXPECT_EQ(after.find("Deep"), std::string::npos);
    EXPECT_EQ(after.find("Soft"), std::string::npos);
}

TEST_F(PPDWriterTest, RecordIsStoredBesideThePPDAndReadsBack) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    const PPDTone4Rec list =
        ListOf({GammaSetting("Deep", {250}), GammaSetting("Warm", {100, 120, 140, 90})});
    SetWorking(list);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);

    const auto record = StoredRecord(path);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->size(), 1568u);
    EXPECT_EQ(*record, BigEndianRecord(list));
    EXPECT_EQ((*record)[3], 2) << "count, big-endian";

    FSSpec spec = GetPPDLocation(*state()->prefsWorking);
    PPDTone4Rec back;
    std::memset(&back, 0xAA, sizeof back);
    ASSERT_EQ(ReadPPDSetting(glue(), &spec, &back), noErr);
    EXPECT_EQ(std::memcmp(&back, &list, sizeof list), 0);

    // The dialog's load gives two equal copies.
    std::memset(state()->ppdWorking, 0, sizeof(PPDTone4Rec));
    std::memset(state()->ppdSaved, 0, sizeof(PPDTone4Rec));
    ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    EXPECT_EQ(std::memcmp(state()->ppdWorking, &list, sizeof list), 0);
    EXPECT_EQ(std::memcmp(state()->ppdSaved, &list, sizeof list), 0);
}

TEST_F(PPDWriterTest, LibcupsSeesOneChoicePerSettingWithTheNames) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    SetWorking(ListOf({GammaSetting("Deep", {250}), GammaSetting("Warm: proof <A>", {180}),
                       GammaSetting("Warm", {100, 120, 140, 90})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const CupsPPD ppd(path);
    ASSERT_TRUE(ppd.IsOpen());
    const std::vector<std::string> choices = ppd.OptionChoices("OrvaneTone");
    EXPECT_EQ(choices, (std::vector<std::string>{"None", "Tone1", "Tone2", "Tone3"}));
    EXPECT_EQ(ppd.ChoiceText("OrvaneTone", "Tone1"), "Deep");
    EXPECT_EQ(ppd.ChoiceText("OrvaneTone", "Tone2"), "Warm: proof <A>");
    EXPECT_NE(ppd.ChoiceCode("OrvaneTone", "Tone3").find("setcolortransfer"), std::string::npos);
    EXPECT_EQ(ppd.Attribute("DefaultOrvaneTone").value_or(""), "None");
}

TEST_F(PPDWriterTest, RefusedRightsChangeNothing) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    chmod(path.c_str(), 0644);
    rights().SetRequestResult(userCanceledErr, "the agent said no");
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    const PPDTone4Rec savedBefore = *state()->ppdSaved;
    const SaveOutcome outcome = AdjustHalftoneSaveToPPDFile(glue());
    EXPECT_EQ(outcome.status, noErr) << "a refusal is no failure of the save";
    EXPECT_TRUE(outcome.rightsRefused);
    EXPECT_EQ(outcome.refusalMessage, "the agent said no");
    EXPECT_EQ(AUTH_CANCEL_Flag, 1);
    EXPECT_EQ(ReadText(path), kGroupedPPD);
    EXPECT_FALSE(std::filesystem::exists(SidecarPath(path)));
    EXPECT_EQ(std::memcmp(state()->ppdSaved, &savedBefore, sizeof savedBefore), 0);
}

TEST_F(PPDWriterTest, GrantedRightsRunChmodOnThePPDAndItsSidecar) {
    const std::string path = ChoosePPD("with space; $(touch x).ppd", kGroupedPPD);
    chmod(path.c_str(), 0644);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    ASSERT_FALSE(rights().runs().empty());
    const ToolArguments& chmodRun = rights().runs().back();
    ASSERT_GE(chmodRun.size(), 3u);
    EXPECT_EQ(chmodRun[0], "/bin/chmod");
    EXPECT_EQ(chmodRun[1], "go+w");
    EXPECT_EQ(chmodRun[2], path);
    // No shell ever saw the path: its "$(touch x)" created nothing anywhere in the root.
    for (const auto& e : std::filesystem::recursive_directory_iterator(root()))
        EXPECT_NE(e.path().filename(), "x") << e.path();
}

TEST_F(PPDWriterTest, FailedTextWriteLeavesTextRecordAndSavedCopyAsTheyWere) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    const PPDTone4Rec first = ListOf({GammaSetting("Soft", {180})});
    SetWorking(first);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    const std::string textBefore = ReadText(path);
    const std::string sidecarBefore = ReadText(SidecarPath(path));

    SetWorking(ListOf({GammaSetting("Deep", {250}), GammaSetting("Warm", {100, 120, 140, 90})}));
    {
        // The record's write (the sidecar) succeeds, the text's fails half-way.
        ScopedWriteFailure failSecondWrite(4096);
        (void)failSecondWrite;
    }
    for (const bool inPlace : {false, true}) {
        std::optional<ScopedUnwritableFolder> folder;
        if (inPlace)
            folder.emplace(ppdDir());
        // Fail only the text: let the sidecar through first by failing after its size.
        const size_t sidecarSize = sidecarBefore.size() + 2048;
        ScopedWriteFailure fail(sidecarSize);
        const OSErr err = AdjustHalftoneSaveToPPDFile(glue()).status;
        EXPECT_NE(err, noErr);
        EXPECT_EQ(ReadText(path), textBefore) << (inPlace ? "in place" : "by rename");
        EXPECT_EQ(ReadText(SidecarPath(path)), sidecarBefore);
        EXPECT_EQ(std::memcmp(state()->ppdSaved, &first, sizeof first), 0)
            << "the settings still count as unsaved";
    }
    // In place with the restore failing too: the outcome names the copy of the old text.
    ScopedUnwritableFolder folder(ppdDir());
    ScopedWriteFailure fail(sidecarBefore.size() + 2048, true);
    const SaveOutcome outcome = AdjustHalftoneSaveToPPDFile(glue());
    EXPECT_EQ(outcome.status, restoreFailedErr);
    ASSERT_FALSE(outcome.backupPath.empty());
    EXPECT_EQ(ReadText(outcome.backupPath), textBefore);
}

// A text of the block missing from the bundle refuses the save before anything is asked
// or written, instead of writing a block without its option line.
TEST_F(PPDWriterTest, AMissingBundleTextRefusesTheSave) {
    const std::string bundle = work() + "/bundle";
    std::filesystem::copy(BundleDirectory(), bundle, std::filesystem::copy_options::recursive);
    for (const auto& e : std::filesystem::recursive_directory_iterator(bundle + "/Resources"))
        if (e.path().extension() == ".plist")
            WriteText(e.path(),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                      "<dict><key>OrderDependency</key><string>*Order\n</string>"
                      "</dict></plist>\n");
    ScopedEnv redirected("ORVANE_BUNDLE_DIR", bundle);
    const std::string path = ChoosePPD("localised.ppd", kGroupedPPD + "*cupsLanguages: \"de\"\n");
    chmod(path.c_str(), 0644);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    const SaveOutcome outcome = AdjustHalftoneSaveToPPDFile(glue());
    EXPECT_EQ(outcome.status, resNotFound);
    EXPECT_FALSE(outcome.rightsRefused);
    EXPECT_TRUE(rights().runs().empty());
    EXPECT_EQ(ReadText(path), kGroupedPPD + "*cupsLanguages: \"de\"\n");
    EXPECT_FALSE(std::filesystem::exists(SidecarPath(path)));
    EXPECT_NE(std::memcmp(state()->ppdSaved, state()->ppdWorking, sizeof(PPDTone4Rec)), 0);
}

TEST_F(PPDWriterTest, GammaFileTargetHoldsTheBlockAloneAndThePPDIsNotWritten) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    const std::string gammaPath = work() + "/PPDGAM";
    WriteText(gammaPath, "old text");
    ASSERT_EQ(HostFSSpecForPath(gammaPath, glue()->gammaFileSpec), noErr);
    glue()->osLevel = 2;
    chmod(path.c_str(), 0444);
    const auto ppdTime = std::filesystem::last_write_time(path);

    const PPDTone4Rec list = ListOf({GammaSetting("Soft", {180})});
    SetWorking(list);
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(gammaPath), Block(glue(), list, true));
    EXPECT_EQ(ReadText(path), kGroupedPPD);
    EXPECT_EQ(std::filesystem::last_write_time(path), ppdTime);
    EXPECT_TRUE(rights().runs().empty()) << "no rights are asked for the gamma file";
    EXPECT_EQ(*StoredRecord(gammaPath), BigEndianRecord(list));

    SetWorking(ListOf({}));
    ASSERT_EQ(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(gammaPath), "");
}

TEST_F(PPDWriterTest, APPDThatCannotBeMadeWritableIsAFailureNotASuccess) {
    // A path longer than the rights step accepts: nothing is asked, nothing written, and
    // the caller hears of it instead of believing the settings were saved.
    std::string folder = ppdDir();
    for (int i = 0; i < 5; ++i) {
        folder += "/" + std::string(200, static_cast<char>('a' + i));
        std::filesystem::create_directories(folder);
    }
    const std::string path = folder + "/deep.ppd";
    WriteText(path, kGroupedPPD);
    FSSpec spec;
    ASSERT_EQ(HostFSSpecForPath(path, spec), noErr);
    SetPPDLocation(*state()->prefsWorking, spec);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));
    EXPECT_NE(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
    EXPECT_EQ(ReadText(path), kGroupedPPD);
    EXPECT_NE(std::memcmp(state()->ppdSaved, state()->ppdWorking, sizeof(PPDTone4Rec)), 0);
}

TEST_F(PPDWriterTest, SymbolicLinksInThePrinterFolderAreNeverFollowed) {
    // Someone who may write in a shared folder plants links where the program writes.
    const std::string victim = work() + "/victim.txt";
    WriteText(victim, "not a PPD");
    chmod(victim.c_str(), 0600);
    SetWorking(ListOf({GammaSetting("Soft", {180})}));

    // A link as the sidecar of a real PPD.
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    std::filesystem::create_symlink(victim, SidecarPath(path));
    EXPECT_NE(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(victim), "not a PPD");
    EXPECT_EQ(ReadText(path), kGroupedPPD);

    // The chosen PPD replaced by a link after it was chosen.
    std::filesystem::remove(SidecarPath(path));
    std::filesystem::remove(path);
    std::filesystem::create_symlink(victim, path);
    EXPECT_NE(AdjustHalftoneSaveToPPDFile(glue()).status, noErr);
    EXPECT_EQ(ReadText(victim), "not a PPD");
    struct stat st {};
    ASSERT_EQ(stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "no chmod through the link";
    EXPECT_TRUE(rights().runs().empty()) << "nothing runs with rights for a link";
}
