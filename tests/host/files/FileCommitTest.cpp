// Replacing a PPD and its record together: whatever instant the writer dies at, the next
// recovery shows both old or both new, keeps owners and modes, and leaves nothing behind.
#include "host/files/FileCommit.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/wait.h>

namespace orvane {
namespace {

using testing::RunningAsRoot;
using Kind = ScopedFileCommitFault::Kind;

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

constexpr uid_t kNobody = 65534;

class FileCommitTest : public testing::TempRoot {
protected:
    std::string work() const { return Path("work"); }
    std::string WorkPath(const std::string& name) const { return work() + "/" + name; }
    // A PPD of nobody's (when we may give it away) with mode 0640 and, if asked, its record.
    void Prepare(bool withRecord) {
        std::filesystem::remove_all(work());
        MakeFolder(work());
        WriteFile(WorkPath("p.ppd"), "old text");
        ASSERT_EQ(chmod(WorkPath("p.ppd").c_str(), 0640), 0);
        if (RunningAsRoot()) {
            ASSERT_EQ(chown(WorkPath("p.ppd").c_str(), kNobody, 7), 0);
        }
        if (withRecord) {
            WriteFile(WorkPath("._p.ppd"), "old record");
            ASSERT_EQ(chmod(WorkPath("._p.ppd").c_str(), 0600), 0);
        }
    }
    OSErr Commit(const std::string& text, const std::string& record,
                 FileCommitReport* report = nullptr) {
        const FileReplacement files[] = {{"p.ppd", Bytes(text)}, {"._p.ppd", Bytes(record)}};
        return CommitFiles(work(), files, {}, report);
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work()))
            names.insert(entry.path().filename().string());
        return names;
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    // Both files old (the record absent if it was) or both new, with the owners and modes
    // they had (a new record: the PPD's), and nothing else in the folder.
    void ExpectOneSide(bool withRecord, bool expectNew) {
        const bool recordThere = withRecord || expectNew;
        EXPECT_EQ(ReadFile(WorkPath("p.ppd")), expectNew ? "new text" : "old text");
        EXPECT_EQ(ReadFile(WorkPath("._p.ppd")),
                  recordThere ? (expectNew ? "new record" : "old record") : "");
        const std::set<std::string> names{"p.ppd", "._p.ppd"};
        EXPECT_EQ(Names(), recordThere ? names : std::set<std::string>{"p.ppd"});
        const struct stat ppd = Stat(WorkPath("p.ppd"));
        EXPECT_EQ(ppd.st_mode & 07777, 0640u);
        EXPECT_EQ(ppd.st_uid, RunningAsRoot() ? kNobody : geteuid());
        if (recordThere) {
            const struct stat record = Stat(WorkPath("._p.ppd"));
            EXPECT_EQ(record.st_mode & 07777, withRecord ? 0600u : 0640u);
            EXPECT_EQ(record.st_uid, withRecord ? geteuid() : ppd.st_uid);
            EXPECT_EQ(record.st_gid, withRecord ? getegid() : ppd.st_gid);
        }
    }
    int StepsOfOneCommit(bool withRecord) {
        Prepare(withRecord);
        ScopedFileCommitFault counter(0);
        EXPECT_EQ(Commit("new text", "new record"), noErr);
        return counter.StepsCounted();
    }
};

// Every step of a two-file commit, failed or killed; after a kill, the recovery is killed at
// each of its own steps in turn before one runs through. A failed commit ends on the side it
// reported; a killed one on the new side exactly when its commit line was written (the last
// six steps are: flush of the commit line, two renames, flush, journal removal, flush).
TEST_F(FileCommitTest, EveryInterruptionEndsOnTheSideTheCommitReached) {
    for (const bool withRecord : {true, false}) {
        const int steps = StepsOfOneCommit(withRecord);
        EXPECT_GE(steps, 14);
        for (const Kind kind : {Kind::Fail, Kind::Kill}) {
            for (int step = 1; step <= steps; ++step) {
                SCOPED_TRACE(::testing::Message() << "record " << withRecord << " kind "
                                                  << int(kind) << " step " << step);
                Prepare(withRecord);
                FileCommitReport report;
                {
                    ScopedFileCommitFault fault(step, kind);
                    EXPECT_EQ(Commit("new text", "new record", &report), ioErr);
                    ASSERT_TRUE(fault.Fired());
                }
                for (int again = 1; kind == Kind::Kill; ++again) {
                    ScopedFileCommitFault fault(again, Kind::Kill);
                    (void)RecoverFileCommits(work()); // may be killed itself
                    if (!fault.Fired())
                        break;
                }
                FileCommitRecovery recovery;
                EXPECT_EQ(RecoverFileCommits(work(), &recovery), noErr);
                EXPECT_TRUE(recovery.pending.empty());
                EXPECT_EQ(report.committed, step >= steps - 4);
                ExpectOneSide(withRecord,
                              kind == Kind::Fail ? report.committed : step >= steps - 5);
            }
        }
    }
}

// Two processes counting up in one file pair, each reading and writing under the folder's
// lock: no increment is lost and the pair never disagrees.
TEST_F(FileCommitTest, WritersOfOneFolderTakeTurns) {
    Prepare(false);
    WriteFile(WorkPath("count"), "0");
    constexpr int kEach = 25;
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < kEach; ++i) {
                FolderLock lock;
                if (lock.Lock(work()) != noErr)
                    _exit(1);
                const std::string next = std::to_string(std::stoi(ReadFile(WorkPath("count"))) + 1);
                const FileReplacement files[] = {{"count", Bytes(next)}, {"._count", Bytes(next)}};
                if (CommitFilesIn(lock, files) != noErr)
                    _exit(2);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(ReadFile(WorkPath("count")), std::to_string(2 * kEach));
    EXPECT_EQ(ReadFile(WorkPath("._count")), std::to_string(2 * kEach));

    FolderLock held;
    ASSERT_EQ(held.Lock(work()), noErr);
    FolderLock waiting;
    EXPECT_EQ(waiting.Lock(work(), 30), fBsyErr);
}

// Recovery removes only its own leftovers (exact pattern, this user's, regular files) and
// believes only a journal that is a private file of this user or root.
TEST_F(FileCommitTest, RecoveryTouchesOnlyWhatIsProvablyItsOwn) {
    Prepare(true);
    const std::string ours = ".p.ppd.orvane-new-AbC123";
    const std::string torn = ".p.ppd.orvane-commit-Zz9Zz9";
    const std::vector<std::string> foreign = {".p.ppd.orvane-new-AbC12", "p.ppd.orvane-new-AbC123",
                                              ".p.ppd.orvane-new-AbC12$", ".p.ppd.orvane-new",
                                              ".p.ppd.orvane-commit-Zz9Zz"};
    for (const std::string& name : foreign)
        WriteFile(WorkPath(name), "keep");
    WriteFile(WorkPath(ours), "leftover");
    WriteFile(WorkPath(torn), "orvane-commit 1\n1\n");
    ASSERT_EQ(chmod(WorkPath(torn).c_str(), 0644), 0);
    ASSERT_EQ(symlink("p.ppd", WorkPath(".q.orvane-new-ZZZZZZ").c_str()), 0);
    if (RunningAsRoot()) {
        WriteFile(WorkPath(".x.orvane-new-Nobody"), "someone else's");
        ASSERT_EQ(chown(WorkPath(".x.orvane-new-Nobody").c_str(), kNobody, kNobody), 0);
    }
    FileCommitRecovery recovery;
    ASSERT_EQ(RecoverFileCommits(work(), &recovery), noErr);
    EXPECT_EQ(std::set<std::string>(recovery.removed.begin(), recovery.removed.end()),
              (std::set<std::string>{ours, torn}));
    EXPECT_TRUE(recovery.completed.empty());
    for (const std::string& name : foreign)
        EXPECT_TRUE(Exists(WorkPath(name))) << name;
    EXPECT_TRUE(Exists(WorkPath(".q.orvane-new-ZZZZZZ")));
    EXPECT_EQ(Exists(WorkPath(".x.orvane-new-Nobody")), RunningAsRoot());

    // A complete journal left by a kill before the first rename, then made someone else's
    // or writable by others: not believed, so the old pair stays and the staged files go.
    const int steps = StepsOfOneCommit(true);
    for (const int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        Prepare(true);
        FileCommitReport report;
        {
            ScopedFileCommitFault fault(steps - 4, Kind::Kill); // the first rename
            ASSERT_EQ(Commit("new text", "new record", &report), ioErr);
        }
        ASSERT_TRUE(report.committed);
        std::string journal;
        for (const std::string& name : Names())
            if (name.find(".orvane-commit-") != std::string::npos)
                journal = WorkPath(name);
        ASSERT_FALSE(journal.empty());
        if (variant == 0 && !RunningAsRoot())
            continue;
        ASSERT_EQ(variant == 0 ? chown(journal.c_str(), kNobody, kNobody)
                               : chmod(journal.c_str(), variant == 1 ? 0664 : 0646),
                  0);
        ASSERT_EQ(RecoverFileCommits(work(), &recovery), noErr);
        EXPECT_TRUE(recovery.completed.empty());
        EXPECT_EQ(ReadFile(WorkPath("p.ppd")), "old text");
        EXPECT_EQ(ReadFile(WorkPath("._p.ppd")), "old record");
        EXPECT_TRUE(Exists(journal)) << "a journal not believed is not removed either";
    }
}

// What a commit refuses before it writes anything, and the mode it never grants.
TEST_F(FileCommitTest, RefusesBadTargetsAndNeverLeavesFilesWritableByOthers) {
    Prepare(false);
    MakeFolder(WorkPath("folder"));
    ASSERT_EQ(symlink("p.ppd", WorkPath("link.ppd").c_str()), 0);
    const std::string bytes = "x";
    const struct {
        std::vector<std::string> names;
        OSErr expected;
    } cases[] = {{{"link.ppd"}, permErr},
                 {{"p.ppd", "folder"}, permErr},
                 {{"a/b"}, bdNamErr},
                 {{".."}, bdNamErr},
                 {{".p.ppd.orvane-new-AbC123"}, bdNamErr},
                 {{"p.ppd", "p.ppd"}, paramErr},
                 {{}, paramErr},
                 {{"a", "b", "c", "d", "e"}, paramErr}};
    for (const auto& c : cases) {
        std::vector<FileReplacement> files;
        for (const std::string& name : c.names)
            files.push_back({name, Bytes(bytes)});
        EXPECT_EQ(CommitFiles(work(), files), c.expected) << ::testing::PrintToString(c.names);
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"p.ppd", "folder", "link.ppd"}));
    EXPECT_EQ(ReadFile(WorkPath("p.ppd")), "old text");

    ASSERT_EQ(chmod(WorkPath("p.ppd").c_str(), 06666), 0);
    ASSERT_EQ(Commit("new text", "new record"), noErr);
    EXPECT_EQ(Stat(WorkPath("p.ppd")).st_mode & 07777, 0664u);
    EXPECT_EQ(Stat(WorkPath("._p.ppd")).st_mode & 07777, 0664u);
}

} // namespace
} // namespace orvane
