// Resource files over sidecars: creating, reading back, writing only what was marked, failed
// writes, a Mac's sidecar, and files that cannot be opened.
#include "host/resources/ResourceManager.h"

#include "base/PStringView.h"
#include "host/files/SafeWrite.h"
#include "host/resources/ResourceFileFixture.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

const ResType kTone = MakeFourCC("Tone");
const ResType kWpos = MakeFourCC("WPOS");
const ResType kVrTn = MakeFourCC("VrTn");

Bytes HandleBytes(Handle handle) {
    return Bytes(HandleData(handle), HandleData(handle) + GetHandleSize(handle));
}

class ResourceManagerTest : public testing::ResourceFileTest {
protected:
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
};

// A created file carries its type and creator; a second creation finds a fork with
// resources and refuses.
TEST_F(ResourceManagerTest, CreatedForkIsKeptAndReadsBackInAFreshOpen) {
    const FSSpec spec = FileWithTwoResources("prefs");
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(Path("prefs"), sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileCreator(sidecar), MakeFourCC("Hvtk"));
    FSpCreateResFile(spec, 0, 0, 0);
    EXPECT_EQ(ResError(), dupFNErr);

    const int16_t ref = FSpOpenResFile(spec, fsRdPerm);
    ASSERT_GT(ref, 0);
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
    EXPECT_EQ(HandleBytes(Get1IndResource(kWpos, 1)), (Bytes{9, 8}));
    EXPECT_EQ(Get1Resource(kTone, 129), nullptr);
    EXPECT_EQ(ResError(), resNotFound);
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

    Handle extra = NewHandleWith({5});
    AddResource(extra, kTone, 128, nullptr); // the ID is taken
    EXPECT_EQ(ResError(), addResFailed);
    MyDisposeHandle(extra);
    RemoveResource(tone);
    ASSERT_EQ(ResError(), noErr);
    MyDisposeHandle(tone); // an ordinary handle again
    EXPECT_EQ(ForkOnDisk("prefs").entries.size(), 2u);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    ASSERT_EQ(ForkOnDisk("prefs").entries.size(), 1u);
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].type, kWpos);
}

TEST_F(ResourceManagerTest, FailedWritesLeaveTheOldSidecar) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const std::string before = ReadFile(SidecarPath(Path("prefs")));
    int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    AddResource(NewHandleWith(Bytes(1568, 0xAA)), kVrTn, 128, nullptr);
    {
        ScopedWriteFailure failure(100);
        UpdateResFile(ref);
        EXPECT_NE(ResError(), noErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(Path("prefs"))), before);
    CloseResFile(ref); // the change is still pending and goes out now
    ASSERT_EQ(ResError(), noErr);
    ASSERT_EQ(ForkOnDisk("prefs").entries.size(), 3u);
    EXPECT_EQ(ForkOnDisk("prefs").entries[2].data, Bytes(1568, 0xAA));

    for (const auto& entry : std::filesystem::directory_iterator(root()))
        EXPECT_EQ(entry.path().filename().string().find(".orvane-"), std::string::npos)
            << "a temporary file was left: " << entry.path();
}

TEST_F(ResourceManagerTest, SidecarFromAMacKeepsItsOtherEntriesAndFinderInfo) {
    WriteFile(Path("settings"), "*PPD-Adobe: \"4.3\"\n");
    AppleDoubleImage mac;
    AppleDoubleSetTypeAndCreator(mac, MakeFourCC("TEXT"), MakeFourCC("ttxt"));
    mac.finderInfoExtra = {0x00, 0x00, 'A', 'T', 'T', 'R'};
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

} // namespace
} // namespace orvane
