#include "support/ResFile.h"

#include "host/files/HostTestFolder.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<uint8_t>;

const ResType kVrTn = MakeFourCC("VrTn");
const ResType kTone = MakeFourCC("Tone");

// Counts the blocks alive, so a test can tell which handles an object gave back.
class LiveBlockAllocator : public Allocator {
public:
    void* Allocate(size_t size) override {
        void* block = std::calloc(size == 0 ? 1 : size, 1);
        if (block)
            live_.insert(block);
        return block;
    }
    void Free(void* block) override {
        live_.erase(block);
        std::free(block);
    }
    bool IsLive(const void* block) const { return live_.count(const_cast<void*>(block)) != 0; }

private:
    std::set<void*> live_;
};

class ResFileTest : public testing::HostFolderTest {
protected:
    void TearDown() override {
        while (CurResFile() != 0)
            CloseResFile(CurResFile());
        HostFolderTest::TearDown();
    }

    FSSpec NewResFile(const std::string& name) {
        const FSSpec spec = SpecFor(WorkPath(name));
        FSpCreateResFile(spec, MakeFourCC("Hvtk"), MakeFourCC("pref"), 0);
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

    // A file holding 'Tone' 128 = {1, 2, 3}, written through the class.
    FSSpec FileWithTone(const std::string& name) {
        const FSSpec spec = NewResFile(name);
        MyOpenResFileClass file;
        EXPECT_EQ(file.SetResFile(spec), noErr);
        Handle tone = MyNewHandleClear(3);
        for (uint8_t i = 0; i < 3; ++i)
            HandleData(tone)[i] = static_cast<uint8_t>(i + 1);
        EXPECT_EQ(file.AddTheResource(tone, kTone, 128, reinterpret_cast<ConstStringPtr>("")),
                  noErr);
        return spec;
    }
};

// The way a settings record is first stored into a file that has none: look it up, add a
// new handle when it is missing, fill it and save it by type and ID.
TEST_F(ResFileTest, LookUpAddAndSaveOfAMissingResourceEndsInTheFile) {
    const FSSpec spec = NewResFile("printer.ppd");
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec, fsRdWrPerm), noErr);
        EXPECT_EQ(file.GetTheResource(kVrTn, 128), nullptr);
        EXPECT_EQ(file.lastError, noErr);
        Handle record = MyNewHandleClear(1568);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(file.AddTheResource(record, kVrTn, 128, reinterpret_cast<ConstStringPtr>("")),
                  noErr);
        std::memset(HandleData(record), 0x5C, 1568);
        EXPECT_EQ(file.SaveTheResource(kVrTn, 128), noErr);
        EXPECT_EQ(file.GetTheResource(kVrTn, 128), record);
        // Written by the save, not only at the close.
        ASSERT_EQ(ForkOnDisk("printer.ppd").entries.size(), 1u);
        EXPECT_EQ(ForkOnDisk("printer.ppd").entries[0].data, Bytes(1568, 0x5C));
    }
    const ResourceForkImage fork = ForkOnDisk("printer.ppd");
    ASSERT_EQ(fork.entries.size(), 1u);
    EXPECT_EQ(fork.entries[0].type, kVrTn);
    EXPECT_FALSE(fork.entries[0].hasName);
    EXPECT_EQ(fork.entries[0].data, Bytes(1568, 0x5C));
}

TEST_F(ResFileTest, AddedResourceReachesTheFileAtCloseWithoutASave) {
    FileWithTone("prefs");
    const ResourceForkImage fork = ForkOnDisk("prefs");
    ASSERT_EQ(fork.entries.size(), 1u);
    EXPECT_EQ(fork.entries[0].data, (Bytes{1, 2, 3}));
}

TEST_F(ResFileTest, GetTheResourceTwiceFetchesOnce) {
    const FSSpec spec = FileWithTone("prefs");
    Handle first = nullptr;
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec, fsRdPerm), noErr);
        first = file.GetTheResource(kTone, 128);
        ASSERT_NE(first, nullptr);
        // Take the handle away from the file behind the object's back: a second fetch from
        // the file would now load a new handle; the tracked one comes back instead.
        DetachResource(first);
        EXPECT_EQ(file.GetTheResource(kTone, 128), first);
        EXPECT_EQ(file.SearchByTypeAndID(kTone, 128), 1);
        EXPECT_EQ(file.SearchByHandle(first), 1);
        EXPECT_EQ(file.SearchByHandle(nullptr), 0);
    } // releasing a handle that is no longer a resource is refused, so it is still ours
    MyDisposeHandle(first);
}

TEST_F(ResFileTest, DetachedResourceSurvivesTheObjectAndFetchedOnesDoNot) {
    const FSSpec spec = FileWithTone("prefs");
    {
        MyOpenResFileClass writer;
        ASSERT_EQ(writer.SetResFile(spec), noErr);
        Handle wpos = MyNewHandleClear(8);
        ASSERT_EQ(writer.AddTheResource(wpos, MakeFourCC("WPOS"), 1007,
                                        reinterpret_cast<ConstStringPtr>("\x04pos!")),
                  noErr);
    }

    LiveBlockAllocator allocator;
    ScopedAllocator scoped(allocator);
    Handle fetched = nullptr;
    Handle detached = nullptr;
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec, fsRdPerm), noErr);
        fetched = file.GetTheResource(MakeFourCC("WPOS"), 1007);
        detached = file.GetTheResource(kTone, 128);
        ASSERT_NE(fetched, nullptr);
        ASSERT_NE(detached, nullptr);
        EXPECT_EQ(file.DetachTheResource(kTone, 128), noErr);
        EXPECT_EQ(file.SearchByHandle(detached), 0);
    }
    EXPECT_FALSE(allocator.IsLive(fetched));
    ASSERT_TRUE(allocator.IsLive(detached));
    EXPECT_EQ(GetHandleSize(detached), 3u);
    EXPECT_EQ(HandleData(detached)[2], 3);
    MyDisposeHandle(detached);
}

