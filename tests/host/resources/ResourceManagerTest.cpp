// Resource files over sidecars: creating, reading back, writing only what was marked, the
// current file, files that cannot be opened, and a data fork that is itself a resource file.
#include "host/resources/ResourceManager.h"

#include "base/PStringView.h"
#include "base/TempRoot.h"
#include "host/files/HostPaths.h"
#include "host/files/SafeWrite.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ByteCompare.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/Sidecar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

const ResType kTone = MakeFourCC("Tone");
const ResType kWpos = MakeFourCC("WPOS");
const ResType kVrTn = MakeFourCC("VrTn");

Handle NewHandleWith(const Bytes& bytes) {
    Handle handle = MyNewHandleClear(static_cast<uint32_t>(bytes.size()));
    if (handle && !bytes.empty())
        std::memcpy(handle->data, bytes.data(), bytes.size());
    return handle;
}

Bytes HandleBytes(Handle handle) {
    return Bytes(HandleData(handle), HandleData(handle) + GetHandleSize(handle));
}

class ResourceManagerTest : public testing::TempRoot {
protected:
    void TearDown() override {
        while (CurResFile() != 0) // a failing test must not leave files open for the next
            CloseResFile(CurResFile());
        TempRoot::TearDown();
    }
    FSSpec Spec(const std::string& name) const {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(Path(name), spec), noErr);
        return spec;
    }
    // A data file with an empty resource fork of type 'pref' and creator 'Hvtk'.
    FSSpec NewResFile(const std::string& name) {
        FSpCreateResFile(Spec(name), MakeFourCC("Hvtk"), MakeFourCC("pref"), 0);
        EXPECT_EQ(ResError(), noErr);
        return Spec(name);
    }
    // Adds 'Tone' 128 "Prefs" = {1, 2, 3} and 'WPOS' 1007 = {9, 8} to a new file.
    FSSpec FileWithTwoResources(const std::string& name) {
        const int16_t ref = FSpOpenResFile(NewResFile(name), fsRdWrPerm);
        EXPECT_GT(ref, 0);
        AddResource(NewHandleWith({1, 2, 3}), kTone, 128,
                    reinterpret_cast<ConstStringPtr>("\x05Prefs"));
        AddResource(NewHandleWith({9, 8}), kWpos, 1007, nullptr);
        EXPECT_EQ(ResError(), noErr);
        CloseResFile(ref);
        EXPECT_EQ(ResError(), noErr);
        return Spec(name);
    }
    ResourceForkImage ForkOnDisk(const std::string& name) const {
        AppleDoubleImage sidecar;
        EXPECT_EQ(ReadSidecar(Path(name), sidecar), noErr);
        ResourceForkImage fork;
        EXPECT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        return fork;
    }
    Bytes SidecarBytes(const std::string& name) const {
        const std::string text = ReadFile(SidecarPath(Path(name)));
        return Bytes(text.begin(), text.end());
    }
};

TEST_F(ResourceManagerTest, CreatedFileHasAnEmptyForkAndAnExistingForkIsKept) {
    NewResFile("prefs");
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(Path("prefs"), sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), MakeFourCC("pref"));
    EXPECT_EQ(AppleDoubleFileCreator(sidecar), MakeFourCC("Hvtk"));
    Bytes emptyFork;
    ASSERT_EQ(SerializeResourceFork({}, emptyFork), noErr);
    EXPECT_TRUE(test::BytesEqual(emptyFork, sidecar.resourceFork));
    EXPECT_TRUE(Exists(Path("prefs")));

    // A second creation finds the fork there (empty: allowed again; with resources: not).
    FileWithTwoResources("full");
    FSpCreateResFile(Spec("full"), 0, 0, 0);
    EXPECT_EQ(ResError(), dupFNErr);
    EXPECT_EQ(ForkOnDisk("full").entries.size(), 2u);

    // HCreateResFile gives an existing file a fork, without type or creator.
    WriteFile(Path("data"), "contents");
    const FSSpec data = Spec("data");
    HCreateResFile(data.vRefNum, data.parID, data.name);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_EQ(ReadFile(Path("data")), "contents");
    ASSERT_EQ(ReadSidecar(Path("data"), sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), 0u);
    EXPECT_TRUE(sidecar.hasResourceFork);
}

