// Whole-file replacement: by rename, keeping what the old file was, and never a
// half-written file.
#include "host/files/SafeWrite.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <optional>

namespace orvane {
namespace {

using testing::RunningAsRoot;

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class SafeWriteTest : public testing::TempRoot {
protected:
    // What a write leaves in the root folder besides HOME.
    size_t Entries() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(root()),
                                                 std::filesystem::directory_iterator())) -
               1;
    }
    static struct stat StatOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
        return st;
    }
};

TEST_F(SafeWriteTest, ReplacesByRenameKeepingModeOwnerAndGroup) {
    const std::string path = Path("printer.ppd");
    WriteFile(path, "old contents that are longer");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    if (RunningAsRoot()) {
        ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    }
    const ino_t before = StatOf(path).st_ino;
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new")), noErr);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(path).st_ino, before) << "expected a replacement by rename";
    if (RunningAsRoot()) {
        EXPECT_EQ(std::make_pair(StatOf(path).st_uid, StatOf(path).st_gid),
                  std::make_pair(uid_t{4321}, gid_t{8765}));
    }
    EXPECT_EQ(Entries(), 1u);

    MakeFolder(Path("dir"));
    EXPECT_EQ(ReplaceFileContents(Path("dir"), Bytes("x")), dupFNErr);
    EXPECT_EQ(ReplaceFileContents(Path("no/such/folder/file"), Bytes("x")), fnfErr);
}

TEST_F(SafeWriteTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
    WriteFile(Path("target"), "old");
    ASSERT_EQ(symlink("target", Path("link").c_str()), 0);
    ASSERT_EQ(ReplaceFileContents(Path("link"), Bytes("new")), noErr);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link")));
    EXPECT_EQ(ReadFile(Path("target")), "new");
}

// Failed writes, by failure point (SIZE_MAX: the write goes through and the flush fails):
// the old bytes are always what remains.
TEST_F(SafeWriteTest, FailedWriteLeavesTheOldBytes) {
    const std::string path = Path("settings"), oldText(5000, 'o');
    WriteFile(path, oldText);
    for (size_t bytesBeforeFailure : {size_t{0}, size_t{2999}, SIZE_MAX}) {
        std::optional<ScopedWriteFailure> failure;
        std::optional<ScopedSyncFailure> syncFailure;
        if (bytesBeforeFailure == SIZE_MAX)
            syncFailure.emplace();
        else
            failure.emplace(bytesBeforeFailure);
        EXPECT_EQ(ReplaceFileContents(path, Bytes(std::string(3000, 'n'))), ioErr);
        EXPECT_EQ(ReadFile(path), oldText);
        EXPECT_EQ(Entries(), 1u) << bytesBeforeFailure;
    }
}

} // namespace
} // namespace orvane