TEST_F(ResFileTest, OpeningAndOperationsLeaveTheCurrentFileAlone) {
    const FSSpec spec = FileWithTone("prefs");
    const FSSpec other = NewResFile("other");
    const int16_t otherRef = FSpOpenResFile(other, fsRdWrPerm);
    ASSERT_GT(otherRef, 0);
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec), noErr);
        EXPECT_NE(file.refNum, otherRef);
        EXPECT_EQ(CurResFile(), otherRef);
        EXPECT_NE(file.GetTheResource(kTone, 128), nullptr);
        EXPECT_EQ(file.SaveTheResource(kTone, 128), noErr);
        EXPECT_EQ(file.savedResFile, otherRef);
        EXPECT_EQ(CurResFile(), otherRef);
    }
    EXPECT_EQ(CurResFile(), otherRef);
    CloseResFile(otherRef);
}

TEST_F(ResFileTest, OwnedFileIsClosedAndAttachedFileStaysOpen) {
    const FSSpec spec = FileWithTone("prefs");
    int16_t owned = 0;
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec), noErr);
        owned = file.refNum;
        EXPECT_EQ(file.ownsFile, 1);
        EXPECT_EQ(file.fileSet, 1);
    }
    UseResFile(owned);
    EXPECT_EQ(ResError(), resFNotFound);

    const int16_t ref = FSpOpenResFile(spec, fsRdPerm);
    {
        MyOpenResFileClass file;
        file.SetResFile(ref);
        EXPECT_EQ(file.ownsFile, 0);
        EXPECT_NE(file.GetTheResource(kTone, 128), nullptr);
    }
    UseResFile(ref);
    EXPECT_EQ(ResError(), noErr);
    CloseResFile(ref);
}

TEST_F(ResFileTest, UntrackedResourcesGiveResNotFoundAndChangeNothing) {
    const FSSpec spec = FileWithTone("prefs");
    MyOpenResFileClass file;
    ASSERT_EQ(file.SetResFile(spec), noErr);
    Handle stranger = MyNewHandleClear(4);
    EXPECT_EQ(file.SaveTheResource(kTone, 128), resNotFound);
    EXPECT_EQ(file.SaveTheResource(stranger), resNotFound);
    EXPECT_EQ(file.RemoveTheResource(stranger), resNotFound);
    EXPECT_EQ(file.DetachTheResource(stranger), resNotFound);
    EXPECT_EQ(file.DetachTheResource(kTone, 128), resNotFound);
    EXPECT_EQ(file.lastError, resNotFound);
    MyDisposeHandle(stranger);
    EXPECT_EQ(ForkOnDisk("prefs").entries.size(), 1u);
}

TEST_F(ResFileTest, RemovedResourceLeavesTheFileAndTheHandleIsTheCallers) {
    const FSSpec spec = FileWithTone("prefs");
    Handle tone = nullptr;
    {
        MyOpenResFileClass file;
        ASSERT_EQ(file.SetResFile(spec), noErr);
        tone = file.GetTheResource(kTone, 128);
        ASSERT_EQ(file.RemoveTheResource(tone), noErr);
        EXPECT_EQ(file.SearchByHandle(tone), 0);
    }
    EXPECT_TRUE(ForkOnDisk("prefs").entries.empty());
    MyDisposeHandle(tone);
}

TEST_F(ResFileTest, ReadOnlyFileRefusesAddsAndSaves) {
    const FSSpec spec = FileWithTone("prefs");
    MyOpenResFileClass file;
    ASSERT_EQ(file.SetResFile(spec, fsRdPerm), noErr);
    Handle extra = MyNewHandleClear(2);
    EXPECT_EQ(file.AddTheResource(extra, kVrTn, 128, nullptr), wrPermErr);
    EXPECT_EQ(file.SearchByHandle(extra), 0);
    MyDisposeHandle(extra);
    ASSERT_NE(file.GetTheResource(kTone, 128), nullptr);
    EXPECT_EQ(file.SaveTheResource(kTone, 128), wrPermErr);
    EXPECT_EQ(file.lastError, wrPermErr);
}

TEST_F(ResFileTest, FailedSaveIsReportedAndTheOldSidecarStays) {
    const FSSpec spec = FileWithTone("prefs");
    const std::string before = ReadFile(SidecarPath(WorkPath("prefs")));
    MyOpenResFileClass file;
    ASSERT_EQ(file.SetResFile(spec), noErr);
    Handle tone = file.GetTheResource(kTone, 128);
    HandleData(tone)[0] = 0x99;
    {
        ScopedWriteFailure failure(10);
        EXPECT_NE(file.SaveTheResource(tone), noErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(WorkPath("prefs"))), before);
    EXPECT_EQ(file.SaveTheResource(tone), noErr);
    EXPECT_EQ(ForkOnDisk("prefs").entries[0].data, (Bytes{0x99, 2, 3}));
}

TEST_F(ResFileTest, OpenFailureIsReportedAndNothingIsClosedLater) {
    MyOpenResFileClass file;
    WriteFile(WorkPath("plain"), "no fork");
    EXPECT_EQ(file.SetResFile(SpecFor(WorkPath("plain"))), eofErr);
    EXPECT_EQ(file.refNum, 0);
    EXPECT_EQ(file.lastError, eofErr);
    EXPECT_EQ(file.GetTheResource(kTone, 128), nullptr);
}

} // namespace
} // namespace orvane
