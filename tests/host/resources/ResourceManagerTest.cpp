#include "host/resources/ResourceManager.h"

#include "host/resources/ByteCompare.h"
#include "host/files/HostTestFolder.h"
#include "host/files/FileTable.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ResourceForkFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

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

class ResourceManagerTest : public testing::HostFolderTest {
protected:
    void TearDown() override {
        // A failing test must not leave files open for the next one.
        while (CurResFile() != 0)
            CloseResFile(CurResFile());
        HostFolderTest::TearDown();
    }

    // A data file with an empty resource fork and the given type and creator.
    FSSpec NewResFile(const std::string& name, OSType type = MakeFourCC("pref"),
                      OSType creator = MakeFourCC("Hvtk")) {
        const FSSpec spec = SpecFor(WorkPath(name));
        FSpCreateResFile(spec, creator, type, 0);
        EXPECT_EQ(ResError(), noErr);
        return spec;
    }

    ResourceForkImage ForkOnDisk(const std::string& name) {
        AppleDoubleImage sidecar;
        EXPECT_EQ(ReadSidecar(WorkPath(name), sidecar), noErr);
        ResourceForkImage fork;
        EXPECT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        return fork;
    }

    Bytes SidecarBytes(const std::string& name) {
        const std::string text = ReadFile(SidecarPath(WorkPath(name)));
        return Bytes(text.begin(), text.end());
    }

    // Adds 'Tone' 128 "Prefs" and 'WPOS' 1007 to a new file and closes it.
    FSSpec FileWithTwoResources(const std::string& name) {
        const FSSpec spec = NewResFile(name);
        const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
        EXPECT_GT(ref, 0);
        AddResource(NewHandleWith({1, 2, 3}), kTone, 128,
                    reinterpret_cast<ConstStringPtr>("\x05Prefs"));
        EXPECT_EQ(ResError(), noErr);
        AddResource(NewHandleWith({9, 8}), kWpos, 1007, nullptr);
        EXPECT_EQ(ResError(), noErr);
        CloseResFile(ref);
        EXPECT_EQ(ResError(), noErr);
        return spec;
    }
};

TEST_F(ResourceManagerTest, CreatedFileHasAnEmptyForkAndItsTypeAndCreator) {
    NewResFile("prefs");
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(WorkPath("prefs"), sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), MakeFourCC("pref"));
    EXPECT_EQ(AppleDoubleFileCreator(sidecar), MakeFourCC("Hvtk"));
    Bytes emptyFork;
    ASSERT_EQ(SerializeResourceFork({}, emptyFork), noErr);
    EXPECT_TRUE(test::BytesEqual(emptyFork, sidecar.resourceFork));
    EXPECT_TRUE(Exists(WorkPath("prefs")));

    // A second creation finds the fork there (empty: allowed again; with resources: not).
    FileWithTwoResources("full");
    FSpCreateResFile(SpecFor(WorkPath("full")), 0, 0, 0);
    EXPECT_EQ(ResError(), dupFNErr);
    EXPECT_EQ(ForkOnDisk("full").entries.size(), 2u);
}

TEST_F(ResourceManagerTest, HCreateResFileGivesAnExistingFileAForkWithoutTypeOrCreator) {
    WriteFile(WorkPath("data"), "contents");
    const FSSpec spec = SpecFor(WorkPath("data"));
    HCreateResFile(spec.vRefNum, spec.parID, spec.name);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_EQ(ReadFile(WorkPath("data")), "contents");
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(WorkPath("data"), sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), 0u);
    EXPECT_TRUE(sidecar.hasResourceFork);
}

