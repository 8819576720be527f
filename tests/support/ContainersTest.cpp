#include "support/Containers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using namespace orvane;

namespace {

struct Record12 {
    uint32_t type;
    int16_t id;
    uint8_t filler[6];
};
static_assert(sizeof(Record12) == 12);

Record12 MakeRecord(uint32_t n) {
    Record12 r{};
    r.type = 0x54000000u + n;
    r.id = static_cast<int16_t>(n);
    std::memset(r.filler, static_cast<int>(n & 0xFF), sizeof r.filler);
    return r;
}

bool Holds(const UnknownNumberOfStructureClass& array, int32_t n, uint32_t expected) {
    const auto* r = static_cast<const Record12*>(array.GetNthStructure(n));
    const Record12 want = MakeRecord(expected);
    return r && std::memcmp(r, &want, sizeof want) == 0;
}

} // namespace

TEST(StructureArray, InsertsInTheMiddleKeepingEveryRecord) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    for (uint32_t i = 0; i < 5; ++i) {
        const Record12 r = MakeRecord(i);
        ASSERT_EQ(array.AppendNewStructure(&r), noErr);
    }
    const Record12 middle = MakeRecord(99);
    ASSERT_EQ(array.AppendNewStructure(&middle, 2), noErr);
    const uint32_t expected[] = {0, 1, 99, 2, 3, 4};
    ASSERT_EQ(array.GetNumberOfStructure(), 6);
    for (int32_t n = 1; n <= 6; ++n)
        EXPECT_TRUE(Holds(array, n, expected[n - 1])) << "record " << n;
    // Adjacent slots are 16 bytes apart for a 12-byte record.
    EXPECT_EQ(static_cast<uint8_t*>(array.GetNthStructure(2)) -
                  static_cast<uint8_t*>(array.GetNthStructure(1)),
              16);
}

TEST(StructureArray, IndexIsClampedAndOutOfRangeLookupsAreNull) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    const Record12 a = MakeRecord(1), b = MakeRecord(2), c = MakeRecord(3);
    array.AppendNewStructure(&a, -7);
    array.AppendNewStructure(&b, 100);
    array.AppendNewStructure(&c, -1);
    EXPECT_TRUE(Holds(array, 1, 3));
    EXPECT_TRUE(Holds(array, 2, 1));
    EXPECT_TRUE(Holds(array, 3, 2));
    EXPECT_EQ(array.GetNthStructure(0), nullptr);
    EXPECT_EQ(array.GetNthStructure(4), nullptr);

    array.DeleteNthStructure(1);
    array.DeleteNthStructure(9); // out of range: nothing happens
    ASSERT_EQ(array.GetNumberOfStructure(), 2);
    EXPECT_TRUE(Holds(array, 1, 1));
    EXPECT_TRUE(Holds(array, 2, 2));
    array.DeleteAllStructure();
    EXPECT_EQ(array.GetNumberOfStructure(), 0);
    EXPECT_EQ(array.GetNthStructure(1), nullptr);
}

TEST(StructureArray, SeventeenthInsertionGrowsWithoutLosingRecords) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    for (uint32_t i = 0; i < 17; ++i) {
        const Record12 r = MakeRecord(i);
        ASSERT_EQ(array.AppendNewStructure(&r), noErr);
    }
    for (int32_t n = 1; n <= 17; ++n)
        EXPECT_TRUE(Holds(array, n, static_cast<uint32_t>(n - 1)));
}

TEST(StructureArray, FailedGrowthLeavesTheArrayUnchanged) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    for (uint32_t i = 0; i < 16; ++i) {
        const Record12 r = MakeRecord(i);
        ASSERT_EQ(array.AppendNewStructure(&r), noErr);
    }
    FailingAllocator noMemory(0);
    ScopedAllocator scope(noMemory);
    const Record12 extra = MakeRecord(77);
    EXPECT_EQ(array.AppendNewStructure(&extra, 0), memFullErr);
    ASSERT_EQ(array.GetNumberOfStructure(), 16);
    for (int32_t n = 1; n <= 16; ++n)
        EXPECT_TRUE(Holds(array, n, static_cast<uint32_t>(n - 1)));
}

TEST(ByteBlock, GrowsByTheStepOrTheShortfall) {
    MyUnknownSizePtrClass small;
    ASSERT_EQ(small.Append("x", 1), noErr);
    EXPECT_EQ(small.GetAllocatedSize(), 1024u);
    EXPECT_EQ(small.GetUsedSize(), 1u);

    MyUnknownSizePtrClass big;
    std::array<uint8_t, 2000> bytes{};
    bytes.fill(0x5A);
    ASSERT_EQ(big.Append(bytes.data(), 2000), noErr);
    EXPECT_EQ(big.GetAllocatedSize(), 2000u);
    ASSERT_EQ(big.Append("ab", 2), noErr);
    EXPECT_EQ(big.GetAllocatedSize(), 3024u);
    EXPECT_EQ(big.GetBlock()[1999], 0x5A);
    EXPECT_EQ(std::memcmp(big.GetBlock() + 2000, "ab", 2), 0);
}

TEST(ByteBlock, FailedGrowthLeavesTheBlockAsItWas) {
    MyUnknownSizePtrClass block;
    ASSERT_EQ(block.Append("tone", 4), noErr);
    uint8_t* before = block.GetBlock();
    FailingAllocator noMemory(0);
    ScopedAllocator scope(noMemory);
    std::array<uint8_t, 4096> more{};
    EXPECT_EQ(block.Append(more.data(), static_cast<uint32_t>(more.size())), memFullErr);
    EXPECT_EQ(block.GetBlock(), before);
    EXPECT_EQ(block.GetUsedSize(), 4u);
    EXPECT_EQ(block.GetAllocatedSize(), 1024u);
    EXPECT_EQ(std::memcmp(block.GetBlock(), "tone", 4), 0);
}

TEST(ResizableHandle, KeepsContentsWhenGrowingAndAllocatesOnlyWhenLarger) {
    MyAllocateHandleClass scratch;
    ASSERT_EQ(scratch.SetTheSize(560), noErr);
    std::memset(scratch.Data(), 0xAB, 560);
    ASSERT_EQ(scratch.SetTheSize(1568), noErr);
    EXPECT_EQ(scratch.GetAllocatedSize(), 1568u);
    EXPECT_EQ(scratch.Data()[559], 0xAB);
    EXPECT_EQ(scratch.Data()[560], 0);

    Handle before = scratch.GetHandle();
    FailingAllocator noMemory(0);
    ScopedAllocator scope(noMemory);
    EXPECT_EQ(scratch.SetTheSize(100), noErr) << "a smaller size allocates nothing";
    EXPECT_EQ(scratch.GetHandle(), before);
    EXPECT_EQ(scratch.GetSize(), 100u);
    EXPECT_EQ(scratch.GetAllocatedSize(), 1568u);
}

TEST(ResizableHandle, ReportsExhaustedMemory) {
    FailingAllocator noMemory(0);
    ScopedAllocator scope(noMemory);
    MyAllocateHandleClass scratch;
    EXPECT_EQ(scratch.SetTheSize(16), memFullErr);
    EXPECT_EQ(scratch.GetHandle(), nullptr);
}
