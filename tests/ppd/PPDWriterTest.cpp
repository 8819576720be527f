// Saving settings into a PPD of our own (or its gamma file): where the block goes, what
// a second save and an empty list leave, the record beside it, and every way a save is
// refused or fails without changing what was there.
#include "ppd/PPDWriter.h"
#include "ppd/PPDReader.h"

#include "host/bundle/BundleLocation.h"
#include "ppd/PPDTestSupport.h"
#include "ppd/Permissions.h"

#include <sys/stat.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

const std::string kGroupedPPD = "*PPD-Adobe: \"4.3\"\n"
                                "*LanguageEncoding: ISOLatin1\n"
                                "*NickName: \"Testwerk CP1\"\n"
                                "*ColorDevice: True\n"
                                "*OpenGroup: General/General\n"
                                "*OpenUI *PageSize/Media Size: PickOne\n"
                                "*OrderDependency: 10 AnySetup *PageSize\n"
                                "*DefaultPageSize: A4\n"
                                "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                                "*CloseUI: *PageSize\n"
                                "*CloseGroup: General\n"
                                "*DefaultFont: Courier\n";

struct PlaceCase {
    const char* label;
    std::string text;
    const char* anchor; // the text a new block goes before; none: at the end
};

const PlaceCase kPlaces[] = {
    {"BeforeTheFirstGroup", kGroupedPPD, "*OpenGroup:"},
    // The font list comes first here, the option after it: the option anchor wins.
    {"OptionAnchorBeforeFontAnchor",
     "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n*DefaultFont: Courier\n"
     "*OpenUI *Duplex: PickOne\n*DefaultDuplex: None\n*Duplex None: \"\"\n*CloseUI: *Duplex\n",
     "*OpenUI "},
    {"NoAnchorNoFinalLineFeed", "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n*NickName: \"Bare\"",
     nullptr},
};

class PPDWriterTest : public PPDFolderTest {};
class BlockPlaceTest : public PPDFolderTest, public ::testing::WithParamInterface<PlaceCase> {};

} // namespace

TEST_P(BlockPlaceTest, NewReplacedAndRemovedBlocksLeaveTheRestAsItWas) {
    const PlaceCase& c = GetParam();
    const std::string path = ChoosePPD("target.ppd", c.text);
    const size_t split = c.anchor ? c.text.find(c.anchor) : c.text.size();
    ASSERT_NE(split, std::string::npos);
    const std::string head = c.text.substr(0, split); // the block begins with a line feed
    const std::string tail = c.text.substr(split);
    const PPDTone4Rec three =
        ListOf({GammaSetting("Deep", {250}), GammaSetting("Warm: proof <A>", {180}),
                GammaSetting("Warm", {100, 120, 140, 90})});
    ASSERT_EQ(Save(three).status, noErr);
    EXPECT_EQ(ReadFile(path), head + Block(three, true) + tail);
    EXPECT_EQ(SidecarResource(path, kPPDToneResType, kPPDToneResID), BigEndianRecord(three));
    EXPECT_TRUE(SavedIs(three));

    // The replaced block keeps the three line feeds that followed the first one.
    const PPDTone4Rec one = ListOf({GammaSetting("Soft", {180})});
    ASSERT_EQ(Save(one).status, noErr);
    EXPECT_EQ(ReadFile(path), head + Block(one, false) + "\n\n\n" + tail);

    ASSERT_EQ(Save(ListOf({})).status, noErr);
    EXPECT_EQ(ReadFile(path), c.text) << "the original bytes come back";
    EXPECT_EQ(SidecarResource(path, kPPDToneResType, kPPDToneResID), BigEndianRecord(ListOf({})))
        << "an empty record is written";
}

INSTANTIATE_TEST_SUITE_P(Places, BlockPlaceTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(PPDWriterTest, StrayMarkersNeverLoseOrDuplicateText) {
    Str255 begin, end;
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockBeginMarkerIndex, begin), noErr);
    ASSERT_EQ(GetAppIndString(glue(), kPPDTextListID, kBlockEndMarkerIndex, end), noErr);
    // An end marker before the begin marker, with PPD text between them.
    const std::string path = ChoosePPD(
        "stray.ppd", "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n" + PStrToString(end) +
                         "\n*Keep: \"this\"\n" + PStrToString(begin) + "\n*Also: \"this\"\n");
    ASSERT_EQ(Save(ListOf({GammaSetting("Soft", {180})})).status, noErr);
    ASSERT_EQ(Save(ListOf({GammaSetting("Deep", {250})})).status, noErr);
    ASSERT_EQ(Save(ListOf({})).status, noErr);
    const std::string after = ReadFile(path);
    EXPECT_NE(after.find("*Keep: \"this\""), std::string::npos);
    EXPECT_NE(after.find("*Also: \"this\""), std::string::npos);
    EXPECT_EQ(after.find("Deep"), std::string::npos);
    EXPECT_EQ(after.find("Soft"), std::string::npos);
}