TEST_F(ResourceManagerTest, WrittenForkReadsBackInAFreshOpen) {
    const FSSpec spec = FileWithTwoResources("prefs");

    const int16_t ref = FSpOpenResFile(spec, fsRdPerm);
    ASSERT_GT(ref, 0);
    EXPECT_EQ(CurResFile(), ref);
    EXPECT_EQ(Count1Resources(kTone), 1);
    Handle tone = Get1Resource(kTone, 128);
    ASSERT_NE(tone, nullptr);
    EXPECT_EQ(HandleBytes(tone), (Bytes{1, 2, 3}));
    EXPECT_EQ(Get1Resource(kTone, 128), tone); // loaded once, same handle
    int16_t id = 0;
    ResType type = 0;
    Str255 name{};
    GetResInfo(tone, &id, &type, name);
    EXPECT_EQ(id, 128);
    EXPECT_EQ(type, kTone);
    EXPECT_EQ(PStrToString(name), "Prefs");
    EXPECT_EQ(HomeResFile(tone), ref);
    EXPECT_EQ(HandleBytes(Get1IndResource(kWpos, 1)), (Bytes{9, 8}));
    EXPECT_EQ(Get1Resource(kTone, 129), nullptr);
    EXPECT_EQ(ResError(), resNotFound);
    CloseResFile(ref);
    EXPECT_EQ(CurResFile(), 0);

    const ResourceForkImage fork = ForkOnDisk("prefs");
    ASSERT_EQ(fork.entries.size(), 2u);
    EXPECT_EQ(fork.entries[0].attributes & kResChanged, 0);
}

TEST_F(ResourceManagerTest, ChangesAreWrittenOnlyWhenMarkedAndRemovalsAtClose) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    ASSERT_GT(ref, 0);

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
    const ResourceForkImage fork = ForkOnDisk("prefs");
    ASSERT_EQ(fork.entries.size(), 1u);
    EXPECT_EQ(fork.entries[0].type, kWpos);
}

TEST_F(ResourceManagerTest, ReleasedChangeIsStillWrittenAndDetachedHandleIsTheCallers) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    Handle tone = Get1Resource(kTone, 128);
    HandleData(tone)[2] = 0x33;
    ChangedResource(tone);
    ReleaseResource(tone);
    ASSERT_EQ(ResError(), noErr);

    Handle wpos = Get1Resource(kWpos, 1007);
    DetachResource(wpos);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_EQ(HomeResFile(wpos), -1);
    CloseResFile(ref);
    EXPECT_EQ(HandleBytes(wpos), (Bytes{9, 8})); // outlives the file
    MyDisposeHandle(wpos);

    EXPECT_EQ(ForkOnDisk("prefs").entries[0].data, (Bytes{1, 2, 0x33}));
}

TEST_F(ResourceManagerTest, ReadOnlyFileRefusesWrites) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const Bytes before = SidecarBytes("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdPerm);
    ASSERT_GT(ref, 0);

    Handle extra = NewHandleWith({5});
    AddResource(extra, kVrTn, 128, nullptr);
    EXPECT_EQ(ResError(), wrPermErr);
    MyDisposeHandle(extra);
    Handle tone = Get1Resource(kTone, 128);
    ChangedResource(tone);
    EXPECT_EQ(ResError(), wrPermErr);
    RemoveResource(tone);
    EXPECT_EQ(ResError(), wrPermErr);
    CloseResFile(ref);
    EXPECT_EQ(ResError(), noErr);
    EXPECT_TRUE(test::BytesEqual(before, SidecarBytes("prefs")));
}

TEST_F(ResourceManagerTest, WriteAccessIsRefusedWhenTheSidecarIsReadOnly) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    const FSSpec spec = FileWithTwoResources("prefs");
    chmod(SidecarPath(WorkPath("prefs")).c_str(), 0444);
    EXPECT_EQ(FSpOpenResFile(spec, fsRdWrPerm), -1);
    EXPECT_EQ(ResError(), permErr);
    const int16_t ref = FSpOpenResFile(spec, fsCurPerm); // falls back to reading
    ASSERT_GT(ref, 0);
    AddResource(NewHandleWith({1}), kVrTn, 1, nullptr);
    EXPECT_EQ(ResError(), wrPermErr);
    CloseResFile(ref);
}

