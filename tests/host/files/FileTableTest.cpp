// Open data forks by reference number: permissions, references that are not open files, and
// the shared table the resource layer registers in. (Reading, writing, the mark and the end
// of file are shown through the data-file class and the buffered reader.)
#include "host/files/FileTable.h"

#include "base/TempRoot.h"
#include "host/files/HostPaths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <set>

namespace orvane {
namespace {

class FileTableTest : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        WriteFile(Path("data"), "0123456789");
        ASSERT_EQ(HostFSSpecForPath(Path("data"), spec_), noErr);
    }
    void TearDown() override {
        for (int16_t ref : open_)
            FSClose(ref);
        TempRoot::TearDown();
    }
    int16_t Open(int8_t permission) {
        int16_t ref = 0;
        EXPECT_EQ(FSpOpenDF(spec_, permission, &ref), noErr);
        open_.push_back(ref);
        return ref;
    }
    FSSpec spec_{};
    std::vector<int16_t> open_;
};

TEST_F(FileTableTest, PermissionsAreHonoured) {
    const int16_t readOnly = Open(fsRdPerm);
    int32_t count = 3;
    EXPECT_EQ(FSWrite(readOnly, &count, "abc"), wrPermErr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SetEOF(readOnly, 2), wrPermErr);
    const int16_t writeOnly = Open(fsWrPerm);
    char buffer[4];
    count = 3;
    EXPECT_EQ(FSRead(writeOnly, &count, buffer), permErr);
    count = 3;
    EXPECT_EQ(FSWrite(writeOnly, &count, "abc"), noErr);
    EXPECT_EQ(ReadFile(Path("data")), "abc3456789");
    int16_t ref = 0;
    EXPECT_EQ(FSpOpenDF(spec_, 7, &ref), paramErr);
    EXPECT_EQ(ref, 0);

    if (testing::RunningAsRoot())
        return; // permission bits do not stop root
    ASSERT_EQ(chmod(Path("data").c_str(), 0444), 0);
    count = 1;
    EXPECT_EQ(FSWrite(Open(fsCurPerm), &count, "X"), wrPermErr) << "fsCurPerm falls back";
    EXPECT_EQ(FSpOpenDF(spec_, fsRdWrPerm, &ref), permErr);
}

TEST_F(FileTableTest, WhatIsNotAnOpenFileIsRefused) {
    int16_t ref = 7;
    FSSpec missing{}, folder{};
    ASSERT_EQ(HostFSSpecForPath(Path("missing"), missing), noErr);
    ASSERT_EQ(HostFSSpecForPath(Path("home"), folder), noErr);
    EXPECT_EQ(FSpOpenDF(missing, fsRdPerm, &ref), fnfErr);
    EXPECT_EQ(ref, 0);
    EXPECT_EQ(FSpOpenDF(folder, fsRdPerm, &ref), fnfErr);
    EXPECT_EQ(FSpOpenDF(spec_, fsRdPerm, nullptr), paramErr);

    ASSERT_EQ(FSpOpenDF(spec_, fsRdPerm, &ref), noErr);
    ASSERT_EQ(FSClose(ref), noErr);
    int32_t count = 1;
    char c;
    EXPECT_EQ(FSRead(ref, &count, &c), rfNumErr);
    EXPECT_EQ(FSClose(ref), rfNumErr);
    EXPECT_EQ(FSClose(0), rfNumErr);
    EXPECT_EQ(GetEOF(ref, &count), rfNumErr);
    EXPECT_EQ(SetFPos(ref, fsFromStart, 0), rfNumErr);
}

TEST_F(FileTableTest, DataForksAndResourceFilesShareOneTable) {
    std::set<int16_t> refs = {Open(fsRdPerm), Open(fsRdPerm)};
    const int16_t dataRef = *refs.begin();
    const int16_t resource = RegisterResourceFileRef(spec_);
    const int16_t plain = RegisterResourceFileRef(Path("data"));
    refs.insert({resource, plain});
    EXPECT_EQ(refs.size(), 4u) << "every open file has its own reference number";
    EXPECT_EQ(refs.count(0), 0u);

    FSSpec where{};
    bool dataFork = true;
    ASSERT_EQ(FileRefLocation(resource, where, dataFork), noErr);
    EXPECT_FALSE(dataFork);
    EXPECT_EQ(std::memcmp(&where, &spec_, sizeof where), 0);
    ASSERT_EQ(FileRefLocation(plain, where, dataFork), noErr);
    EXPECT_EQ(std::memcmp(&where, &spec_, sizeof where), 0);
    ASSERT_EQ(FileRefLocation(dataRef, where, dataFork), noErr);
    EXPECT_TRUE(dataFork);
    std::string path;
    ASSERT_EQ(FileRefPath(resource, path), noErr);
    EXPECT_EQ(path, Path("data"));

    // Data-fork calls refuse a resource file, and the other way round.
    int32_t count = 1;
    char c;
    EXPECT_EQ(FSRead(resource, &count, &c), rfNumErr);
    EXPECT_EQ(FSClose(resource), rfNumErr);
    EXPECT_EQ(UnregisterFileRef(dataRef), rfNumErr);
    EXPECT_EQ(UnregisterFileRef(resource), noErr);
    EXPECT_EQ(UnregisterFileRef(plain), noErr);
    EXPECT_EQ(FileRefLocation(resource, where, dataFork), rfNumErr);
}

TEST_F(FileTableTest, DescriptorsAreNotInheritedByChildPrograms) {
    Open(fsRdPerm);
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec).string() != Path("data"))
            continue;
        ++found;
        EXPECT_TRUE(fcntl(std::stoi(entry.path().filename().string()), F_GETFD) & FD_CLOEXEC);
    }
    EXPECT_EQ(found, 1);
}

} // namespace
} // namespace orvane
