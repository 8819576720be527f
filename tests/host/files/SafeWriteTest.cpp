// Whole-file replacement: by rename where the folder allows it, in place under a backup
// where only the file is writable, and never a half-written file.
#include "host/files/SafeWrite.h"
#include "host/files/HostTestFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>

namespace orvane {
namespace {

using testing::HostFolderTest;

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class SafeWriteTest : public HostFolderTest {
protected:
    // Names in the work folder other than the given ones (leftover temporary files).
    std::vector<std::string> Strays(std::initializer_list<std::string> expected) const {
        std::vector<std::string> strays;
        for (const auto& entry : std::filesystem::directory_iterator(work())) {
            std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                strays.push_back(name);
        }
        return strays;
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> found;
        std::error_code ec;
        for (const auto& entry :
             std::filesystem::directory_iterator(root() + "/cache/orvane/backups", ec))
            found.push_back(entry.path().string());
        return found;
    }
    static struct stat StatOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0);
        return st;
    }
};

TEST_F(SafeWriteTest, ReplacesByRenameKeepingModeAndLeavingNoTemporaryFile) {
    const std::string path = WorkPath("printer.ppd");
    WriteFile(path, "old contents that are longer");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ino_t before = StatOf(path).st_ino;

    SafeWriteReport report;
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new"), &report), noErr);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(path).st_ino, before) << "expected a replacement by rename";
    EXPECT_FALSE(report.wroteInPlace);
    EXPECT_TRUE(report.backupPath.empty());
    EXPECT_TRUE(Strays({"printer.ppd"}).empty());
}

TEST_F(SafeWriteTest, KeepsOwnerAndGroup) {
    if (!testing::RunningAsRoot())
        GTEST_SKIP() << "only root can give a file to another owner";
    const std::string path = WorkPath("owned");
    WriteFile(path, "old");
    ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new")), noErr);
    EXPECT_EQ(StatOf(path).st_uid, 4321u);
    EXPECT_EQ(StatOf(path).st_gid, 8765u);
    EXPECT_EQ(ReadFile(path), "new");
}

TEST_F(SafeWriteTest, CreatesAMissingFileWithTheUsualMode) {
    mode_t old = umask(022);
    ASSERT_EQ(ReplaceFileContents(WorkPath("fresh"), Bytes("abc")), noErr);
    umask(old);
    EXPECT_EQ(ReadFile(WorkPath("fresh")), "abc");
    EXPECT_EQ(StatOf(WorkPath("fresh")).st_mode & 07777, 0644u);
    EXPECT_EQ(ReplaceFileContents(WorkPath("no/such/folder/file"), Bytes("x")), fnfErr);
    EXPECT_EQ(ReplaceFileContents("", Bytes("x")), paramErr);
}

TEST_F(SafeWriteTest, EmptyContentsGiveAnEmptyFile) {
    WriteFile(WorkPath("f"), "something");
    ASSERT_EQ(ReplaceFileContents(WorkPath("f"), {}), noErr);
    EXPECT_EQ(ReadFile(WorkPath("f")), "");
}

TEST_F(SafeWriteTest, FolderInTheWayIsRefused) {
    MakeFolder(WorkPath("dir"));
    EXPECT_EQ(ReplaceFileContents(WorkPath("dir"), Bytes("x")), dupFNErr);
    EXPECT_TRUE(std::filesystem::is_directory(WorkPath("dir")));
}

TEST_F(SafeWriteTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
    MakeFolder(WorkPath("real"));
    WriteFile(WorkPath("real/target"), "old");
    ASSERT_EQ(symlink("real/target", WorkPath("link").c_str()), 0);
    ASSERT_EQ(ReplaceFileContents(WorkPath("link"), Bytes("new")), noErr);
    EXPECT_TRUE(std::filesystem::is_symlink(WorkPath("link")));
    EXPECT_EQ(ReadFile(WorkPath("real/target")), "new");
}

