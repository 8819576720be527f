// The structure array: records kept in order through insertions, deletions and growth, and
// failed growth that changes nothing.
#include "support/Containers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace orvane {
namespace {

struct Record12 {
    uint32_t type;
    int16_t id;
    uint8_t filler[6];
};

Record12 MakeRecord(uint32_t n) {
    Record12 r{};
    r.type = 0x54000000u + n;
    r.id = static_cast<int16_t>(n);
    std::memset(r.filler, static_cast<int>(n & 0xFF), sizeof r.filler);
    return r;
}

// The records' numbers in order; a record that is not one MakeRecord made shows as 9999.
std::vector<uint32_t> Contents(const UnknownNumberOfStructureClass& array) {
    std::vector<uint32_t> numbers;
    for (int32_t n = 1; n <= array.GetNumberOfStructure(); ++n) {
        const auto* r = static_cast<const Record12*>(array.GetNthStructure(n));
        const Record12 want = MakeRecord(r ? r->type - 0x54000000u : 0);
        numbers.push_back(r && std::memcmp(r, &want, sizeof want) == 0 ? r->type - 0x54000000u
                                                                       : 9999);
    }
    return numbers;
}

TEST(StructureArray, InsertsAnywhereDeletesAndGrowsKeepingEveryRecord) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < 17; ++i) { // the seventeenth grows the array
        const Record12 r = MakeRecord(i);
        ASSERT_EQ(array.AppendNewStructure(&r), noErr);
        expected.push_back(i);
    }
    const Record12 a = MakeRecord(97), b = MakeRecord(98), c = MakeRecord(99);
    ASSERT_EQ(array.AppendNewStructure(&a, 2), noErr);   // after the second
    ASSERT_EQ(array.AppendNewStructure(&b, 100), noErr); // past the end: at the end
    ASSERT_EQ(array.AppendNewStructure(&c, -7), noErr);  // negative: at the start
    expected.insert(expected.begin() + 2, 97);
    expected.push_back(98);
    expected.insert(expected.begin(), 99);
    EXPECT_EQ(Contents(array), expected);
    EXPECT_EQ(array.GetNthStructure(0), nullptr);
    EXPECT_EQ(array.GetNthStructure(21), nullptr);
    // Adjacent slots are 16 bytes apart for a 12-byte record.
    EXPECT_EQ(static_cast<uint8_t*>(array.GetNthStructure(2)) -
                  static_cast<uint8_t*>(array.GetNthStructure(1)),
              16);

    array.DeleteNthStructure(1);
    array.DeleteNthStructure(19); // the last
    array.DeleteNthStructure(99); // out of range: nothing happens
    expected.erase(expected.begin());
    expected.pop_back();
    EXPECT_EQ(Contents(array), expected);
    array.DeleteAllStructure();
    EXPECT_EQ(array.GetNumberOfStructure(), 0);
    EXPECT_EQ(array.GetNthStructure(1), nullptr);
}

TEST(StructureArray, FailedGrowthLeavesTheArrayUnchanged) {
    UnknownNumberOfStructureClass array(sizeof(Record12));
    for (uint32_t i = 0; i < 16; ++i) {
        const Record12 r = MakeRecord(i);
        ASSERT_EQ(array.AppendNewStructure(&r), noErr);
    }
    const std::vector<uint32_t> before = Contents(array);
    FailingAllocator noMemory(0);
    ScopedAllocator scope(noMemory);
    const Record12 extra = MakeRecord(77);
    EXPECT_EQ(array.AppendNewStructure(&extra, 0), memFullErr);
    EXPECT_EQ(Contents(array), before);
}

} // namespace
} // namespace orvane
