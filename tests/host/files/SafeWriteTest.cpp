// Whole-file replacement: by rename where the folder allows it, in place under a backup
// where only the file is writable, and never a half-written file.
#include "host/files/SafeWrite.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <sys/file.h>

namespace orvane {
namespace {

using testing::RunningAsRoot;

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class SafeWriteTest : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        MakeFolder(work());
    }
    std::string work() const { return Path("work"); }
    std::string W(const std::string& name) const { return work() + "/" + name; }
    // Names in the work folder and in the backup folder: what a write leaves behind.
    std::set<std::string> Leftovers() const {
        std::set<std::string> names;
        std::error_code ec;
        for (const std::string& dir : {work(), Path("cache/orvane/backups")})
            for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
                names.insert(entry.path().filename().string());
        return names;
    }
    static struct stat StatOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
        return st;
    }
};

TEST_F(SafeWriteTest, ReplacesByRenameKeepingModeOwnerAndGroup) {
    const std::string path = W("printer.ppd");
    WriteFile(path, "old contents that are longer");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    if (RunningAsRoot()) {
        ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    }
    const ino_t before = StatOf(path).st_ino;
    SafeWriteReport report;
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new"), &report), noErr);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(path).st_ino, before) << "expected a replacement by rename";
    if (RunningAsRoot()) {
        EXPECT_EQ(std::make_pair(StatOf(path).st_uid, StatOf(path).st_gid),
                  std::make_pair(uid_t{4321}, gid_t{8765}));
    }
    EXPECT_FALSE(report.wroteInPlace);
    EXPECT_EQ(Leftovers(), std::set<std::string>{"printer.ppd"});

    ASSERT_EQ(ReplaceFileContents(path, {}), noErr);
    EXPECT_EQ(ReadFile(path), "");
    const mode_t old = umask(022);
    ASSERT_EQ(ReplaceFileContents(W("fresh"), Bytes("abc")), noErr);
    umask(old);
    EXPECT_EQ(StatOf(W("fresh")).st_mode & 07777, 0644u);
}

TEST_F(SafeWriteTest, RefusesWhatCannotBeAFile) {
    MakeFolder(W("dir"));
    EXPECT_EQ(ReplaceFileContents(W("dir"), Bytes("x")), dupFNErr);
    EXPECT_TRUE(std::filesystem::is_directory(W("dir")));
    EXPECT_EQ(ReplaceFileContents(W("no/such/folder/file"), Bytes("x")), fnfErr);
    EXPECT_EQ(ReplaceFileContents("", Bytes("x")), paramErr);
}

TEST_F(SafeWriteTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
    MakeFolder(W("real"));
    WriteFile(W("real/target"), "old");
    ASSERT_EQ(symlink("real/target", W("link").c_str()), 0);
    ASSERT_EQ(ReplaceFileContents(W("link"), Bytes("new")), noErr);
    EXPECT_TRUE(std::filesystem::is_symlink(W("link")));
    EXPECT_EQ(ReadFile(W("real/target")), "new");
}