TEST_F(ResourceManagerTest, WrittenForkReadsBackInAFreshOpen) {
    const int16_t ref = FSpOpenResFile(FileWithTwoResources("prefs"), fsRdPerm);
    ASSERT_GT(ref, 0);
    EXPECT_EQ(CurResFile(), ref);
    EXPECT_EQ(Count1Resources(kTone), 1);
    Handle tone = Get1Resource(kTone, 128);
    EXPECT_EQ(HandleBytes(tone), (Bytes{1, 2, 3}));
    EXPECT_EQ(Get1Resource(kTone, 128), tone); // loaded once, same handle
    int16_t id = 0;
    ResType type = 0;
    Str255 name{};
    GetResInfo(tone, &id, &type, name);
    EXPECT_EQ(std::make_tuple(id, type, PStrToString(name)),
              std::make_tuple(int16_t{128}, kTone, std::string("Prefs")));
    EXPECT_EQ(HomeResFile(tone), ref);
    EXPECT_EQ(HandleBytes(Get1IndResource(kWpos, 1)), (Bytes{9, 8}));
    EXPECT_EQ(Get1Resource(kTone, 129), nullptr);
    EXPECT_EQ(ResError(), resNotFound);
    CloseResFile(ref);
    EXPECT_EQ(CurResFile(), 0);
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].attributes & kResChanged, 0);
}

TEST_F(ResourceManagerTest, ChangesAreWrittenOnlyWhenMarkedAndRemovalsAtClose) {
    const int16_t ref = FSpOpenResFile(FileWithTwoResources("prefs"), fsRdWrPerm);
    Handle tone = Get1Resource(kTone, 128);
    HandleData(tone)[0] = 0x42; // edited but never marked: not written
    Handle wpos = Get1Resource(kWpos, 1007);
    HandleData(wpos)[0] = 0x77;
    ChangedResource(wpos);
    WriteResource(wpos);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_EQ(ForkOnDisk("prefs").entries[1].data, (Bytes{0x77, 8}));
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].data, (Bytes{1, 2, 3}));

    RemoveResource(tone);
    ASSERT_EQ(ResError(), noErr);
    MyDisposeHandle(tone); // an ordinary handle again
    EXPECT_EQ(ForkOnDisk("prefs").entries.size(), 2u);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    ASSERT_EQ(ForkOnDisk("prefs").entries.size(), 1u);
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].type, kWpos);
}

// (The resource-file class's tests show reading-only files, releasing and detaching.)
TEST_F(ResourceManagerTest, InvalidAddsAreRefused) {
    const int16_t ref = FSpOpenResFile(FileWithTwoResources("prefs"), fsRdWrPerm);
    Handle extra = NewHandleWith({5});
    AddResource(extra, kTone, 128, nullptr); // taken
    EXPECT_EQ(ResError(), addResFailed);
    AddResource(nullptr, kTone, 1, nullptr);
    EXPECT_EQ(ResError(), addResFailed);
    AddResource(Get1Resource(kTone, 128), kTone, 2, nullptr); // already a resource
    EXPECT_EQ(ResError(), addResFailed);
    MyDisposeHandle(extra);
    CloseResFile(ref);
    EXPECT_EQ(ForkOnDisk("prefs").entries.size(), 2u);
}

TEST_F(ResourceManagerTest, FailedWritesLeaveTheOldSidecar) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const Bytes before = SidecarBytes("prefs");
    int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    AddResource(NewHandleWith(Bytes(1568, 0xAA)), kVrTn, 128, nullptr);
    {
        ScopedWriteFailure failure(100);
        UpdateResFile(ref);
        EXPECT_NE(ResError(), noErr);
    }
    EXPECT_TRUE(test::BytesEqual(before, SidecarBytes("prefs")));
    CloseResFile(ref); // the change is still pending and goes out now
    ASSERT_EQ(ResError(), noErr);
    ASSERT_EQ(ForkOnDisk("prefs").entries.size(), 3u);
    EXPECT_EQ(ForkOnDisk("prefs").entries[2].data, Bytes(1568, 0xAA));

    // A failed write at the close is reported, and the file is closed anyway.
    const Bytes after = SidecarBytes("prefs");
    ref = FSpOpenResFile(spec, fsRdWrPerm);
    AddResource(NewHandleWith({1}), kVrTn, 129, nullptr);
    {
        ScopedWriteFailure failure(0);
        CloseResFile(ref);
        EXPECT_NE(ResError(), noErr);
    }
    EXPECT_EQ(CurResFile(), 0);
    UseResFile(ref);
    EXPECT_EQ(ResError(), resFNotFound);
    EXPECT_TRUE(test::BytesEqual(after, SidecarBytes("prefs")));
    for (const auto& entry : std::filesystem::directory_iterator(root()))
        EXPECT_EQ(entry.path().filename().string().find(".orvane-"), std::string::npos)
            << "a temporary file was left: " << entry.path();
}

