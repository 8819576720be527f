// Open data forks by reference number: reading, writing, the mark and the end of file,
// with the platform's statuses; and the shared table the resource layer registers in.
#include "host/files/FileTable.h"
#include "host/files/HostTestFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <set>

namespace orvane {
namespace {

using testing::HostFolderTest;

class FileTableTest : public HostFolderTest {
protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        WriteFile(WorkPath("data"), "0123456789");
        spec_ = SpecFor(WorkPath("data"));
    }
    void TearDown() override {
        for (int16_t ref : open_)
            FSClose(ref);
        HostFolderTest::TearDown();
    }
    int16_t Open(int8_t permission) {
        int16_t ref = 0;
        EXPECT_EQ(FSpOpenDF(spec_, permission, &ref), noErr);
        EXPECT_NE(ref, 0);
        open_.push_back(ref);
        return ref;
    }
    FSSpec spec_{};
    std::vector<int16_t> open_;
};

TEST_F(FileTableTest, ReadingPastTheEndGivesEofWithTheBytesRead) {
    int16_t ref = Open(fsRdPerm);
    char buffer[32] = {};
    int32_t count = 4;
    ASSERT_EQ(FSRead(ref, &count, buffer), noErr);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    count = 20;
    EXPECT_EQ(FSRead(ref, &count, buffer), eofErr);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    count = 1;
    EXPECT_EQ(FSRead(ref, &count, buffer), eofErr);
    EXPECT_EQ(count, 0);
    count = 0;
    EXPECT_EQ(FSRead(ref, &count, buffer), noErr);
    count = -1;
    EXPECT_EQ(FSRead(ref, &count, buffer), paramErr);
}

TEST_F(FileTableTest, PermissionsAreHonoured) {
    int16_t readOnly = Open(fsRdPerm);
    int32_t count = 3;
    EXPECT_EQ(FSWrite(readOnly, &count, "abc"), wrPermErr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SetEOF(readOnly, 2), wrPermErr);

    int16_t writeOnly = Open(fsWrPerm);
    char buffer[4];
    count = 3;
    EXPECT_EQ(FSRead(writeOnly, &count, buffer), permErr);
    count = 3;
    EXPECT_EQ(FSWrite(writeOnly, &count, "abc"), noErr);
    EXPECT_EQ(ReadFile(WorkPath("data")), "abc3456789");

    int16_t current = Open(fsCurPerm);
    count = 1;
    EXPECT_EQ(FSWrite(current, &count, "X"), noErr) << "fsCurPerm gives write where allowed";

    int16_t ref = 0;
    EXPECT_EQ(FSpOpenDF(spec_, 7, &ref), paramErr);
    EXPECT_EQ(ref, 0);
}

TEST_F(FileTableTest, CurrentPermissionFallsBackToReadOnly) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    ASSERT_EQ(chmod(WorkPath("data").c_str(), 0444), 0);
    int16_t ref = Open(fsCurPerm);
    int32_t count = 1;
    EXPECT_EQ(FSWrite(ref, &count, "X"), wrPermErr);
    int16_t refused = 0;
    EXPECT_EQ(FSpOpenDF(spec_, fsRdWrPerm, &refused), permErr);
}

TEST_F(FileTableTest, WritingExtendsAndSetEofCutsAndMovesTheMark) {
    int16_t ref = Open(fsRdWrPerm);
    ASSERT_EQ(SetFPos(ref, fsFromLEOF, 0), noErr);
    int32_t count = 3;
    ASSERT_EQ(FSWrite(ref, &count, "abc"), noErr);
    int32_t eof = 0, mark = 0;
    ASSERT_EQ(GetEOF(ref, &eof), noErr);
    EXPECT_EQ(eof, 13);
    ASSERT_EQ(SetEOF(ref, 5), noErr);
    ASSERT_EQ(GetFPos(ref, &mark), noErr);
    EXPECT_EQ(mark, 5);
    EXPECT_EQ(ReadFile(WorkPath("data")), "01234");
    EXPECT_EQ(SetEOF(ref, -1), paramErr);
}

struct PositionCase {
    const char* label;
    int16_t mode;
    int32_t offset;
    OSErr expected;
    int32_t markAfter; // the mark starts at 4
};

class FileTablePositionTest : public FileTableTest,
                              public ::testing::WithParamInterface<PositionCase> {};

