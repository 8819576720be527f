// The resource-file class: resources tracked by type and ID, saved at once or at the close,
// and refused or failed saves.
#include "support/ResFile.h"

#include "host/files/HostPaths.h"
#include "host/files/SafeWrite.h"
#include "host/resources/ResourceFileFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

const ResType kVrTn = MakeFourCC("VrTn");
const ResType kTone = MakeFourCC("Tone");
const auto kNoName = reinterpret_cast<ConstStringPtr>("");

class ResFileTest : public testing::ResourceFileTest {
protected:
    // A file holding 'Tone' 128 = {1, 2, 3}, added through the class and written at its close.
    FSSpec FileWithTone(const std::string& name) {
        const FSSpec spec = NewResFile(name);
        MyOpenResFileClass file;
        EXPECT_EQ(file.SetResFile(spec), noErr);
        EXPECT_EQ(file.AddTheResource(NewHandleWith({1, 2, 3}), kTone, 128, kNoName), noErr);
        return spec;
    }
};

// The way a settings record is first stored into a file that has none: look it up, add a
// new handle when it is missing, fill it and save it by type and ID.
TEST_F(ResFileTest, LookUpAddAndSaveOfAMissingResourceEndsInTheFile) {
    const FSSpec spec = NewResFile("printer.ppd");
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec, fsRdWrPerm), noErr);
        EXPECT_EQ(file.GetTheResource(kVrTn, 128), nullptr);
        EXPECT_EQ(file.lastError, noErr);
        Handle record = MyNewHandleClear(1568);
        ASSERT_EQ(file.AddTheResource(record, kVrTn, 128, kNoName), noErr);
        std::memset(HandleData(record), 0x5C, 1568);
        EXPECT_EQ(file.SaveTheResource(kVrTn, 128), noErr);
        EXPECT_EQ(file.GetTheResource(kVrTn, 128), record);
        // Written by the save, not only at the close.
        ASSERT_EQ(ForkOnDisk("printer.ppd").entries.size(), 1u);
        EXPECT_EQ(ForkOnDisk("printer.ppd").entries[0].data, Bytes(1568, 0x5C));
    }
    FileWithTone("prefs"); // an added resource reaches the file at the close without a save
    EXPECT_EQ(ForkOnDisk("prefs").entries.at(0).data, (Bytes{1, 2, 3}));
}

TEST_F(ResFileTest, UntrackedRemovedAndRefusedResources) {
    const FSSpec spec = FileWithTone("prefs");
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec), noErr);
        Handle stranger = MyNewHandleClear(4);
        EXPECT_EQ(file.SaveTheResource(kTone, 128), resNotFound);
        EXPECT_EQ(file.SaveTheResource(stranger), resNotFound);
        EXPECT_EQ(file.RemoveTheResource(stranger), resNotFound);
        MyDisposeHandle(stranger);
        Handle tone = file.GetTheResource(kTone, 128);
        ASSERT_EQ(file.RemoveTheResource(tone), noErr);
        EXPECT_EQ(file.SearchByHandle(tone), 0);
        MyDisposeHandle(tone); // the caller's now
    }
    EXPECT_TRUE(ForkOnDisk("prefs").entries.empty());

    MyOpenResFileClass readOnly;
    ASSERT_EQ(readOnly.SetResFile(FileWithTone("other"), fsRdPerm), noErr);
    Handle extra = MyNewHandleClear(2);
    EXPECT_EQ(readOnly.AddTheResource(extra, kVrTn, 128, nullptr), wrPermErr);
    MyDisposeHandle(extra);
    ASSERT_NE(readOnly.GetTheResource(kTone, 128), nullptr);
    EXPECT_EQ(readOnly.SaveTheResource(kTone, 128), wrPermErr);
}

TEST_F(ResFileTest, FailedSaveIsReportedAndTheOldSidecarStays) {
    const FSSpec spec = FileWithTone("prefs");
    const std::string before = ReadFile(SidecarPath(Path("prefs")));
    MyOpenResFileClass file;
    ASSERT_EQ(file.SetResFile(spec), noErr);
    Handle tone = file.GetTheResource(kTone, 128);
    HandleData(tone)[0] = 0x99;
    {
        ScopedWriteFailure failure(10);
        EXPECT_NE(file.SaveTheResource(tone), noErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(Path("prefs"))), before);
    EXPECT_EQ(file.SaveTheResource(tone), noErr);
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].data, (Bytes{0x99, 2, 3}));
}

} // namespace
} // namespace orvane