TEST_F(ResourceManagerTest, SidecarIsReplacedWholeAndAFailedWriteLeavesTheOldOne) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const Bytes before = SidecarBytes("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    Handle vrtn = NewHandleWith(Bytes(1568, 0xAA));
    AddResource(vrtn, kVrTn, 128, nullptr);
    {
        ScopedWriteFailure failure(100);
        UpdateResFile(ref);
        EXPECT_NE(ResError(), noErr);
    }
    EXPECT_TRUE(test::BytesEqual(before, SidecarBytes("prefs")));

    // The change is still pending and goes out with the next write.
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    const ResourceForkImage fork = ForkOnDisk("prefs");
    ASSERT_EQ(fork.entries.size(), 3u);
    EXPECT_EQ(fork.entries[2].data, Bytes(1568, 0xAA));

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(work()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"prefs", "._prefs"})); // no temporary left
}

TEST_F(ResourceManagerTest, FailedWriteAtCloseIsReportedAndTheFileIsClosedAnyway) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const Bytes before = SidecarBytes("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    AddResource(NewHandleWith({1}), kVrTn, 128, nullptr);
    {
        ScopedWriteFailure failure(0);
        CloseResFile(ref);
        EXPECT_NE(ResError(), noErr);
    }
    EXPECT_EQ(CurResFile(), 0);
    UseResFile(ref);
    EXPECT_EQ(ResError(), resFNotFound);
    EXPECT_TRUE(test::BytesEqual(before, SidecarBytes("prefs")));
}

TEST_F(ResourceManagerTest, SidecarFromAMacKeepsItsOtherEntriesAndFinderInfo) {
    WriteFile(WorkPath("settings"), "*PPD-Adobe: \"4.3\"\n");
    AppleDoubleImage mac;
    AppleDoubleSetTypeAndCreator(mac, MakeFourCC("TEXT"), MakeFourCC("ttxt"));
    mac.finderInfo[8] = 0x01; // Finder flags
    mac.finderInfoExtra = {0x00, 0x00, 'A', 'T', 'T', 'R', 0x00, 0x01, 0x02};
    mac.others.push_back({15, {'n', 'o', 't', 'e'}});
    mac.hasResourceFork = true;
    ASSERT_EQ(SerializeResourceFork({}, mac.resourceFork), noErr);
    ASSERT_EQ(WriteSidecar(WorkPath("settings"), mac), noErr);

    const int16_t ref = FSpOpenResFile(SpecFor(WorkPath("settings")), fsRdWrPerm);
    ASSERT_GT(ref, 0);
    AddResource(NewHandleWith({4, 5, 6}), kVrTn, 128, nullptr);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);

    AppleDoubleImage after;
    ASSERT_EQ(ReadSidecar(WorkPath("settings"), after), noErr);
    EXPECT_EQ(after.finderInfo, mac.finderInfo);
    EXPECT_EQ(after.finderInfoExtra, mac.finderInfoExtra);
    EXPECT_EQ(after.others, mac.others);
    EXPECT_EQ(after.filler, mac.filler);
    EXPECT_EQ(ForkOnDisk("settings").entries.at(0).data, (Bytes{4, 5, 6}));
}

TEST_F(ResourceManagerTest, CurrentFileFollowsOpensUsesAndCloses) {
    const FSSpec a = FileWithTwoResources("a");
    const FSSpec b = NewResFile("b");
    const int16_t refA = FSpOpenResFile(a, fsRdPerm);
    const int16_t refB = FSpOpenResFile(b, fsRdWrPerm);
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
    CloseResFile(refB);
}

TEST_F(ResourceManagerTest, DuplicateOrInvalidAddsAreRefused) {
    const FSSpec spec = FileWithTwoResources("prefs");
    const int16_t ref = FSpOpenResFile(spec, fsRdWrPerm);
    Handle duplicate = NewHandleWith({1});
    AddResource(duplicate, kTone, 128, nullptr);
    EXPECT_EQ(ResError(), addResFailed);
    AddResource(nullptr, kTone, 1, nullptr);
    EXPECT_EQ(ResError(), addResFailed);
    Handle tone = Get1Resource(kTone, 128);
    AddResource(tone, kTone, 2, nullptr); // already a resource
    EXPECT_EQ(ResError(), addResFailed);
    MyDisposeHandle(duplicate);
    CloseResFile(ref);
    EXPECT_EQ(ForkOnDisk("prefs").entries.size(), 2u);
}

