// Open data forks by reference number: permissions and references that are not open files.
// (Reading, writing, the mark and the end of file are shown through the data-file class and
// the buffered reader.)
#include "host/files/FileTable.h"

#include "base/TempRoot.h"
#include "host/files/HostPaths.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class FileTableTest : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        WriteFile(Path("data"), "0123456789");
        ASSERT_EQ(HostFSSpecForPath(Path("data"), spec_), noErr);
    }
    int16_t Open(int8_t permission) {
        int16_t ref = 0;
        EXPECT_EQ(FSpOpenDF(spec_, permission, &ref), noErr);
        return ref;
    }
    FSSpec spec_{};
};

TEST_F(FileTableTest, PermissionsAndClosedReferencesAreRefused) {
    const int16_t writeOnly = Open(fsWrPerm);
    int32_t count = 3;
    char buffer[4];
    EXPECT_EQ(FSRead(writeOnly, &count, buffer), permErr);
    ASSERT_EQ(FSClose(writeOnly), noErr);
    EXPECT_EQ(FSRead(writeOnly, &count, buffer), rfNumErr);
    EXPECT_EQ(FSClose(writeOnly), rfNumErr);
    int16_t ref = 7;
    EXPECT_EQ(FSpOpenDF(spec_, 7, &ref), paramErr);
    EXPECT_EQ(ref, 0);
    if (testing::RunningAsRoot())
        return; // permission bits do not stop root
    ASSERT_EQ(chmod(Path("data").c_str(), 0444), 0);
    count = 1;
    ref = Open(fsCurPerm);
    EXPECT_EQ(FSWrite(ref, &count, "X"), wrPermErr) << "fsCurPerm falls back to reading";
    FSClose(ref);
    EXPECT_EQ(FSpOpenDF(spec_, fsRdWrPerm, &ref), permErr);
}

} // namespace
} // namespace orvane