TEST_P(FileTablePositionTest, MovesTheMark) {
    const PositionCase& c = GetParam();
    int16_t ref = Open(fsRdPerm);
    ASSERT_EQ(SetFPos(ref, fsFromStart, 4), noErr);
    EXPECT_EQ(SetFPos(ref, c.mode, c.offset), c.expected);
    int32_t mark = -1;
    ASSERT_EQ(GetFPos(ref, &mark), noErr);
    EXPECT_EQ(mark, c.markAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FileTablePositionTest,
    ::testing::Values(PositionCase{"at_mark", fsAtMark, 7, noErr, 4},
                      PositionCase{"from_start", fsFromStart, 9, noErr, 9},
                      PositionCase{"to_the_end", fsFromStart, 10, noErr, 10},
                      PositionCase{"past_the_end", fsFromStart, 11, eofErr, 10},
                      PositionCase{"from_end", fsFromLEOF, -3, noErr, 7},
                      PositionCase{"from_mark_forward", fsFromMark, 2, noErr, 6},
                      PositionCase{"from_mark_back", fsFromMark, -4, noErr, 0},
                      PositionCase{"before_the_start", fsFromMark, -5, posErr, 4},
                      PositionCase{"unknown_mode", 9, 0, paramErr, 4}),
    [](const auto& param) { return param.param.label; });

TEST_F(FileTableTest, OpeningWhatIsNotAFileFails) {
    int16_t ref = 7;
    EXPECT_EQ(FSpOpenDF(SpecFor(WorkPath("missing")), fsRdPerm, &ref), fnfErr);
    EXPECT_EQ(ref, 0);
    MakeFolder(WorkPath("folder"));
    EXPECT_EQ(FSpOpenDF(SpecFor(WorkPath("folder")), fsRdPerm, &ref), fnfErr);
    FSSpec bad = spec_;
    bad.parID = 999999;
    EXPECT_EQ(FSpOpenDF(bad, fsRdPerm, &ref), fnfErr);
    EXPECT_EQ(FSpOpenDF(spec_, fsRdPerm, nullptr), paramErr);
}

TEST_F(FileTableTest, ClosedOrUnknownReferencesAreRefused) {
    int16_t ref = 0;
    ASSERT_EQ(FSpOpenDF(spec_, fsRdPerm, &ref), noErr);
    ASSERT_EQ(FSClose(ref), noErr);
    int32_t count = 1;
    char c;
    EXPECT_EQ(FSRead(ref, &count, &c), rfNumErr);
    EXPECT_EQ(FSClose(ref), rfNumErr);
    EXPECT_EQ(FSClose(0), rfNumErr);
    int32_t value = 0;
    EXPECT_EQ(GetEOF(ref, &value), rfNumErr);
    EXPECT_EQ(SetFPos(ref, fsFromStart, 0), rfNumErr);
}

TEST_F(FileTableTest, DataForksAndResourceFilesShareOneTable) {
    std::set<int16_t> refs;
    for (int i = 0; i < 5; ++i)
        refs.insert(Open(fsRdPerm));
    int16_t resource = RegisterResourceFileRef(spec_);
    int16_t plain = RegisterResourceFileRef(WorkPath("data"));
    ASSERT_NE(resource, 0);
    ASSERT_NE(plain, 0);
    refs.insert(resource);
    refs.insert(plain);
    EXPECT_EQ(refs.size(), 7u) << "every open file has its own reference number";
    EXPECT_EQ(refs.count(0), 0u);

    FSSpec where{};
    bool dataFork = true;
    ASSERT_EQ(FileRefLocation(resource, where, dataFork), noErr);
    EXPECT_FALSE(dataFork);
    EXPECT_EQ(std::memcmp(&where, &spec_, sizeof where), 0);
    ASSERT_EQ(FileRefLocation(plain, where, dataFork), noErr);
    EXPECT_EQ(std::memcmp(&where, &spec_, sizeof where), 0);
    ASSERT_EQ(FileRefLocation(*refs.begin(), where, dataFork), noErr);
    EXPECT_TRUE(dataFork);
    std::string path;
    ASSERT_EQ(FileRefPath(resource, path), noErr);
    EXPECT_EQ(path, WorkPath("data"));

    // Data-fork calls refuse a resource file, and the other way round.
    int32_t count = 1;
    char c;
    EXPECT_EQ(FSRead(resource, &count, &c), rfNumErr);
    EXPECT_EQ(FSClose(resource), rfNumErr);
    EXPECT_EQ(UnregisterFileRef(*refs.begin()), rfNumErr);
    EXPECT_EQ(UnregisterFileRef(resource), noErr);
    EXPECT_EQ(UnregisterFileRef(plain), noErr);
    EXPECT_EQ(FileRefLocation(resource, where, dataFork), rfNumErr);
}

TEST_F(FileTableTest, DescriptorsAreNotInheritedByChildPrograms) {
    Open(fsRdPerm);
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec).string() != WorkPath("data"))
            continue;
        ++found;
        int fd = std::stoi(entry.path().filename().string());
        EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    }
    EXPECT_EQ(found, 1);
}

} // namespace
} // namespace orvane
