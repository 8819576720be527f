// Whole-file replacement: by rename, keeping what the old file was, and never a
// half-written file.
#include "host/files/SafeWrite.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

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
    // Names in the work folder: what a write leaves behind.
    std::set<std::string> Leftovers() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work()))
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
    ASSERT_EQ(ReplaceFileContents(path, Bytes("new")), noErr);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(path).st_ino, before) << "expected a replacement by rename";
    if (RunningAsRoot()) {
        EXPECT_EQ(std::make_pair(StatOf(path).st_uid, StatOf(path).st_gid),
                  std::make_pair(uid_t{4321}, gid_t{8765}));
    }
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

// Failed writes, by failure point: the old bytes are always what remains.
struct FailureCase {
    const char* label;
    size_t bytesBeforeFailure; // SIZE_MAX: the write goes through and the flush fails
};

class SafeWriteFailureTest : public SafeWriteTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SafeWriteFailureTest, FailedWriteLeavesTheOldBytes) {
    const FailureCase& c = GetParam();
    const std::string path = W("settings");
    const std::string oldText(5000, 'o');
    WriteFile(path, oldText);
    {
        std::optional<ScopedWriteFailure> failure;
        std::optional<ScopedSyncFailure> syncFailure;
        if (c.bytesBeforeFailure == SIZE_MAX)
            syncFailure.emplace();
        else
            failure.emplace(c.bytesBeforeFailure);
        EXPECT_EQ(ReplaceFileContents(path, Bytes(std::string(3000, 'n'))), ioErr);
    }
    EXPECT_EQ(ReadFile(path), oldText);
    EXPECT_EQ(Leftovers(), std::set<std::string>{"settings"});
}

INSTANTIATE_TEST_SUITE_P(Paths, SafeWriteFailureTest,
                         ::testing::Values(FailureCase{"at_start", 0},
                                           FailureCase{"at_last_byte", 2999},
                                           FailureCase{"at_flush", SIZE_MAX}),
                         [](const auto& param) { return param.param.label; });

// A file the user may write in a folder the user may not is left alone: rewriting it in
// place could be seen torn by the printing system. Root passes every permission check.
TEST_F(SafeWriteTest, AFolderThatCannotBeWrittenIsNeverWrittenIntoInPlace) {
    if (RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    WriteFile(W("ppd"), "old");
    ASSERT_EQ(chmod(work().c_str(), 0555), 0);
    EXPECT_EQ(ReplaceFileContents(W("ppd"), Bytes("new")), permErr);
    EXPECT_EQ(ReplaceFileContents(W("other"), Bytes("x")), permErr);
    ASSERT_EQ(chmod(work().c_str(), 0755), 0);
    ASSERT_EQ(chmod(W("ppd").c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFileContents(W("ppd"), Bytes("again")), permErr) << "read-only file";
    EXPECT_EQ(ReadFile(W("ppd")), "old");
}

} // namespace
} // namespace orvane
