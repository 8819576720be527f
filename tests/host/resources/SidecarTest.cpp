// The "._name" sidecar beside a file: where it is, and how missing, empty, damaged and
// written sidecars read back.
#include "host/resources/Sidecar.h"
#include "host/files/HostTestFolder.h"
#include "host/files/SafeWrite.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using testing::HostFolderTest;

class SidecarTest : public HostFolderTest {};

TEST(SidecarPathTest, SitsBesideTheFile) {
    EXPECT_EQ(SidecarPath("/etc/cups/ppd/Office.ppd"), "/etc/cups/ppd/._Office.ppd");
    EXPECT_EQ(SidecarPath("/top"), "/._top");
    EXPECT_EQ(SidecarPath("relative"), "./._relative");
    EXPECT_EQ(SidecarPath("dir/with space"), "dir/._with space");
}

TEST_F(SidecarTest, MissingOrEmptySidecarMeansNothingStored) {
    const std::string file = WorkPath("plain");
    WriteFile(file, "data");
    AppleDoubleImage image;
    image.hasResourceFork = true;
    ASSERT_EQ(ReadSidecar(file, image), noErr);
    EXPECT_FALSE(image.hasResourceFork);
    EXPECT_FALSE(image.hasFinderInfo);

    WriteFile(SidecarPath(file), "");
    ASSERT_EQ(ReadSidecar(file, image), noErr);
    EXPECT_FALSE(image.hasResourceFork);
    EXPECT_EQ(AppleDoubleFileType(image), 0u);
}

TEST_F(SidecarTest, DamagedSidecarIsAMapError) {
    const std::string file = WorkPath("damaged");
    WriteFile(SidecarPath(file), "definitely not AppleDouble");
    AppleDoubleImage image;
    EXPECT_EQ(ReadSidecar(file, image), mapReadErr);
    EXPECT_FALSE(image.hasResourceFork);
}

TEST_F(SidecarTest, UnreadableSidecarPassesTheStatusOn) {
    MakeFolder(SidecarPath(WorkPath("odd"))); // a folder where the sidecar should be
    AppleDoubleImage image;
    EXPECT_NE(ReadSidecar(WorkPath("odd"), image), noErr);
}

TEST_F(SidecarTest, WrittenSidecarReadsBack) {
    const std::string file = WorkPath("Office.ppd");
    WriteFile(file, "*PPD-Adobe");
    AppleDoubleImage image;
    AppleDoubleSetTypeAndCreator(image, MakeFourCC("TEXT"), MakeFourCC("????"));
    image.hasResourceFork = true;
    image.resourceFork = {1, 2, 3, 4, 5};
    ASSERT_EQ(WriteSidecar(file, image), noErr);

    AppleDoubleImage back;
    ASSERT_EQ(ReadSidecar(file, back), noErr);
    EXPECT_EQ(AppleDoubleFileType(back), MakeFourCC("TEXT"));
    EXPECT_EQ(AppleDoubleFileCreator(back), MakeFourCC("????"));
    EXPECT_EQ(back.resourceFork, image.resourceFork);
    EXPECT_EQ(ReadFile(file), "*PPD-Adobe") << "the data file is untouched";
}

TEST_F(SidecarTest, FailedSidecarWriteKeepsTheOldSidecar) {
    const std::string file = WorkPath("f");
    AppleDoubleImage first;
    first.hasResourceFork = true;
    first.resourceFork.assign(300, 7);
    ASSERT_EQ(WriteSidecar(file, first), noErr);
    const std::string before = ReadFile(SidecarPath(file));

    AppleDoubleImage second = first;
    second.resourceFork.assign(900, 9);
    {
        ScopedWriteFailure failure(100);
        EXPECT_EQ(WriteSidecar(file, second), ioErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(file)), before);
}

TEST_F(SidecarTest, DeletingAMissingSidecarIsFine) {
    const std::string file = WorkPath("f");
    EXPECT_EQ(DeleteSidecar(file), noErr);
    WriteFile(SidecarPath(file), "x");
    EXPECT_EQ(DeleteSidecar(file), noErr);
    EXPECT_FALSE(Exists(SidecarPath(file)));
}

} // namespace
} // namespace orvane