TEST_F(SafeWriteTest, HardLinkedFileIsRewrittenInPlaceSoBothNamesSeeIt) {
    WriteFile(WorkPath("one"), "old");
    ASSERT_EQ(link(WorkPath("one").c_str(), WorkPath("two").c_str()), 0);
    SafeWriteReport report;
    ASSERT_EQ(ReplaceFileContents(WorkPath("one"), Bytes("new"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReadFile(WorkPath("two")), "new");
    EXPECT_TRUE(Backups().empty()) << "the backup goes once the write succeeded";
}

// Failed writes, by path and by failure point: the old bytes are always what remains.
struct FailureCase {
    const char* label;
    bool folderWritable;
    size_t bytesBeforeFailure;
};

class SafeWriteFailureTest : public SafeWriteTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SafeWriteFailureTest, FailedWriteLeavesTheOldBytes) {
    const FailureCase& c = GetParam();
    const std::string path = WorkPath("settings");
    const std::string oldText(5000, 'o');
    WriteFile(path, oldText);
    std::optional<ScopedUnwritableFolder> unwritable;
    if (!c.folderWritable)
        unwritable.emplace(work());
    {
        ScopedWriteFailure failure(c.bytesBeforeFailure);
        SafeWriteReport report;
        EXPECT_EQ(ReplaceFileContents(path, Bytes(std::string(3000, 'n')), &report), ioErr);
        EXPECT_EQ(report.wroteInPlace, !c.folderWritable);
        EXPECT_TRUE(report.backupPath.empty());
    }
    EXPECT_EQ(ReadFile(path), oldText);
    EXPECT_TRUE(Strays({"settings"}).empty());
    EXPECT_TRUE(Backups().empty());
    // The seam is gone with its scope.
    ASSERT_EQ(ReplaceFileContents(path, Bytes("after")), noErr);
    EXPECT_EQ(ReadFile(path), "after");
}

INSTANTIATE_TEST_SUITE_P(Paths, SafeWriteFailureTest,
                         ::testing::Values(FailureCase{"rename_at_start", true, 0},
                                           FailureCase{"rename_midway", true, 1500},
                                           FailureCase{"rename_at_last_byte", true, 2999},
                                           FailureCase{"in_place_at_start", false, 0},
                                           FailureCase{"in_place_midway", false, 1500},
                                           FailureCase{"in_place_at_last_byte", false, 2999}),
                         [](const auto& param) { return param.param.label; });

TEST_F(SafeWriteTest, FailureBudgetCountsAcrossWrites) {
    WriteFile(WorkPath("a"), "old a");
    WriteFile(WorkPath("b"), "old b");
    ScopedWriteFailure failure(6);
    EXPECT_EQ(ReplaceFileContents(WorkPath("a"), Bytes("new a")), noErr);
    EXPECT_EQ(ReplaceFileContents(WorkPath("b"), Bytes("new b")), ioErr);
    EXPECT_EQ(ReadFile(WorkPath("a")), "new a");
    EXPECT_EQ(ReadFile(WorkPath("b")), "old b");
    // The failure happens once: a caller's recovery write goes through.
    EXPECT_EQ(ReplaceFileContents(WorkPath("a"), Bytes("old a")), noErr);
    EXPECT_EQ(ReadFile(WorkPath("a")), "old a");
}

TEST_F(SafeWriteTest, InPlaceWriteKeepsTheFileItself) {
    const std::string path = WorkPath("shared.ppd");
    WriteFile(path, "old contents, longer than the new ones");
    ino_t before = StatOf(path).st_ino;
    ScopedUnwritableFolder unwritable(work());
    SafeWriteReport report;
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(StatOf(path).st_ino, before);
    EXPECT_TRUE(Strays({"shared.ppd"}).empty());
    EXPECT_TRUE(Backups().empty());
}

TEST_F(SafeWriteTest, UnwritableFolderCannotGainAFile) {
    ScopedUnwritableFolder unwritable(work());
    EXPECT_EQ(ReplaceFileContents(WorkPath("new"), Bytes("x")), permErr);
    EXPECT_FALSE(Exists(WorkPath("new")));
}

TEST_F(SafeWriteTest, FailedRestoreIsReportedWithTheBackup) {
    const std::string path = WorkPath("precious");
    WriteFile(path, "the old bytes");
    ScopedUnwritableFolder unwritable(work());
    SafeWriteReport report;
    {
        ScopedWriteFailure failure(4, /*failRestoreToo=*/true);
        EXPECT_EQ(ReplaceFileContents(path, Bytes("replacement"), &report), restoreFailedErr);
    }
    ASSERT_FALSE(report.backupPath.empty());
    EXPECT_EQ(report.backupPath.rfind(root() + "/cache/orvane/backups/", 0), 0u)
        << report.backupPath;
    EXPECT_EQ(ReadFile(report.backupPath), "the old bytes");
    EXPECT_EQ(StatOf(report.backupPath).st_mode & 077, 0u) << "backups are private";
}

// The real permission check, for ordinary users (root passes every permission check).
TEST_F(SafeWriteTest, RealReadOnlyFolderTakesTheInPlacePath) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root; the seam covers this path";
    const std::string path = WorkPath("ppd");
    WriteFile(path, "old");
    ASSERT_EQ(chmod(work().c_str(), 0555), 0);
    SafeWriteReport report;
    EXPECT_EQ(ReplaceFileContents(path, Bytes("new"), &report), noErr);
    EXPECT_TRUE(report.wroteInPlace);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(ReplaceFileContents(WorkPath("other"), Bytes("x")), permErr);

    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFileContents(path, Bytes("again")), permErr);
    EXPECT_EQ(ReadFile(path), "new");
}