// An unwritable folder (the seam stands in for a root-owned one) and a file with two names
// are rewritten in place: the same inode, cut to the new length, no backup left.
TEST_F(SafeWriteTest, InPlaceWriteKeepsTheFileItself) {
    WriteFile(W("one"), "old contents, longer than the new ones");
    ASSERT_EQ(link(W("one").c_str(), W("two").c_str()), 0);
    SafeWriteReport report;
    ASSERT_EQ(ReplaceFileContents(W("one"), Bytes("new"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReadFile(W("two")), "new");
    ASSERT_EQ(unlink(W("two").c_str()), 0);

    const ino_t before = StatOf(W("one")).st_ino;
    ScopedUnwritableFolder unwritable(work());
    ASSERT_EQ(ReplaceFileContents(W("one"), Bytes("ab"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReadFile(W("one")), "ab");
    EXPECT_EQ(StatOf(W("one")).st_ino, before);
    EXPECT_EQ(Leftovers(), std::set<std::string>{"one"});
    EXPECT_EQ(ReplaceFileContents(W("new"), Bytes("x")), permErr) << "no file can be added";
}

// Failed writes, by path and by failure point: the old bytes are always what remains.
struct FailureCase {
    const char* label;
    bool folderWritable;
    size_t bytesBeforeFailure; // SIZE_MAX: the write goes through and the flush fails
};

class SafeWriteFailureTest : public SafeWriteTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SafeWriteFailureTest, FailedWriteLeavesTheOldBytes) {
    const FailureCase& c = GetParam();
    const std::string path = W("settings");
    const std::string oldText(5000, 'o');
    WriteFile(path, oldText);
    std::optional<ScopedUnwritableFolder> unwritable;
    if (!c.folderWritable)
        unwritable.emplace(work());
    {
        std::optional<ScopedWriteFailure> failure;
        std::optional<ScopedSyncFailure> syncFailure;
        if (c.bytesBeforeFailure == SIZE_MAX)
            syncFailure.emplace();
        else
            failure.emplace(c.bytesBeforeFailure);
        SafeWriteReport report;
        EXPECT_EQ(ReplaceFileContents(path, Bytes(std::string(3000, 'n')), &report), ioErr);
        EXPECT_EQ(report.wroteInPlace, !c.folderWritable);
        EXPECT_TRUE(report.backupPath.empty());
    }
    EXPECT_EQ(ReadFile(path), oldText);
    EXPECT_EQ(Leftovers(), std::set<std::string>{"settings"});
}

INSTANTIATE_TEST_SUITE_P(Paths, SafeWriteFailureTest,
                         ::testing::Values(FailureCase{"rename_at_start", true, 0},
                                           FailureCase{"rename_at_last_byte", true, 2999},
                                           FailureCase{"rename_flush", true, SIZE_MAX},
                                           FailureCase{"in_place_at_start", false, 0},
                                           FailureCase{"in_place_midway", false, 1500},
                                           FailureCase{"in_place_at_last_byte", false, 2999}),
                         [](const auto& param) { return param.param.label; });

TEST_F(SafeWriteTest, FailedRestoreIsReportedWithAPrivateBackup) {
    const std::string path = W("precious");
    WriteFile(path, "the old bytes");
    ScopedUnwritableFolder unwritable(work());
    SafeWriteReport report;
    {
        ScopedWriteFailure failure(4, /*failRestoreToo=*/true);
        EXPECT_EQ(ReplaceFileContents(path, Bytes("replacement"), &report), restoreFailedErr);
    }
    EXPECT_EQ(report.backupPath.rfind(Path("cache/orvane/backups/"), 0), 0u) << report.backupPath;
    EXPECT_EQ(ReadFile(report.backupPath), "the old bytes");
    EXPECT_EQ(StatOf(report.backupPath).st_mode & 077, 0u);
}

// The real permission check, for ordinary users (root passes every permission check).
TEST_F(SafeWriteTest, RealPermissionsChooseThePath) {
    if (RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root; the seam covers the in-place path";
    WriteFile(W("ppd"), "old");
    ASSERT_EQ(chmod(work().c_str(), 0555), 0);
    SafeWriteReport report;
    EXPECT_EQ(ReplaceFileContents(W("ppd"), Bytes("new"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReplaceFileContents(W("other"), Bytes("x")), permErr);
    ASSERT_EQ(chmod(W("ppd").c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFileContents(W("ppd"), Bytes("again")), permErr);
    ASSERT_EQ(chmod(work().c_str(), 0755), 0);
    EXPECT_EQ(ReplaceFileContents(W("ppd"), Bytes("again")), permErr) << "read-only file";
    EXPECT_EQ(ReadFile(W("ppd")), "new");
}

// What a killed in-place write leaves behind: the torn file, the complete old bytes in the
// backup folder and the journal naming the file; `journalMode` 0600 unless a test opens it.
std::string LeaveInterruptedWrite(const std::string& backups, const std::string& path,
                                  mode_t journalMode = 0600) {
    std::filesystem::create_directories(backups);
    chmod(backups.c_str(), 0700);
    const std::string backup = backups + "/" + std::filesystem::path(path).filename().string();
    std::ofstream(backup, std::ios::binary) << "the complete old text";
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    std::ofstream(backup + ".pending") << path << "\n" << st.st_dev << " " << st.st_ino << "\n";
    chmod((backup + ".pending").c_str(), journalMode);
    return backup;
}

TEST_F(SafeWriteTest, InterruptedInPlaceWriteIsPutBackOnlyOnceItsWriterIsGone) {
    WriteFile(W("torn.ppd"), "the new te");
    const std::string backup = LeaveInterruptedWrite(Path("cache/orvane/backups"), W("torn.ppd"));
    const int held = open((backup + ".pending").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(RecoverInterruptedWrites(), 0) << "a write still running is left alone";
    EXPECT_EQ(ReadFile(W("torn.ppd")), "the new te");
    close(held);

    EXPECT_EQ(RecoverInterruptedWrites(), 1);
    EXPECT_EQ(ReadFile(W("torn.ppd")), "the complete old text");
    EXPECT_FALSE(Exists(backup));
    EXPECT_FALSE(Exists(backup + ".pending"));
}

TEST_F(SafeWriteTest, RecoveryLeavesAloneWhatItCannotTrust) {
    const std::string backups = Path("cache/orvane/backups");
    // A file changed well after the interrupted write was someone else's change.
    WriteFile(W("changed.ppd"), "edited later by hand");
    const std::string backup = LeaveInterruptedWrite(backups, W("changed.ppd"));
    const struct timespec later[2] = {{time(nullptr) + 3600, 0}, {time(nullptr) + 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, W("changed.ppd").c_str(), later, 0), 0);
    RecoverInterruptedWrites();
    EXPECT_EQ(ReadFile(W("changed.ppd")), "edited later by hand");
    EXPECT_FALSE(Exists(backup + ".pending")) << "the stale journal goes";

    // Another file now stands under the name: not the one that was being written.
    WriteFile(W("replaced.ppd"), "torn");
    LeaveInterruptedWrite(backups, W("replaced.ppd"));
    WriteFile(W("new.ppd"), "a new file"); // made while the old one still exists
    std::filesystem::rename(W("new.ppd"), W("replaced.ppd"));
    RecoverInterruptedWrites();
    EXPECT_EQ(ReadFile(W("replaced.ppd")), "a new file");

    // A journal that others may write is never acted on.
    WriteFile(W("open.ppd"), "torn");
    LeaveInterruptedWrite(backups, W("open.ppd"), 0666);
    EXPECT_EQ(RecoverInterruptedWrites(), 0);
    EXPECT_EQ(ReadFile(W("open.ppd")), "torn");
}

} // namespace
} // namespace orvane