TEST_F(ResourceManagerTest, SidecarFromAMacKeepsItsOtherEntriesAndFinderInfo) {
    WriteFile(Path("settings"), "*PPD-Adobe: \"4.3\"\n");
    AppleDoubleImage mac;
    AppleDoubleSetTypeAndCreator(mac, MakeFourCC("TEXT"), MakeFourCC("ttxt"));
    mac.finderInfo[8] = 0x01; // Finder flags
    mac.finderInfoExtra = {0x00, 0x00, 'A', 'T', 'T', 'R', 0x00, 0x01, 0x02};
    mac.others.push_back({15, {'n', 'o', 't', 'e'}});
    mac.hasResourceFork = true;
    ASSERT_EQ(SerializeResourceFork({}, mac.resourceFork), noErr);
    ASSERT_EQ(WriteSidecar(Path("settings"), mac), noErr);

    const int16_t ref = FSpOpenResFile(Spec("settings"), fsRdWrPerm);
    AddResource(NewHandleWith({4, 5, 6}), kVrTn, 128, nullptr);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    AppleDoubleImage after;
    ASSERT_EQ(ReadSidecar(Path("settings"), after), noErr);
    after.resourceFork = mac.resourceFork;
    EXPECT_EQ(after, mac);
    EXPECT_EQ(ForkOnDisk("settings").entries.at(0).data, (Bytes{4, 5, 6}));
}

TEST_F(ResourceManagerTest, CurrentFileFollowsOpensUsesAndCloses) {
    const FSSpec a = FileWithTwoResources("a");
    const int16_t refA = FSpOpenResFile(a, fsRdPerm);
    const int16_t refB = FSpOpenResFile(NewResFile("b"), fsRdWrPerm);
    ASSERT_GT(refA, 0);
    ASSERT_GT(refB, 0);
    EXPECT_NE(refA, refB);
    EXPECT_EQ(CurResFile(), refB);
    EXPECT_EQ(Get1Resource(kTone, 128), nullptr); // only the current file is searched
    UseResFile(refA);
    EXPECT_NE(Get1Resource(kTone, 128), nullptr);
    UseResFile(12345);
    EXPECT_EQ(ResError(), resFNotFound);
    EXPECT_EQ(CurResFile(), refA);

    // Opening an open file again gives the same reference; it closes when closed as often.
    EXPECT_EQ(FSpOpenResFile(a, fsRdPerm), refA);
    CloseResFile(refA);
    UseResFile(refA);
    EXPECT_EQ(ResError(), noErr);
    CloseResFile(refA);
    EXPECT_EQ(CurResFile(), 0); // was current, and nothing was opened before it
    UseResFile(refB);
    EXPECT_EQ(ResError(), noErr);
}

TEST_F(ResourceManagerTest, FilesThatCannotBeOpenedGiveMinusOneAndTheStatus) {
    AppleDoubleImage noFork, damagedFork;
    AppleDoubleSetTypeAndCreator(noFork, 1, 2);
    damagedFork.hasResourceFork = true;
    damagedFork.resourceFork = Bytes(40, 0xFF);
    MakeFolder(Path("folder"));
    for (const char* name : {"no sidecar", "no fork", "damaged sidecar", "damaged fork"})
        WriteFile(Path(name), "x");
    WriteSidecar(Path("no fork"), noFork);
    WriteFile(SidecarPath(Path("damaged sidecar")), std::string("\0\5\26\7\1", 5));
    WriteSidecar(Path("damaged fork"), damagedFork);
    const std::pair<const char*, OSErr> cases[] = {{"missing", fnfErr},
                                                   {"folder", fnfErr},
                                                   {"no sidecar", eofErr},
                                                   {"no fork", eofErr},
                                                   {"damaged sidecar", mapReadErr},
                                                   {"damaged fork", mapReadErr}};
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(FSpOpenResFile(Spec(name), fsRdWrPerm), -1) << name;
        EXPECT_EQ(ResError(), expected) << name;
        EXPECT_EQ(CurResFile(), 0) << name;
    }
}

TEST_F(ResourceManagerTest, DataForkResourceFileIsReadAndRewrittenInPlace) {
    ResourceForkImage image;
    image.entries.push_back({MakeFourCC("STR "), 129, 0, false, "", {5, 'P', 'r', 'e', 'f', 's'}});
    Bytes bytes;
    ASSERT_EQ(SerializeResourceFork(image, bytes), noErr);
    const std::string path = Path("Orvane.rsrc");
    WriteFile(path, std::string(bytes.begin(), bytes.end()));

    const int16_t ref = OpenResFileAtPath(path, fsRdWrPerm);
    ASSERT_GT(ref, 0);
    EXPECT_EQ(GetHandleSize(Get1Resource(MakeFourCC("STR "), 129)), 6u);
    AddResource(NewHandleWith({1}), MakeFourCC("STR "), 130, nullptr);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_FALSE(Exists(SidecarPath(path)));
    const std::string written = ReadFile(path);
    ASSERT_EQ(ParseResourceFork(Bytes(written.begin(), written.end()), image), noErr);
    ASSERT_EQ(image.entries.size(), 2u);
    EXPECT_EQ(image.entries[1].id, 130);
}

} // namespace
} // namespace orvane