TEST_F(SafeWriteTest, ReadOnlyFileInWritableFolderStaysProtected) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    WriteFile(WorkPath("locked"), "old");
    ASSERT_EQ(chmod(WorkPath("locked").c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFileContents(WorkPath("locked"), Bytes("new")), permErr);
    EXPECT_EQ(ReadFile(WorkPath("locked")), "old");
}

} // namespace
namespace {

// What a killed in-place write leaves behind: the torn file, the complete old bytes in the
// backup folder and the journal naming the file.
std::string LeaveInterruptedWrite(const std::string& root, const std::string& path,
                                  const std::string& oldBytes) {
    const std::string backups = root + "/cache/orvane/backups";
    std::filesystem::create_directories(backups);
    chmod(backups.c_str(), 0700);
    const std::string backup =
        backups + "/" + std::filesystem::path(path).filename().string() + ".AbCdEf";
    std::ofstream(backup, std::ios::binary) << oldBytes;
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    std::ofstream(backup + ".pending", std::ios::binary) << path << "\n"
                                                         << st.st_dev << " " << st.st_ino << "\n";
    return backup;
}

} // namespace

TEST_F(SafeWriteTest, InterruptedInPlaceWriteIsPutBackOnlyOnceItsWriterIsGone) {
    const std::string path = WorkPath("torn.ppd");
    WriteFile(path, "the new te");
    const std::string backup = LeaveInterruptedWrite(root(), path, "the complete old text");

    // While a writer holds the journal, its write is running: nothing is touched.
    const int held = open((backup + ".pending").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(RecoverInterruptedWrites(), 0);
    EXPECT_EQ(ReadFile(path), "the new te");
    close(held);

    EXPECT_EQ(RecoverInterruptedWrites(), 1);
    EXPECT_EQ(ReadFile(path), "the complete old text");
    EXPECT_FALSE(std::filesystem::exists(backup));
    EXPECT_FALSE(std::filesystem::exists(backup + ".pending"));
    EXPECT_EQ(RecoverInterruptedWrites(), 0);
}

TEST_F(SafeWriteTest, RecoveryLeavesAloneWhatItCannotTrust) {
    // A file changed well after the interrupted write was someone else's change.
    const std::string changed = WorkPath("changed.ppd");
    WriteFile(changed, "edited later by hand");
    const std::string backup = LeaveInterruptedWrite(root(), changed, "old");
    const struct timespec later[2] = {{time(nullptr) + 3600, 0}, {time(nullptr) + 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, changed.c_str(), later, 0), 0);
    RecoverInterruptedWrites();
    EXPECT_EQ(ReadFile(changed), "edited later by hand");
    EXPECT_FALSE(std::filesystem::exists(backup + ".pending")) << "the stale journal goes";

    // Another file now stands under the name: not the one that was being written.
    const std::string replaced = WorkPath("replaced.ppd");
    WriteFile(replaced, "torn");
    LeaveInterruptedWrite(root(), replaced, "old");
    WriteFile(WorkPath("new.ppd"), "a new file"); // made while the old one still exists
    std::filesystem::rename(WorkPath("new.ppd"), replaced);
    RecoverInterruptedWrites();
    EXPECT_EQ(ReadFile(replaced), "a new file");

    // A journal that others may write is never acted on.
    const std::string open = WorkPath("open.ppd");
    WriteFile(open, "torn");
    const std::string openBackup = LeaveInterruptedWrite(root(), open, "old");
    chmod((openBackup + ".pending").c_str(), 0666);
    EXPECT_EQ(RecoverInterruptedWrites(), 0);
    EXPECT_EQ(ReadFile(open), "torn");
}

} // namespace orvane