TEST_F(PPDWriterTest, RefusedRightsChangeNothing) {
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    ScopedWritableProbe nothingWritable([](const std::string&) { return false; });
    rights().SetRequestResult(userCanceledErr, "the agent said no");
    const PPDTone4Rec savedBefore = *state()->ppdSaved;
    const SaveOutcome outcome = Save(ListOf({GammaSetting("Soft", {180})}));
    EXPECT_EQ(outcome.status, noErr) << "a refusal is no failure of the save";
    EXPECT_TRUE(outcome.rightsRefused);
    EXPECT_EQ(outcome.refusalMessage, "the agent said no");
    EXPECT_EQ(AUTH_CANCEL_Flag, 1);
    EXPECT_EQ(ReadFile(path), kGroupedPPD);
    EXPECT_FALSE(Exists(SidecarPath(path)));
    EXPECT_TRUE(SavedIs(savedBefore));
}

// A text of the block missing from the bundle refuses the save before anything is asked
// or written, instead of writing a block without its option line.
TEST_F(PPDWriterTest, AMissingBundleTextRefusesTheSave) {
    const std::string bundle = Path("bundle");
    std::filesystem::copy(BundleDirectory(), bundle, std::filesystem::copy_options::recursive);
    for (const auto& e : std::filesystem::recursive_directory_iterator(bundle + "/Resources"))
        if (e.path().extension() == ".plist")
            WriteFile(e.path(),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                      "<dict><key>OrderDependency</key><string>*Order\n</string>"
                      "</dict></plist>\n");
    ScopedEnv redirected("ORVANE_BUNDLE_DIR", bundle);
    const std::string text = kGroupedPPD + "*cupsLanguages: \"de\"\n";
    const std::string path = ChoosePPD("localised.ppd", text);
    chmod(path.c_str(), 0644);
    const SaveOutcome outcome = Save(ListOf({GammaSetting("Soft", {180})}));
    EXPECT_EQ(outcome.status, resNotFound);
    EXPECT_FALSE(outcome.rightsRefused);
    EXPECT_TRUE(rights().runs().empty());
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_FALSE(Exists(SidecarPath(path)));
    EXPECT_FALSE(SavedIs(*state()->ppdWorking));
}

// Where a PPD cannot be made writable, or a link was planted where the program writes (by
// someone who may write in a shared folder), nothing is asked or written, and the caller
// hears of it instead of believing the settings were saved.
TEST_F(PPDWriterTest, NothingIsWrittenWhereItCannotBeSafelyAndTheSaveSaysSo) {
    const PPDTone4Rec list = ListOf({GammaSetting("Soft", {180})});
    std::string folder = ppdDir(); // a path longer than the rights step accepts
    for (char c = 'a'; c < 'f'; ++c)
        folder += "/" + std::string(200, c);
    MakeFolder(folder);
    const std::string deep = ChoosePath(folder + "/deep.ppd", kGroupedPPD);
    EXPECT_NE(Save(list).status, noErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
    EXPECT_EQ(ReadFile(deep), kGroupedPPD);
    EXPECT_FALSE(SavedIs(list));

    const std::string victim = Path("victim.txt");
    WriteFile(victim, "not a PPD");
    chmod(victim.c_str(), 0600);
    const std::string path = ChoosePPD("grouped.ppd", kGroupedPPD);
    std::filesystem::create_symlink(victim, SidecarPath(path)); // as the sidecar
    EXPECT_NE(Save(list).status, noErr);
    EXPECT_EQ(ReadFile(path), kGroupedPPD);
    std::filesystem::remove(SidecarPath(path));
    std::filesystem::remove(path);
    std::filesystem::create_symlink(victim, path); // as the PPD, after it was chosen
    EXPECT_NE(Save(list).status, noErr);
    EXPECT_EQ(ReadFile(victim), "not a PPD");
    struct stat st {};
    ASSERT_EQ(stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "no chmod through the link";
    EXPECT_TRUE(rights().runs().empty()) << "nothing runs with rights for a link";
}