// ---- Files that cannot be opened --------------------------------------------------------

struct OpenFailureCase {
    const char* name;
    void (*prepare)(const std::string& path);
    OSErr expected;
    friend void PrintTo(const OpenFailureCase& c, std::ostream* os) { *os << c.name; }
};

class ResourceFileOpenFailure : public ResourceManagerTest,
                                public ::testing::WithParamInterface<OpenFailureCase> {};

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

TEST_P(ResourceFileOpenFailure, GivesMinusOneAndTheStatus) {
    const std::string path = WorkPath("target");
    GetParam().prepare(path);
    const int16_t before = CurResFile();
    EXPECT_EQ(FSpOpenResFile(SpecFor(path), fsRdWrPerm), -1);
    EXPECT_EQ(ResError(), GetParam().expected);
    EXPECT_EQ(CurResFile(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ResourceFileOpenFailure,
    ::testing::Values(
        OpenFailureCase{"Missing", [](const std::string&) {}, fnfErr},
        OpenFailureCase{"Folder",
                        [](const std::string& path) { std::filesystem::create_directory(path); },
                        fnfErr},
        OpenFailureCase{"NoSidecar", [](const std::string& path) { WriteBytes(path, {'x'}); },
                        eofErr},
        OpenFailureCase{"SidecarWithoutFork",
                        [](const std::string& path) {
                            WriteBytes(path, {'x'});
                            AppleDoubleImage sidecar;
                            AppleDoubleSetTypeAndCreator(sidecar, 1, 2);
                            WriteSidecar(path, sidecar);
                        },
                        eofErr},
        OpenFailureCase{"DamagedSidecar",
                        [](const std::string& path) {
                            WriteBytes(path, {'x'});
                            WriteBytes(SidecarPath(path), {0x00, 0x05, 0x16, 0x07, 1});
                        },
                        mapReadErr},
        OpenFailureCase{"DamagedFork",
                        [](const std::string& path) {
                            WriteBytes(path, {'x'});
                            AppleDoubleImage sidecar;
                            sidecar.hasResourceFork = true;
                            sidecar.resourceFork = Bytes(40, 0xFF);
                            WriteSidecar(path, sidecar);
                        },
                        mapReadErr}),
    [](const auto& c) { return std::string(c.param.name); });

// ---- A plain file whose data fork is a resource file ------------------------------------

TEST_F(ResourceManagerTest, DataForkResourceFileIsReadAndRewrittenInPlace) {
    ResourceForkImage image;
    image.entries.push_back({MakeFourCC("STR "), 129, 0, false, "", {5, 'P', 'r', 'e', 'f', 's'}});
    Bytes bytes;
    ASSERT_EQ(SerializeResourceFork(image, bytes), noErr);
    const std::string path = WorkPath("Orvane.rsrc");
    WriteBytes(path, bytes);

    const int16_t ref = OpenResFileAtPath(path, fsRdWrPerm);
    ASSERT_GT(ref, 0);
    Handle text = Get1Resource(MakeFourCC("STR "), 129);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(GetHandleSize(text), 6u);
    AddResource(NewHandleWith({1}), MakeFourCC("STR "), 130, nullptr);
    CloseResFile(ref);
    ASSERT_EQ(ResError(), noErr);
    EXPECT_FALSE(Exists(SidecarPath(path)));

    const std::string written = ReadFile(path);
    ResourceForkImage back;
    ASSERT_EQ(ParseResourceFork(Bytes(written.begin(), written.end()), back), noErr);
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[1].id, 130);
}

} // namespace
} // namespace orvane
