// Where the program looks for PPDs, and the two pickers over the file chooser.
#include "app/Folders.h"

#include "app/StoreFixture.h"
#include "host/memory/Memory.h"
#include "support/FileHelpers.h"

namespace orvane::testing {
namespace {

using FoldersTest = StoreTest;

TEST_F(FoldersTest, TheDescentGoesAsDeepAsTheFoldersAreThere) {
    const auto found = [&](uint8_t stopEarly) {
        int16_t vRefNum = 0;
        int32_t dirID = 0;
        std::string path = "(failed)";
        if (FindPPDFolder_OSX(glue_, &vRefNum, &dirID, stopEarly) == noErr) {
            EXPECT_EQ(HostPathForFolderID(dirID, path), noErr);
        }
        return path;
    };
    EXPECT_EQ(PrinterDescriptionFolderPath(), PPDFolder());
    WriteFile(PPDFolder() + "/Contents", "a file ends the descent");
    EXPECT_EQ(found(0), PPDFolder());
    std::filesystem::remove(PPDFolder() + "/Contents");
    MakeFolder(PPDFolder() + "/Contents/Resources/en.lproj");
    EXPECT_EQ(found(1), PPDFolder() + "/Contents/Resources");
    EXPECT_EQ(found(0), PPDFolder() + "/Contents/Resources/en.lproj");

    // The path is given even when the folder is gone; the chooser shows where it would be.
    std::filesystem::remove_all(PPDFolder());
    EXPECT_EQ(found(0), "(failed)");
    std::vector<char> buffer(PPDFolder().size() + 1, 'x');
    EXPECT_EQ(GetPPDFolderPath(buffer.data(), static_cast<uint32_t>(buffer.size() - 1)), 0)
        << "no room for the terminator";
    EXPECT_EQ(GetPPDFolderPath(buffer.data(), static_cast<uint32_t>(buffer.size())), 1);
    EXPECT_EQ(std::string(buffer.data()), PPDFolder());
}

TEST_F(FoldersTest, ThePickersHandBackWhatWasChosenOfTheRightType) {
    char* folder = nullptr;
    char* file = nullptr;
    chooser_.SetNextCancel();
    EXPECT_FALSE(MyOpenPanel(chooser_, PPDFolder().c_str(), &folder, &file, false, true));
    EXPECT_EQ(std::string(folder ? folder : ""), PPDFolder()) << "a copy even when cancelled";
    EXPECT_EQ(file, nullptr);
    MyDisposePtr(folder);
    folder = nullptr;
    chooser_.SetNextFile(PPDFolder() + "/x.ppd");
    EXPECT_TRUE(MyOpenPanel(chooser_, nullptr, &folder, &file, false, true));
    EXPECT_EQ(std::string(file ? file : ""), PPDFolder() + "/x.ppd");
    MyDisposePtr(folder);
    MyDisposePtr(file);

    const std::string ppd = InstallSamplePPD();
    int16_t vRefNum = kHostVolumeRefNum;
    int32_t dirID = 0;
    ASSERT_EQ(HostFolderIDForPath(PPDFolder(), dirID), noErr);
    StandardFileReply reply;
    chooser_.SetNextFile(ppd);
    ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, &vRefNum, &dirID, nullptr, -1, nullptr), noErr);
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(PStrToString(reply.sfFile.name), "Quillmark_ColorPage_5.ppd");
    const int32_t parID = reply.sfFile.parID; // a packed field, read by value
    EXPECT_EQ(parID, dirID);
    EXPECT_EQ(chooser_.requests().back().startFolder, PPDFolder());
    ASSERT_EQ(MySetFileTypeAndCreator(SpecFor(ppd), MakeFourCC("TEXT"), 0), noErr);
    for (const auto& [type, good] : {std::pair{MakeFourCC("pref"), 0}, {MakeFourCC("TEXT"), 1}}) {
        const OSType types[] = {type};
        chooser_.SetNextFile(ppd);
        ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, nullptr, nullptr, nullptr, 1, types),
                  noErr);
        EXPECT_EQ(reply.sfGood, good);
    }
    chooser_.SetNextFile(Path("no such folder/x.ppd")); // a path it cannot describe
    EXPECT_EQ(MyEasyNavStdGetFile(chooser_, &reply, nullptr, nullptr, nullptr, -1, nullptr),
              fnfErr);
    // Its start folder gone, nothing is shown.
    std::filesystem::remove_all(PPDFolder());
    const size_t asked = chooser_.requests().size();
    ASSERT_EQ(MyEasyNavStdGetFile(chooser_, &reply, &vRefNum, &dirID, nullptr, -1, nullptr), noErr);
    EXPECT_EQ(reply.sfGood, 0);
    EXPECT_EQ(chooser_.requests().size(), asked);
}

} // namespace
} // namespace orvane::testing
