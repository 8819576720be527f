// Where the program looks for PPDs.
#include "app/Folders.h"

#include "app/StoreFixture.h"
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

} // namespace
} // namespace orvane::testing
