// Where the program looks for PPDs, and the two pickers over the file chooser.
#include "app/Folders.h"

#include "app/StoreFixture.h"
#include "host/memory/Memory.h"
#include "support/FileHelpers.h"

namespace orvane::testing {
namespace {

class FoldersTest : public StoreTest {
protected:
    // The folder FindPPDFolder_OSX ends in, as a path ("" when it fails).
    std::string FoundFolder(uint8_t stopEarly, OSErr expected = noErr) {
        int16_t vRefNum = 0;
        int32_t dirID = 0;
        EXPECT_EQ(FindPPDFolder_OSX(glue_, &vRefNum, &dirID, stopEarly), expected);
        std::string path;
        if (expected == noErr) {
            EXPECT_EQ(HostPathForFolderID(dirID, path), noErr);
        }
        return path;
    }
};

TEST_F(FoldersTest, TheDescentGoesAsDeepAsTheFoldersAreThere) {
    EXPECT_EQ(PrinterDescriptionFolderPath(), PPDFolder());
    EXPECT_EQ(FoundFolder(0), PPDFolder());
    WriteFile(PPDFolder() + "/Contents", "a file ends the descent");
    EXPECT_EQ(FoundFolder(0), PPDFolder());
    std::filesystem::remove(PPDFolder() + "/Contents");
    MakeFolder(PPDFolder() + "/Contents/Resources");
    EXPECT_EQ(FoundFolder(0), PPDFolder() + "/Contents/Resources");
    MakeFolder(PPDFolder() + "/Contents/Resources/en.lproj");
    EXPECT_EQ(FoundFolder(1), PPDFolder() + "/Contents/Resources");
    EXPECT_EQ(FoundFolder(0), PPDFolder() + "/Contents/Resources/en.lproj");

    // The path is given even when the folder is gone; the chooser shows where it would be.
    std::filesystem::remove_all(PPDFolder());
    FoundFolder(0, fnfErr);
    std::vector<char> buffer(PPDFolder().size() + 1, 'x');
    EXPECT_EQ(GetPPDFolderPath(buffer.data(), static_cast<uint32_t>(buffer.size() - 1)), 0)
        << "no room for the terminator";
    EXPECT_EQ(GetPPDFolderPath(buffer.data(), static_cast<uint32_t>(buffer.size())), 1);
    EXPECT_EQ(std::string(buffer.data()), PPDFolder());
    EXPECT_EQ(GetPPDFolderPath(nullptr, 1024), 0);
}

TEST_F(FoldersTest, TheOpenPanelHandsBackCopiesEvenWhenCancelled) {
    char* folder = nullptr;
    char* file = nullptr;
    chooser_.SetNextCancel();
    EXPECT_FALSE(MyOpenPanel(chooser_, PPDFolder().c_str(), &folder, &file, false, true));
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(std::string(folder), PPDFolder());
    EXPECT_EQ(file, nullptr);
    MyDisposePtr(folder);

    folder = nullptr;
    chooser_.SetNextFile(PPDFolder() + "/x.ppd");
    EXPECT_TRUE(MyOpenPanel(chooser_, nullptr, &folder, &file, false, true));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::string(file), PPDFolder() + "/x.ppd");
    EXPECT_TRUE(chooser_.requests()[1].startFolder.empty());
    MyDisposePtr(folder);
    MyDisposePtr(file);
}

TEST_F(FoldersTest, TheGetFileDialogChoosesAFileOfTheRightTypeFromAnExistingFolder) {
    const std::string ppd = InstallSamplePPD();
    int16_t vRefNum = kHostVolumeRefNum;
    int32_t dirID = 0;
    ASSERT_EQ(HostFolderIDForPath(PPDFolder(), dirID), noErr);
    StandardFileReply reply;
    uint8_t stationery = 7;
    chooser_.SetNextFile(ppd);
    ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, &vRefNum, &dirID, &stationery, -1, nullptr),
              noErr);
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(stationery, 0);
    EXPECT_EQ(PStrToString(reply.sfFile.name), "Quillmark_ColorPage_5.ppd");
    const int32_t parID = reply.sfFile.parID; // a packed field, read by value
    EXPECT_EQ(parID, dirID);
    EXPECT_EQ(chooser_.requests().back().startFolder, PPDFolder());

    chooser_.SetNextCancel();
    ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, nullptr, nullptr, nullptr, -1, nullptr), noErr);
    EXPECT_EQ(reply.sfGood, 0);
    ASSERT_EQ(MySetFileTypeAndCreator(SpecFor(ppd), MakeFourCC("TEXT"), 0), noErr);
    for (const auto& [type, good] : {std::pair{MakeFourCC("pref"), 0}, {MakeFourCC("TEXT"), 1}}) {
        const OSType types[] = {type};
        chooser_.SetNextFile(ppd);
        ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, nullptr, nullptr, nullptr, 1, types),
                  noErr);
        EXPECT_EQ(reply.sfGood, good) << good;
    }
    EXPECT_EQ(reply.sfType, MakeFourCC("TEXT"));

    chooser_.SetNextFile(Path("no such folder/x.ppd")); // a path it cannot describe
    EXPECT_EQ(MyEasyNavStdGetFile(chooser_, &reply, nullptr, nullptr, nullptr, -1, nullptr),
              fnfErr);
    EXPECT_EQ(reply.sfGood, 0);

    // Its start folder gone, nothing is shown.
    std::filesystem::remove_all(PPDFolder());
    const size_t asked = chooser_.requests().size();
    ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, &vRefNum, &dirID, nullptr, -1, nullptr), noErr);
    EXPECT_EQ(reply.sfGood, 0);
    EXPECT_EQ(chooser_.requests().size(), asked);
}

} // namespace
} // namespace orvane::testing
