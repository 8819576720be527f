// The "._name" sidecar beside a file: where it is, and how missing, empty, damaged and
// written sidecars read back.
#include "host/resources/Sidecar.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class SidecarTest : public testing::TempRoot {};

TEST(SidecarPathTest, SitsBesideTheFile) {
    EXPECT_EQ(SidecarPath("/etc/cups/ppd/Office.ppd"), "/etc/cups/ppd/._Office.ppd");
    EXPECT_EQ(SidecarPath("/top"), "/._top");
    EXPECT_EQ(SidecarPath("relative"), "./._relative");
    EXPECT_EQ(SidecarPath("dir/with space"), "dir/._with space");
}

TEST_F(SidecarTest, MissingEmptyAndDamagedSidecars) {
    const std::string file = Path("plain");
    WriteFile(file, "data");
    AppleDoubleImage image;
    image.hasResourceFork = true;
    ASSERT_EQ(ReadSidecar(file, image), noErr);
    EXPECT_FALSE(image.hasResourceFork || image.hasFinderInfo) << "nothing stored";
    WriteFile(SidecarPath(file), "");
    ASSERT_EQ(ReadSidecar(file, image), noErr);
    EXPECT_FALSE(image.hasResourceFork || image.hasFinderInfo) << "nothing stored";
    WriteFile(SidecarPath(file), "definitely not AppleDouble");
    EXPECT_EQ(ReadSidecar(file, image), mapReadErr);
    MakeFolder(SidecarPath(Path("odd"))); // a folder where the sidecar should be
    EXPECT_NE(ReadSidecar(Path("odd"), image), noErr);

    EXPECT_EQ(DeleteSidecar(file), noErr);
    EXPECT_FALSE(Exists(SidecarPath(file)));
    EXPECT_EQ(DeleteSidecar(file), noErr) << "a missing sidecar is fine";
}

TEST_F(SidecarTest, WrittenSidecarReadsBackAndLeavesTheFileAlone) {
    const std::string file = Path("Office.ppd");
    WriteFile(file, "*PPD-Adobe");
    AppleDoubleImage image, back;
    AppleDoubleSetTypeAndCreator(image, MakeFourCC("TEXT"), MakeFourCC("????"));
    image.hasResourceFork = true;
    image.resourceFork.assign(300, 7);
    ASSERT_EQ(WriteSidecar(file, image), noErr);
    ASSERT_EQ(ReadSidecar(file, back), noErr);
    EXPECT_EQ(back, image);
    EXPECT_EQ(ReadFile(file), "*PPD-Adobe");
}

} // namespace
} // namespace orvane
